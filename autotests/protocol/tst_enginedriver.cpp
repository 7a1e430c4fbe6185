// The engine driver on a fake clock: what the sound layer learns ahead of time matches what the
// engine then reports, the start waits for the sound's lead, and stop and new test silence it.

#include "clock.h"
#include "cuesink.h"
#include "enginedriver.h"

#include <QSignalSpy>
#include <QTest>

using namespace Protocol;

Q_DECLARE_METATYPE(SportVariant)
Q_DECLARE_METATYPE(TestMode)

namespace {

class RecordingSink final : public CueSink
{
public:
    qint64 lead = 0;
    QList<qint64> cues;
    QList<qint64> alerts;
    QList<SoundPlan> plans;
    int silences = 0;
    bool available() const override { return true; }
    qint64 leadMs() const override { return lead; }
    void plan(const SoundPlan &sounds) override { plans.append(sounds); }
    void silence() override { ++silences; }
    void playCue(qint64 dueMs) override { cues.append(dueMs); }
    void playAlert(qint64 dueMs) override { alerts.append(dueMs); }
};

struct Harness
{
    explicit Harness(SportVariant variant = SportVariant::Futbol, qint64 lead = 0)
        : driver(sportProfile(variant), clock)
    {
        sound.lead = lead;
        driver.setSink(&sound);
        driver.newTest();
    }
    // As the driver's timer would: when the engine next has something to do, and at least
    // once a second.
    void runUntil(qint64 ms)
    {
        while (clock.nowMs() < ms) {
            const qint64 now = clock.nowMs();
            const qint64 next = driver.engine().nextPollMs();
            clock.set(qMin(ms, next < 0 ? now + 1000 : qBound(now + 1, next, now + 1000)));
            driver.poll();
        }
    }
    ManualClock clock{10000};
    RecordingSink sound;
    EngineDriver driver;
};

} // namespace

class TestEngineDriver : public QObject
{
    Q_OBJECT
private slots:
    void soundsArePlannedBeforeTheyFallDue_data();
    void soundsArePlannedBeforeTheyFallDue();
    void startWaitsForTheSoundsLead();
    void stopAndNewTestSilence();
    void aMendedTableLineIsPlannedAnew();
};

void TestEngineDriver::soundsArePlannedBeforeTheyFallDue_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<TestMode>("mode");
    QTest::addColumn<int>("period");
    QTest::addColumn<bool>("warmUp");
    QTest::newRow("football, full test with warm-up")
        << SportVariant::Futbol << TestMode::FullTest << 1 << true;
    QTest::newRow("basketball, effort test from 20")
        << SportVariant::Basket << TestMode::EffortTest << 20 << false;
    QTest::newRow("volleyball, repeated period 25")
        << SportVariant::Voley << TestMode::RepeatPeriod << 25 << false;
}

void TestEngineDriver::soundsArePlannedBeforeTheyFallDue()
{
    QFETCH(SportVariant, variant);
    QFETCH(TestMode, mode);
    QFETCH(int, period);
    QFETCH(bool, warmUp);
    Harness h(variant);
    h.driver.engine().setCurrentPeriod(period);
    h.driver.start(mode, period, warmUp);
    // Each sound the sound layer hears of, with when it first heard of it.
    QHash<qint64, qint64> firstPlanned;
    QSet<qint64> planned;
    connect(&h.driver, &EngineDriver::planChanged, this, [&](const SoundPlan &plan) {
        for (const PlannedSound &s : plan) {
            const qint64 key = s.dueMs * 2 + (s.alert ? 1 : 0);
            if (!firstPlanned.contains(key))
                firstPlanned.insert(key, h.clock.nowMs());
        }
    });
    for (const PlannedSound &s : h.driver.plan())
        firstPlanned.insert(s.dueMs * 2 + (s.alert ? 1 : 0), h.clock.nowMs());
    const qint64 start = h.clock.nowMs();
    h.runUntil(start + 1200000);

    // Every sound the engine reported after the start cue was planned, long before it fell due.
    QVERIFY(h.sound.cues.size() > 100);
    QCOMPARE(h.sound.cues.first(), start);
    QStringList late;
    const auto check = [&](qint64 due, bool alert) {
        const qint64 key = due * 2 + (alert ? 1 : 0);
        const qint64 ahead = firstPlanned.contains(key) ? due - firstPlanned.value(key) : -1;
        if (ahead < qMin(EngineDriver::PlanAheadMs - 1000, due - start))
            late << QStringLiteral("%1 at %2 planned %3 ms ahead")
                        .arg(alert ? QStringLiteral("alert") : QStringLiteral("cue"))
                        .arg(due)
                        .arg(ahead);
    };
    for (qint64 due : h.sound.cues.mid(1))
        check(due, false);
    for (qint64 due : std::as_const(h.sound.alerts))
        check(due, true);
    QVERIFY2(late.isEmpty(), qPrintable(late.join(QStringLiteral("; "))));
    // And nothing was planned that the engine did not then report.
    int reported = 0;
    for (auto it = firstPlanned.cbegin(); it != firstPlanned.cend(); ++it) {
        const qint64 due = it.key() / 2;
        if (due > h.clock.nowMs())
            continue;
        const bool found = it.key() % 2 ? h.sound.alerts.contains(due) : h.sound.cues.contains(due);
        if (!found)
            late << QStringLiteral("planned at %1, never reported").arg(due);
        ++reported;
    }
    QVERIFY2(late.isEmpty(), qPrintable(late.join(QStringLiteral("; "))));
    QCOMPARE(reported, int(h.sound.cues.size() + h.sound.alerts.size() - 1));
}

void TestEngineDriver::startWaitsForTheSoundsLead()
{
    Harness h(SportVariant::Futbol, 100);
    QSignalSpy displays(&h.driver, &EngineDriver::displaysChanged);
    h.driver.start(TestMode::EffortTest, 1, false);
    // The start cue is handed over at once, due when the sound can have it on its sample.
    QCOMPARE(h.sound.cues, QList<qint64>{10100});
    QCOMPARE(h.sound.plans.last().first().dueMs, 10100 + h.driver.engine().currentInterval());
    // The displays change when the cue is heard, not before.
    QCOMPARE(displays.count(), 0);
    h.runUntil(10099);
    QCOMPARE(displays.count(), 0);
    h.runUntil(10100);
    QCOMPARE(displays.count(), 1);
    QCOMPARE(h.driver.engine().chronoText(), QStringLiteral("00:00"));
    h.runUntil(10100 + h.driver.engine().currentInterval() + 1);
    QCOMPARE(h.driver.engine().beepCount(), 1);
    QCOMPARE(h.sound.cues.last(), 10100 + h.driver.engine().currentInterval());
}

void TestEngineDriver::stopAndNewTestSilence()
{
    Harness h;
    QCOMPARE(h.sound.silences, 1); // the new test of the harness
    h.driver.start(TestMode::EffortTest, 1, false);
    h.runUntil(20000);
    QVERIFY(!h.driver.plan().isEmpty());
    h.driver.stop();
    QCOMPARE(h.sound.silences, 2);
    QVERIFY(h.driver.plan().isEmpty());
    const int cues = int(h.sound.cues.size());
    h.runUntil(60000);
    QCOMPARE(h.sound.cues.size(), cues);
    h.driver.newTest();
    QCOMPARE(h.sound.silences, 3);
}

void TestEngineDriver::aMendedTableLineIsPlannedAnew()
{
    Harness h;
    h.driver.start(TestMode::RepeatPeriod, 1, false);
    h.runUntil(12000);
    const int plans = int(h.sound.plans.size());
    QStringList table = h.driver.engine().workingTable();
    table[0] = QStringLiteral("1000");
    h.driver.setWorkingTable(table);
    QCOMPARE(h.sound.plans.size(), plans + 1);
    const SoundPlan &plan = h.sound.plans.last();
    QVERIFY(plan.size() >= 2);
    QCOMPARE(plan[1].dueMs - plan[0].dueMs, qint64(1000));
}

QTEST_GUILESS_MAIN(TestEngineDriver)
#include "tst_enginedriver.moc"
