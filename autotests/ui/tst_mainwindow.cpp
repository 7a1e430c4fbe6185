#include "clock.h"
#include "courseview.h"
#include "fakes.h"
#include "mainwindow.h"
#include "widgets.h"
#include "windowharness.h"

#include <QTest>

using namespace Protocol;

namespace {

// Sound and messages recorded; the clock starts away from zero.
struct Harness : WindowHarness<RecordingSink>
{
    explicit Harness(SportVariant variant) : WindowHarness(variant, 10000) {}
};

const char *const NoSoundText =
    "No se ha encontrado ninguna tarjeta de sonido instalada en su sistema.";

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void profileApplied_data();
    void profileApplied();
    void defaultRun_data();
    void defaultRun();
    void repeatPeriodStartsWithoutWarmUp();
    void noSoundDeviceWarnsOnceAndRunsSilently();
    void stopInEveryPhaseKeepsTheDisplays_data();
    void stopInEveryPhaseKeepsTheDisplays();
    void geometry();
    void startScreen();
    void helpPanel_data();
    void helpPanel();
    void aboutFromBothEntryPoints();
    void toolbarThroughATestsLife();
    void tablesPanelOnDoubleClick();
    void setUpAndIndicatorsThroughATest_data();
    void setUpAndIndicatorsThroughATest();
    void doubleClickOnAControlLeavesTheTables_data();
    void doubleClickOnAControlLeavesTheTables();
    void designFonts_data();
    void designFonts();
    void widgetSetDesignColours();
    void soundStateBesideTheSpeedStrip();
};

void TestMainWindow::profileApplied_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<int>("periods");
    QTest::addColumn<int>("markers");
    QTest::newRow("probst") << SportVariant::Probst
                            << QStringLiteral("Test de Probst: Orvelan en Fútbol")
                            << QStringLiteral("Panel_Futbol") << 30 << 14;
    QTest::newRow("futbol") << SportVariant::Futbol
                            << QStringLiteral("ZENTA-Fútbol 2.0: Orvelan en Fútbol")
                            << QStringLiteral("Panel_Futbol") << 30 << 14;
    QTest::newRow("basket") << SportVariant::Basket
                            << QStringLiteral("ZENTA-Basket 2.0: Orvelan en Baloncesto")
                            << QStringLiteral("Panel_Basket") << 30 << 12;
    QTest::newRow("futsal") << SportVariant::FutSal
                            << QStringLiteral("ZENTA-FutSal: Orvelan en Fútbol-Sala")
                            << QStringLiteral("Panel_FutSal") << 28 << 14;
    QTest::newRow("voley") << SportVariant::Voley
                           << QStringLiteral("ZENTA-Voley: Orvelan en Voleibol")
                           << QStringLiteral("Panel_Voley") << 25 << 12;
}

void TestMainWindow::profileApplied()
{
    QFETCH(SportVariant, variant);
    QFETCH(QString, caption);
    QFETCH(QString, panel);
    QFETCH(int, periods);
    QFETCH(int, markers);
    Harness h(variant);

    QCOMPARE(h.window.windowTitle(), caption);
    QCOMPARE(h.ui()->SpinEdit1->minimum(), 1);
    QCOMPARE(h.ui()->SpinEdit1->maximum(), periods);
    const QList<CourseView *> panels = h.window.findChildren<CourseView *>();
    QCOMPARE(panels.size(), 4);
    for (CourseView *p : panels)
        QCOMPARE(p->isVisible(), p->objectName() == panel);
    QCOMPARE(h.window.coursePanel()->objectName(), panel);
    QCOMPARE(h.window.coursePanel()->findChildren<StationMarker *>().size(), markers + 1);
    QCOMPARE(h.window.coursePanel()->pictureOnTop(), 1);
    // Only exit, help and about can be used before a test is readied.
    QVERIFY(h.ui()->BitBtnSalir->isEnabled());
    QVERIFY(!h.ui()->BitBtnNuevo->isEnabled());
    QVERIFY(!h.ui()->BitBtnStart->isEnabled());
    QVERIFY(!h.ui()->BitBtnStop->isEnabled());
    QVERIFY(h.ui()->BitBtnAyuda->isEnabled());
    QVERIFY(h.ui()->BitBtnGrupo->isEnabled());
    QVERIFY(h.window.programFolder().endsWith(QDir::separator()));
    QVERIFY(h.dialogs.messages.isEmpty());
}

void TestMainWindow::defaultRun_data()
{
    profileApplied_data();
}

// The default test (full test from period 1, warm-up ticked) through warm-up, the pause after
// it, two effort periods and the recovery between them, then stop and a new test.
void TestMainWindow::defaultRun()
{
    QFETCH(SportVariant, variant);
    Harness h(variant);
    const MainWindowControls *ui = h.ui();
    const SportProfile &p = h.window.profile();
    CourseView *course = h.window.coursePanel();
    const int L = p.stationsPerLap;
    const int B = p.beepsPerPeriod;
    const bool voley = variant == SportVariant::Voley;

    h.press(ui->FlatRadioButton1);
    QVERIFY(ui->BitBtnStart->isEnabled());
    QVERIFY(!ui->BitBtnNuevo->isEnabled());
    QCOMPARE(course->pictureOnTop(), 1);
    QVERIFY(course->restMarkerShown());
    QCOMPARE(course->visibleMarker(), 0);
    QVERIFY(!course->marker(0)->brushColor().isValid()); // outline only until the run

    QTest::mouseClick(ui->BitBtnStart, Qt::LeftButton);
    QCOMPARE(h.sound.cues, QList<qint64>{10000});
    QCOMPARE(ui->PanelRecVel->text(), QStringLiteral("CALENTAMIENTO"));
    QVERIFY(ui->PanelRecVel->isVisible());
    QCOMPARE(course->pictureOnTop(), 2);
    QVERIFY(!course->restMarkerShown());
    QVERIFY(ui->EditVuelta->isVisible());
    QCOMPARE(ui->EditVuelta->text(), QStringLiteral("1"));
    QCOMPARE(ui->GaugeRec->text(), QStringLiteral("Estación Nº: 0"));
    QVERIFY(!ui->BitBtnStart->isEnabled());
    QVERIFY(!ui->BitBtnSalir->isEnabled());
    QVERIFY(ui->BitBtnStop->isEnabled());
    QVERIFY(!ui->PanelTipo->isVisible());
    QCOMPARE(ui->Velocidad->text(), periodSpeedText(variant, 1));

    // Warm-up: one beep per interval, the marker one station on each time.
    const int first = h.window.engine().currentInterval();
    qint64 t = 10000;
    for (int beep = 1; beep < B; ++beep) {
        t += first;
        h.advanceTo(t + 1);
        QCOMPARE(ui->EditPitido->text(), QString::number(beep));
        QCOMPARE(course->visibleMarker(), beep % L);
        QVERIFY(course->marker(beep % L)->brushColor() == QColor(Qt::yellow));
        QCOMPARE(ui->EditVuelta->text(), QString::number((beep - 1) / L + 1));
        QCOMPARE(ui->EditCrono->text(), QStringLiteral("00:00"));
    }
    QCOMPARE(h.sound.cues.size(), B);
    QCOMPARE(h.sound.cues.last(), t);

    // The warm-up's last beep starts the long pause; the period does not advance.
    t += first;
    h.advanceTo(t + 1);
    QCOMPARE(ui->PanelRecVel->text(), QStringLiteral("RECUPERACIÓN previa al Test"));
    QCOMPARE(ui->EditPeriodo->text(), QStringLiteral("1"));
    QCOMPARE(ui->EditCompletados->text(), QStringLiteral("0"));
    QCOMPARE(course->pictureOnTop(), 1);
    QVERIFY(course->restMarkerShown());
    QVERIFY(!ui->EditVuelta->isVisible());
    QCOMPARE(ui->GaugeRec->maximum(), 180);
    h.advanceTo(t + 176999);
    QVERIFY(h.sound.alerts.isEmpty());
    QCOMPARE(ui->GaugeRec->text(), QStringLiteral("176 seg."));
    h.advanceTo(t + 177000);
    QCOMPARE(h.sound.alerts.size(), 1);
    h.advanceTo(t + 177990);
    QCOMPARE(h.sound.alerts.size(), 1); // once per pause, not at every tick of its second
    h.advanceTo(t + 180000);
    QCOMPARE(ui->PanelRecVel->text(), QStringLiteral("RECUPERACIÓN previa al Test"));
    h.advanceTo(t + 180001);
    t += 180000;
    QCOMPARE(h.sound.cues.last(), t);
    QCOMPARE(ui->PanelRecVel->text(), QStringLiteral("Periodo de ESFUERZO"));
    QCOMPARE(ui->EditCrono->text(), QStringLiteral("00:00"));
    QCOMPARE(ui->Panel_Distancia->text(), QStringLiteral("0"));
    QCOMPARE(course->pictureOnTop(), 2);
    QVERIFY(!course->restMarkerShown());

    // Effort period 1, then the 30 s recovery.
    for (int beep = 1; beep <= B; ++beep) {
        t += first;
        h.advanceTo(t + 1);
    }
    QCOMPARE(ui->PanelRecVel->text(), QStringLiteral("Periodo de RECUPERACIÓN"));
    QCOMPARE(ui->EditPeriodo->text(), QStringLiteral("2"));
    QCOMPARE(ui->EditCompletados->text(), QStringLiteral("1"));
    QCOMPARE(ui->Panel_Distancia->text(), QString::number((B * p.segmentLengthCm + 50) / 100));
    QCOMPARE(ui->Velocidad->text(), periodSpeedText(variant, 2));
    QCOMPARE(course->pictureOnTop(), 3);
    QCOMPARE(ui->EditCrono->text(), RunEngine::formatChrono(qint64(B) * first / 1000));
    QCOMPARE(ui->GaugeRec->maximum(), 30);
    h.advanceTo(t + 27000);
    QCOMPARE(h.sound.alerts.size(), 2);
    h.advanceTo(t + 30001);
    t += 30000;
    QCOMPARE(h.sound.cues.last(), t);

    // Period 2 runs the other way round (volleyball always forward).
    QCOMPARE(course->pictureOnTop(), voley ? 2 : 4);
    const int second = h.window.engine().currentInterval();
    QVERIFY(second < first);
    t += second;
    h.advanceTo(t + 1);
    QCOMPARE(course->visibleMarker(), voley ? 1 : L - 1);
    QCOMPARE(h.sound.cues.last(), t);

    // Stop: timers off, the displays keep what they show.
    const QString distance = ui->Panel_Distancia->text();
    const QString chrono = ui->EditCrono->text();
    QTest::mouseClick(ui->BitBtnStop, Qt::LeftButton);
    QVERIFY(!ui->BitBtnStop->isEnabled());
    QVERIFY(ui->BitBtnNuevo->isEnabled());
    QVERIFY(!ui->BitBtnStart->isEnabled());
    QVERIFY(ui->BitBtnSalir->isEnabled());
    QVERIFY(!ui->PanelRecVel->isVisible());
    QVERIFY(!ui->GaugeRec->isVisible());
    QVERIFY(!ui->PanelStart->isVisible());
    QVERIFY(!ui->PanelStop->isVisible());
    const int cues = h.sound.cues.size();
    h.advanceTo(t + 600000);
    QCOMPARE(h.sound.cues.size(), cues);
    QCOMPARE(ui->Panel_Distancia->text(), distance);
    QCOMPARE(ui->EditCrono->text(), chrono);

    // A new test brings everything back to rest.
    QTest::mouseClick(ui->BitBtnNuevo, Qt::LeftButton);
    QCOMPARE(ui->EditCrono->text(), QStringLiteral("00:00"));
    QCOMPARE(ui->EditPeriodo->text(), QStringLiteral("0"));
    QCOMPARE(ui->EditCompletados->text(), QStringLiteral("0"));
    QCOMPARE(ui->EditVuelta->text(), QStringLiteral("0"));
    QCOMPARE(course->pictureOnTop(), 1);
    QVERIFY(course->restMarkerShown());
    QVERIFY(ui->PanelTipo->isVisible());
    QVERIFY(ui->BitBtnStart->isEnabled());
    QVERIFY(!ui->BitBtnNuevo->isEnabled());
}

void TestMainWindow::repeatPeriodStartsWithoutWarmUp()
{
    Harness h(SportVariant::Futbol);
    const MainWindowControls *ui = h.ui();
    QTest::mouseClick(ui->FlatRadioButton2, Qt::LeftButton);
    QVERIFY(ui->FlatRadioButton2->isChecked());
    QVERIFY(!ui->CheckBox_Calentamiento->isVisible());
    QVERIFY(ui->CheckBox_Calentamiento->isChecked());
    QVERIFY(ui->BitBtnStart->isEnabled());
    ui->SpinEdit1->setValue(30);
    QTest::mouseClick(ui->BitBtnStart, Qt::LeftButton);
    QCOMPARE(ui->PanelRecVel->text(), QStringLiteral("Periodo de ESFUERZO"));
    qint64 t = 10000;
    for (int beep = 1; beep <= 30; ++beep) {
        t += 1525;
        h.advanceTo(t + 1);
    }
    QCOMPARE(ui->PanelRecVel->text(), QStringLiteral("Periodo de ESFUERZO"));
    QCOMPARE(ui->GaugeRec->position(), 28);
    QCOMPARE(ui->EditVuelta->text(), QStringLiteral("3"));
    QCOMPARE(ui->Velocidad->text(), QStringLiteral("21,6"));
}

void TestMainWindow::noSoundDeviceWarnsOnceAndRunsSilently()
{
    ManualClock clock(0);
    RecordingSink sound;
    sound.device = false;
    ScriptedDialogs dialogs;
    MainWindow window(SportVariant::Basket, clock, &sound, &dialogs);
    window.show();
    QCoreApplication::processEvents();
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages.at(0).text, QString::fromUtf8(NoSoundText));
    QCOMPARE(MainWindowControls(&window).LabelSonido->text(), QStringLiteral("Sin sonido"));

    window.hide();
    window.show();
    window.activateWindow();
    QCoreApplication::processEvents();
    QCOMPARE(dialogs.messages.size(), 1);

    QTest::mouseClick(MainWindowControls(&window).FlatRadioButton1, Qt::LeftButton);
    QTest::mouseClick(MainWindowControls(&window).BitBtnStart, Qt::LeftButton);
    clock.set(5334);
    window.pollEngine();
    QCOMPARE(window.engine().beepCount(), 1);
    QVERIFY(sound.cues.isEmpty());
}

void TestMainWindow::stopInEveryPhaseKeepsTheDisplays_data()
{
    QTest::addColumn<qint64>("stopAt");
    QTest::addColumn<QString>("crono");
    QTest::addColumn<QString>("periodo");
    // Football with warm-up: warm-up ends at 28 * 7843 = 219604, its pause at 399604.
    QTest::newRow("warm-up") << qint64(50000) << QStringLiteral("00:00") << QStringLiteral("1");
    QTest::newRow("pre-test pause")
        << qint64(300000) << QStringLiteral("00:00") << QStringLiteral("1");
    QTest::newRow("effort") << qint64(399604 + 65500) << QStringLiteral("01:05")
                            << QStringLiteral("1");
    QTest::newRow("recovery") << qint64(399604 + 219604 + 10000) << QStringLiteral("03:49")
                              << QStringLiteral("2");
}

void TestMainWindow::stopInEveryPhaseKeepsTheDisplays()
{
    QFETCH(qint64, stopAt);
    QFETCH(QString, crono);
    QFETCH(QString, periodo);
    Harness h(SportVariant::Futbol);
    h.clock.set(0);
    h.press(h.ui()->FlatRadioButton1);
    h.press(h.ui()->BitBtnStart);
    for (qint64 t = 10; t <= stopAt; t += 10)
        h.advanceTo(t);
    h.press(h.ui()->BitBtnStop);
    QCOMPARE(h.window.engine().phase(), TestPhase::Ended);
    QCOMPARE(h.ui()->EditCrono->text(), crono);
    QCOMPARE(h.ui()->EditPeriodo->text(), periodo);
    QVERIFY(h.ui()->BitBtnNuevo->isEnabled());
    QVERIFY(!h.ui()->BitBtnStop->isEnabled());
}

// The design's places as relations between the panels, so the test still means something when a
// panel's size moves.
void TestMainWindow::geometry()
{
    Harness h(SportVariant::Futbol);
    const MainWindowControls *ui = h.ui();
    const QList<FlatButton *> toolbar = {ui->BitBtnSalir, ui->BitBtnNuevo, ui->BitBtnStart,
                                         ui->BitBtnStop,  ui->BitBtnAyuda, ui->BitBtnGrupo};
    // One row, a pixel apart, equal sixths of the width; the last one reaches the right edge.
    QCOMPARE(toolbar.first()->x(), 1);
    for (int i = 1; i < toolbar.size(); ++i) {
        QCOMPARE(toolbar.at(i)->x(), toolbar.at(i - 1)->geometry().right() + 2);
        if (i < toolbar.size() - 1)
            QCOMPARE(toolbar.at(i)->width(), h.window.width() / int(toolbar.size()));
    }
    QCOMPARE(toolbar.last()->geometry().right(), h.window.width() - 2);

    // Left column: set-up panel level with the course, over the speed strip; the athletes below,
    // as far down as the course; the same gap between the panels.
    const QRect course = h.window.coursePanel()->geometry();
    const QRect setup = ui->PanelTipo->geometry();
    const QRect figures = ui->PanelDuracion->geometry();
    const QRect speed = ui->PanelVelocidad->geometry();
    const QRect athletes = ui->PanelDeportistas->geometry();
    QVERIFY(course.bottom() < h.window.height());
    QCOMPARE(setup.top(), course.top());
    QCOMPARE(figures.top(), course.top());
    QCOMPARE(speed.bottom(), setup.bottom());
    const int gap = speed.top() - figures.bottom();
    QVERIFY(gap > 1);
    QCOMPARE(athletes.top() - speed.bottom(), gap);
    QCOMPARE(athletes.bottom(), course.bottom());
    for (const QRect &panel : {speed, athletes})
        QCOMPARE(panel.left(), setup.left());

    // Speed strip: the indicator at its right end, full height, the banner up to it.
    QCOMPARE(ui->PanelStart->geometry(), QRect(speed.width() - ui->PanelStart->width(), 0,
                                               ui->PanelStart->width(), speed.height()));
    QCOMPARE(ui->PanelRecVel->width(), ui->PanelStart->x() + 1);

    // Lap number in the course's lower right corner, its caption just left of it, centred.
    const QRect lap = ui->EditVuelta->geometry();
    QVERIFY(course.contains(lap));
    QCOMPARE(course.right() - lap.right(), course.bottom() - lap.bottom());
    QCOMPARE(ui->LabelVueltaN->geometry().right(), lap.left());
    QCOMPARE(ui->LabelVueltaN->geometry().center().y(), lap.center().y());

    // Athletes' title strip: export at its right end, clear overlapping it by a pixel, the
    // caption strip up to the clear button.
    QCOMPARE(ui->BtnExportDatos->geometry().right(), athletes.width() - 1);
    QCOMPARE(ui->BtnBorrarTabla->geometry().right(), ui->BtnExportDatos->x());
    QCOMPARE(ui->FlatPanel6->geometry().right(), ui->BtnBorrarTabla->x());
}

void TestMainWindow::startScreen()
{
    Harness h(SportVariant::FutSal);
    const MainWindowControls *ui = h.ui();
    QVERIFY(ui->PanelInicio->isVisible());
    QCOMPARE(ui->PanelInicio->geometry(), h.window.rect());
    QCOMPARE(h.window.childAt(ui->BitBtnSalir->geometry().center()), ui->ImagePpal);
    QCOMPARE(ui->LabelEffect3->text(), QStringLiteral(" ZENTA-FutSal "));
    QCOMPARE(ui->LabelEffect4->text(), QStringLiteral("Orvelan en Fútbol-Sala"));
    QCOMPARE(ui->LabelEffect3->x(), 97);
    QCOMPARE(ui->LabelEffect4->x(), 53);
    QCOMPARE(ui->BitBtnEmpezar->geometry(), QRect(329, 474, 233, 72));
    QCOMPARE(ui->Acercade->geometry(), QRect(264, 474, 65, 72));
    QVERIFY(!ui->ImagePpal->pixmap().isNull());

    QTest::mouseClick(ui->BitBtnEmpezar, Qt::LeftButton);
    QVERIFY(!ui->PanelInicio->isVisible());
    QCOMPARE(h.window.childAt(ui->PanelTipo->geometry().center()), ui->PanelTipo);
    QCOMPARE(h.window.childAt(ui->BitBtnSalir->geometry().center()), ui->BitBtnSalir);
}

void TestMainWindow::helpPanel_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("product");
    QTest::newRow("probst") << SportVariant::Probst << QStringLiteral("ImageHlp_Futbol")
                            << QStringLiteral("ZENTA-Fútbol");
    QTest::newRow("futbol") << SportVariant::Futbol << QStringLiteral("ImageHlp_Futbol")
                            << QStringLiteral("ZENTA-Fútbol");
    QTest::newRow("basket") << SportVariant::Basket << QStringLiteral("ImageHlp_Basket")
                            << QStringLiteral("ZENTA-Basket");
    QTest::newRow("futsal") << SportVariant::FutSal << QStringLiteral("ImageHlp_FutSal")
                            << QStringLiteral("ZENTA-FutSal");
    QTest::newRow("voley") << SportVariant::Voley << QStringLiteral("ImageHlp_Voley")
                           << QStringLiteral("ZENTA-Voley");
}

void TestMainWindow::helpPanel()
{
    QFETCH(SportVariant, variant);
    QFETCH(QString, picture);
    QFETCH(QString, product);
    Harness h(variant);
    const MainWindowControls *ui = h.ui();
    QTest::mouseClick(ui->BitBtnEmpezar, Qt::LeftButton);
    QTest::mouseClick(ui->BitBtnAyuda, Qt::LeftButton);
    QVERIFY(ui->ScrollBox1->isVisible());
    QCOMPARE(ui->ScrollBox1->geometry(), h.window.rect());
    // It covers the toolbar: the only way back is its own button.
    QCOMPARE(h.window.childAt(ui->BitBtnNuevo->geometry().center())->window(), &h.window);
    QVERIFY(ui->ScrollBox1->isAncestorOf(h.window.childAt(ui->BitBtnNuevo->geometry().center())) ||
            h.window.childAt(ui->BitBtnNuevo->geometry().center()) == ui->ScrollBox1);

    const auto *shown = ui->ScrollBox1->findChild<QLabel *>(picture);
    QVERIFY(shown && shown->isVisible() && !shown->pixmap().isNull());
    for (const QLabel *other : ui->ScrollBox1->findChildren<QLabel *>()) {
        if (other != shown && other->objectName().startsWith(QStringLiteral("ImageHlp_")))
            QVERIFY(!other->isVisible());
    }
    QCOMPARE(shown->y(), 56);
    QCOMPARE(ui->Memo1->geometry(), QRect(326, 26, 485, 525));
    QCOMPARE(ui->BitBtn3->pos(), QPoint(344, 545));

    const QString text = ui->Memo1->toPlainText();
    const QStringList paragraphs = text.trimmed().split(QStringLiteral("\n\n"));
    // The procedure's seven paragraphs, then the keys, what follows a test, the recovery offer.
    QCOMPARE(paragraphs.size(), 10);
    for (const QString &paragraph : paragraphs)
        QVERIFY(paragraph.startsWith(QStringLiteral("   ")) || paragraph == paragraphs.first());
    QVERIFY(text.contains(product));
    for (const char *command : {"«Informe»", "«Historial»", "«Otra carpeta...»"})
        QVERIFY2(paragraphs.at(8).contains(QString::fromUtf8(command)), command);
    QVERIFY(paragraphs.at(9).contains(QStringLiteral("«Recuperar registros»")));
    const QString keys = paragraphs.at(7);
    for (const char *key : {"Intro", "Esc", "Ctrl+Z", "2 segundos"})
        QVERIFY2(keys.contains(QString::fromLatin1(key)), key);
    QVERIFY(keys.contains(QStringLiteral("de 1 a %1").arg(h.window.profile().stationsPerLap)));

    // Typed text lasts only until the next opening.
    ui->Memo1->setPlainText(QStringLiteral("borrador"));
    QTest::mouseClick(ui->BitBtn3, Qt::LeftButton);
    QVERIFY(!ui->ScrollBox1->isVisible());
    QTest::mouseClick(ui->BitBtnAyuda, Qt::LeftButton);
    QCOMPARE(ui->Memo1->toPlainText(), text);
}

void TestMainWindow::aboutFromBothEntryPoints()
{
    Harness h(SportVariant::Futbol);
    int opened = 0;
    h.window.setAboutHandler([&opened] { ++opened; });
    QTest::mouseClick(h.ui()->Acercade, Qt::LeftButton);
    QCOMPARE(opened, 1);
    QTest::mouseClick(h.ui()->BitBtnEmpezar, Qt::LeftButton);
    QTest::mouseClick(h.ui()->BitBtnGrupo, Qt::LeftButton);
    QCOMPARE(opened, 2);
}

void TestMainWindow::toolbarThroughATestsLife()
{
    Harness h(SportVariant::Voley);
    const MainWindowControls *ui = h.ui();
    const auto enabled = [ui] {
        QString states;
        for (const FlatButton *b : {ui->BitBtnSalir, ui->BitBtnNuevo, ui->BitBtnStart,
                                    ui->BitBtnStop, ui->BitBtnAyuda, ui->BitBtnGrupo})
            states += b->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return states;
    };
    // Salir, Nuevo, Iniciar, Fin, Ayuda, A cerca de
    QCOMPARE(enabled(), QStringLiteral("100011"));
    QTest::mouseClick(ui->BitBtnEmpezar, Qt::LeftButton);
    QCOMPARE(enabled(), QStringLiteral("100011"));
    QTest::mouseClick(ui->FlatRadioButton3, Qt::LeftButton);
    QCOMPARE(enabled(), QStringLiteral("101011"));
    QTest::mouseClick(ui->BitBtnStart, Qt::LeftButton);
    QCOMPARE(enabled(), QStringLiteral("000100"));
    h.advanceTo(10000 + 36 * 4214 + 5000);
    QCOMPARE(h.window.engine().phase(), TestPhase::PreTestRecovery);
    QCOMPARE(enabled(), QStringLiteral("000100"));
    QTest::mouseClick(ui->BitBtnStop, Qt::LeftButton);
    QCOMPARE(enabled(), QStringLiteral("110011"));
    QTest::mouseClick(ui->BitBtnNuevo, Qt::LeftButton);
    QCOMPARE(enabled(), QStringLiteral("101011"));
    QTest::mouseClick(ui->FlatRadioButton2, Qt::LeftButton);
    QCOMPARE(enabled(), QStringLiteral("101011"));
}

void TestMainWindow::tablesPanelOnDoubleClick()
{
    Harness h(SportVariant::Basket);
    const MainWindowControls *ui = h.ui();
    QTest::mouseClick(ui->BitBtnEmpezar, Qt::LeftButton);
    QVERIFY(!ui->PanelParametros->isVisible());
    const QPoint background(10, 62);
    QCOMPARE(h.window.childAt(background), nullptr);
    QTest::mouseDClick(&h.window, Qt::LeftButton, {}, background);
    QVERIFY(ui->PanelParametros->isVisible());
    QCOMPARE(ui->PanelParametros->geometry(), QRect(761, -52, 358, 267));
    // Another sport's table as that sport's engine plays it; the working one is this sport's.
    Harness volleyball(SportVariant::Voley);
    QCOMPARE(ui->MemoPeriodoN_VOLEY->toPlainText().split(QLatin1Char('\n')),
             volleyball.window.engine().workingTable());
    QCOMPARE(ui->MemoPeriodoN->toPlainText(), ui->MemoPeriodoN_BASKET->toPlainText());

    // The working table is what the engine plays.
    ui->MemoPeriodoN->setPlainText(QStringLiteral("2000\n1000"));
    QCOMPARE(h.window.engine().workingTable(),
             QStringList({QStringLiteral("2000"), QStringLiteral("1000")}));
    QTest::mouseDClick(&h.window, Qt::LeftButton, {}, background);
    QVERIFY(!ui->PanelParametros->isVisible());
}

void TestMainWindow::doubleClickOnAControlLeavesTheTables_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("startScreen");
    QTest::newRow("start picture") << QStringLiteral("ImagePpal") << true;
    QTest::newRow("start title") << QStringLiteral("LabelEffect3") << true;
    QTest::newRow("caption") << QStringLiteral("LabelTiempo") << false;
    QTest::newRow("display") << QStringLiteral("EditCrono") << false;
    QTest::newRow("athletes strip") << QStringLiteral("FlatPanel6") << false;
    QTest::newRow("course picture") << QStringLiteral("Panel_Futbol") << false;
}

// Only the window's own background toggles the tables: a double-click that a control leaves
// unhandled is not one on the background.
void TestMainWindow::doubleClickOnAControlLeavesTheTables()
{
    QFETCH(QString, control);
    QFETCH(bool, startScreen);
    Harness h(SportVariant::Futbol);
    if (!startScreen)
        QTest::mouseClick(h.ui()->BitBtnEmpezar, Qt::LeftButton);
    auto *target = h.window.findChild<QWidget *>(control);
    QVERIFY(target && target->isVisible());
    QTest::mouseDClick(target, Qt::LeftButton, {}, target->rect().center());
    QVERIFY(!h.ui()->PanelParametros->isVisible());
}

void TestMainWindow::setUpAndIndicatorsThroughATest_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<bool>("named");
    QTest::addColumn<bool>("repeat");
    QTest::addColumn<int>("period");
    QTest::newRow("football, effort, athletes named") << SportVariant::Futbol << true << false << 5;
    QTest::newRow("football, effort, no names") << SportVariant::Futbol << false << false << 5;
    QTest::newRow("volleyball, repeat, athletes named")
        << SportVariant::Voley << true << true << 12;
    QTest::newRow("basketball, repeat, no names") << SportVariant::Basket << false << true << 1;
}

// A mode click shows the period's speed with and without its unit; the start/stop indicator in
// front tells effort from pause; the end of a test gives the set-up back, and export and clear
// only when there is a name to export.
void TestMainWindow::setUpAndIndicatorsThroughATest()
{
    QFETCH(SportVariant, variant);
    QFETCH(bool, named);
    QFETCH(bool, repeat);
    QFETCH(int, period);
    Harness h(variant);
    const MainWindowControls *ui = h.ui();
    if (named)
        h.window.results().setCell(ResultsModel::Name, 2, QStringLiteral("Marta"));
    QTest::mouseClick(ui->BitBtnEmpezar, Qt::LeftButton);
    ui->SpinEdit1->setValue(period);
    QTest::mouseClick(repeat ? ui->FlatRadioButton2 : ui->FlatRadioButton3, Qt::LeftButton);
    const QString speed = periodSpeedText(variant, period);
    QCOMPARE(ui->Velocidad->text(), speed);
    QCOMPARE(ui->LabelVelocidad->text(), speed + QStringLiteral(" Km/h"));

    const auto inFront = [ui] {
        return ui->PanelVelocidad->childAt(ui->PanelStart->geometry().center());
    };
    ui->CheckBox_Calentamiento->setChecked(true);
    QTest::mouseClick(ui->BitBtnStart, Qt::LeftButton);
    QCOMPARE(inFront(), ui->PanelStart);
    if (!repeat) {
        h.advanceTo(10000 + 28 * 4991 + 1000); // warm-up at period 5, then its pause
        QCOMPARE(h.window.engine().phase(), TestPhase::PreTestRecovery);
        QCOMPARE(inFront(), ui->PanelStop);
        h.advanceTo(10000 + 28 * 4991 + 180000 + 1000);
        QCOMPARE(h.window.engine().phase(), TestPhase::Effort);
        QCOMPARE(inFront(), ui->PanelStart);
        h.advanceTo(10000 + 2 * 28 * 4991 + 180000 + 1000);
        QCOMPARE(h.window.engine().phase(), TestPhase::Recovery);
        QCOMPARE(inFront(), ui->PanelStop);
    }
    for (QWidget *input :
         std::initializer_list<QWidget *>{ui->SpinEdit1, ui->ComboBoxCategoria, ui->ComboBoxSexo})
        QVERIFY(!input->isEnabled());
    QTest::mouseClick(ui->BitBtnStop, Qt::LeftButton);
    for (QWidget *input :
         std::initializer_list<QWidget *>{ui->SpinEdit1, ui->ComboBoxCategoria, ui->ComboBoxSexo})
        QVERIFY(input->isEnabled());
    QCOMPARE(ui->BtnExportDatos->isEnabled(), named);
    QCOMPARE(ui->BtnBorrarTabla->isEnabled(), named);
    QTest::mouseClick(ui->BitBtnNuevo, Qt::LeftButton);
    QCOMPARE(ui->LabelVelocidad->text(), speed + QStringLiteral(" Km/h"));
}

void TestMainWindow::designFonts_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    const QString sans = QStringLiteral("MS Sans Serif");
    for (const char *control :
         {"TForm1", "ComboBoxSexo", "ComboBoxCategoria", "SpinEdit1", "CheckBox_Calentamiento",
          "MemoPeriodoN", "MemoPeriodoN_FUTBOL", "Memo1", "PopupMenu_HG"})
        QTest::newRow(control) << QString::fromLatin1(control) << sans << 11 << false << false;
    QTest::newRow("BitBtn3") << QStringLiteral("BitBtn3") << sans << 12 << false << false;
    QTest::newRow("HyperGrid_Sujetos cells")
        << QStringLiteral("HyperGrid_Sujetos") << sans << 12 << false << false;
    QTest::newRow("LabelEffect3") << QStringLiteral("LabelEffect3") << QStringLiteral("Arial Black")
                                  << 49 << false << true;
}

// The fonts the design asks for; which face the system draws them with is its own business.
void TestMainWindow::designFonts()
{
    QFETCH(QString, control);
    QFETCH(QString, family);
    QFETCH(int, pixels);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    Harness h(SportVariant::Futbol);
    QWidget *w =
        control == h.window.objectName() ? &h.window : h.window.findChild<QWidget *>(control);
    QVERIFY(w);
    QCOMPARE(w->font().family(), family);
    QCOMPARE(w->font().pixelSize(), pixels);
    QCOMPARE(w->font().bold(), bold);
    QCOMPARE(w->font().italic(), italic);
}

void TestMainWindow::widgetSetDesignColours()
{
    // Design colours are 0x00BBGGRR values.
    const FlatButton button;
    QCOMPARE(button.faceColor(), QColor(0x68, 0x79, 0x48));
    QCOMPARE(button.hoverColor(), QColor(0x49, 0x55, 0x33));
}

void TestMainWindow::soundStateBesideTheSpeedStrip()
{
    Harness h(SportVariant::Futbol);
    QLabel *label = h.ui()->LabelSonido;
    QCOMPARE(label->text(), QStringLiteral("Sonido activo"));
    const std::pair<CueSink::State, const char *> states[] = {
        {CueSink::State::Lost, "Sonido perdido"},
        {CueSink::State::Recovered, "Sonido recuperado"},
        {CueSink::State::Active, "Sonido activo"}};
    for (const auto &[state, text] : states) {
        h.sound.setState(state);
        QCOMPARE(label->text(), QString::fromUtf8(text));
    }
    // The tip names the device and the latency the server reports, a Bluetooth speaker's here.
    h.sound.output = QStringLiteral("Altavoz BT");
    h.sound.latency = 250;
    h.sound.setState(CueSink::State::Active);
    QCOMPARE(label->toolTip(),
             QStringLiteral("Salida: Altavoz BT\nLatencia que informa el servidor: 250,0 ms"));
    // Seen, whole, and over nothing else, in every screen of a test.
    QTest::mouseClick(h.ui()->BitBtnEmpezar, Qt::LeftButton);
    QTest::mouseClick(h.ui()->FlatRadioButton1, Qt::LeftButton);
    for (bool running : {false, true}) {
        if (running)
            QTest::mouseClick(h.ui()->BitBtnStart, Qt::LeftButton);
        QVERIFY(label->isVisible());
        QVERIFY(h.window.rect().contains(label->geometry()));
        QVERIFY(label->fontMetrics().horizontalAdvance(QStringLiteral("Sonido recuperado")) <=
                label->width());
        for (QWidget *other : h.window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (other != label && other->isVisible())
                QVERIFY2(!other->geometry().intersects(label->geometry()),
                         qPrintable(other->objectName()));
        }
    }
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
