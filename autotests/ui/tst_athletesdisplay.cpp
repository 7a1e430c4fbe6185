#include "displaycontrols.h"
#include "windowharness.h"

#include <QApplication>
#include <QScreen>

using namespace Protocol;

namespace {

// The athletes' display beside a main window, found as the program opens it.
struct Harness : WindowHarness<RecordingSink>
{
    explicit Harness(SportVariant variant) : WindowHarness(variant, 0) {}
    // Opened by F11, or by its button where no window manager makes the main window active.
    QWidget *openDisplay(bool byKey = true)
    {
        if (byKey)
            QTest::keyClick(&window, Qt::Key_F11);
        else
            press(controls.BtnPantalla);
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("FormPantalla") && w->isVisible())
                return w;
        }
        return nullptr;
    }
};

// The run on to a moment, one poll per 10 ms, as the window tests drive it.
void runTo(Harness &h, qint64 until)
{
    for (qint64 t = h.clock.nowMs() + 10; t <= until; t += 10)
        h.advanceTo(t);
}

} // namespace

class TestAthletesDisplay : public QObject
{
    Q_OBJECT

private slots:
    void followsEveryPhase_data() { addEverySport(); }
    void followsEveryPhase();
    void closingOrLosingItLeavesTheTest();
    void opensOnTheSecondScreen();
};

// Through warm-up, its pause, an effort period and a recovery, the display shows in each step
// what the main window shows, in the phase's colour; the runners are those the session has.
void TestAthletesDisplay::followsEveryPhase()
{
    QFETCH(SportVariant, variant);
    Harness h(variant);
    h.name(1, QStringLiteral("Lucía"));
    h.name(2, QStringLiteral("Íñigo"));
    h.press(h.ui()->FlatRadioButton1);
    QWidget *display = h.openDisplay();
    QVERIFY(display);
    const DisplayControls d(display);
    h.press(h.ui()->BitBtnStart);

    const RunEngine &e = h.window.engine();
    const auto same = [&] {
        QCOMPARE(d.PanelFase->text(), h.ui()->PanelRecVel->text());
        QCOMPARE(d.PanelFase->faceColor(), h.ui()->PanelRecVel->faceColor());
        QCOMPARE(d.EditPeriodo->text(), h.ui()->EditPeriodo->text());
        QCOMPARE(d.EditVelocidad->text(), h.ui()->Velocidad->text());
        const ColorGauge *g = h.ui()->GaugeRec;
        QCOMPARE(d.EditCuenta->text(),
                 QString::number(e.pauseShown() ? g->maximum() - g->position() : g->position()));
    };
    const TestPhase phases[] = {TestPhase::WarmUp, TestPhase::PreTestRecovery, TestPhase::Effort,
                                TestPhase::Recovery};
    QSet<int> seen;
    // From one change of the displays to the next, as the driver's timer wakes.
    while (seen.size() < 4 || e.phase() == TestPhase::Recovery) {
        h.advanceTo(e.nextPollMs());
        seen.insert(int(e.phase()));
        same();
        if (QTest::currentTestFailed())
            return;
        if (e.phase() == TestPhase::Effort) {
            QVERIFY(d.EditEnCarrera->text().contains(QStringLiteral("Lucía")));
            QVERIFY(d.EditEnCarrera->text().contains(QStringLiteral("Íñigo")));
        }
    }
    for (TestPhase phase : phases)
        QVERIFY(seen.contains(int(phase)));
    h.press(h.stopButton(2));
    QVERIFY(d.EditEnCarrera->text().contains(QStringLiteral("Lucía")));
    QVERIFY(!d.EditEnCarrera->text().contains(QStringLiteral("Íñigo")));
    h.press(h.ui()->BitBtnStop);
    QCOMPARE(d.PanelFase->text(), QStringLiteral("Fin de la prueba"));
    QVERIFY(d.EditEnCarrera->text().isEmpty());

    // Type sized to the window: a taller window, larger figures.
    const int before = d.EditPeriodo->font().pixelSize();
    display->resize(display->width(), display->height() * 2);
    QVERIFY(d.EditPeriodo->font().pixelSize() > before);
}

// Closed, or its screen gone, the display takes the sounds and the run with it no further.
void TestAthletesDisplay::closingOrLosingItLeavesTheTest()
{
    Harness h(SportVariant::Futbol);
    h.press(h.ui()->FlatRadioButton1);
    h.press(h.ui()->BitBtnStart);
    QWidget *display = h.openDisplay();
    QVERIFY(display);
    runTo(h, 20000);
    display->close();
    runTo(h, 40000);
    const int cues = h.sound.cues.size();
    QVERIFY(cues > 1);

    QCOMPARE(h.openDisplay(), display);
    emit qGuiApp->screenRemoved(display->screen());
    QVERIFY(!display->isVisible());
    runTo(h, 60000);
    QVERIFY(h.sound.cues.size() > cues);
    QVERIFY(h.window.engine().isRunning());
    QVERIFY(h.window.isVisible());
}

// Under a display server with two screens, the display fills the one the coach is not on.
void TestAthletesDisplay::opensOnTheSecondScreen()
{
    if (QGuiApplication::screens().size() < 2)
        QSKIP("needs a display server with two screens (Xvfb)");
    Harness h(SportVariant::Basket);
    QWidget *display = h.openDisplay(false);
    QVERIFY(display);
    QVERIFY(QTest::qWaitForWindowExposed(display));
    QVERIFY(display->screen() != h.window.screen());
    QVERIFY(display->isFullScreen());
    QTRY_COMPARE(display->geometry(), display->screen()->geometry());
}

QTEST_MAIN(TestAthletesDisplay)
#include "tst_athletesdisplay.moc"
