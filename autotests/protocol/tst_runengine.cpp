#include "clock.h"
#include "runengine.h"

#include <QtTest>

#include <algorithm>
#include <cmath>

using namespace Protocol;

Q_DECLARE_METATYPE(SportVariant)
Q_DECLARE_METATYPE(TestMode)
Q_DECLARE_METATYPE(TestPhase)

namespace {

void setLine(RunEngine &engine, int index, const QString &line)
{
    QStringList table = engine.workingTable();
    while (table.size() <= index)
        table.append(QString());
    table[index] = line;
    engine.setWorkingTable(table);
}

const char *phaseName(TestPhase p)
{
    static const char *const names[] = {"Ready",  "WarmUp",   "PreTestRecovery",
                                        "Effort", "Recovery", "Ended"};
    return names[int(p)];
}

struct Event
{
    qint64 due;
    QString what;
};

QStringList ordered(QVector<Event> events)
{
    std::stable_sort(events.begin(), events.end(), [](const Event &a, const Event &b) {
        return a.due != b.due ? a.due < b.due : a.what < b.what;
    });
    QStringList out;
    for (const Event &e : events)
        out << QStringLiteral("%1@%2").arg(e.what).arg(e.due);
    return out;
}

// The first place two event lists part, for a readable failure.
QString firstDifference(const QStringList &actual, const QStringList &expected)
{
    for (int i = 0; i < qMax(actual.size(), expected.size()); ++i) {
        const QString a = actual.value(i, QStringLiteral("(none)"));
        const QString b = expected.value(i, QStringLiteral("(none)"));
        if (a != b)
            return QStringLiteral("event %1: got %2, expected %3").arg(i).arg(a, b);
    }
    return {};
}

// Drives one engine on a fake clock and records what it tells the window. Checks on the fly
// that every cue comes at the first poll after it fell due, and every alert at the first poll
// at or after its second began.
class Harness : public RunListener
{
public:
    explicit Harness(SportVariant v) : profile(sportProfile(v)), engine(profile, clock, this)
    {
        engine.newTest();
    }

    void start(TestMode mode, int period, bool warmUp)
    {
        lastPoll = clock.nowMs();
        engine.start(mode, period, warmUp);
    }
    void poll(qint64 t)
    {
        clock.set(t);
        inPoll = true;
        engine.poll();
        inPoll = false;
        lastPoll = t;
    }
    // Sleeps until the next due time, as a timer driven by nextDueMs would; false if none.
    bool step()
    {
        const qint64 t = engine.nextDueMs();
        if (t < 0)
            return false;
        if (t <= lastPoll) { // a timer sleeping until then would spin
            faults << QStringLiteral("next due %1 not after the last poll %2").arg(t).arg(lastPoll);
            return false;
        }
        poll(t);
        return true;
    }
    template <typename Pred> bool advanceUntil(Pred done)
    {
        while (!done()) {
            if (!step())
                return false;
        }
        return true;
    }
    int count(const QString &what) const
    {
        return int(std::count_if(events.begin(), events.end(),
                                 [&](const Event &e) { return e.what == what; }));
    }

    void record(const char *what, qint64 due, bool timely)
    {
        if (!timely)
            faults << QStringLiteral("%1 due %2 came at %3, previous poll %4")
                          .arg(QLatin1String(what))
                          .arg(due)
                          .arg(clock.nowMs())
                          .arg(lastPoll);
        events.append({due, QLatin1String(what)});
    }
    void cue(qint64 due) override
    {
        const qint64 now = clock.nowMs();
        record("cue", due, inPoll ? now > due && lastPoll <= due : now == due);
        lastCueDue = due;
    }
    void pauseAlert(qint64 due) override
    {
        record("alert", due, clock.nowMs() >= due && lastPoll < due);
    }
    void phaseChanged(TestPhase p) override
    {
        events.append({lastCueDue < 0 ? clock.nowMs() : lastCueDue, QLatin1String(phaseName(p))});
    }
    void activateAthletes() override
    {
        events.append({lastCueDue < 0 ? clock.nowMs() : lastCueDue, QStringLiteral("athletes")});
    }
    void displaysChanged() override { ++displays; }

    const SportProfile &profile;
    ManualClock clock;
    RunEngine engine;
    QVector<Event> events;
    QStringList faults;
    int displays = 0;
    qint64 lastPoll = 0;
    qint64 lastCueDue = -1;
    bool inPoll = false;
};

// Everything the window shows, as one comparable text (the bar only while it is visible).
QString shown(const RunEngine &e)
{
    const QString text = QString::asprintf(
        "period %d done %d beep %d lap %d/%d dist %d chrono %s marker %d/%d picture %d rest %d "
        "speed %s initial %s",
        e.periodShown(), e.completedPeriods(), e.beepCount(), e.lap(), e.lapVisible(), e.distance(),
        qPrintable(e.chronoText()), e.markerStation(), e.markerLit(), e.picture(),
        e.restMarkerVisible(), qPrintable(e.speedText()), qPrintable(e.initialSpeedText()));
    const GaugeState g = e.gauge();
    return e.gaugeVisible() ? text + QString::asprintf(" gauge %d/%d", g.position, g.maximum)
                            : text;
}

// The ideal timeline of a whole run to the end of the table, written out from the protocol.
QVector<Event> idealRun(const SportProfile &p, int period, bool warmUp, qint64 *silentFrom)
{
    const QStringList table = periodTableLines(p);
    QVector<Event> ev;
    qint64 t = 0;
    ev.append({0, QLatin1String(warmUp ? "WarmUp" : "Effort")});
    if (!warmUp)
        ev.append({0, QStringLiteral("athletes")});
    ev.append({0, QStringLiteral("cue")});
    while (period <= table.size()) {
        const int interval = table.at(period - 1).toInt();
        for (int k = 0; k < p.beepsPerPeriod; ++k)
            ev.append({t += interval, QStringLiteral("cue")});
        const int pause = warmUp ? 180000 : 30000;
        ev.append({t, QLatin1String(warmUp ? "PreTestRecovery" : "Recovery")});
        ev.append({t + pause - 3000, QStringLiteral("alert")});
        t += pause;
        ev.append({t, QStringLiteral("cue")});
        ev.append({t, QStringLiteral("Effort")});
        if (warmUp)
            ev.append({t, QStringLiteral("athletes")});
        else
            ++period;
        warmUp = false;
    }
    *silentFrom = t;
    return ev;
}

const struct
{
    const char *name;
    SportVariant variant;
} Sports[] = {{"probst", SportVariant::Probst},
              {"football", SportVariant::Futbol},
              {"basketball", SportVariant::Basket},
              {"futsal", SportVariant::FutSal},
              {"volleyball", SportVariant::Voley}};

QTestData &row(const char *sport, const char *what)
{
    return QTest::newRow(
        qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(sport), QLatin1String(what))));
}

} // namespace

class TestRunEngine : public QObject
{
    Q_OBJECT

private slots:
    void wholeRun_data();
    void wholeRun();
    void checkpoints_data();
    void checkpoints();
    void distance_data();
    void distance();
    void repeatPeriod_data();
    void repeatPeriod();
    void stop_data();
    void stop();
    void chronometer();
    void unreadableLineIsSilent_data();
    void unreadableLineIsSilent();
    void displaysChangedOnlyOnChange();
    void skipBeep();
    void sleepingUntilNextPollMissesNothing();
    void mendedLineRestartsFromTheMend_data();
    void mendedLineRestartsFromTheMend();
};

void TestRunEngine::wholeRun_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<TestMode>("mode");
    QTest::addColumn<int>("startPeriod");
    QTest::addColumn<bool>("warmUp");
    QTest::addColumn<int>("pollMs"); // 0: sleep until nextDueMs
    QTest::addColumn<bool>("jitter");
    QTest::addColumn<QString>("lastSpeed");

    for (const auto &s : Sports) {
        const QString last = s.variant == SportVariant::Basket   ? QStringLiteral("22,8")
                             : s.variant == SportVariant::FutSal ? QStringLiteral("21,0")
                             : s.variant == SportVariant::Voley  ? QStringLiteral("19,2")
                                                                 : QStringLiteral("21,6");
        row(s.name, "full, warm-up, polls every 10 ms + up to 7 ms late")
            << s.variant << TestMode::FullTest << 1 << true << 10 << true << last;
        row(s.name, "full, no warm-up, polls every 16 ms")
            << s.variant << TestMode::FullTest << 1 << false << 16 << false << last;
        row(s.name, "effort from 5, warm-up, sleeps until due")
            << s.variant << TestMode::EffortTest << 5 << true << 0 << false << last;
        row(s.name, "full, warm-up, polls every 45 s")
            << s.variant << TestMode::FullTest << 1 << true << 45000 << false << last;
    }
}

// A whole test to the end of the table: every cue, pause, alert and phase change lands on the
// ideal timeline however late the polls come, and the run then waits silently for the stop.
void TestRunEngine::wholeRun()
{
    QFETCH(SportVariant, variant);
    QFETCH(TestMode, mode);
    QFETCH(int, startPeriod);
    QFETCH(bool, warmUp);
    QFETCH(int, pollMs);
    QFETCH(bool, jitter);
    QFETCH(QString, lastSpeed);

    Harness h(variant);
    qint64 silentFrom = 0;
    const QVector<Event> expected =
        idealRun(h.profile, mode == TestMode::FullTest ? 1 : startPeriod, warmUp, &silentFrom);
    h.start(mode, startPeriod, warmUp);
    if (pollMs == 0) {
        while (h.engine.nextDueMs() >= 0) {
            const int before = h.events.size();
            QVERIFY(h.engine.nextDueMs() > h.lastPoll); // else a timer sleeping until then spins
            h.poll(h.engine.nextDueMs() - 1);
            QCOMPARE(h.events.size(), before); // nothing is due earlier than announced
            QVERIFY2(h.step(), qPrintable(h.faults.join(QLatin1Char('\n'))));
            QVERIFY(h.events.size() > before);
        }
    } else {
        for (qint64 i = 1; h.clock.nowMs() <= silentFrom + pollMs; ++i)
            h.poll(i * pollMs + (jitter ? (i * 37) % 8 : 0));
    }
    const QString difference = firstDifference(ordered(h.events), ordered(expected));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QCOMPARE(h.faults, QStringList());

    // Past the last line: silent effort period, chronometer still running.
    const int periods = periodTableLines(h.profile).size();
    const qint64 testStart =
        warmUp ? std::find_if(expected.begin(), expected.end(),
                              [](const Event &e) { return e.what == QLatin1String("athletes"); })
                     ->due
               : 0;
    h.poll(silentFrom + 125000);
    QCOMPARE(h.engine.phase(), TestPhase::Effort);
    QCOMPARE(h.engine.periodShown(), periods + 1);
    QCOMPARE(h.engine.completedPeriods(), periods + 1 - startPeriod);
    QCOMPARE(h.engine.nextDueMs(), qint64(-1));
    QCOMPARE(h.engine.speedText(), lastSpeed);
    QCOMPARE(h.engine.distance(),
             int(std::lround((periods + 1 - startPeriod) * h.profile.beepsPerPeriod *
                             h.profile.segmentLength())));
    QCOMPARE(h.engine.chronoText(),
             RunEngine::formatChrono((silentFrom + 125000 - testStart) / 1000));
    h.engine.stop();
    QCOMPARE(h.engine.phase(), TestPhase::Ended);
}

void TestRunEngine::checkpoints_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<TestMode>("mode");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("i1"); // interval of the first period
    QTest::addColumn<int>("i2"); // interval of the second
    QTest::addColumn<QString>("s1");
    QTest::addColumn<QString>("s2");
    QTest::addColumn<int>("oneBeepM");
    QTest::addColumn<int>("onePeriodM");

    const auto full = TestMode::FullTest;
    const auto effort = TestMode::EffortTest;
    const QString s42 = QStringLiteral("4,2"), s48 = QStringLiteral("4,8"),
                  s66 = QStringLiteral("6,6"), s72 = QStringLiteral("7,2");
    row("probst", "full") << SportVariant::Probst << full << 1 << 8571 << 7500 << s42 << s48 << 10
                          << 280;
    row("probst", "effort from 5")
        << SportVariant::Probst << effort << 5 << 5455 << 5000 << s66 << s72 << 10 << 280;
    row("football", "full") << SportVariant::Futbol << full << 1 << 7843 << 6863 << s42 << s48 << 9
                            << 256;
    row("football", "effort from 5")
        << SportVariant::Futbol << effort << 5 << 4991 << 4575 << s66 << s72 << 9 << 256;
    row("basketball", "full") << SportVariant::Basket << full << 1 << 5333 << 4800
                              << QStringLiteral("5,4") << QStringLiteral("6,0") << 8 << 288;
    row("basketball", "effort from 5")
        << SportVariant::Basket << effort << 5 << 3692 << 3429 << QStringLiteral("7,8")
        << QStringLiteral("8,4") << 8 << 288;
    row("futsal", "full") << SportVariant::FutSal << full << 1 << 6857 << 6000 << s42 << s48 << 7
                          << 208;
    row("futsal", "effort from 5")
        << SportVariant::FutSal << effort << 5 << 4364 << 4000 << s66 << s72 << 7 << 208;
    row("volleyball", "full") << SportVariant::Voley << full << 1 << 4214 << 3687 << s42 << s48 << 5
                              << 177;
    row("volleyball", "effort from 5")
        << SportVariant::Voley << effort << 5 << 2681 << 2458 << s66 << s72 << 5 << 177;
}

// Steps a run with warm-up through its first phases, checking what the window shows at each
// boundary, a millisecond either side of it.
void TestRunEngine::checkpoints()
{
    QFETCH(SportVariant, variant);
    QFETCH(TestMode, mode);
    QFETCH(int, start);
    QFETCH(int, i1);
    QFETCH(int, i2);
    QFETCH(QString, s1);
    QFETCH(QString, s2);
    QFETCH(int, oneBeepM);
    QFETCH(int, onePeriodM);

    Harness h(variant);
    RunEngine &e = h.engine;
    const int B = h.profile.beepsPerPeriod, L = h.profile.stationsPerLap;
    const bool voley = variant == SportVariant::Voley;
    h.clock.set(1000000); // the clock need not start at zero
    const qint64 t0 = 1000000;
    e.setCurrentPeriod(start);
    QCOMPARE(e.speedText(), s1);
    QCOMPARE(e.periodShown(), 0);
    h.start(mode, start, true);
    QCOMPARE(e.phase(), TestPhase::WarmUp);
    QCOMPARE(shown(e),
             QStringLiteral("period %1 done 0 beep 0 lap 1/1 dist 0 chrono 00:00 marker 0/1 "
                            "picture 2 rest 0 speed %2 initial %2 gauge 0/%3")
                 .arg(start)
                 .arg(s1)
                 .arg(B));
    QVERIFY(!e.gauge().pause);
    QCOMPARE(e.currentInterval(), i1);

    // The warm-up runs at the start period's pace and is not counted.
    h.poll(t0 + i1);
    QCOMPARE(e.beepCount(), 0);
    h.poll(t0 + i1 + 1);
    QCOMPARE(e.beepCount(), 1);
    QCOMPARE(e.markerStation(), 1);
    QCOMPARE(e.distance(), 0);
    h.poll(t0 + qint64(B) * i1);
    QCOMPARE(e.phase(), TestPhase::WarmUp);
    h.poll(t0 + qint64(B) * i1 + 1);
    const qint64 w = t0 + qint64(B) * i1;
    QCOMPARE(e.phase(), TestPhase::PreTestRecovery);
    QCOMPARE(shown(e),
             QStringLiteral("period %1 done 0 beep 0 lap 0/0 dist 0 chrono 00:00 marker 0/1 "
                            "picture 1 rest 1 speed %2 initial %2 gauge 0/180")
                 .arg(start)
                 .arg(s1));
    QVERIFY(e.gauge().pause);
    QCOMPARE(h.count(QStringLiteral("cue")), B + 1);
    h.poll(w + 176999);
    QCOMPARE(h.count(QStringLiteral("alert")), 0);
    QCOMPARE(e.gauge().position, 176);
    h.poll(w + 177000);
    QCOMPARE(h.count(QStringLiteral("alert")), 1);
    h.poll(w + 178500);
    h.poll(w + 180000);
    QCOMPARE(h.count(QStringLiteral("alert")), 1);
    QCOMPARE(e.gauge().position, 180);
    QCOMPARE(e.phase(), TestPhase::PreTestRecovery);
    QCOMPARE(h.count(QStringLiteral("athletes")), 0);

    // The test proper starts: clock and distance from zero, athletes released, same period.
    h.poll(w + 180001);
    const qint64 e1 = w + 180000;
    QCOMPARE(e.phase(), TestPhase::Effort);
    QCOMPARE(h.count(QStringLiteral("athletes")), 1);
    QCOMPARE(shown(e),
             QStringLiteral("period %1 done 0 beep 0 lap 1/1 dist 0 chrono 00:00 marker 0/1 "
                            "picture 2 rest 0 speed %2 initial %2 gauge 0/%3")
                 .arg(start)
                 .arg(s1)
                 .arg(B));
    h.poll(e1 + i1 + 1);
    QCOMPARE(e.distance(), oneBeepM);
    QCOMPARE(e.chronoSeconds(), qint64(i1 + 1) / 1000);
    QCOMPARE(h.events.last().due, e1 + i1);

    // First recovery: next period, odd count, its speed already shown.
    h.poll(e1 + qint64(B) * i1 + 1);
    const qint64 r1 = e1 + qint64(B) * i1;
    QCOMPARE(e.phase(), TestPhase::Recovery);
    QCOMPARE(shown(e),
             QStringLiteral("period %1 done 1 beep 0 lap 0/0 dist %2 chrono %3 marker 0/1 "
                            "picture 3 rest 1 speed %4 initial %5 gauge 0/30")
                 .arg(start + 1)
                 .arg(onePeriodM)
                 .arg(RunEngine::formatChrono((qint64(B) * i1 + 1) / 1000))
                 .arg(s2, s1));
    h.poll(r1 + 26999);
    QCOMPARE(h.count(QStringLiteral("alert")), 1);
    h.poll(r1 + 27000);
    QCOMPARE(h.count(QStringLiteral("alert")), 2);
    QCOMPARE(h.events.last().due, r1 + 27000);
    h.poll(r1 + 30000);
    QCOMPARE(e.phase(), TestPhase::Recovery);
    h.poll(r1 + 30001);
    const qint64 e2 = r1 + 30000;
    QCOMPARE(e.phase(), TestPhase::Effort);
    QCOMPARE(e.picture(), voley ? 2 : 4);
    QCOMPARE(e.currentInterval(), i2);
    QCOMPARE(e.markerStation(), 0);
    h.poll(e2 + i2 + 1);
    QCOMPARE(e.markerStation(), voley ? 1 : L - 1);
    QCOMPARE(e.distance(), int(std::lround((B + 1) * h.profile.segmentLength())));

    // Second recovery and the third period: even count, forward again.
    QVERIFY(h.advanceUntil([&] { return e.phase() == TestPhase::Recovery; }));
    QCOMPARE(e.picture(), voley ? 3 : 5);
    QCOMPARE(e.completedPeriods(), 2);
    QVERIFY(h.advanceUntil([&] { return e.phase() == TestPhase::Effort; }));
    QCOMPARE(e.picture(), 2);
    QVERIFY(h.advanceUntil([&] { return e.beepCount() == 3; }));
    QCOMPARE(e.markerStation(), 3);
    QCOMPARE(e.periodShown(), start + 2);
    QCOMPARE(e.initialSpeedText(), s1);
    QCOMPARE(h.count(QStringLiteral("athletes")), 1);
    QCOMPARE(h.faults, QStringList());
}

void TestRunEngine::distance_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<int>("completed");
    QTest::addColumn<int>("beeps");
    QTest::addColumn<int>("metres");

    QTest::newRow("football 2 periods + 5 beeps: 558.15") << SportVariant::Futbol << 2 << 5 << 558;
    QTest::newRow("football 1 beep: 9.15") << SportVariant::Futbol << 0 << 1 << 9;
    QTest::newRow("probst 3 periods + 1 beep") << SportVariant::Probst << 3 << 1 << 850;
    QTest::newRow("basketball 1 period + 7 beeps") << SportVariant::Basket << 1 << 7 << 344;
    QTest::newRow("futsal 1 period: 208.04") << SportVariant::FutSal << 1 << 0 << 208;
    QTest::newRow("futsal 2 beeps: 14.86") << SportVariant::FutSal << 0 << 2 << 15;
    QTest::newRow("volleyball tie 245.5 rounds up") << SportVariant::Voley << 1 << 14 << 246;
    QTest::newRow("volleyball tie 736.5 rounds up") << SportVariant::Voley << 4 << 6 << 737;
    QTest::newRow("volleyball 3 beeps: 14.73") << SportVariant::Voley << 0 << 3 << 15;
}

void TestRunEngine::distance()
{
    QFETCH(SportVariant, variant);
    QFETCH(int, completed);
    QFETCH(int, beeps);
    QFETCH(int, metres);

    Harness h(variant);
    h.start(TestMode::FullTest, 1, false);
    QCOMPARE(h.engine.distance(), 0);
    QVERIFY(h.advanceUntil(
        [&] { return h.engine.completedPeriods() == completed && h.engine.beepCount() == beeps; }));
    QCOMPARE(h.engine.distance(), metres);
    QCOMPARE(h.engine.distanceText(), QString::number(metres));
}

void TestRunEngine::repeatPeriod_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<int>("interval"); // period 3
    QTest::addColumn<QString>("speed");
    QTest::addColumn<int>("lapAfterPeriod");

    QTest::newRow("probst") << SportVariant::Probst << 6667 << QStringLiteral("5,4") << 3;
    QTest::newRow("football") << SportVariant::Futbol << 6100 << QStringLiteral("5,4") << 3;
    QTest::newRow("basketball") << SportVariant::Basket << 4364 << QStringLiteral("6,6") << 4;
    QTest::newRow("futsal") << SportVariant::FutSal << 5333 << QStringLiteral("5,4") << 3;
    QTest::newRow("volleyball") << SportVariant::Voley << 3277 << QStringLiteral("5,4") << 4;
}

// RepeatPeriod never warms up or pauses: the beeps go on at one pace, the bar stays full and
// the lap keeps rising.
void TestRunEngine::repeatPeriod()
{
    QFETCH(SportVariant, variant);
    QFETCH(int, interval);
    QFETCH(QString, speed);
    QFETCH(int, lapAfterPeriod);

    Harness h(variant);
    RunEngine &e = h.engine;
    const int B = h.profile.beepsPerPeriod, L = h.profile.stationsPerLap;
    h.start(TestMode::RepeatPeriod, 3, true); // warm-up ticked, yet ignored
    QCOMPARE(e.phase(), TestPhase::Effort);
    QCOMPARE(h.count(QStringLiteral("athletes")), 1);
    for (int k = 1; k <= 3 * B + 2; ++k) {
        h.poll(qint64(k) * interval + 1 + k % 5);
        QCOMPARE(e.beepCount(), k);
        QCOMPARE(h.events.last().due, qint64(k) * interval);
        QCOMPARE(e.phase(), TestPhase::Effort);
        QCOMPARE(e.gauge().position, qMin(k, B));
        QCOMPARE(e.gauge().maximum, B);
        QCOMPARE(e.lap(), (k - 1) / L + 1);
        QCOMPARE(e.markerStation(), k % L);
        QCOMPARE(e.distance(), int(std::lround(k * h.profile.segmentLength())));
        if (k == B + 1)
            QCOMPARE(e.lap(), lapAfterPeriod);
    }
    QCOMPARE(e.periodShown(), 3);
    QCOMPARE(e.completedPeriods(), 0);
    QCOMPARE(e.speedText(), speed);
    QCOMPARE(e.picture(), 2);
    QCOMPARE(h.count(QStringLiteral("alert")), 0);
    QCOMPARE(h.count(QStringLiteral("athletes")), 1);
    QCOMPARE(h.faults, QStringList());
}

void TestRunEngine::stop_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<bool>("warmUp");
    QTest::addColumn<TestPhase>("phase");
    QTest::addColumn<int>("completed");
    QTest::addColumn<int>("into"); // beeps into an effort phase, seconds into a pause

    QTest::newRow("football warm-up")
        << SportVariant::Futbol << true << TestPhase::WarmUp << 0 << 17;
    QTest::newRow("football pre-test recovery")
        << SportVariant::Futbol << true << TestPhase::PreTestRecovery << 0 << 100;
    QTest::newRow("football effort, lap 2")
        << SportVariant::Futbol << false << TestPhase::Effort << 0 << 20;
    QTest::newRow("football recovery")
        << SportVariant::Futbol << false << TestPhase::Recovery << 1 << 12;
    QTest::newRow("basketball effort after warm-up, lap 3")
        << SportVariant::Basket << true << TestPhase::Effort << 0 << 30;
    QTest::newRow("futsal warm-up, no beep yet")
        << SportVariant::FutSal << true << TestPhase::WarmUp << 0 << 0;
    QTest::newRow("volleyball recovery")
        << SportVariant::Voley << true << TestPhase::Recovery << 1 << 28;
    QTest::newRow("probst effort, backward period")
        << SportVariant::Probst << false << TestPhase::Effort << 1 << 5;
}

// The stop command freezes whatever the window shows; nothing moves until the new-test reset.
void TestRunEngine::stop()
{
    QFETCH(SportVariant, variant);
    QFETCH(bool, warmUp);
    QFETCH(TestPhase, phase);
    QFETCH(int, completed);
    QFETCH(int, into);

    Harness h(variant);
    RunEngine &e = h.engine;
    h.start(TestMode::FullTest, 1, warmUp);
    QVERIFY(
        h.advanceUntil([&] { return e.phase() == phase && e.completedPeriods() == completed; }));
    if (phase == TestPhase::WarmUp || phase == TestPhase::Effort)
        QVERIFY(h.advanceUntil([&] { return e.beepCount() == into; }));
    else
        h.poll(h.clock.nowMs() + into * 1000 + 500);
    QCOMPARE(e.phase(), phase);
    const QString before = shown(e);
    const int athletes = h.count(QStringLiteral("athletes"));
    const int events = h.events.size();

    e.stop();
    QCOMPARE(e.phase(), TestPhase::Ended);
    QCOMPARE(h.events.last().what, QStringLiteral("Ended"));
    QCOMPARE(shown(e), before.section(QStringLiteral(" gauge "), 0, 0));
    QVERIFY(!e.isRunning());
    QVERIFY(!e.gaugeVisible());
    QCOMPARE(e.nextDueMs(), qint64(-1));
    if (warmUp && (phase == TestPhase::WarmUp || phase == TestPhase::PreTestRecovery)) {
        QCOMPARE(e.chronoText(), QStringLiteral("00:00"));
        QCOMPARE(athletes, 0);
    }

    const int displays = h.displays;
    h.poll(h.clock.nowMs() + 600000);
    e.stop();
    e.skipBeep();
    e.start(TestMode::FullTest, 1, false); // the start command waits for the reset
    h.poll(h.clock.nowMs() + 600000);
    QCOMPARE(shown(e), before.section(QStringLiteral(" gauge "), 0, 0));
    QCOMPARE(h.events.size(), events + 1);
    QCOMPARE(h.displays, displays);
    QCOMPARE(e.phase(), TestPhase::Ended);

    // The reset clears the displays; a second run with warm-up ticked warms up again.
    e.newTest();
    QCOMPARE(e.phase(), TestPhase::Ready);
    QCOMPARE(shown(e).section(QStringLiteral(" speed "), 0, 0),
             QStringLiteral(
                 "period 0 done 0 beep 0 lap 0/0 dist 0 chrono 00:00 marker 0/0 picture 1 rest 1"));
    QCOMPARE(e.gauge().maximum, h.profile.beepsPerPeriod);
    QVERIFY(!e.gauge().pause);
    h.start(TestMode::FullTest, 1, true);
    QCOMPARE(e.phase(), TestPhase::WarmUp);
    QCOMPARE(e.picture(), 2);
    QCOMPARE(h.faults, QStringList());
}

void TestRunEngine::chronometer()
{
    QCOMPARE(RunEngine::formatChrono(0), QStringLiteral("00:00"));
    QCOMPARE(RunEngine::formatChrono(59), QStringLiteral("00:59"));
    QCOMPARE(RunEngine::formatChrono(60), QStringLiteral("01:00"));
    QCOMPARE(RunEngine::formatChrono(3665), QStringLiteral("61:05"));

    // A long RepeatPeriod run, polled only when something is due and then once a second late.
    Harness h(SportVariant::Futbol);
    h.clock.set(5000);
    h.start(TestMode::RepeatPeriod, 1, false);
    QVERIFY(h.advanceUntil([&] { return h.engine.nextDueMs() > 5000 + 3664000; }));
    h.poll(5000 + 3664999);
    QCOMPARE(h.engine.chronoText(), QStringLiteral("61:04"));
    h.poll(5000 + 3665000);
    QCOMPARE(h.engine.chronoText(), QStringLiteral("61:05"));
    QCOMPARE(h.faults, QStringList());
}

void TestRunEngine::unreadableLineIsSilent_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("truncate");

    QTest::newRow("letters") << QStringLiteral("abc") << false;
    QTest::newRow("zero") << QStringLiteral("0") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("negative") << QStringLiteral("-6863") << false;
    QTest::newRow("missing") << QString() << true;
}

// A working-table line that is not an interval means no beep is due: the period starts with its
// cue and then waits, chronometer running, for the stop command.
void TestRunEngine::unreadableLineIsSilent()
{
    QFETCH(QString, line);
    QFETCH(bool, truncate);

    Harness h(SportVariant::Futbol);
    RunEngine &e = h.engine;
    if (truncate)
        e.setWorkingTable(e.workingTable().mid(0, 1));
    else
        setLine(e, 1, line);
    h.start(TestMode::FullTest, 1, false);
    QVERIFY(h.advanceUntil([&] { return e.periodShown() == 2 && e.phase() == TestPhase::Effort; }));
    const qint64 silentFrom = h.clock.nowMs();
    const int cues = h.count(QStringLiteral("cue"));
    QCOMPARE(cues, 1 + 28 + 1);
    QCOMPARE(e.nextDueMs(), qint64(-1));
    QCOMPARE(e.currentInterval(), 0);
    for (qint64 t = silentFrom; t < silentFrom + 120000; t += 10)
        h.poll(t);
    QCOMPARE(h.count(QStringLiteral("cue")), cues);
    QCOMPARE(e.phase(), TestPhase::Effort);
    QCOMPARE(e.beepCount(), 0);
    QCOMPARE(e.speedText(), QStringLiteral("4,8"));
    QCOMPARE(e.chronoSeconds(), (silentFrom + 119990) / 1000);

    // Started on such a line: only the start cue.
    Harness g(SportVariant::Futbol);
    setLine(g.engine, 4, truncate ? QStringLiteral("x") : line);
    g.start(TestMode::EffortTest, 5, false);
    QCOMPARE(g.engine.nextDueMs(), qint64(-1));
    g.poll(600000);
    QCOMPARE(g.count(QStringLiteral("cue")), 1);
    QCOMPARE(g.engine.chronoText(), QStringLiteral("10:00"));

    // Mended while the test runs: the cues start from the mend, without a burst for the wait.
    setLine(g.engine, 4, QStringLiteral("5000"));
    g.poll(600001);
    QCOMPARE(g.count(QStringLiteral("cue")), 1);
    g.poll(605000);
    QCOMPARE(g.count(QStringLiteral("cue")), 1);
    g.poll(605001);
    QCOMPARE(g.count(QStringLiteral("cue")), 2);
}

// The window repaints on displaysChanged: it comes at every poll that changed what is shown,
// and at no other.
void TestRunEngine::displaysChangedOnlyOnChange()
{
    Harness h(SportVariant::Futbol);
    h.start(TestMode::FullTest, 1, true);
    int changes = 0;
    for (qint64 t = 3; h.engine.completedPeriods() < 2; t += 10) {
        const QString before = shown(h.engine) + QLatin1String(phaseName(h.engine.phase()));
        const int displays = h.displays;
        h.poll(t);
        const bool changed = before != shown(h.engine) + QLatin1String(phaseName(h.engine.phase()));
        QCOMPARE(h.displays - displays, changed ? 1 : 0);
        changes += changed;
    }
    // Every beep, the seconds of the bar and, after the warm-up, of the chronometer.
    QVERIFY2(changes > 3 * 28 + 180 + 30 + 2 * 219, qPrintable(QString::number(changes)));
}

// The developer's skip counts one more beep without moving the timeline, and a skip past the
// last beep still ends the period.
void TestRunEngine::skipBeep()
{
    Harness h(SportVariant::Futbol);
    RunEngine &e = h.engine;
    h.start(TestMode::FullTest, 1, false);
    h.poll(2 * 7843 + 1);
    e.skipBeep();
    QCOMPARE(e.beepCount(), 3);
    h.poll(3 * 7843 + 1);
    QCOMPARE(e.beepCount(), 4);
    QCOMPARE(e.markerStation(), 4);
    QCOMPARE(h.events.last().due, qint64(3 * 7843));
    QVERIFY(h.advanceUntil([&] { return e.beepCount() == 27; }));
    e.skipBeep();
    e.skipBeep();
    QCOMPARE(e.phase(), TestPhase::Effort);
    QVERIFY(h.step());
    QCOMPARE(e.phase(), TestPhase::Recovery);
    QCOMPARE(e.periodShown(), 2);
    QCOMPARE(e.beepCount(), 0);
    e.skipBeep(); // no beeps to count in a pause
    QCOMPARE(e.beepCount(), 0);
    QCOMPARE(h.faults, QStringList());
}

// A window that sleeps until nextPollMs() must show, at every millisecond, what a window polling
// every millisecond shows: nothing may change while it sleeps.
void TestRunEngine::sleepingUntilNextPollMissesNothing()
{
    Harness every(SportVariant::Voley);
    Harness sleeper(SportVariant::Voley);
    every.start(TestMode::EffortTest, 24, true);
    sleeper.start(TestMode::EffortTest, 24, true);
    qint64 wakes = 0;
    for (qint64 t = 1; sleeper.engine.currentPeriod() < 26 && t < 10'000'000; ++t) {
        every.poll(t);
        const qint64 next = sleeper.engine.nextPollMs();
        QVERIFY(next > sleeper.lastPoll);
        if (t == next) {
            sleeper.poll(t);
            ++wakes;
        }
        if (shown(every.engine) != shown(sleeper.engine))
            QFAIL(qPrintable(QStringLiteral("at %1 ms: %2 / %3")
                                 .arg(t)
                                 .arg(shown(every.engine), shown(sleeper.engine))));
    }
    QCOMPARE(sleeper.events.size(), every.events.size());
    // Warm-up, its 180 s pause and two periods: a few hundred wakes, not one every 10 ms.
    QVERIFY2(wakes < 800, qPrintable(QString::number(wakes)));
    sleeper.engine.stop();
    QCOMPARE(sleeper.engine.nextPollMs(), qint64(-1));
}

void TestRunEngine::mendedLineRestartsFromTheMend_data()
{
    QTest::addColumn<int>("line");       // 0-based line mended
    QTest::addColumn<QString>("value");  // its new text
    QTest::addColumn<qint64>("mendAt");  // ms after beep 1
    QTest::addColumn<qint64>("nextDue"); // due time of beep 2

    const qint64 beep1 = 7843; // football period 1
    QTest::newRow("shorter, 7 s after a beep")
        << 0 << QStringLiteral("1000") << qint64(7000) << beep1 + 7000 + 1000;
    QTest::newRow("longer, 1 s after a beep")
        << 0 << QStringLiteral("9000") << qint64(1000) << beep1 + 1000 + 9000;
    QTest::newRow("another period's line")
        << 1 << QStringLiteral("1000") << qint64(7000) << beep1 + 7843;
    QTest::newRow("same value written again")
        << 0 << QStringLiteral("7843") << qint64(7000) << beep1 + 7843;
}

// A table line mended while its period runs gives one beep per poll, the next one a new interval
// after the mend: the counter, the marker and the cues never jump.
void TestRunEngine::mendedLineRestartsFromTheMend()
{
    QFETCH(int, line);
    QFETCH(QString, value);
    QFETCH(qint64, mendAt);
    QFETCH(qint64, nextDue);

    Harness h(SportVariant::Futbol);
    RunEngine &e = h.engine;
    h.start(TestMode::FullTest, 1, false);
    QVERIFY(h.step());
    QCOMPARE(e.beepCount(), 1);
    const qint64 beep1 = h.lastCueDue;
    h.clock.set(beep1 + mendAt);
    setLine(e, line, value);
    h.poll(beep1 + mendAt + 1);
    QCOMPARE(e.beepCount(), 1);
    QCOMPARE(e.nextDueMs(), nextDue + 1);
    h.poll(nextDue);
    QCOMPARE(e.beepCount(), 1);
    h.poll(nextDue + 1);
    QCOMPARE(e.beepCount(), 2);
    QCOMPARE(e.markerStation(), 2);
    QCOMPARE(h.lastCueDue, nextDue);
    QCOMPARE(h.count(QStringLiteral("cue")), 3);
}

QTEST_APPLESS_MAIN(TestRunEngine)
#include "tst_runengine.moc"
