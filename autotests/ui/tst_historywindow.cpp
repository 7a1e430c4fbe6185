#include "clock.h"
#include "exportfile.h"
#include "fakes.h"
#include "historycontrols.h"
#include "historywindow.h"
#include "mainwindow.h"
#include "mainwindowcontrols.h"
#include "resultstools.h"
#include "widgets.h"

#include <QChart>
#include <QFile>
#include <QImage>
#include <QLineSeries>
#include <QPointer>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QValueAxis>

using namespace Protocol;

namespace {

struct Row
{
    const char *name;
    const char *code;
    int distance;
};

// A results file written by the export, for one test of a sport on a day.
void writeTest(const QString &path, SportVariant variant, const QDateTime &when,
               const QList<Row> &rows, int initialPeriod = 2)
{
    const SportProfile &profile = sportProfile(variant);
    ResultsModel model(profile);
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    int slot = 0;
    for (const Row &row : rows) {
        ++slot;
        model.setCell(ResultsModel::Number, slot, QString::number(slot));
        model.setCell(ResultsModel::Name, slot, QString::fromUtf8(row.name));
        model.setCell(ResultsModel::Code, slot, QString::fromUtf8(row.code));
        model.setCell(ResultsModel::Time, slot, QStringLiteral("05:00"));
        model.setCell(ResultsModel::Periods, slot, QStringLiteral("3"));
        model.setCell(ResultsModel::Distance, slot, QString::number(row.distance));
        model.setCell(ResultsModel::Speed, slot, QStringLiteral("7,2"));
        if (profile.hasVo2Max())
            model.setCell(ResultsModel::Vo2Max, slot,
                          ResultsModel::vo2MaxText(row.distance, spanish));
    }
    QByteArray bytes;
    QVERIFY(
        ExportFile::encode(ExportFile::lines(model, profile.programTitle,
                                             {when, initialPeriod, QStringLiteral("4,8")}, spanish),
                           &bytes));
    QVERIFY(ExportFile::write(path, bytes));
}

QDateTime day(int month, int dayOfMonth)
{
    return QDateTime(QDate(2026, month, dayOfMonth), QTime(10, 30));
}

// Three tests of a season, out of order on disk, and one file that is not a results file.
void writeSeason(const QString &folder, SportVariant variant)
{
    writeTest(folder + QStringLiteral("/c.txt"), variant, day(9, 1),
              {{"Ana", "A1", 1300}, {"Rosa", "", 900}, {"Luis", "L2", 1000}});
    writeTest(folder + QStringLiteral("/a.txt"), variant, day(3, 1),
              {{"Ana", "A1", 1100}, {"Rosa", "", 700}});
    writeTest(folder + QStringLiteral("/b.txt"), variant, day(6, 1), {{"Ana María", "A1", 1200}});
    QFile foreign(folder + QStringLiteral("/notas.txt"));
    QVERIFY(foreign.open(QIODevice::WriteOnly));
    foreign.write("Comprar conos\r\n");
}

QList<QPointF> pointsOf(QChart *chart, const QString &name)
{
    for (QAbstractSeries *series : chart->series()) {
        if (series->name() == name)
            return static_cast<QLineSeries *>(series)->points();
    }
    return {};
}

double at(int month, int dayOfMonth)
{
    return double(day(month, dayOfMonth).toMSecsSinceEpoch());
}

} // namespace

class TestHistoryWindow : public QObject
{
    Q_OBJECT

private slots:
    void listsEveryTestAndChartsThePicked_data();
    void listsEveryTestAndChartsThePicked();
    void anotherFolder();
    void savesTheChart_data();
    void savesTheChart();
    void openedFromTheAthletesPanel_data();
    void openedFromTheAthletesPanel();
    void chartSaysWhenThereIsNothingToDraw_data();
    void chartSaysWhenThereIsNothingToDraw();
    void measureAndInitialPeriod_data();
    void measureAndInitialPeriod();
};

void TestHistoryWindow::listsEveryTestAndChartsThePicked_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<QString>("axis");
    QTest::addColumn<QList<double>>("ana");
    QTest::newRow("probst") << SportVariant::Probst << QStringLiteral("Distancia (m)")
                            << QList<double>{1100, 1200, 1300};
    QTest::newRow("futbol") << SportVariant::Futbol << QStringLiteral("Distancia (m)")
                            << QList<double>{1100, 1200, 1300};
    QTest::newRow("basket, VO2max") << SportVariant::Basket << QStringLiteral("VO2max")
                                    << QList<double>{16.895, 18.195, 19.495};
    QTest::newRow("futsal") << SportVariant::FutSal << QStringLiteral("Distancia (m)")
                            << QList<double>{1100, 1200, 1300};
    QTest::newRow("voley") << SportVariant::Voley << QStringLiteral("Distancia (m)")
                           << QList<double>{1100, 1200, 1300};
}

void TestHistoryWindow::listsEveryTestAndChartsThePicked()
{
    QFETCH(SportVariant, variant);
    QFETCH(QString, axis);
    QFETCH(QList<double>, ana);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeSeason(dir.path(), variant);
    ScriptedDialogs dialogs;
    HistoryWindow window(sportProfile(variant), {dir.path()}, &dialogs);
    window.show();
    const HistoryControls controls(&window);
    const HistoryControls *ui = &controls;

    // Athletes by code, or by name without one; each under the latest name.
    QCOMPARE(ui->ListaDeportistas->count(), 3);
    QCOMPARE(ui->ListaDeportistas->item(0)->text(), QStringLiteral("A1 · Ana"));
    QCOMPARE(ui->ListaOmitidos->count(), 1);
    QCOMPARE(ui->ListaOmitidos->item(0)->text(),
             QStringLiteral("notas.txt: No es un archivo de resultados de ZENTA."));
    QVERIFY(ui->LabelCarpetas->text().contains(QStringLiteral("(3 archivos de resultados)")));

    window.pickAthletes({QStringLiteral("A1"), QStringLiteral("Rosa")});
    QCOMPARE(ui->TablaPruebas->rowCount(), 5);
    QCOMPARE(ui->TablaPruebas->item(0, 1)->text(), QStringLiteral("01/03/2026"));
    QCOMPARE(ui->TablaPruebas->item(0, 2)->text(), QStringLiteral("10:30"));
    QCOMPARE(ui->TablaPruebas->item(0, 3)->text(), sportProfile(variant).sportName);
    QCOMPARE(ui->TablaPruebas->item(0, 7)->text(), QStringLiteral("1100"));

    QChart *chart = window.chart();
    QCOMPARE(chart->series().size(), 2);
    const QList<QPointF> anaPoints = pointsOf(chart, QStringLiteral("A1 · Ana"));
    QCOMPARE(anaPoints.size(), 3);
    const double dates[] = {at(3, 1), at(6, 1), at(9, 1)};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(anaPoints.at(i).x(), dates[i]);
        QVERIFY(qAbs(anaPoints.at(i).y() - ana.at(i)) < 0.001);
    }
    QCOMPARE(pointsOf(chart, QStringLiteral("Rosa")).size(), 2);
    const auto vertical = chart->axes(Qt::Vertical);
    QCOMPARE(vertical.size(), 1);
    QCOMPARE(vertical.first()->titleText(), axis);
    const auto *values = static_cast<QValueAxis *>(vertical.first());
    QVERIFY(values->max() >= ana.last());

    // Picking changes both the table and the chart.
    window.pickAthletes({QStringLiteral("L2")});
    QCOMPARE(ui->TablaPruebas->rowCount(), 1);
    QCOMPARE(chart->series().size(), 1);
}

void TestHistoryWindow::anotherFolder()
{
    QTemporaryDir first, second;
    QVERIFY(first.isValid() && second.isValid());
    writeTest(first.filePath(QStringLiteral("x.txt")), SportVariant::Futbol, day(1, 10),
              {{"Ana", "A1", 800}});
    writeTest(second.filePath(QStringLiteral("y.txt")), SportVariant::Futbol, day(2, 10),
              {{"Ana", "A1", 900}, {"Eva", "E5", 950}});
    ScriptedDialogs dialogs;
    HistoryWindow window(sportProfile(SportVariant::Futbol), {first.path()}, &dialogs);
    QCOMPARE(HistoryControls(&window).ListaDeportistas->count(), 1);

    QTest::mouseClick(HistoryControls(&window).BtnOtraCarpeta, Qt::LeftButton); // cancelled
    QCOMPARE(window.folders().size(), 1);
    dialogs.folderTo = second.path();
    QTest::mouseClick(HistoryControls(&window).BtnOtraCarpeta, Qt::LeftButton);
    QCOMPARE(window.folders(), QStringList({first.path(), second.path()}));
    QCOMPARE(HistoryControls(&window).ListaDeportistas->count(), 2);
    // The athlete picked before stays picked, now with both tests.
    QCOMPARE(window.pickedAthletes(), QStringList({QStringLiteral("A1")}));
    QCOMPARE(pointsOf(window.chart(), QStringLiteral("A1 · Ana")).size(), 2);
}

void TestHistoryWindow::savesTheChart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("png") << QStringLiteral("grafico.png") << QByteArray("\x89PNG");
    QTest::newRow("pdf") << QStringLiteral("grafico.PDF") << QByteArray("%PDF");
}

void TestHistoryWindow::savesTheChart()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, magic);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeSeason(dir.path(), SportVariant::Futbol);
    ScriptedDialogs dialogs;
    HistoryWindow window(sportProfile(SportVariant::Futbol), {dir.path()}, &dialogs);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const HistoryControls ui(&window); // a taller window: a taller table and chart
    const int table = ui.TablaPruebas->height(), chart = ui.Grafico->height();
    window.resize(window.width(), window.height() + 400);
    QTRY_VERIFY(ui.TablaPruebas->height() > table + 100 && ui.Grafico->height() > chart + 100);

    QTest::mouseClick(ui.BtnGuardarGrafico, Qt::LeftButton); // cancelled
    QVERIFY(dialogs.proposedPaths.last().startsWith(dir.path()));
    QVERIFY(dialogs.saveFilter.contains(QStringLiteral("*.png")));
    QVERIFY(dialogs.saveFilter.contains(QStringLiteral("*.pdf")));

    dialogs.saveTo = dir.filePath(name);
    QTest::mouseClick(ui.BtnGuardarGrafico, Qt::LeftButton);
    QFile saved(dialogs.saveTo);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    QVERIFY(bytes.startsWith(magic));
    if (magic.startsWith("\x89")) {
        QVERIFY(!QImage::fromData(bytes).isNull());
    } else {
        // The chart itself, as text a reader can find, not a picture of it.
        QProcess text;
        text.start(
            QStandardPaths::findExecutable(QStringLiteral("pdftotext")),
            {QStringLiteral("-enc"), QStringLiteral("UTF-8"), dialogs.saveTo, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(20000));
        const QString read = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(read.contains(QStringLiteral("Progreso: distancia (m)")), qPrintable(read));
        QVERIFY(read.contains(QStringLiteral("A1 · Ana")));
    }
    QVERIFY(dialogs.messages.isEmpty());

    dialogs.saveTo = dir.filePath(QStringLiteral("no-such-folder/") + name);
    QTest::mouseClick(ui.BtnGuardarGrafico, Qt::LeftButton);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages.first().text, QStringLiteral("No se ha podido guardar el gráfico."));
}

void TestHistoryWindow::openedFromTheAthletesPanel_data()
{
    QTest::addColumn<bool>("exportIsAFile");
    QTest::newRow("beside the program") << false;
    QTest::newRow("a file named Export beside it: the documents folder") << true;
}

// "Historial" reads the folder the export writes in, and the folders added on other days.
void TestHistoryWindow::openedFromTheAthletesPanel()
{
    QFETCH(bool, exportIsAFile);
    QStandardPaths::setTestModeEnabled(true); // the folders added go to a scratch store
    QSettings(QStringLiteral("ZENTA"), QStringLiteral("ZENTA")).clear();
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString beside = dir.filePath(QStringLiteral("Export"));
    const QString exportFolder =
        exportIsAFile ? dir.filePath(QStringLiteral("casa/Documents/Export")) : beside;
    QVERIFY(!exportIsAFile || QFile(beside).open(QIODevice::WriteOnly));
    QVERIFY(QDir().mkpath(exportFolder));
    writeSeason(exportFolder, SportVariant::Futbol);
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(dir.filePath(QStringLiteral("casa"))));
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
        ManualClock clock;
        SilentSink sound;
        ScriptedDialogs dialogs;
        MainWindow window(SportVariant::Futbol, clock, &sound, &dialogs);
        window.show();
        QCoreApplication::processEvents();
        QTest::mouseClick(MainWindowControls(&window).BitBtnEmpezar, Qt::LeftButton);
        QTest::mouseClick(window.resultsTools()->historyButton(), Qt::LeftButton);
        QPointer<HistoryWindow> history = window.resultsTools()->historyWindow();
        QVERIFY(history && history->isVisible());
        QCOMPARE(QDir(history->folders().value(0)).canonicalPath(),
                 QDir(exportFolder).canonicalPath());
        QCOMPARE(HistoryControls(history).ListaDeportistas->count(), 3);
        // A second press brings the same window forward.
        QTest::mouseClick(window.resultsTools()->historyButton(), Qt::LeftButton);
        QCOMPARE(window.findChildren<HistoryWindow *>().size(), 1);
        // A folder added is read again next time, until it is removed.
        dialogs.folderTo = dir.path();
        QTest::mouseClick(HistoryControls(history).BtnOtraCarpeta, Qt::LeftButton);
        QTest::mouseClick(HistoryControls(history).BtnCerrar, Qt::LeftButton);
        QTRY_VERIFY(!history);
        QTest::mouseClick(window.resultsTools()->historyButton(), Qt::LeftButton);
        history = window.resultsTools()->historyWindow();
        QCOMPARE(history->folders().size(), 2);
        dialogs.choices = {0};
        QTest::mouseClick(HistoryControls(history).BtnQuitarCarpeta, Qt::LeftButton);
        QCOMPARE(history->folders().size(), 1);
        QVERIFY(!HistoryControls(history).BtnQuitarCarpeta->isEnabled());
    }
    QDir::setCurrent(before);
    qputenv("HOME", home);
}

void TestHistoryWindow::chartSaysWhenThereIsNothingToDraw_data()
{
    QTest::addColumn<QStringList>("picked");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("nobody picked") << QStringList() << false;
    QTest::newRow("only zeros") << QStringList{QStringLiteral("Z0")} << false;
    QTest::newRow("zeros and more")
        << QStringList{QStringLiteral("Z0"), QStringLiteral("A1")} << true;
}

// No axes drawn over nothing, and none left behind by a pick: the chart keeps its own two.
void TestHistoryWindow::chartSaysWhenThereIsNothingToDraw()
{
    QFETCH(QStringList, picked);
    QFETCH(bool, drawn);
    QTemporaryDir dir;
    writeSeason(dir.path(), SportVariant::Futbol);
    writeTest(dir.filePath(QStringLiteral("z.txt")), SportVariant::Futbol, day(4, 1),
              {{"Cero", "Z0", 0}});
    HistoryWindow window(sportProfile(SportVariant::Futbol), {dir.path()}, nullptr);
    const QList<QAbstractAxis *> axes = window.chart()->axes();
    window.pickAthletes(picked);
    QCOMPARE(window.chart()->axes(), axes);
    QCOMPARE(window.chart()->title().startsWith(QStringLiteral("Elija uno o varios deportistas")),
             !drawn);
    QCOMPARE(axes.first()->isVisible(), drawn);
    QCOMPARE(HistoryControls(&window).BtnGuardarGrafico->isEnabled(), drawn);
}

void TestHistoryWindow::measureAndInitialPeriod_data()
{
    QTest::addColumn<QString>("measure");
    QTest::addColumn<int>("period"); // 0: every test
    QTest::addColumn<QList<double>>("ana");
    QTest::newRow("last period completed")
        << QStringLiteral("Último periodo completado") << 0 << QList<double>{4, 11, 4, 4};
    QTest::newRow("maximum speed")
        << QStringLiteral("Velocidad máxima (Km/h)") << 0 << QList<double>{7.2, 7.2, 7.2, 7.2};
    QTest::newRow("started at 9 only")
        << QStringLiteral("Distancia (m)") << 9 << QList<double>{400};
}

// "a1 " is A1; the test exported twice (e.txt) is one row; each point tells its initial period.
void TestHistoryWindow::measureAndInitialPeriod()
{
    QFETCH(QString, measure);
    QFETCH(int, period);
    QFETCH(QList<double>, ana);
    QTemporaryDir dir;
    writeSeason(dir.path(), SportVariant::Futbol);
    writeTest(dir.filePath(QStringLiteral("d.txt")), SportVariant::Futbol, day(4, 1),
              {{"Ana", "a1 ", 400}}, 9);
    QVERIFY(
        QFile::copy(dir.filePath(QStringLiteral("c.txt")), dir.filePath(QStringLiteral("e.txt"))));
    HistoryWindow window(sportProfile(SportVariant::Futbol), {dir.path()}, nullptr);
    const HistoryControls ui(&window);
    ui.ComboMagnitud->setCurrentIndex(ui.ComboMagnitud->findText(measure));
    ui.ComboPeriodoInicial->setCurrentIndex(ui.ComboPeriodoInicial->findData(period));
    window.pickAthletes({QStringLiteral("A1")});

    QCOMPARE(ui.TablaPruebas->rowCount(), ana.size());
    auto *series = static_cast<QLineSeries *>(window.chart()->series().first());
    QCOMPARE(series->points().size(), ana.size());
    for (int i = 0; i < ana.size(); ++i)
        QCOMPARE(series->at(i).y(), ana.at(i));
    QCOMPARE(ui.TablaPruebas->item(ana.size() - 1, 0)->toolTip().contains(QStringLiteral("e.txt")),
             period == 0);
    emit series->hovered(series->at(0), true);
    QVERIFY(QToolTip::text().contains(QStringLiteral("Periodo inicial: %1 ").arg(period ? 9 : 2)));
}

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
