// The sound layer's timing on made-up clocks: a stream whose card runs fast or slow, stalls,
// plans that change. No sound device, no sleeping.

#include "cueschedule.h"

#include <QTest>

#include <cmath>

using namespace Protocol;

namespace {

constexpr int Rate = 8000;
constexpr int CueFrames = 400; // 50 ms
constexpr int AheadFrames = Rate / 4;
constexpr int ChunkFrames = Rate / 10;

QVector<float> tone(int frames, float level)
{
    return QVector<float>(frames, level);
}

CueSchedule makeSchedule()
{
    return CueSchedule(Rate, tone(CueFrames, 0.5f), tone(CueFrames / 2, 0.25f));
}

// Finds where sounds begin and end in what the schedule renders, chunk after chunk.
struct Listener
{
    struct Sound
    {
        qint64 start = 0;
        qint64 length = 0;
    };
    QVector<Sound> sounds;
    bool inSound = false;

    void hear(qint64 from, const QVector<qint16> &chunk)
    {
        for (int i = 0; i < chunk.size(); ++i) {
            const bool loud = chunk[i] != 0;
            if (loud && !inSound)
                sounds.append({from + i, 0});
            if (loud)
                ++sounds.last().length;
            inSound = loud;
        }
    }
};

// A stream played by a card whose clock runs ppm parts per million off the system clock: it
// plays frame f at system time startMs + f / (Rate * (1 + ppm / 1e6)). A writer keeps it a
// quarter of a second ahead, as the server asks, and reads its position every 100 ms.
struct FakeStream
{
    FakeStream(CueSchedule &s, double ppm)
        : schedule(s), framesPerMs(Rate / 1000.0 * (1 + ppm / 1e6))
    {
    }

    double heardFrame(double ms) const { return (ms - startMs) * framesPerMs; }
    double heardMs(qint64 frame) const { return startMs + frame / framesPerMs; }

    void runUntil(double untilMs)
    {
        for (; now < untilMs; now += 100) {
            // Readings may come late by up to jitterMs, at random, and for one second in every
            // thirty by lateMs (a busy machine).
            seed = seed * 1103515245u + 12345u;
            const double late = std::fmod(now, 30000) < 1000 ? lateMs : 0;
            // A server that moves its position once per block reports the block's first frame.
            const double block = blockMs > 0 ? std::fmod(now - startMs, blockMs) : 0;
            schedule.observe(now + (seed >> 16) % 1000 / 1000.0 * jitterMs + late,
                             heardFrame(now - block));
            const qint64 target = qint64(heardFrame(now)) + AheadFrames;
            if (written < qint64(heardFrame(now)))
                written = qint64(heardFrame(now)); // played on through silence
            while (written < target) {
                QVector<qint16> chunk(ChunkFrames);
                schedule.render(written, ChunkFrames, chunk.data());
                listener.hear(written, chunk);
                written += ChunkFrames;
            }
        }
    }

    CueSchedule &schedule;
    double framesPerMs;
    double startMs = 1000;
    double now = 1000;
    qint64 written = 0;
    quint32 seed = 1;
    double jitterMs = 0;
    double lateMs = 0;
    double blockMs = 0;
    Listener listener;
};

} // namespace

class TestCueSchedule : public QObject
{
    Q_OBJECT
private slots:
    void followsTheSystemClockWhateverTheCard_data();
    void followsTheSystemClockWhateverTheCard();
    void aJumpNeedsReadingsThatAgree_data();
    void aJumpNeedsReadingsThatAgree();
    void dropsWhatAStallMadeLate();
    void lateReportsPlayOnlyWithinTheTolerance_data();
    void lateReportsPlayOnlyWithinTheTolerance();
    void newPlansLeaveWhatIsUnderway();
    void clearSilencesWhatIsQueued();
    void aCueCutsTheOneBefore();
    void jumpsEitherWay_data();
    void jumpsEitherWay();
    void aRestartedStreamWaitsForItsClock();
    void soundOnTheBoundaryFrame_data();
    void soundOnTheBoundaryFrame();
    void followsARateChange();
};

void TestCueSchedule::followsTheSystemClockWhateverTheCard_data()
{
    QTest::addColumn<double>("ppm");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<double>("jitterMs"); // of the readings
    QTest::addColumn<double>("lateMs");   // of a second of readings in every thirty
    QTest::addColumn<double>("blockMs");  // how late a reading may be, at random
    QTest::addColumn<double>("gapMs");    // how far a gap may be off the table
    QTest::addColumn<double>("skewMs");   // and a cue off its due time
    const double frame = 1000.0 / Rate;
    const double block = 1024 * 1000.0 / 48000;
    QTest::newRow("in step, 5 min") << 0.0 << 5 << 0.0 << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("in step, jittery readings") << 0.0 << 5 << 0.3 << 0.0 << 0.0 << frame << 0.5;
    QTest::newRow("1000 ppm fast, 5 min") << 1000.0 << 5 << 0.0 << 0.0 << 0.0 << 0.2 << 0.2;
    // A card a few ppm off (a null sink's timer is 16 ppm fast) is followed without steps.
    QTest::newRow("16 ppm fast, 5 min") << 16.0 << 5 << 0.0 << 0.0 << 0.0 << frame << frame;
    QTest::newRow("16 ppm slow, jittery readings")
        << -16.0 << 5 << 0.3 << 0.0 << 0.0 << frame << 0.5;
    QTest::newRow("1000 ppm slow, 5 min") << -1000.0 << 5 << 0.0 << 0.0 << 0.0 << 0.2 << 0.2;
    QTest::newRow("1000 ppm fast, jittery readings")
        << 1000.0 << 5 << 0.3 << 0.0 << 0.0 << 2.0 << 2.0;
    QTest::newRow("100 ppm fast, 2 h") << 100.0 << 120 << 0.0 << 0.0 << 0.0 << 2.0 << 2.0;
    QTest::newRow("in step, late readings now and then")
        << 0.0 << 5 << 0.3 << 8.0 << 0.0 << frame << 0.5;
    QTest::newRow("100 ppm fast, 2 h, jittery readings")
        << 100.0 << 120 << 0.3 << 0.0 << 0.0 << 2.0 << 2.0;
    // Up to a processing block late, as PipeWire's PulseAudio service reports.
    QTest::newRow("in step, readings up to a block late")
        << 0.0 << 5 << 0.3 << 0.0 << block << 2.0 << 2.0;
    QTest::newRow("in step, up to two blocks late")
        << 0.0 << 5 << 0.3 << 0.0 << 2 * block << 3.0 << 4.0;
    QTest::newRow("100 ppm slow, readings up to a block late, busy now and then")
        << -100.0 << 5 << 0.3 << 8.0 << block << 2.0 << 2.0;
}

void TestCueSchedule::followsTheSystemClockWhateverTheCard()
{
    QFETCH(double, ppm);
    QFETCH(int, minutes);
    QFETCH(double, jitterMs);
    QFETCH(double, lateMs);
    QFETCH(double, blockMs);
    QFETCH(double, gapMs);
    QFETCH(double, skewMs);
    CueSchedule schedule = makeSchedule();
    FakeStream stream(schedule, ppm);
    stream.jitterMs = jitterMs;
    stream.lateMs = lateMs;
    stream.blockMs = blockMs;
    // Cues at table gaps, planned 15 s ahead and re-planned every second, as the driver does.
    const QVector<qint64> gaps = {951, 1525, 2200, 1117};
    QVector<qint64> due;
    for (qint64 t = 3000, i = 0; t < stream.startMs + minutes * 60000.0; t += gaps[i++ % 4])
        due.append(t);
    qsizetype next = 0;
    while (stream.now < double(due.last()) + 1000) {
        while (next < due.size() && due[next] < stream.now)
            ++next;
        SoundPlan plan;
        for (qsizetype i = next; i < due.size() && due[i] < stream.now + 15000; ++i)
            plan.append({due[i], false});
        schedule.setPlan(plan, stream.written);
        stream.runUntil(stream.now + 1000);
    }

    const QVector<Listener::Sound> &heard = stream.listener.sounds;
    QCOMPARE(heard.size(), due.size());
    double worst = 0, worstGap = 0;
    for (int i = 0; i < heard.size(); ++i) {
        // Whole: the stream never ran dry inside a cue.
        QCOMPARE(heard[i].length, qint64(CueFrames));
        const double skew = stream.heardMs(heard[i].start) - double(due[i]);
        worst = std::max(worst, std::abs(skew));
        if (i > 0) {
            const double gap = stream.heardMs(heard[i].start) - stream.heardMs(heard[i - 1].start);
            worstGap = std::max(worstGap, std::abs(gap - double(due[i] - due[i - 1])));
        }
    }
    qInfo("worst skew %.2f ms, worst gap error %.2f ms (system clock)", worst, worstGap);
    QVERIFY2(worst <= skewMs + 1e-9,
             qPrintable(QStringLiteral("a cue heard %1 ms off its time").arg(worst)));
    QVERIFY2(worstGap <= gapMs + 1e-9, qPrintable(QStringLiteral("a gap %1 ms off").arg(worstGap)));
    QCOMPARE(schedule.droppedCount(), 0);
}

void TestCueSchedule::aJumpNeedsReadingsThatAgree_data()
{
    QTest::addColumn<double>("offMs"); // of the readings after two punctual seconds
    QTest::addColumn<int>("readings");
    QTest::addColumn<bool>("jumps");
    QTest::newRow("one reading 40 ms late") << 40.0 << 1 << false;
    QTest::newRow("two readings 40 ms early") << -40.0 << 2 << false;
    QTest::newRow("three readings 40 ms late") << 40.0 << 3 << true;
    QTest::newRow("three readings 10 ms late") << 10.0 << 3 << false;
    QTest::newRow("one reading 70 ms early") << -70.0 << 1 << true;
}

void TestCueSchedule::aJumpNeedsReadingsThatAgree()
{
    QFETCH(double, offMs);
    QFETCH(int, readings);
    QFETCH(bool, jumps);
    CueSchedule schedule = makeSchedule();
    double ms = 0;
    for (; ms <= 2000; ms += 100)
        QVERIFY(!schedule.observe(ms, ms * Rate / 1000));
    bool jumped = false;
    for (int i = 0; i < readings; ++i, ms += 100)
        jumped = schedule.observe(ms + offMs, ms * Rate / 1000);
    QCOMPARE(jumped, jumps);
    QCOMPARE(schedule.msAt(0), jumps ? offMs : 0.0);
}

void TestCueSchedule::dropsWhatAStallMadeLate()
{
    CueSchedule schedule = makeSchedule();
    FakeStream stream(schedule, 0);
    SoundPlan plan;
    for (qint64 t = 2000; t <= 12000; t += 1000)
        plan.append({t, false});
    schedule.setPlan(plan, 0);
    stream.runUntil(3500);
    QCOMPARE(stream.listener.sounds.size(), 2);

    // The process stops for five seconds; the card plays on through silence.
    stream.now += 5000;
    stream.runUntil(12500);
    const QVector<Listener::Sound> &heard = stream.listener.sounds;
    // 4000 to 8000 fell due in the stall (the writer resumes at 8500 ms): gone, not late.
    QCOMPARE(schedule.droppedCount(), 5);
    QCOMPARE(heard.size(), 6);
    for (int i = 2; i < heard.size(); ++i)
        QCOMPARE(stream.heardMs(heard[i].start), double(9000 + 1000 * (i - 2)));
}

void TestCueSchedule::lateReportsPlayOnlyWithinTheTolerance_data()
{
    QTest::addColumn<int>("lateMs");
    QTest::addColumn<bool>("plays");
    QTest::newRow("on time") << 0 << true;
    QTest::newRow("10 ms late") << 10 << true;
    QTest::newRow("at the tolerance") << int(CueSchedule::LateToleranceMs) << true;
    QTest::newRow("30 ms late") << 30 << false;
    QTest::newRow("a second late") << 1000 << false;
}

void TestCueSchedule::lateReportsPlayOnlyWithinTheTolerance()
{
    QFETCH(int, lateMs);
    QFETCH(bool, plays);
    CueSchedule schedule = makeSchedule();
    FakeStream stream(schedule, 0);
    stream.runUntil(2000);
    // Reported only when the frames of its due time are already written.
    const qint64 firstFree = stream.written;
    const qint64 due = qint64(stream.heardMs(firstFree)) - lateMs;
    schedule.report({due, false});
    stream.runUntil(3000);
    QCOMPARE(stream.listener.sounds.size(), plays ? 1 : 0);
    QCOMPARE(schedule.droppedCount(), plays ? 0 : 1);
    if (plays) // as early as it can
        QCOMPARE(stream.listener.sounds[0].start, firstFree);
}

void TestCueSchedule::newPlansLeaveWhatIsUnderway()
{
    CueSchedule schedule = makeSchedule();
    schedule.observe(0, 0); // frame 0 heard at 0 ms
    schedule.setPlan({{100, false}, {1000, false}}, 0);
    QVector<qint16> out(Rate);
    schedule.render(0, 900, out.data()); // the first cue is placed and under way
    QCOMPARE(schedule.placedFrames(), QVector<qint64>{800});

    // A new plan without either: the one under way stays, the other goes; the change starts
    // where the removed one would have.
    const qint64 changed = schedule.setPlan({{2000, false}}, 900);
    QCOMPARE(changed, qint64(8000));
    QCOMPARE(schedule.pendingCount(), 2);
    // A sound the engine reported stays whatever the plans say.
    schedule.report({1500, false});
    QCOMPARE(schedule.setPlan({}, 900), qint64(16000));
    QCOMPARE(schedule.pendingCount(), 2);
}

void TestCueSchedule::clearSilencesWhatIsQueued()
{
    CueSchedule schedule = makeSchedule();
    schedule.observe(0, 0);
    schedule.setPlan({{100, false}}, 0);
    QVector<qint16> out(Rate, 0);
    schedule.render(0, 1000, out.data());
    QVERIFY(out[900] != 0);
    QCOMPARE(schedule.clear(), qint64(800));
    schedule.render(900, 1000, out.data());
    QVERIFY(std::all_of(out.cbegin(), out.cbegin() + 1000, [](qint16 v) { return v == 0; }));
}

void TestCueSchedule::aCueCutsTheOneBefore()
{
    CueSchedule schedule = makeSchedule();
    schedule.observe(0, 0);
    // 20 ms apart: the first is cut where the second starts; the alert under them mixes in.
    schedule.setPlan({{100, false}, {110, true}, {120, false}}, 0);
    QVector<qint16> out(2000);
    schedule.render(0, 2000, out.data());
    Listener listener;
    listener.hear(0, out);
    QCOMPARE(listener.sounds.size(), 1);
    QCOMPARE(listener.sounds[0].start, qint64(800));
    QCOMPARE(listener.sounds[0].length, qint64(160 + CueFrames));
    QVERIFY(std::abs(out[800 + 79] - 0.5 * 0.8 * 32767) <= 1);
    QVERIFY(std::abs(out[880 + 10] - 0.75 * 0.8 * 32767) <= 1);
}

void TestCueSchedule::jumpsEitherWay_data()
{
    // Readings in a row, each this far off the line (+ ahead); whether the last is a jump. A
    // reading may come a block late, so a small step needs others to agree; a large one does not.
    QTest::addColumn<double>("offMs");
    QTest::addColumn<int>("readings");
    QTest::addColumn<bool>("jump");
    QTest::newRow("20 ms ahead, three agree") << 20.0 << 3 << true;
    QTest::newRow("20 ms behind, three agree") << -20.0 << 3 << true;
    QTest::newRow("20 ms ahead, once") << 20.0 << 1 << false;
    QTest::newRow("20 ms behind, once") << -20.0 << 1 << false;
    QTest::newRow("70 ms ahead, once") << 70.0 << 1 << true;
    QTest::newRow("70 ms behind, once") << -70.0 << 1 << false;
    QTest::newRow("70 ms behind, three agree") << -70.0 << 3 << true;
    QTest::newRow("10 ms ahead, three") << 10.0 << 3 << false;
    QTest::newRow("10 ms behind, three") << -10.0 << 3 << false;
}

void TestCueSchedule::jumpsEitherWay()
{
    QFETCH(double, offMs);
    QFETCH(int, readings);
    QFETCH(bool, jump);
    CueSchedule schedule = makeSchedule();
    QVERIFY(!schedule.observe(0, 0));
    bool jumped = false;
    for (int i = 0; i < readings; ++i) {
        const double ms = 1000 + 100 * i;
        jumped = schedule.observe(ms, (ms + offMs) * Rate / 1000);
        QVERIFY(!jumped || i == readings - 1);
    }
    QCOMPARE(jumped, jump);
}

// The old stream's clock says nothing of the new one's frames.
void TestCueSchedule::aRestartedStreamWaitsForItsClock()
{
    CueSchedule schedule = makeSchedule();
    schedule.observe(0, 0);
    schedule.setPlan({{2000, false}}, 0);
    schedule.restartStream();
    QVector<qint16> out(3 * Rate, 1);
    schedule.render(0, int(out.size()), out.data());
    QVERIFY(std::all_of(out.cbegin(), out.cend(), [](qint16 v) { return v == 0; }));
    schedule.observe(1500, 0);
    schedule.render(0, int(out.size()), out.data());
    QCOMPARE(schedule.placedFrames(), QVector<qint64>{Rate / 2});
}

void TestCueSchedule::soundOnTheBoundaryFrame_data()
{
    QTest::addColumn<bool>("newPlan"); // or the stream jumped: unplaced from the boundary
    QTest::addColumn<qint64>("boundary");
    QTest::addColumn<bool>("kept");
    QTest::newRow("new plan, kept before the sound") << true << qint64(800) << false;
    QTest::newRow("new plan, kept up to the sound") << true << qint64(801) << true;
    QTest::newRow("jump, from the sound") << false << qint64(800) << false;
    QTest::newRow("jump, from after the sound") << false << qint64(801) << true;
}

void TestCueSchedule::soundOnTheBoundaryFrame()
{
    QFETCH(bool, newPlan);
    QFETCH(qint64, boundary);
    QFETCH(bool, kept);
    CueSchedule schedule = makeSchedule();
    schedule.observe(0, 0);
    schedule.setPlan({{100, false}}, 0);
    QVector<qint16> out(Rate);
    schedule.render(0, 801, out.data());
    if (newPlan)
        schedule.setPlan({}, boundary);
    else
        schedule.unplaceFrom(boundary);
    QCOMPARE(schedule.placedFrames(), kept ? QVector<qint64>{800} : QVector<qint64>{});
}

// A card that changes its rate mid-run (it warmed up): the line takes the new rate up within
// seconds, however long the run before, so the readings it follows are the last seconds' only.
void TestCueSchedule::followsARateChange()
{
    CueSchedule schedule = makeSchedule();
    FakeStream stream(schedule, 0);
    stream.runUntil(5 * 60000);
    const double heard = stream.heardFrame(stream.now);
    stream.framesPerMs = Rate / 1000.0 * (1 + 200 / 1e6);
    stream.startMs = stream.now - heard / stream.framesPerMs;
    stream.runUntil(stream.now + 20000);
    const double frame = stream.heardFrame(stream.now);
    const double ppm = (1000.0 / (schedule.msAt(frame + Rate) - schedule.msAt(frame)) - 1) * 1e6;
    QVERIFY2(std::abs(ppm - 200) < 10, qPrintable(QString::number(ppm)));
}

QTEST_GUILESS_MAIN(TestCueSchedule)
#include "tst_cueschedule.moc"
