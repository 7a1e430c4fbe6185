#include "resultsmodel.h"
#include "resultssession.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Protocol;

// The results policy on its own: who runs, who may run again, and whether the grid holds
// anything the last export did not write. No window involved.
class TestResultsSession : public QObject
{
    Q_OBJECT

private slots:
    void runningAthletes();
    void exportedFlag_data();
    void exportedFlag();
};

namespace {

ResultReading readingAt(int distance)
{
    ResultReading r;
    r.time = QStringLiteral("03:10");
    r.periodsCompleted = 2;
    r.distance = distance;
    r.speed = QStringLiteral("6,0");
    return r;
}

} // namespace

void TestResultsSession::runningAthletes()
{
    ResultsModel model(sportProfile(SportVariant::Basket));
    ResultsSession session(model);
    QSignalSpy changes(&session, &ResultsSession::slotRunningChanged);
    model.setCell(ResultsModel::Name, 1, QStringLiteral("Ana"));
    model.setCell(ResultsModel::Code, 2, QStringLiteral("C2")); // a code alone is nobody
    model.setCell(ResultsModel::Name, 12, QStringLiteral("Zoe"));

    session.testStarted();
    QVERIFY(!session.capture(1, readingAt(10))); // nobody runs before the activation
    session.activateAthletes();
    QVERIFY(session.isRunning(1) && !session.isRunning(2) && session.isRunning(12));
    QCOMPARE(model.cell(ResultsModel::Number, 12), QStringLiteral("12"));
    QVERIFY(model.cell(ResultsModel::Number, 2).isEmpty());

    QVERIFY(session.capture(1, readingAt(1200)));
    QVERIFY(!session.capture(1, readingAt(1300))); // stopped once
    QCOMPARE(model.cell(ResultsModel::Distance, 1), QStringLiteral("1200"));
    QVERIFY(!model.cell(ResultsModel::Vo2Max, 1).isEmpty());
    QVERIFY(!session.mayReactivate(1, false)); // warm-up not over
    QVERIFY(!session.mayReactivate(12, true)); // still running, no result
    QVERIFY(session.mayReactivate(1, true));
    session.reactivate(1, true);
    QVERIFY(session.isRunning(1));
    QVERIFY(model.cell(ResultsModel::Distance, 1).isEmpty());
    QVERIFY(model.cell(ResultsModel::Vo2Max, 1).isEmpty());

    // The end of the test captures everyone still running, the last slot included.
    session.testEnded(readingAt(1500));
    for (int slot : {1, 12}) {
        QVERIFY(!session.isRunning(slot));
        QCOMPARE(model.cell(ResultsModel::Distance, slot), QStringLiteral("1500"));
    }
    QVERIFY(model.cell(ResultsModel::Time, 2).isEmpty());
    QVERIFY(!session.mayReactivate(1, true)); // no test running
    session.reactivate(1, true);
    QVERIFY(!session.isRunning(1));
    QCOMPARE(changes.size(), 2 + 1 + 1 + 2); // on, on; off; on; off, off

    // Clearing the table empties and stops every slot, the last one too.
    session.activateAthletes();
    session.clearTable();
    QVERIFY(!model.anyName() && !session.isRunning(1) && !session.isRunning(12));
}

void TestResultsSession::exportedFlag_data()
{
    QTest::addColumn<QString>("after");    // what happens after a successful export
    QTest::addColumn<bool>("exported");    // the flag afterwards
    QTest::addColumn<bool>("unexported");  // results at stake afterwards
    QTest::addColumn<bool>("resultsKept"); // result cells still there
    QTest::newRow("nothing") << QString() << true << false << true;
    QTest::newRow("a capture") << QStringLiteral("capture") << false << true << true;
    QTest::newRow("a re-activation") << QStringLiteral("reactivate") << false << false << false;
    QTest::newRow("a name edited") << QStringLiteral("name") << false << true << true;
    QTest::newRow("a code edited") << QStringLiteral("code") << false << true << true;
    QTest::newRow("the table cleared") << QStringLiteral("clear") << true << false << false;
    QTest::newRow("a new test") << QStringLiteral("new test") << false << false << false;
}

// Exported means the grid holds nothing the last export did not write.
void TestResultsSession::exportedFlag()
{
    QFETCH(QString, after);
    QFETCH(bool, exported);
    QFETCH(bool, unexported);
    QFETCH(bool, resultsKept);
    ResultsModel model(sportProfile(SportVariant::Futbol));
    ResultsSession session(model);
    for (int slot : {1, 2})
        model.setCell(ResultsModel::Name, slot, QStringLiteral("Atleta %1").arg(slot));
    session.testStarted();
    session.activateAthletes();
    session.capture(1, readingAt(500));
    QVERIFY(session.unexportedResults());
    session.exportWritten();
    QVERIFY(session.exported());
    QVERIFY(!session.unexportedResults());
    QVERIFY(!session.mayOfferExport()); // the test still runs

    if (after == QLatin1String("capture"))
        session.capture(2, readingAt(600));
    else if (after == QLatin1String("reactivate"))
        session.reactivate(1, true);
    else if (after == QLatin1String("name"))
        model.setCell(ResultsModel::Name, 1, QStringLiteral("Otro"));
    else if (after == QLatin1String("code"))
        model.setCell(ResultsModel::Code, 2, QStringLiteral("X9"));
    else if (after == QLatin1String("clear"))
        session.clearTable();
    else if (after == QLatin1String("new test"))
        session.newTest();
    QCOMPARE(session.exported(), exported);
    QCOMPARE(session.unexportedResults(), unexported);
    QCOMPARE(model.anyResult(), resultsKept);
}

QTEST_APPLESS_MAIN(TestResultsSession)
#include "tst_resultssession.moc"
