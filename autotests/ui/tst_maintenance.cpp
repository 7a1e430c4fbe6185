#include "exportfile.h"
#include "resultsgrid.h"
#include "smallfs.h"
#include "widgets.h"
#include "windowharness.h"

#include <QAction>
#include <QCloseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <sys/stat.h>

using namespace Protocol;

namespace {

const QString SaveQuestion = QStringLiteral(
    "Los registros de la anterior prueba de esfuerzo aún no han sido exportados ¿Desea "
    "guardarlos ahora?");
const QString RunningTestSaveQuestion = QStringLiteral(
    "Los registros de la prueba en curso aún no han sido exportados ¿Desea guardarlos ahora?");
const QString ExportFailed =
    QStringLiteral("No se ha podido exportar el archivo de Registros de ZENTA-Fútbol 2.0.");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A fresh temporary working folder for as long as it lives. It comes before the window, which
// takes the folder it is started in as the program's.
struct InTemporaryFolder
{
    InTemporaryFolder() { QDir::setCurrent(folder.path()); }
    ~InTemporaryFolder() { QDir::setCurrent(cwd); }
    QTemporaryDir folder;
    QString cwd = QDir::currentPath();
};

struct Harness : InTemporaryFolder, WindowHarness<>
{
    explicit Harness(SportVariant variant = SportVariant::Futbol)
        : WindowHarness(variant, 0, QDateTime(QDate(2026, 12, 7), QTime(18, 30)))
    {
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
};

} // namespace

class TestMaintenance : public QObject
{
    Q_OBJECT

private slots:
    void exportWritesTheGridAndSetsTheFlag();
    void exportWithoutNamesDoesNothing();
    void exportCancelledOrFailing();
    void exportFailureSaysWhy_data();
    void exportFailureSaysWhy();
    void exportWritesThePeriodBoxAtExport_data();
    void exportWritesThePeriodBoxAtExport();
    void exportedMeansNothingUnwritten_data();
    void exportedMeansNothingUnwritten();
    void saveQuestionWording_data();
    void saveQuestionWording();
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
    h.selectSlot(2);
    QDir(h.folder.path()).rmdir(QStringLiteral("Export"));

    h.dialogs.saveTo = h.folder.filePath(QStringLiteral("out.txt"));
    QVERIFY(h.pressExport());
    QCOMPARE(h.window.resultsExported(), 1);
    // The folder came back before the dialog opened, and the name carries title and date.
    QVERIFY(QFileInfo(h.folder.filePath(QStringLiteral("Export"))).isDir());
    QCOMPARE(h.dialogs.proposedPaths,
             QStringList{QDir(h.folder.path())
                             .filePath(QStringLiteral("Export/ZENTA-Fútbol 2.0_07-12-26.txt"))});
    QVERIFY(h.dialogs.saveTitle.startsWith(QStringLiteral("Exportación de Registros de ")));
    QCOMPARE(h.dialogs.saveFilter, QStringLiteral("Archivo de exportación de Registros (*.txt)"));
    QCOMPARE(h.dialogs.saveSuffix, QStringLiteral("txt"));
    QCOMPARE(h.ui()->HyperGrid_Sujetos->currentIndex().row(), 1); // highlight back

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
    QVERIFY(h.pressExport());
    QCOMPARE(h.window.resultsExported(), 1);
    QLocale::setDefault(QLocale::c());
}

void TestMaintenance::exportWithoutNamesDoesNothing()
{
    Harness h;
    h.results().setCell(ResultsModel::Code, 1, QStringLiteral("C1"));
    h.dialogs.saveTo = h.folder.filePath(QStringLiteral("out.txt"));
    QVERIFY(!h.pressExport());
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
    QVERIFY(!h.pressExport());
    QCOMPARE(h.window.resultsExported(), 0);
    QVERIFY(h.dialogs.messages.isEmpty());

    // A failure after an earlier success: message shown, flag and grid as they were.
    const QString good = h.folder.filePath(QStringLiteral("good.txt"));
    h.dialogs.saveTo = good;
    QVERIFY(h.pressExport());
    const QByteArray written = readAll(good);
    h.dialogs.saveTo = QStringLiteral("/proc/zenta/none.txt");
    QVERIFY(!h.pressExport());
    QCOMPARE(h.window.resultsExported(), 1);
    QCOMPARE(h.dialogs.messages.size(), 1);
    QCOMPARE(h.dialogs.messages.at(0).caption, QStringLiteral("Información"));
    QCOMPARE(h.dialogs.messages.at(0).text.section(QLatin1Char('\n'), 0, 0), ExportFailed);
    QCOMPARE(h.dialogs.messages.at(0).icon, QMessageBox::Warning);
    QCOMPARE(readAll(good), written);
    QCOMPARE(h.results().cell(ResultsModel::Name, 1), QStringLiteral("Ana"));
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        h.dialogs.saveTo = QStringLiteral("/dev/full");
        QVERIFY(!h.pressExport());
        QCOMPARE(h.dialogs.messages.size(), 2);
    }
}

void TestMaintenance::exportFailureSaysWhy_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("full file system") << QStringLiteral("full");
    QTest::newRow("a pipe") << QStringLiteral("fifo");
    QTest::newRow("folder missing") << QStringLiteral("missing");
}

void TestMaintenance::exportFailureSaysWhy()
{
    QFETCH(QString, target);
    Harness h;
    std::optional<SmallFileSystem> small;
    h.name(1, QStringLiteral("Ana"));
    h.runAndStop();
    QString path = h.folder.filePath(QStringLiteral("r.txt"));
    const QByteArray earlier = "earlier export\r\n";
    if (target == QStringLiteral("full")) {
        small.emplace();
        if (!small->whyNot().isEmpty())
            QSKIP(qPrintable(small->whyNot()));
        path = small->filePath(QStringLiteral("r.txt"));
        QVERIFY(ExportFile::write(path, earlier));
        small->fill();
    } else if (target == QStringLiteral("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        path = h.folder.filePath(QStringLiteral("gone/r.txt"));
    }

    h.dialogs.saveTo = path;
    QVERIFY(!h.pressExport());
    QCOMPARE(h.window.resultsExported(), 0);
    QCOMPARE(h.dialogs.messages.size(), 1);
    // The sentence the operator knows, then why, then which file.
    const QStringList lines = h.dialogs.messages.at(0).text.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0), ExportFailed);
    QVERIFY(!lines.at(1).trimmed().isEmpty());
    QCOMPARE(lines.at(2), QDir::toNativeSeparators(path));
    if (target == QStringLiteral("full")) {
        QCOMPARE(lines.at(1), QString::fromLocal8Bit(std::strerror(ENOSPC)));
        QCOMPARE(readAll(path), earlier);
    }
}

void TestMaintenance::exportWritesThePeriodBoxAtExport_data()
{
    QTest::addColumn<int>("period"); // set in the box after the test
    QTest::newRow("as the test started") << 1;
    QTest::newRow("changed after the test") << 7;
}

void TestMaintenance::exportWritesThePeriodBoxAtExport()
{
    QFETCH(int, period);
    Harness h;
    h.name(1, QStringLiteral("Ana"));
    h.runAndStop();
    h.ui()->SpinEdit1->setValue(period);
    h.dialogs.saveTo = h.folder.filePath(QStringLiteral("p.txt"));
    QVERIFY(h.pressExport());
    const QList<QByteArray> conditions = readAll(h.dialogs.saveTo).split('\n').at(2).split(';');
    QCOMPARE(conditions.at(3), QByteArray::number(period));
    QCOMPARE(conditions.at(4), QByteArray("4,2")); // the speed stays the one of the start
}

void TestMaintenance::exportedMeansNothingUnwritten_data()
{
    QTest::addColumn<QString>("change"); // made during the test, after saving on a close
    QTest::addColumn<bool>("stillExported");
    QTest::newRow("nothing") << QString() << true;
    QTest::newRow("a capture") << QStringLiteral("capture") << false;
    QTest::newRow("a re-activation") << QStringLiteral("reactivate") << false;
    QTest::newRow("a name edited") << QStringLiteral("name") << false;
    QTest::newRow("a code edited") << QStringLiteral("code") << false;
}

void TestMaintenance::exportedMeansNothingUnwritten()
{
    QFETCH(QString, change);
    QFETCH(bool, stillExported);
    Harness h;
    h.name(1, QStringLiteral("Ana"));
    h.name(2, QStringLiteral("Bea"));
    h.runAndStop(false);
    QTest::mouseClick(h.stopButton(1), Qt::LeftButton);

    // Saved from the close question, then the operator stays.
    h.dialogs.saveTo = h.folder.filePath(QStringLiteral("mid.txt"));
    h.dialogs.answers = {QMessageBox::Yes, QMessageBox::Cancel};
    QCloseEvent close;
    QCoreApplication::sendEvent(&h.window, &close);
    QVERIFY(!close.isAccepted());
    QVERIFY(QFile::exists(h.dialogs.saveTo));
    QCOMPARE(h.window.resultsExported(), 1);

    if (change == QStringLiteral("capture")) {
        QTest::mouseClick(h.stopButton(2), Qt::LeftButton);
    } else if (change == QStringLiteral("reactivate")) {
        h.reactivateFromMenu(1);
    } else if (!change.isEmpty()) {
        const int column =
            change == QStringLiteral("name") ? ResultsModel::Name : ResultsModel::Code;
        QVERIFY(h.results().setData(h.results().index(0, column), QStringLiteral("X1")));
    }
    QCOMPARE(h.window.resultsExported() == 1, stillExported);
    // Between-tests commands stay off for the whole test.
    QVERIFY(!h.ui()->BtnExportDatos->isEnabled());
    QVERIFY(!h.ui()->BtnBorrarTabla->isEnabled());

    // Whoever ran on was never written: the next test asks before dropping them.
    QTest::mouseClick(h.ui()->BitBtnStop, Qt::LeftButton);
    QVERIFY(h.ui()->BtnExportDatos->isEnabled());
    QVERIFY(h.ui()->BtnBorrarTabla->isEnabled());
    h.dialogs.questions.clear();
    h.dialogs.answers = {QMessageBox::No};
    QTest::mouseClick(h.ui()->BitBtnNuevo, Qt::LeftButton);
    QCOMPARE(h.dialogs.questions.size(), 1);
    QCOMPARE(h.dialogs.questions.at(0).text, SaveQuestion);
}

void TestMaintenance::saveQuestionWording_data()
{
    QTest::addColumn<QString>("when");
    QTest::addColumn<QString>("expected");
    QTest::newRow("new test") << QStringLiteral("new") << SaveQuestion;
    QTest::newRow("closing after the test") << QStringLiteral("closeAfter") << SaveQuestion;
    QTest::newRow("closing during the test")
        << QStringLiteral("closeDuring") << RunningTestSaveQuestion;
}

void TestMaintenance::saveQuestionWording()
{
    QFETCH(QString, when);
    QFETCH(QString, expected);
    Harness h;
    h.name(1, QStringLiteral("Ana"));
    h.runAndStop(false);
    QTest::mouseClick(h.stopButton(1), Qt::LeftButton);
    if (when != QStringLiteral("closeDuring"))
        QTest::mouseClick(h.ui()->BitBtnStop, Qt::LeftButton);
    h.dialogs.answers = {QMessageBox::No, QMessageBox::Cancel};
    if (when == QStringLiteral("new")) {
        h.press(h.ui()->BitBtnNuevo);
    } else {
        QCloseEvent close;
        QCoreApplication::sendEvent(&h.window, &close);
    }
    QVERIFY(!h.dialogs.questions.isEmpty());
    QCOMPARE(h.dialogs.questions.at(0).caption, QStringLiteral("Guardar datos"));
    QCOMPARE(h.dialogs.questions.at(0).text, expected);
}

void TestMaintenance::guardTable_data()
{
    QTest::addColumn<bool>("exported");
    QTest::addColumn<int>("resultRow");
    QTest::addColumn<QList<int>>("answers"); // save question, then nothing more
    QTest::addColumn<QString>("saveTo");     // "" cancels the dialog; "bad" fails the write
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("cleared");
    QTest::addColumn<bool>("namesErased"); // after the capture
    QTest::newRow("exported: cleared without asking")
        << true << 1 << QList<int>{} << QString() << false << true << false;
    QTest::newRow("no results: nothing asked")
        << false << 0 << QList<int>{} << QString() << false << false << false;
    QTest::newRow("yes, file written") << false << 2 << QList<int>{QMessageBox::Yes}
                                       << QStringLiteral("ok") << true << true << false;
    QTest::newRow("yes, dialog cancelled")
        << false << 2 << QList<int>{QMessageBox::Yes} << QString() << true << false << false;
    QTest::newRow("yes, write failed") << false << 2 << QList<int>{QMessageBox::Yes}
                                       << QStringLiteral("bad") << true << false << false;
    QTest::newRow("no") << false << 2 << QList<int>{QMessageBox::No} << QString() << true << true
                        << false;
    // Results further down the table are guarded too.
    QTest::newRow("results in row 9 only")
        << false << 9 << QList<int>{QMessageBox::No} << QString() << true << true << false;
    // What the question offers to save, the export writes.
    QTest::newRow("yes, results without names") << false << 2 << QList<int>{QMessageBox::Yes}
                                                << QStringLiteral("ok") << true << true << true;
}

void TestMaintenance::guardTable()
{
    QFETCH(bool, exported);
    QFETCH(int, resultRow);
    QFETCH(QList<int>, answers);
    QFETCH(QString, saveTo);
    QFETCH(bool, asked);
    QFETCH(bool, cleared);
    QFETCH(bool, namesErased);
    Harness h;
    for (int slot = 1; slot <= 9; ++slot)
        h.name(slot, QStringLiteral("Atleta %1").arg(slot));
    h.runAndStop();
    // Keep a single row's results, the one the case is about.
    for (int slot = 1; slot <= 14; ++slot) {
        if (slot != resultRow)
            h.results().clearResults(slot);
        if (namesErased)
            h.results().setData(h.results().index(slot - 1, ResultsModel::Name), QString());
    }
    if (exported) {
        h.dialogs.saveTo = h.folder.filePath(QStringLiteral("first.txt"));
        QVERIFY(h.pressExport());
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
    if (saveTo == QStringLiteral("ok"))
        QVERIFY(QFile::exists(h.dialogs.saveTo));
    if (namesErased)
        return;
    // Numbers, names and codes always stay for the next test.
    QCOMPARE(h.results().cell(ResultsModel::Name, 1), QStringLiteral("Atleta 1"));
    QCOMPARE(h.results().cell(ResultsModel::Number, 1), QStringLiteral("1"));

    // Kept results are asked about again at the next new test: a mode chosen anew readies it.
    if (asked && !cleared) {
        h.dialogs.answers = {QMessageBox::No};
        h.press(h.ui()->FlatRadioButton1);
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
    QTest::mouseClick(h.stopButton(1), Qt::LeftButton);
    QTest::mouseClick(h.ui()->BitBtnStop, Qt::LeftButton);
    h.dialogs.saveTo = h.folder.filePath(QStringLiteral("x.txt"));
    QVERIFY(h.pressExport());

    h.dialogs.answers = {QMessageBox::Cancel};
    QTest::mouseClick(h.ui()->BtnBorrarTabla, Qt::LeftButton);
    QCOMPARE(h.dialogs.questions.size(), 1);
    QCOMPARE(h.dialogs.questions.at(0).caption, QStringLiteral("Borrar datos"));
    QCOMPARE(h.dialogs.questions.at(0).text,
             QStringLiteral("¿Realmente desea borrar todos los datos que actualmente se "
                            "encuentran en la Tabla de resultados de los deportistas?"));
    QCOMPARE(h.dialogs.questions.at(0).buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(h.results().cell(ResultsModel::Name, 2), QStringLiteral("Bea"));

    h.stopButton(2)->show(); // whatever was shown goes
    h.dialogs.answers = {QMessageBox::Ok};
    QTest::mouseClick(h.ui()->BtnBorrarTabla, Qt::LeftButton);
    for (int slot = 1; slot <= 14; ++slot) {
        for (int column = 0; column < 7; ++column)
            QVERIFY(h.results().cell(column, slot).isEmpty());
        QVERIFY(h.stopButton(slot)->isHidden());
    }
    QCOMPARE(h.window.resultsExported(), 1);
    QVERIFY(h.ui()->BtnExportDatos->isEnabled());
}

void TestMaintenance::reactivation()
{
    Harness h(SportVariant::Basket);
    h.name(1, QStringLiteral("Ana"));
    h.name(2, QStringLiteral("Bea"));
    const auto enabledFor = [&](int slot) {
        h.selectSlot(slot);
        return h.openRowMenu()->isEnabled();
    };
    QVERIFY(!enabledFor(1)); // no test running

    h.runAndStop(false);
    QVERIFY(!enabledFor(1)); // still running, not stopped
    QVERIFY(!enabledFor(3)); // empty row
    QTest::mouseClick(h.stopButton(1), Qt::LeftButton);
    QVERIFY(!h.results().cell(ResultsModel::Vo2Max, 1).isEmpty());
    QVERIFY(enabledFor(1));

    h.results().setCell(ResultsModel::Number, 1, QString());
    h.reactivateFromMenu(1);
    QCOMPARE(h.results().cell(ResultsModel::Number, 1), QStringLiteral("1"));
    for (int column = ResultsModel::Time; column <= ResultsModel::Vo2Max; ++column)
        QVERIFY(h.results().cell(column, 1).isEmpty());
    QVERIFY(h.stopButton(1)->isVisible());
    QCOMPARE(h.results().cell(ResultsModel::Name, 1), QStringLiteral("Ana"));

    // Captured anew at the end of the test.
    QTest::mouseClick(h.ui()->BitBtnStop, Qt::LeftButton);
    QVERIFY(!h.results().cell(ResultsModel::Periods, 1).isEmpty());
    QVERIFY(!enabledFor(1)); // no test running any more

    // During a warm-up the item stays off, even for a row holding earlier results.
    h.dialogs.answers = {QMessageBox::Yes};
    h.dialogs.saveTo.clear(); // results kept
    h.press(h.ui()->BitBtnNuevo);
    h.ui()->CheckBox_Calentamiento->setChecked(true);
    QTest::mouseClick(h.ui()->BitBtnStart, Qt::LeftButton);
    QCOMPARE(h.window.engine().phase(), TestPhase::WarmUp);
    QVERIFY(!enabledFor(1));
    h.reactivateFromMenu(1);
    QVERIFY(h.stopButton(1)->isHidden());
}

void TestMaintenance::exitWithoutResults()
{
    Harness h;
    QSignalSpy exited(&h.window, &MainWindow::exitConfirmed);
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
    QSignalSpy exited(&h.window, &MainWindow::exitConfirmed);
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
    QVERIFY(again.pressExport());
    again.dialogs.answers = {QMessageBox::Cancel};
    QTest::mouseClick(again.ui()->BitBtnSalir, Qt::LeftButton);
    QCOMPARE(again.dialogs.questions.size(), 1);
}

void TestMaintenance::closeDuringATestCanBeCancelled()
{
    Harness h;
    h.name(1, QStringLiteral("Ana"));
    h.runAndStop(false);
    QSignalSpy exited(&h.window, &MainWindow::exitConfirmed);
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
    QVERIFY(h.stopButton(1)->isVisible());
}

QTEST_MAIN(TestMaintenance)
#include "tst_maintenance.moc"
