#include "clock.h"
#include "exportfile.h"
#include "fakes.h"
#include "resultsgrid.h"
#include "testfut1.h"
#include "ui_testfut1.h"
#include "widgets.h"

#include <QAction>
#include <QCloseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString SaveQuestion = QStringLiteral(
    "Los registros de la anterior prueba de esfuerzo aún no han sido exportados ¿Desea "
    "guardarlos ahora?");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A window whose working folder is a fresh temporary one, on a clock moved by hand.
struct Harness
{
    explicit Harness(SportVariant variant = SportVariant::Futbol)
        : cwd(QDir::currentPath()),
          window((QDir::setCurrent(folder.path()), variant), clock, &sound, &dialogs)
    {
        window.setDateTimeSource([] { return QDateTime(QDate(2026, 12, 7), QTime(18, 30)); });
        window.show();
        QCoreApplication::processEvents();
    }
    ~Harness() { QDir::setCurrent(cwd); }
    Ui::TForm1 *ui() const { return window.form(); }
    ResultsModel &results() { return window.results(); }
    void name(int slot, const QString &name) { results().setCell(ResultsModel::Name, slot, name); }
    void advanceTo(qint64 ms)
    {
        clock.set(ms);
        window.pollEngine();
    }
    // An effort test from period 1 without warm-up; stops after one period and some beeps.
    void runAndStop(bool stop = true)
    {
        QTest::mouseClick(ui()->FlatRadioButton3, Qt::LeftButton);
        ui()->CheckBox_Calentamiento->setChecked(false);
        QTest::mouseClick(ui()->BitBtnStart, Qt::LeftButton);
        advanceTo(28 * 7843 + 30000 + 2 * 6863 + 1);
        if (stop)
            QTest::mouseClick(ui()->BitBtnStop, Qt::LeftButton);
    }
    QTemporaryDir folder;
    QString cwd;
    ManualClock clock{0};
    SilentSink sound;
    ScriptedDialogs dialogs;
    TForm1 window;
};

} // namespace

class TestMaintenance : public QObject
{
    Q_OBJECT

private slots:
    void exportWritesTheGridAndSetsTheFlag();
    void exportWithoutNamesDoesNothing();
    void exportCancelledOrFailing();
    void guardTable_data();
    void guardTable();
    void clearTable();
    void reactivation();
    void exitWithoutResults();
    void exitOffersToSaveUnexportedResults();
    void closeDuringATestCanBeCancelled();
};

void TestMaintenance::exportWritesTheGridAndSetsTheFlag()
{
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    Harness h;
    h.name(1, QStringLiteral("Lucía"));
    h.name(3, QStringLiteral("Íñigo"));
    h.runAndStop();
    h.name(5, QStringLiteral("Pablo")); // typed after the start: never activated
    h.window.selectSlot(2);
    QDir(h.folder.path()).rmdir(QStringLiteral("Export"));

    h.dialogs.saveTo = h.folder.filePath(QStringLiteral("out.txt"));
    QVERIFY(h.window.BtnExportDatosClick());
    QCOMPARE(h.window.resultsExported(), 1);
    // The folder came back before the dialog opened, and the name carries title and date.
    QVERIFY(QFileInfo(h.folder.filePath(QStringLiteral("Export"))).isDir());
    QCOMPARE(h.dialogs.proposedPaths,
             QStringList{QDir(h.folder.path())
                             .filePath(QStringLiteral("Export/ZENTA-Fútbol 2.0_07-12-26.txt"))});
    QVERIFY(h.dialogs.saveTitle.startsWith(QStringLiteral("Exportación de Registros de ")));
    QCOMPARE(h.dialogs.saveFilter, QStringLiteral("Archivo de exportación de Registros (*.txt)"));
    QCOMPARE(h.dialogs.saveSuffix, QStringLiteral("txt"));
    QCOMPARE(h.window.form()->HyperGrid_Sujetos->currentIndex().row(), 1); // highlight back

    const QByteArray file = readAll(h.dialogs.saveTo);
    const QList<QByteArray> lines = file.split('\n');
    QCOMPARE(lines.size(), 4 + 14 + 1);
    QCOMPARE(lines.at(0), QByteArray("ZENTA-F\xFAtbol 2.0\r"));
    QCOMPARE(lines.at(2), QByteArray(";07/12/2026;18:30;1;4,2;\r"));
    QCOMPARE(lines.at(4), QByteArray(";1;Luc\xED"
                                     "a;;04:23;1;275;4,8;\r"));
    QCOMPARE(lines.at(5), QByteArray(";;;;;;;;\r"));
    QCOMPARE(lines.at(6), QByteArray(";3;\xCD\xF1igo;;04:23;1;275;4,8;\r"));
    QCOMPARE(lines.at(8), QByteArray(";;Pablo;;;;;;\r"));
    QVERIFY(file.endsWith("\r\n"));
    QVERIFY(h.dialogs.messages.isEmpty());

    // Exporting again keeps the flag up.
    QVERIFY(h.window.BtnExportDatosClick());
    QCOMPARE(h.window.resultsExported(), 1);
    QLocale::setDefault(QLocale::c());
}

void TestMaintenance::exportWithoutNamesDoesNothing()
{
    Harness h;
    h.results().setCell(ResultsModel::Code, 1, QStringLiteral("C1"));
    h.dialogs.saveTo = h.folder.filePath(QStringLiteral("out.txt"));
    QVERIFY(!h.window.BtnExportDatosClick());
    QVERIFY(h.dialogs.proposedPaths.isEmpty());
    QVERIFY(!QFile::exists(h.dialogs.saveTo));
    QCOMPARE(h.window.resultsExported(), 0);
}

void TestMaintenance::exportCancelledOrFailing()
{
    Harness h;
    h.name(1, QStringLiteral("Ana"));
    h.runAndStop();
    h.dialogs.saveTo.clear();
    QVERIFY(!h.window.BtnExportDatosClick());
    QCOMPARE(h.window.resultsExported(), 0);
    QVERIFY(h.dialogs.messages.isEmpty());

    // A failure after an earlier success: message shown, flag and grid as they were.
    const QString good = h.folder.filePath(QStringLiteral("good.txt"));
    h.dialogs.saveTo = good;
    QVERIFY(h.window.BtnExportDatosClick());
    const QByteArray written = readAll(good);
    h.dialogs.saveTo = QStringLiteral("/proc/zenta/none.txt");
    QVERIFY(!h.window.BtnExportDatosClick());
    QCOMPARE(h.window.resultsExported(), 1);
    QCOMPARE(h.dialogs.messages.size(), 1);
    QCOMPARE(h.dialogs.messages.at(0).caption, QStringLiteral("Información"));
    QCOMPARE(
        h.dialogs.messages.at(0).text,
        QStringLiteral("No se ha podido exportar el archivo de Registros de ZENTA-Fútbol 2.0."));
    QCOMPARE(h.dialogs.messages.at(0).icon, QMessageBox::Warning);
    QCOMPARE(readAll(good), written);
    QCOMPARE(h.results().cell(ResultsModel::Name, 1), QStringLiteral("Ana"));
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        h.dialogs.saveTo = QStringLiteral("/dev/full");
        QVERIFY(!h.window.BtnExportDatosClick());
        QCOMPARE(h.dialogs.messages.size(), 2);
    }
}

void TestMaintenance::guardTable_data()
{
    QTest::addColumn<bool>("exported");
    QTest::addColumn<int>("resultRow");
    QTest::addColumn<QList<int>>("answers"); // save question, then nothing more
    QTest::addColumn<QString>("saveTo");     // "" cancels the dialog; "bad" fails the write
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("exported: cleared without asking")
        << true << 1 << QList<int>{} << QString() << false << true;
    QTest::newRow("no results: nothing asked")
        << false << 0 << QList<int>{} << QString() << false << false;
    QTest::newRow("yes, file written")
        << false << 2 << QList<int>{QMessageBox::Yes} << QStringLiteral("ok") << true << true;
    QTest::newRow("yes, dialog cancelled")
        << false << 2 << QList<int>{QMessageBox::Yes} << QString() << true << false;
    QTest::newRow("yes, write failed")
        << false << 2 << QList<int>{QMessageBox::Yes} << QStringLiteral("bad") << true << false;
    QTest::newRow("no") << false << 2 << QList<int>{QMessageBox::No} << QString() << true << true;
    // Results further down the table are guarded too.
    QTest::newRow("results in row 9 only")
        << false << 9 << QList<int>{QMessageBox::No} << QString() << true << true;
}

void TestMaintenance::guardTable()
{
    QFETCH(bool, exported);
    QFETCH(int, resultRow);
    QFETCH(QList<int>, answers);
    QFETCH(QString, saveTo);
    QFETCH(bool, asked);
    QFETCH(bool, cleared);
    Harness h;
    for (int slot = 1; slot <= 9; ++slot)
        h.name(slot, QStringLiteral("Atleta %1").arg(slot));
    h.runAndStop();
    // Keep a single row's results, the one the case is about.
    for (int slot = 1; slot <= 14; ++slot) {
        if (slot != resultRow)
            h.results().clearResults(slot);
    }
    if (exported) {
        h.dialogs.saveTo = h.folder.filePath(QStringLiteral("first.txt"));
        QVERIFY(h.window.BtnExportDatosClick());
    }
    h.dialogs.saveTo = saveTo == QStringLiteral("ok") ? h.folder.filePath(QStringLiteral("g.txt"))
                       : saveTo == QStringLiteral("bad") ? QStringLiteral("/proc/zenta/g.txt")
                                                         : QString();
    for (int answer : answers)
        h.dialogs.answers.append(QMessageBox::StandardButton(answer));

    QTest::mouseClick(h.ui()->BitBtnNuevo, Qt::LeftButton);
    QCOMPARE(!h.dialogs.questions.isEmpty(), asked);
    if (asked) {
        QCOMPARE(h.dialogs.questions.at(0).caption, QStringLiteral("Guardar datos"));
        QCOMPARE(h.dialogs.questions.at(0).text, SaveQuestion);
        QCOMPARE(h.dialogs.questions.at(0).buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(h.dialogs.questions.at(0).icon, QMessageBox::Information);
    }
    if (resultRow > 0)
        QCOMPARE(h.results().cell(ResultsModel::Periods, resultRow).isEmpty(), cleared);
    QCOMPARE(h.window.resultsExported(), 0);
    // Numbers, names and codes always stay for the next test.
    QCOMPARE(h.results().cell(ResultsModel::Name, 1), QStringLiteral("Atleta 1"));
    QCOMPARE(h.results().cell(ResultsModel::Number, 1), QStringLiteral("1"));

    // Kept results are asked about again at the next new test.
    if (asked && !cleared) {
        h.dialogs.answers = {QMessageBox::No};
        h.window.BitBtnNuevoClick();
        QCOMPARE(h.dialogs.questions.size(), 2);
        QVERIFY(h.results().cell(ResultsModel::Periods, resultRow).isEmpty());
    }
}

void TestMaintenance::clearTable()
{
    Harness h;
    h.name(1, QStringLiteral("Ana"));
    h.name(2, QStringLiteral("Bea"));
    h.runAndStop(false);
    QTest::mouseClick(h.window.stopButton(1), Qt::LeftButton);
    QTest::mouseClick(h.ui()->BitBtnStop, Qt::LeftButton);
    h.dialogs.saveTo = h.folder.filePath(QStringLiteral("x.txt"));
    QVERIFY(h.window.BtnExportDatosClick());

    h.dialogs.answers = {QMessageBox::Cancel};
    QTest::mouseClick(h.ui()->BtnBorrarTabla, Qt::LeftButton);
    QCOMPARE(h.dialogs.questions.size(), 1);
    QCOMPARE(h.dialogs.questions.at(0).caption, QStringLiteral("Borrar datos"));
    QCOMPARE(h.dialogs.questions.at(0).text,
             QStringLiteral("¿Realmente desea borrar todos los datos que actualmente se "
                            "encuentran en la Tabla de resultados de los deportistas?"));
    QCOMPARE(h.dialogs.questions.at(0).buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(h.results().cell(ResultsModel::Name, 2), QStringLiteral("Bea"));

    h.window.stopButton(2)->show(); // whatever was shown goes
    h.dialogs.answers = {QMessageBox::Ok};
    QTest::mouseClick(h.ui()->BtnBorrarTabla, Qt::LeftButton);
    for (int slot = 1; slot <= 14; ++slot) {
        for (int column = 0; column < 7; ++column)
            QVERIFY(h.results().cell(column, slot).isEmpty());
        QVERIFY(h.window.stopButton(slot)->isHidden());
    }
    QCOMPARE(h.window.resultsExported(), 1);
    QVERIFY(h.ui()->BtnExportDatos->isEnabled());
}

void TestMaintenance::reactivation()
{
    Harness h(SportVariant::Basket);
    h.name(1, QStringLiteral("Ana"));
    h.name(2, QStringLiteral("Bea"));
    QAction *item = h.window.reactivateAction();
    const auto enabledFor = [&](int slot) {
        h.window.selectSlot(slot);
        h.window.PopupMenu_HGPopup();
        return item->isEnabled();
    };
    QVERIFY(!enabledFor(1)); // no test running

    h.runAndStop(false);
    QVERIFY(!enabledFor(1)); // still running, not stopped
    QVERIFY(!enabledFor(3)); // empty row
    QTest::mouseClick(h.window.stopButton(1), Qt::LeftButton);
    QVERIFY(!h.results().cell(ResultsModel::Vo2Max, 1).isEmpty());
    QVERIFY(enabledFor(1));

    h.results().setCell(ResultsModel::Number, 1, QString());
    h.window.selectSlot(1);
    h.window.Volveraactivar1Click();
    QCOMPARE(h.results().cell(ResultsModel::Number, 1), QStringLiteral("1"));
    for (int column = ResultsModel::Time; column <= ResultsModel::Vo2Max; ++column)
        QVERIFY(h.results().cell(column, 1).isEmpty());
    QVERIFY(h.window.stopButton(1)->isVisible());
    QCOMPARE(h.results().cell(ResultsModel::Name, 1), QStringLiteral("Ana"));

    // Captured anew at the end of the test.
    QTest::mouseClick(h.ui()->BitBtnStop, Qt::LeftButton);
    QVERIFY(!h.results().cell(ResultsModel::Periods, 1).isEmpty());
    QVERIFY(!enabledFor(1)); // no test running any more

    // During a warm-up the item stays off, even for a row holding earlier results.
    h.dialogs.answers = {QMessageBox::Yes};
    h.dialogs.saveTo.clear(); // results kept
    h.window.BitBtnNuevoClick();
    h.ui()->CheckBox_Calentamiento->setChecked(true);
    QTest::mouseClick(h.ui()->BitBtnStart, Qt::LeftButton);
    QCOMPARE(h.window.engine().phase(), TestPhase::WarmUp);
    QVERIFY(!enabledFor(1));
    h.window.selectSlot(1);
    h.window.Volveraactivar1Click();
    QVERIFY(h.window.stopButton(1)->isHidden());
}

void TestMaintenance::exitWithoutResults()
{
    Harness h;
    QSignalSpy exited(&h.window, &TForm1::exitConfirmed);
    h.dialogs.answers = {QMessageBox::Cancel};
    QTest::mouseClick(h.ui()->BitBtnSalir, Qt::LeftButton);
    QCOMPARE(exited.count(), 0);
    QCOMPARE(h.dialogs.questions.size(), 1);
    QCOMPARE(h.dialogs.questions.at(0).caption, QStringLiteral("Salir de ZENTA-Fútbol 2.0"));
    QCOMPARE(h.dialogs.questions.at(0).text,
             QStringLiteral("Esto finaliza su sesión con ZENTA-Fútbol 2.0."));
    QCOMPARE(h.dialogs.questions.at(0).buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(h.dialogs.questions.at(0).icon, QMessageBox::Information);

    h.dialogs.answers = {QMessageBox::Ok};
    QTest::mouseClick(h.ui()->BitBtnSalir, Qt::LeftButton);
    QCOMPARE(exited.count(), 1);
    // Closing the window after the confirmation asks nothing more.
    QCloseEvent close;
    QCoreApplication::sendEvent(&h.window, &close);
    QVERIFY(close.isAccepted());
    QCOMPARE(h.dialogs.questions.size(), 2);
}

void TestMaintenance::exitOffersToSaveUnexportedResults()
{
    Harness h;
    h.name(1, QStringLiteral("Ana"));
    h.runAndStop();
    QSignalSpy exited(&h.window, &TForm1::exitConfirmed);
    h.dialogs.saveTo = h.folder.filePath(QStringLiteral("exit.txt"));
    h.dialogs.answers = {QMessageBox::Yes, QMessageBox::Ok};
    QTest::mouseClick(h.ui()->BitBtnSalir, Qt::LeftButton);
    QCOMPARE(h.dialogs.questions.size(), 2);
    QCOMPARE(h.dialogs.questions.at(0).text, SaveQuestion);
    QVERIFY(QFile::exists(h.dialogs.saveTo));
    QCOMPARE(exited.count(), 1);

    // Exported: only the exit question.
    Harness again;
    again.name(1, QStringLiteral("Ana"));
    again.runAndStop();
    again.dialogs.saveTo = again.folder.filePath(QStringLiteral("done.txt"));
    QVERIFY(again.window.BtnExportDatosClick());
    again.dialogs.answers = {QMessageBox::Cancel};
    QTest::mouseClick(again.ui()->BitBtnSalir, Qt::LeftButton);
    QCOMPARE(again.dialogs.questions.size(), 1);
}

void TestMaintenance::closeDuringATestCanBeCancelled()
{
    Harness h;
    h.name(1, QStringLiteral("Ana"));
    h.runAndStop(false);
    QSignalSpy exited(&h.window, &TForm1::exitConfirmed);
    h.dialogs.answers = {QMessageBox::Cancel};
    QCloseEvent close;
    QCoreApplication::sendEvent(&h.window, &close);
    QVERIFY(!close.isAccepted());
    QCOMPARE(exited.count(), 0);
    QCOMPARE(h.dialogs.questions.last().text,
             QStringLiteral("Esto finaliza su sesión con ZENTA-Fútbol 2.0."));
    QVERIFY(h.window.engine().isRunning());
    const int beeps = h.window.engine().beepCount();
    h.advanceTo(h.clock.nowMs() + 6863);
    QCOMPARE(h.window.engine().beepCount(), beeps + 1);
    QVERIFY(h.window.stopButton(1)->isVisible());
}

QTEST_MAIN(TestMaintenance)
#include "tst_maintenance.moc"
