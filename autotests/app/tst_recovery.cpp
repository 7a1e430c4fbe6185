#include "clock.h"
#include "exportfile.h"
#include "fakes.h"
#include "mainwindow.h"
#include "recovery.h"
#include "sessionjournal.h"
#include "smallfs.h"
#include "windowharness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/stat.h>

using namespace Protocol;

namespace {

const SportProfile &football()
{
    return sportProfile(SportVariant::Futbol);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void store(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Leaves the bytes as the journal an earlier run left in the program's folder under base.
void leaveJournal(const QString &base, const QByteArray &bytes, QString *path)
{
    const QString folder = base + QLatin1Char('/') + football().programTitle;
    QVERIFY(QDir().mkpath(folder));
    *path = folder + QStringLiteral("/20260101-000000-000-1.journal");
    store(*path, bytes);
}

// Empties the window and what the operator was told, then lets a fresh guard offer what an
// earlier run left under base.
void offerAfresh(MainWindow &window, ScriptedDialogs &dialogs, const QString &base)
{
    window.results().clearAll();
    dialogs.questions.clear();
    dialogs.messages.clear();
    SessionGuard guard(dialogs, base);
    guard.watch(&window);
    guard.offerLeftResults();
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

// A journal an earlier run left behind, made by the journal itself from real operations. The
// states and file sizes after each operation say what any prefix of the file holds.
struct LeftRun
{
    QString path;
    QByteArray bytes;
    QList<qint64> ends;                 // file size after the header, then after each change
    QList<QVector<QStringList>> states; // the grid at each of those sizes

    LeftRun(const QString &folder, int operations = 7, bool exported = false)
    {
        ResultsModel results(football());
        SessionJournal journal(results, folder);
        path = journal.path();
        const auto step = [&] {
            ends.append(QFileInfo(path).size());
            states.append(results.rows());
        };
        step();
        const QList<std::function<void()>> all = {
            [&] { results.setData(results.index(0, ResultsModel::Name), QStringLiteral("Ana")); },
            [&] { results.setData(results.index(0, ResultsModel::Code), QStringLiteral("A1")); },
            [&] { results.setData(results.index(2, ResultsModel::Name), QStringLiteral("Íñigo")); },
            [&] {
                journal.setConditions({3, QStringLiteral("5,4"), QStringLiteral("Test de esfuerzo"),
                                       QDateTime(QDate(2026, 12, 5), QTime(18, 30))});
            },
            [&] { results.activateAthletes(); },
            [&] {
                results.capture(3, {QStringLiteral("01:01"), 0, 92, QStringLiteral("5,4")});
            },
            [&] {
                results.capture(1, {QStringLiteral("03:37"), 1, 284, QStringLiteral("6,0")});
            },
        };
        for (int n = 0; n < operations && n < all.size(); ++n) {
            all.at(n)();
            step();
        }
        if (exported)
            journal.markExported();
        bytes = contents(path);
    }
    // The grid that the whole records of the first size bytes give.
    QVector<QStringList> stateAt(qint64 size) const
    {
        int n = 0;
        while (n + 1 < ends.size() && ends.at(n + 1) <= size)
            ++n;
        return size >= ends.first() ? states.at(n) : states.first();
    }
};

// The window with the guard that a run adds around it, keeping its journals under base.
struct Harness : WindowHarness<>
{
    explicit Harness(const QString &base)
        : WindowHarness(SportVariant::Futbol), guard(dialogs, base)
    {
    }
    void start()
    {
        guard.watch(&window);
        guard.offerLeftResults();
    }
    SessionGuard guard;
};

// Fast scratch space for the byte-by-byte runs: what they test is not the disk.
QString scratchParent()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
    void offerInARealBox_data();
    void offerInARealBox();
    void offerWaitsForTheWindowsOwnMessage();
    void nothingToOffer_data();
    void nothingToOffer();
    void anotherRunningCopyIsLeftAlone();
    void foreignFileSetAside_data();
    void foreignFileSetAside();
    void specialFilesSkipped();
    void exportNowProposesAFreeName();
    void truncatedAtEveryByte();
    void damagedAtEveryByte();
    void journalCannotBeKept();
    void journalWriteFails();
    void killedOrEnded_data();
    void killedOrEnded();
};

void TestRecovery::answers_data()
{
    QTest::addColumn<QList<int>>("choices");
    QTest::addColumn<QList<QMessageBox::StandardButton>>("answers");
    QTest::addColumn<bool>("saveWorks");
    QTest::addColumn<bool>("restored");
    QTest::addColumn<bool>("unexportedAfter");
    QTest::addColumn<int>("questions");

    using B = QList<QMessageBox::StandardButton>;
    QTest::newRow("back into the grid (default)")
        << QList<int>{} << B{} << false << true << true << 1;
    QTest::newRow("export now") << QList<int>{1} << B{} << true << true << false << 1;
    QTest::newRow("export now, dialog cancelled")
        << QList<int>{1} << B{} << false << true << true << 1;
    QTest::newRow("discard, confirmed")
        << QList<int>{2} << B{QMessageBox::Ok} << false << false << false << 2;
    QTest::newRow("discard, then restore")
        << QList<int>{2, 0} << B{QMessageBox::Cancel} << false << true << true << 3;
}

void TestRecovery::answers()
{
    QFETCH(QList<int>, choices);
    QFETCH(QList<QMessageBox::StandardButton>, answers);
    QFETCH(bool, saveWorks);
    QFETCH(bool, restored);
    QFETCH(bool, unexportedAfter);
    QFETCH(int, questions);

    QTemporaryDir base;
    const QString folder = base.filePath(football().programTitle);
    const LeftRun left(folder);
    Harness h(base.path());
    h.dialogs.choices = choices;
    h.dialogs.answers = answers;
    if (saveWorks)
        h.dialogs.saveTo = base.filePath(QStringLiteral("export.txt"));
    h.start();

    QCOMPARE(h.dialogs.questions.size(), questions);
    QCOMPARE(h.dialogs.questions.first().caption, QStringLiteral("Recuperar registros"));
    QVERIFY(h.dialogs.questions.first().text.contains(QStringLiteral("con nombre: 2")));
    QVERIFY(h.dialogs.questions.first().text.contains(QStringLiteral("con resultado: 2")));
    QVERIFY(h.dialogs.questions.first().text.contains( // the test's own, not the set-up panel's
        QStringLiteral("Test de esfuerzo, periodo inicial 3 a 5,4 Km/h, empezado el 05/12/2026")));
    QCOMPARE(h.dialogs.optionsOffered.first(),
             QStringList({QStringLiteral("Recuperar en la tabla"), QStringLiteral("Exportar ahora"),
                          QStringLiteral("Descartar")}));
    QCOMPARE(h.window.results().rows(), restored ? left.states.last() : left.states.first());
    // The file names the period and speed the test started at, as it would have without a
    // restart.
    if (saveWorks)
        QVERIFY(contents(base.filePath(QStringLiteral("export.txt"))).contains(";3;5,4;\r\n"));
    else
        QVERIFY(!QFileInfo::exists(base.filePath(QStringLiteral("export.txt"))));
    // The earlier file is gone either way: its results are in this run's journal or let go.
    QCOMPARE(filesIn(folder), QStringList({QFileInfo(h.guard.journal()->path()).fileName(),
                                           QFileInfo(h.guard.journal()->path()).fileName() +
                                               QStringLiteral(".lock")}));
    const JournalReading own = JournalReading::read(contents(h.guard.journal()->path()), 14, 7);
    QCOMPARE(own.rows, h.window.results().rows());
    QCOMPARE(own.unexported(), unexportedAfter);
}

void TestRecovery::offerInARealBox_data()
{
    QTest::addColumn<QString>("press"); // a key, or the text of the button clicked
    QTest::addColumn<int>("defaultOption");
    QTest::addColumn<int>("chosen");
    QTest::newRow("Enter") << QStringLiteral("Enter") << 0 << 0;
    QTest::newRow("Escape") << QStringLiteral("Escape") << 0 << 0;
    QTest::newRow("Enter, another default") << QStringLiteral("Enter") << 1 << 1;
    QTest::newRow("Escape, another default") << QStringLiteral("Escape") << 1 << 1;
    QTest::newRow("Exportar ahora") << QStringLiteral("Exportar ahora") << 0 << 1;
    QTest::newRow("Descartar") << QStringLiteral("Descartar") << 0 << 2;
}

void TestRecovery::offerInARealBox()
{
    QFETCH(QString, press);
    QFETCH(int, defaultOption);
    QFETCH(int, chosen);
    MessageBoxDialogs boxes;
    QStringList seen;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        for (QAbstractButton *button : box->buttons())
            seen.append(button->text());
        if (press == QLatin1String("Enter"))
            QTest::keyClick(box, Qt::Key_Return);
        else if (press == QLatin1String("Escape"))
            QTest::keyClick(box, Qt::Key_Escape);
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == press)
                button->click();
        }
        // A key the box ignored must not leave it open: the last button reads as a wrong answer.
        if (box->isVisible())
            box->buttons().last()->click();
    });
    const QStringList options = {QStringLiteral("Recuperar en la tabla"),
                                 QStringLiteral("Exportar ahora"), QStringLiteral("Descartar")};
    QCOMPARE(boxes.choice(nullptr, QStringLiteral("Recuperar registros"), QStringLiteral("?"),
                          options, defaultOption, QMessageBox::Question),
             chosen);
    seen.sort();
    QStringList expected = options;
    expected.sort();
    QCOMPARE(seen, expected);
}

void TestRecovery::offerWaitsForTheWindowsOwnMessage()
{
    QTemporaryDir base;
    const LeftRun left(base.filePath(football().programTitle));
    ManualClock clock;
    RecordingSink sound;
    sound.device = false; // the window says so as it appears
    MessageBoxDialogs boxes;
    MainWindow window(SportVariant::Futbol, clock, &sound, &boxes);
    SessionGuard guard(boxes, base.path());
    QSignalSpy offered(&guard, &SessionGuard::leftResultsOffered);

    QStringList seen;
    int mostOpen = 0;
    QTimer operator_;
    connect(&operator_, &QTimer::timeout, this, [&] {
        int open = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            open += qobject_cast<QMessageBox *>(w) && w->isVisible() ? 1 : 0;
        mostOpen = qMax(mostOpen, open);
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen.append(box->text());
        // The offer gets "Descartar" first: Enter on the confirmation must keep the results.
        if (seen.size() == 3)
            QTest::keyClick(box, Qt::Key_Return);
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() ==
                    QLatin1String(seen.size() == 2 ? "Descartar" : "Recuperar en la tabla") ||
                (seen.size() == 1 && box->buttonRole(button) == QMessageBox::AcceptRole)) {
                button->click();
                break;
            }
        }
    });
    operator_.start(20);
    guard.watch(&window);
    window.show();
    QVERIFY(offered.wait(20000));
    QCOMPARE(seen.size(), 4);
    QVERIFY(seen.at(0).contains(QStringLiteral("tarjeta de sonido")));
    QVERIFY(seen.at(1).contains(QStringLiteral("terminó sin exportar")));
    QVERIFY(seen.at(3).contains(QStringLiteral("terminó sin exportar")));
    QCOMPARE(mostOpen, 1);
    QCOMPARE(window.results().rows(), left.states.last());
}

void TestRecovery::nothingToOffer_data()
{
    QTest::addColumn<int>("operations");
    QTest::addColumn<bool>("exported");
    QTest::addColumn<bool>("emptyFile");
    QTest::newRow("no change made") << 0 << false << false;
    QTest::newRow("everything exported") << 7 << true << false;
    QTest::newRow("empty file") << 0 << false << true;
}

void TestRecovery::nothingToOffer()
{
    QFETCH(int, operations);
    QFETCH(bool, exported);
    QFETCH(bool, emptyFile);
    QTemporaryDir base;
    const QString folder = base.filePath(football().programTitle);
    const LeftRun left(folder, operations, exported);
    if (emptyFile)
        store(left.path, {});
    Harness h(base.path());
    h.start();
    QVERIFY(h.dialogs.questions.isEmpty());
    QVERIFY(h.dialogs.messages.isEmpty());
    QVERIFY(!QFileInfo::exists(left.path));
    QCOMPARE(h.window.results().rows(), left.states.first());
}

void TestRecovery::anotherRunningCopyIsLeftAlone()
{
    QTemporaryDir base;
    const QString folder = base.filePath(football().programTitle);
    ResultsModel theirs(football());
    SessionJournal running(theirs, folder);
    theirs.setCell(ResultsModel::Name, 1, QStringLiteral("Suyo"));
    const QByteArray before = contents(running.path());

    Harness h(base.path());
    h.start();
    QVERIFY(h.dialogs.questions.isEmpty());
    QVERIFY(h.guard.journal()->path() != running.path());
    QCOMPARE(contents(running.path()), before);
    h.window.results().setCell(ResultsModel::Name, 1, QStringLiteral("Mío"));
    QCOMPARE(contents(running.path()), before);
    QVERIFY(JournalReading::read(contents(h.guard.journal()->path()), 14, 7).unexported());
}

void TestRecovery::foreignFileSetAside_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("said");
    const QByteArray name = JournalFormat::cellsLine(1, 1, 1, 1, {QStringLiteral("Ana")});
    QByteArray newer = JournalFormat::headerLine(14, 7);
    newer.replace("\t1\t14", "\t2\t14");
    newer = QByteArray::number(JournalFormat::crc32(newer.mid(9, newer.size() - 10)), 16)
                .rightJustified(8, '0') +
            newer.mid(8);
    QTest::newRow("a later version") << newer + name << QStringLiteral("no es de esta versión");
    QTest::newRow("another sport's grid")
        << JournalFormat::headerLine(12, 8) + name << QStringLiteral("no es de esta versión");
    QTest::newRow("not a journal")
        << QByteArray("Nº;Sujeto;Cod.\r\n;1;Ana;;\r\n") << QStringLiteral("no se puede leer");
}

void TestRecovery::foreignFileSetAside()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, said);
    QTemporaryDir base;
    QString path;
    leaveJournal(base.path(), bytes, &path);
    Harness h(base.path());
    h.start();
    QCOMPARE(h.dialogs.messages.size(), 1);
    QVERIFY2(h.dialogs.messages.first().text.contains(said),
             qPrintable(h.dialogs.messages.first().text));
    QVERIFY(h.dialogs.questions.isEmpty());
    QVERIFY(!h.window.results().anyName());
    QCOMPARE(contents(path + QStringLiteral(".damaged")), bytes);
}

void TestRecovery::specialFilesSkipped()
{
    QTemporaryDir base;
    QString journal;
    leaveJournal(base.path(), {}, &journal);
    const QDir folder = QFileInfo(journal).dir();
    const QByteArray fifo = QFile::encodeName(folder.filePath(QStringLiteral("fifo.journal")));
    QVERIFY(QFile::remove(journal) && ::mkfifo(fifo.constData(), 0600) == 0);
    QVERIFY(QFile::link(QFile::decodeName(fifo), folder.filePath(QStringLiteral("link.journal"))));
    QVERIFY(folder.mkdir(QStringLiteral("folder.journal")));
    Harness h(base.path());
    h.start(); // returns: nothing is opened that could block
    QCOMPARE(h.dialogs.messages.size(), 1);
    for (const char *name : {"fifo.journal", "link.journal", "folder.journal"})
        QVERIFY(h.dialogs.messages.first().text.contains(QLatin1String(name)));
}

void TestRecovery::exportNowProposesAFreeName()
{
    QTemporaryDir base;
    const LeftRun left(base.filePath(football().programTitle));
    Harness h(base.path());
    const QString usual = h.window.exportFolder() + QDir::separator() +
                          ExportFile::proposedName(football().programTitle, h.window.now().date());
    const auto cleanUp = qScopeGuard([&] { QFile::remove(usual); });
    QVERIFY(QDir().mkpath(h.window.exportFolder()));
    store(usual, "earlier");
    h.dialogs.choices = {1};
    h.start();
    QCOMPARE(h.dialogs.proposedPaths.value(0), usual.chopped(4) + QStringLiteral(" (2).txt"));
}

void TestRecovery::truncatedAtEveryByte()
{
    QTemporaryDir scratch(scratchParent() + QStringLiteral("/zenta-XXXXXX"));
    const LeftRun left(scratch.filePath(QStringLiteral("original")));
    ManualClock clock;
    SilentSink sound;
    ScriptedDialogs dialogs;
    MainWindow window(SportVariant::Futbol, clock, &sound, &dialogs);
    for (qint64 size = 0; size <= left.bytes.size(); ++size) {
        const QString base = scratch.filePath(QString::number(size));
        QString path;
        leaveJournal(base, left.bytes.left(size), &path);
        offerAfresh(window, dialogs, base);
        const QString at = QStringLiteral("cut at byte %1").arg(size);
        const QVector<QStringList> whole = left.stateAt(size);
        QVERIFY2(window.results().rows() == whole, qPrintable(at));
        // Cut between records loses nothing and says nothing; cut inside one, the file is
        // kept aside whole and the message names it.
        const bool clean = size == 0 || left.ends.contains(size);
        QVERIFY2(dialogs.messages.size() == (clean ? 0 : 1), qPrintable(at));
        if (!clean) {
            QVERIFY2(dialogs.messages.first().text.contains(QStringLiteral("apartado")),
                     qPrintable(at));
            QCOMPARE(contents(path + QStringLiteral(".damaged")), left.bytes.left(size));
        }
        const bool offered = whole != left.states.first();
        QVERIFY2(dialogs.questions.size() == (offered ? 1 : 0), qPrintable(at));
    }
}

void TestRecovery::damagedAtEveryByte()
{
    QTemporaryDir scratch(scratchParent() + QStringLiteral("/zenta-XXXXXX"));
    const LeftRun left(scratch.filePath(QStringLiteral("original")));
    ManualClock clock;
    SilentSink sound;
    ScriptedDialogs dialogs;
    MainWindow window(SportVariant::Futbol, clock, &sound, &dialogs);
    for (qint64 at = 0; at < left.bytes.size(); ++at) {
        QByteArray damaged = left.bytes;
        damaged[at] = char(damaged.at(at) ^ 0x5A);
        const QString base = scratch.filePath(QString::number(at));
        QString path;
        leaveJournal(base, damaged, &path);
        offerAfresh(window, dialogs, base);
        const QString where = QStringLiteral("byte %1 damaged").arg(at);
        // The record holding the byte is lost, and the next one too when the byte was the line
        // end between them; every other change is back as it was made.
        int hit = 0;
        while (left.ends.at(hit) <= at)
            ++hit; // change number hit (0: the header)
        const int lost2 = at == left.ends.at(hit) - 1 ? hit + 1 : -1;
        QVector<QStringList> expected = left.states.first();
        for (int n = 1; n < left.states.size(); ++n) {
            if (n == hit || n == lost2)
                continue;
            for (int r = 0; r < expected.size(); ++r) {
                for (int c = 0; c < expected.at(r).size(); ++c) {
                    if (left.states.at(n).at(r).at(c) != left.states.at(n - 1).at(r).at(c))
                        expected[r][c] = left.states.at(n).at(r).at(c);
                }
            }
        }
        QVERIFY2(window.results().rows() == expected, qPrintable(where));
        QVERIFY2(dialogs.messages.size() == 1, qPrintable(where));
        QCOMPARE(contents(path + QStringLiteral(".damaged")), damaged);
    }
}

void TestRecovery::journalCannotBeKept()
{
    QTemporaryDir base;
    // Where the journals' folder should be there is a file.
    store(base.filePath(football().programTitle), "not a folder");
    Harness h(base.path());
    h.start();
    QVERIFY(!h.guard.journal()->isOpen());
    QCOMPARE(h.dialogs.messages.size(), 1);
    QVERIFY(h.dialogs.messages.first().text.contains(QStringLiteral("expórtelos")));
    h.window.results().setCell(ResultsModel::Name, 1, QStringLiteral("Ana"));
    QCOMPARE(h.window.results().cell(ResultsModel::Name, 1), QStringLiteral("Ana"));
    QCOMPARE(h.dialogs.messages.size(), 1); // told once
}

void TestRecovery::journalWriteFails()
{
    QTemporaryDir base;
    Harness h(base.path());
    h.start();
    ResultsModel &results = h.window.results();
    results.setCell(ResultsModel::Name, 1, QStringLiteral("Ana"));
    const QString path = h.guard.journal()->path();
    const QByteArray whole = contents(path);
    // The disk fills up in the middle of the next record: the file may grow by 10 bytes only.
    const auto full = [&](int slot, const QString &name) {
        FileSizeLimit limit(rlim_t(contents(path).size() + 10));
        QVERIFY(limit.ok());
        results.setCell(ResultsModel::Name, slot, name);
    };
    full(2, QStringLiteral("Beatriz Fernández"));

    // What got through of the record is gone again: the file holds whole records only.
    QCOMPARE(contents(path), whole);
    QCOMPARE(results.cell(ResultsModel::Name, 2), QStringLiteral("Beatriz Fernández"));
    // Still this run's: no other copy of the program may take it.
    QVERIFY(LeftJournal::claimAll(QFileInfo(path).path(), 14, 7).empty());
    QVERIFY(h.dialogs.messages.isEmpty()); // not from inside the change
    QTRY_COMPARE(h.dialogs.messages.size(), 1);
    QVERIFY(h.dialogs.messages.first().text.contains(QStringLiteral("expórtelos")));
    // With room again, the next change writes the whole grid, and an export is marked.
    results.setCell(ResultsModel::Name, 3, QStringLiteral("Carla"));
    QCOMPARE(JournalReading::read(contents(path), 14, 7).rows, results.rows());
    h.guard.journal()->markExported();
    QVERIFY(!JournalReading::read(contents(path), 14, 7).unexported());
    QCoreApplication::processEvents();
    QCOMPARE(h.dialogs.messages.size(), 1);

    // Out of date when the program dies: the next start says so.
    full(4, QStringLiteral("Dora"));
    h.guard.journal()->close();
    Harness next(base.path());
    next.start();
    QVERIFY(next.dialogs.messages.value(0).text.contains(QStringLiteral("no estaba al día")));
}

void TestRecovery::killedOrEnded_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("questionOpen");
    QTest::newRow("SIGKILL mid-test") << int(SIGKILL) << false;
    QTest::newRow("SIGTERM mid-test") << int(SIGTERM) << false;
    QTest::newRow("SIGINT mid-test") << int(SIGINT) << false;
    QTest::newRow("SIGHUP mid-test") << int(SIGHUP) << false;
    QTest::newRow("SIGTERM with the save question open") << int(SIGTERM) << true;
}

void TestRecovery::killedOrEnded()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, questionOpen);
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const auto output = [](QProcess &process) {
        return QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'));
    };
    const auto grid = [](const QStringList &lines) {
        return lines.filter(QStringLiteral("GRID "));
    };

    QProcess first;
    first.setProcessEnvironment(env);
    first.setWorkingDirectory(home.path());
    first.start(QStringLiteral(SESSION_CHILD),
                questionOpen ? QStringList{QStringLiteral("run"), QStringLiteral("ask")}
                             : QStringList{QStringLiteral("run")});
    QByteArray seen;
    QVERIFY(QTest::qWaitFor(
        [&] {
            seen += first.readAllStandardOutput();
            return seen.contains("READY\n") || first.state() == QProcess::NotRunning;
        },
        60000));
    QVERIFY2(seen.contains("READY\n"), first.readAllStandardError().constData());
    const QStringList before = grid(QString::fromUtf8(seen).split(QLatin1Char('\n')));
    QCOMPARE(before.size(), 15);
    QCOMPARE(before.last(), QStringLiteral("GRID started at 3 5,4"));
    QVERIFY(before.at(1).contains(QStringLiteral("|01:01|0|92|5,4"))); // captured mid-test
    QVERIFY(before.at(4).contains(QStringLiteral("Atleta Núñez 5|C5")));

    ::kill(pid_t(first.processId()), signalNumber);
    QVERIFY(first.waitForFinished(30000));
    if (signalNumber == SIGKILL) {
        QCOMPARE(first.exitStatus(), QProcess::CrashExit);
    } else {
        // Closed the normal way, asking nothing on the way out.
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        if (!questionOpen)
            QVERIFY(output(first).contains(QStringLiteral("QUESTIONS 0")));
    }

    QProcess second;
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(home.path());
    second.start(QStringLiteral(SESSION_CHILD), {QStringLiteral("recover"), QStringLiteral("0")});
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(second.exitCode(), 0);
    const QStringList after = output(second);
    QCOMPARE(after.filter(QStringLiteral("ASKED ")),
             QStringList{QStringLiteral("ASKED Recuperar registros")});
    QCOMPARE(grid(after), before);
}

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
