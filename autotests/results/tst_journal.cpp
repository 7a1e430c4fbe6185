#include "journalformat.h"
#include "resultsmodel.h"
#include "sessionjournal.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

using namespace Protocol;

namespace {

enum class Operation { TypeName, TypeOddText, Activate, Capture, Reactivate, NewTest, ClearAll };

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void fill(ResultsModel &results)
{
    results.setCell(ResultsModel::Name, 1, QStringLiteral("Ana"));
    results.setCell(ResultsModel::Name, 3, QStringLiteral("Luis"));
    results.activateAthletes();
    results.capture(3, {QStringLiteral("03:37"), 1, 284, QStringLiteral("6,0")});
}

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

private slots:
    void oneWholeRecordPerOperation_data();
    void oneWholeRecordPerOperation();
    void unexportedOnlyWhatNoExportHolds_data();
    void unexportedOnlyWhatNoExportHolds();
    void everyRunHasAFileOfItsOwn();
    void lockOfNoLiveProcessIsStale_data();
    void lockOfNoLiveProcessIsStale();
    void fileByteForByte();
    void aFailedFlushIsAFailedWrite();
    void setAsideOverwritesNothing();
    void recordsOutOfTheFormatAreDamaged_data();
    void recordsOutOfTheFormatAreDamaged();
};

void TestJournal::oneWholeRecordPerOperation_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<int>("linesAdded"); // -1: the file starts again from its header
    QTest::newRow("name typed") << Operation::TypeName << 1;
    QTest::newRow("text with escapes and accents") << Operation::TypeOddText << 1;
    QTest::newRow("name typed, then athletes activated") << Operation::Activate << 2;
    QTest::newRow("result captured") << Operation::Capture << 1;
    QTest::newRow("athlete re-activated") << Operation::Reactivate << 1;
    QTest::newRow("re-activated, then its result put back") << Operation::Reactivate << 2;
    QTest::newRow("new test empties the results") << Operation::NewTest << 1;
    QTest::newRow("table cleared") << Operation::ClearAll << -1;
}

void TestJournal::oneWholeRecordPerOperation()
{
    QFETCH(Operation, operation);
    QFETCH(int, linesAdded);
    const SportProfile &profile = sportProfile(SportVariant::Basket);
    ResultsModel results(profile);
    fill(results);
    QTemporaryDir folder;
    SessionJournal journal(results, folder.path());
    QVERIFY2(journal.isOpen(), qPrintable(journal.errorString()));
    const int before = int(contents(journal.path()).count('\n'));
    const QStringList taken = results.results(3);

    switch (operation) {
    case Operation::TypeName:
        results.setData(results.index(4, ResultsModel::Name), QStringLiteral("Marta"));
        break;
    case Operation::TypeOddText:
        results.setCell(ResultsModel::Code, 2, QStringLiteral("a\\t\tb\nc\r\\ñ;"));
        break;
    case Operation::Activate:
        results.setCell(ResultsModel::Name, 7, QStringLiteral("Eva"));
        results.activateAthletes();
        break;
    case Operation::Capture:
        results.capture(1, {QStringLiteral("01:01"), 0, 92, QStringLiteral("5,4")});
        break;
    case Operation::Reactivate:
        results.clearResults(3);
        if (linesAdded == 2) // its result put back
            results.setResults(3, taken);
        break;
    case Operation::NewTest:
        results.clearResultColumns();
        break;
    case Operation::ClearAll:
        results.clearAll();
        break;
    }
    const QByteArray after = contents(journal.path());
    const int expected = linesAdded < 0 ? 1 : before + linesAdded;
    QCOMPARE(int(after.count('\n')), expected);
    const JournalReading reading =
        JournalReading::read(after, results.rowCount(), results.columnCount());
    QVERIFY(reading.intact());
    QCOMPARE(reading.rows, results.rows());
}

void TestJournal::unexportedOnlyWhatNoExportHolds_data()
{
    QTest::addColumn<bool>("exportFirst");
    QTest::addColumn<int>("then"); // 0 nothing, 1 new test, 2 a name changed, 3 a result captured
    QTest::addColumn<bool>("unexported");
    QTest::newRow("never exported") << false << 0 << true;
    QTest::newRow("exported") << true << 0 << false;
    QTest::newRow("exported, then a new test") << true << 1 << false;
    QTest::newRow("exported, then a name changed") << true << 2 << true;
    QTest::newRow("exported, then a result captured") << true << 3 << true;
}

void TestJournal::unexportedOnlyWhatNoExportHolds()
{
    QFETCH(bool, exportFirst);
    QFETCH(int, then);
    QFETCH(bool, unexported);
    ResultsModel results(sportProfile(SportVariant::Futbol));
    QTemporaryDir folder;
    SessionJournal journal(results, folder.path());
    fill(results);
    if (exportFirst)
        journal.markExported();
    if (then == 1)
        results.clearResultColumns();
    else if (then == 2)
        results.setCell(ResultsModel::Name, 1, QStringLiteral("Ana María"));
    else if (then == 3)
        results.capture(1, {QStringLiteral("01:01"), 0, 92, QStringLiteral("5,4")});
    const JournalReading reading =
        JournalReading::read(contents(journal.path()), results.rowCount(), results.columnCount());
    QVERIFY(reading.intact());
    QCOMPARE(reading.rows, results.rows());
    QCOMPARE(reading.unexported(), unexported);
}

void TestJournal::everyRunHasAFileOfItsOwn()
{
    ResultsModel first(sportProfile(SportVariant::Futbol));
    ResultsModel second(sportProfile(SportVariant::Futbol));
    QTemporaryDir folder;
    auto one = std::make_unique<SessionJournal>(first, folder.path());
    SessionJournal two(second, folder.path());
    QVERIFY(one->isOpen() && two.isOpen());
    QVERIFY(one->path() != two.path());
    fill(first);
    second.setCell(ResultsModel::Name, 2, QStringLiteral("Otro"));

    // Both are held while their programs run: a third finds nothing to take.
    QVERIFY(LeftJournal::claimAll(folder.path(), 14, 7).empty());
    const QString path = one->path();
    one.reset();
    const auto left = LeftJournal::claimAll(folder.path(), 14, 7);
    QCOMPARE(left.size(), std::size_t(1));
    QCOMPARE(left.front()->path(), path);
    QCOMPARE(left.front()->reading().rows, first.rows());
    // Taken by one, it is not offered to another.
    QVERIFY(LeftJournal::claimAll(folder.path(), 14, 7).empty());
}

void TestJournal::lockOfNoLiveProcessIsStale_data()
{
    QTest::addColumn<QByteArray>("lock");
    QTest::addColumn<int>("age"); // seconds since the lock was written
    QTest::addColumn<bool>("offered");
    QTest::newRow("empty: a power cut") << QByteArray() << 3600 << true;
    QTest::newRow("unreadable") << QByteArray("\xff\n\n") << 3600 << true;
    QTest::newRow("dead process") << QByteArray("2147483647\nzenta\n") << 3600 << true;
    QTest::newRow("empty, being written") << QByteArray() << 0 << false;
}

void TestJournal::lockOfNoLiveProcessIsStale()
{
    QFETCH(QByteArray, lock);
    QFETCH(int, age);
    QFETCH(bool, offered);
    ResultsModel results(sportProfile(SportVariant::Futbol));
    QTemporaryDir folder;
    QFile file(SessionJournal(results, folder.path()).path() + QStringLiteral(".lock"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(lock) >= 0);
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-age),
                             QFileDevice::FileModificationTime));
    QCOMPARE(LeftJournal::claimAll(folder.path(), 14, 7).size(), std::size_t(offered));
}

void TestJournal::fileByteForByte()
{
    ResultsModel results(sportProfile(SportVariant::Futbol));
    QTemporaryDir folder;
    SessionJournal journal(results, folder.path());
    results.setData(results.index(0, ResultsModel::Name), QStringLiteral("Íñigo"));
    results.setCell(ResultsModel::Code, 1, QStringLiteral("a\\b\tc"));
    journal.setConditions({3, QStringLiteral("5,4"), {}, {}});
    results.activateAthletes();
    results.capture(1, {QStringLiteral("01:01"), 0, 92, QStringLiteral("5,4")});
    QFile expected(QFINDTESTDATA(QStringLiteral("data/journal_futbol.journal")));
    QVERIFY(expected.open(QIODevice::ReadOnly));
    QCOMPARE(contents(journal.path()), expected.readAll());
    // Conditions without a mode or a start, as older journals hold them, read back.
    QCOMPARE(JournalReading::read(contents(journal.path()), 14, 7).test.initialSpeed,
             QStringLiteral("5,4"));

    // After an export: the grid as one record, then the mark.
    journal.markExported();
    QFile exported(QFINDTESTDATA(QStringLiteral("data/journal_futbol_exported.journal")));
    QVERIFY(exported.open(QIODevice::ReadOnly));
    QCOMPARE(contents(journal.path()), exported.readAll());
}

// Written but never on the disk is not written: the record is taken back and reported, the
// journal stays held and out of date, and the next change that reaches the disk catches up.
void TestJournal::aFailedFlushIsAFailedWrite()
{
    ResultsModel results(sportProfile(SportVariant::Futbol));
    QTemporaryDir folder;
    SessionJournal journal(results, folder.path());
    fill(results);
    const QByteArray before = contents(journal.path());
    QSignalSpy failed(&journal, &SessionJournal::failed);
    journal.setSync([](int) {
        errno = EIO;
        return -1;
    });
    results.setCell(ResultsModel::Name, 2, QStringLiteral("Bea"));
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.first().first().toString(), QString::fromLocal8Bit(std::strerror(EIO)));
    QVERIFY(journal.isOpen() && !journal.upToDate());
    QCOMPARE(contents(journal.path()), before);

    journal.setSync([](int) { return 0; });
    results.setCell(ResultsModel::Name, 3, QStringLiteral("Carla"));
    QVERIFY(journal.upToDate());
    QVERIFY(contents(journal.path()).contains("Bea"));
}

// A file set aside by an earlier run keeps its name and content.
void TestJournal::setAsideOverwritesNothing()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("a") + SessionJournal::fileSuffix());
    const QString earlier = path + QStringLiteral(".damaged");
    for (const QString &name : {path, earlier}) {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QFile::encodeName(name)) > 0);
    }
    const auto left = LeftJournal::claimAll(folder.path(), 14, 7);
    QCOMPARE(left.size(), std::size_t(1));
    QCOMPARE(left.front()->setAside(), path + QStringLiteral(".damaged-2"));
    QCOMPARE(contents(path + QStringLiteral(".damaged-2")), QFile::encodeName(path));
    QCOMPARE(contents(earlier), QFile::encodeName(earlier));
}

void TestJournal::recordsOutOfTheFormatAreDamaged_data()
{
    QTest::addColumn<QByteArray>("record"); // its checksum is added
    QTest::addColumn<int>("damaged");
    QTest::newRow("period 1") << QByteArray("conditions\t1\t5,4") << 0;
    QTest::newRow("period 0") << QByteArray("conditions\t0\t5,4") << 1;
    QTest::newRow("slot 1") << QByteArray("cells\t1\t1\t1\t1\tAna") << 0;
    QTest::newRow("slot 01") << QByteArray("cells\t01\t1\t1\t1\tAna") << 1;
    QTest::newRow("slot +1") << QByteArray("cells\t+1\t1\t1\t1\tAna") << 1;
}

void TestJournal::recordsOutOfTheFormatAreDamaged()
{
    QFETCH(QByteArray, record);
    QFETCH(int, damaged);
    const QByteArray line =
        QByteArray::number(JournalFormat::crc32(record), 16).rightJustified(8, '0') + '\t' +
        record + '\n';
    const JournalReading reading =
        JournalReading::read(JournalFormat::headerLine(14, 7) + line, 14, 7);
    QVERIFY(reading.header);
    QCOMPARE(reading.damagedLines, damaged);
}

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
