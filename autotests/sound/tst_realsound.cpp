// Plays cues through a real PulseAudio null sink and listens to its monitor, so what is checked
// is what a listener would hear: every cue, at the table's gaps to the sample.
// Run through run-with-pulse.sh, which starts the private server.

#include "clock.h"
#include "cueplayer.h"
#include "onsets.h"

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using onsets::Burst;
using onsets::RecordRate;
using onsets::Threshold;
constexpr qint64 SilenceFrames = RecordRate / 50; // 20 ms below threshold ends a sound
constexpr double ToleranceMs = 2.0;

QVector<Burst> findBursts(const QVector<float> &samples)
{
    return onsets::findBursts(
        samples.size(), [&samples](qint64 i) { return samples[int(i)]; }, SilenceFrames);
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

QVector<float> resourceSound(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? CuePlayer::decodeWave(file.readAll(), RecordRate)
                                          : QVector<float>();
}

float peak(const QVector<float> &samples)
{
    float result = 0;
    for (float s : samples)
        result = std::max(result, std::abs(s));
    return result;
}

double framesToMs(qint64 frames)
{
    return frames * 1000.0 / RecordRate;
}

} // namespace

class TestRealSound : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cuesLandOnTheirSamples();

private:
    void playAndCheck(bool *disturbed);
};

void TestRealSound::initTestCase()
{
    const QByteArray missing = qgetenv("ZENTA_NO_PULSE");
    if (!missing.isEmpty())
        QSKIP(qPrintable(QStringLiteral("real sound test needs PulseAudio: %1")
                             .arg(QString::fromLocal8Bit(missing))));
    if (QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty())
        QSKIP("real sound test needs parec (pulseaudio-utils)");
    // Never play into someone's speakers: only the private server of run-with-pulse.sh.
    QVERIFY2(!qgetenv("PULSE_SERVER").isEmpty(), "run this test through run-with-pulse.sh");
}

void TestRealSound::cuesLandOnTheirSamples()
{
    // A machine so busy that the event loop stalls past the prefill makes the device run dry;
    // that run proves nothing about timing, so it is played once more.
    for (int attempt = 1;; ++attempt) {
        bool disturbed = false;
        playAndCheck(&disturbed);
        if (QTest::currentTestFailed() || !disturbed)
            return;
        if (attempt == 2)
            QFAIL("the event loop stalled in both runs; the machine is too busy to judge");
        qWarning("the event loop stalled; playing the run once more");
    }
}

void TestRealSound::playAndCheck(bool *disturbed)
{
    SteadyClock clock;

    // Record first, so the first cue cannot be missed.
    QProcess recorder;
    QByteArray recording;
    qint64 recordingStartMs = std::numeric_limits<qint64>::max();
    connect(&recorder, &QProcess::readyReadStandardOutput, this, [&] {
        recording += recorder.readAllStandardOutput();
        // Data arrives after it was captured, never before: the earliest estimate is the best.
        const qint64 frames = recording.size() / 2;
        recordingStartMs = std::min(recordingStartMs, clock.nowMs() - frames * 1000 / RecordRate);
    });
    recorder.start(QStringLiteral("parec"),
                   {QStringLiteral("--device=cues.monitor"), QStringLiteral("--raw"),
                    QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(RecordRate),
                    QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=10")});
    QVERIFY2(recorder.waitForStarted(5000), qPrintable(recorder.errorString()));
    QTRY_VERIFY2_WITH_TIMEOUT(recording.size() >= RecordRate / 10 * 2,
                              qPrintable(QString::fromLocal8Bit(recorder.readAllStandardError())),
                              5000);

    QVERIFY2(CuePlayer::outputDeviceCount() > 0, "Qt sees no audio output on the test server");
    CuePlayer player(clock);
    QVERIFY2(player.open(), "CuePlayer could not open the default output");
    QVERIFY(player.available());

    // Gaps of the tables: volleyball's fastest, football period 30, a pause with its alert.
    const QVector<qint64> gaps = {951, 951, 951, 1525, 1525, 2200, 951};
    const qint64 alertBeforeEnd = 1000; // the alert sounds inside the pause gap (index 5)
    const QVector<qint64> lateness = {0, 4, 9, 0, 10, 2, 0, 7}; // how late each cue is reported
    QVector<qint64> due{clock.nowMs() + 400};
    for (qint64 gap : gaps)
        due.append(due.last() + gap);
    const qint64 alertDue = due[6] - alertBeforeEnd;

    QVector<qint64> reportedLate(due.size(), -1);
    for (int i = 0; i < due.size(); ++i) {
        QTimer::singleShot(due[i] + lateness[i] - clock.nowMs(), Qt::PreciseTimer, this, [&, i] {
            reportedLate[i] = clock.nowMs() - due[i];
            player.playCue(due[i]);
        });
    }
    QTimer::singleShot(alertDue + 3 - clock.nowMs(), Qt::PreciseTimer, this,
                       [&] { player.playAlert(alertDue); });

    // Real time: the last cue, its sound, the output latency and the capture's own delay.
    // A plain event loop: QTest::qWait sleeps 10 ms between rounds, which would make every
    // timer here late.
    runFor(int(due.last() - clock.nowMs() + 470 + player.outputLatencyMs() + 400));
    const qint64 latencyMs = player.outputLatencyMs();
    const int underruns = player.underrunCount();
    player.close();
    runFor(100);
    recorder.terminate();
    QVERIFY(recorder.waitForFinished(5000));
    recording += recorder.readAllStandardOutput();

    for (int i = 0; i < due.size(); ++i) {
        QVERIFY2(reportedLate[i] >= 0, qPrintable(QStringLiteral("cue %1 never reported").arg(i)));
        if (reportedLate[i] >= CuePlayer::holdBackMs())
            *disturbed = true;
    }
    if (underruns > 0)
        *disturbed = true;
    if (*disturbed)
        return;

    QVector<float> heard(recording.size() / 2);
    for (qsizetype i = 0; i < heard.size(); ++i)
        heard[i] = qFromLittleEndian<qint16>(recording.constData() + 2 * i);

    // What should have been heard: the sounds themselves laid out on the schedule, at the
    // level they came out at. Whatever the sounds are, both go through the same detector.
    const QVector<float> cueSound = resourceSound(QStringLiteral(":/sounds/sonido.wav"));
    const QVector<float> alertSound = resourceSound(QStringLiteral(":/sounds/aviso.wav"));
    QVERIFY(!cueSound.isEmpty() && !alertSound.isEmpty());
    const float gain = peak(heard) / std::max(peak(cueSound), peak(alertSound));
    QVERIFY2(gain > 4 * Threshold, "the recording is (nearly) silent");
    const auto frameOf = [&](qint64 ms) { return (ms - due.first()) * RecordRate / 1000; };
    QVector<float> expected(frameOf(due.last()) + cueSound.size(), 0.0f);
    const auto lay = [&](const QVector<float> &sound, qint64 ms) {
        for (qsizetype i = 0; i < sound.size(); ++i)
            expected[frameOf(ms) + i] += sound[i] * gain;
    };
    for (qint64 ms : std::as_const(due))
        lay(cueSound, ms);
    lay(alertSound, alertDue);

    const QVector<Burst> want = findBursts(expected);
    const QVector<Burst> got = findBursts(heard);
    for (const Burst &b : got)
        qInfo("sound at %.2f ms, %.1f ms long", framesToMs(b.onset), b.lengthMs());
    QCOMPARE(got.size(), want.size());
    QVERIFY(!got.isEmpty());

    // Every sound starts where the schedule puts it, relative to the first, and plays whole.
    double maxError = 0, sumError = 0;
    for (int k = 0; k < got.size(); ++k) {
        const double error =
            framesToMs((got[k].onset - got[0].onset) - (want[k].onset - want[0].onset));
        maxError = std::max(maxError, std::abs(error));
        sumError += std::abs(error);
        QVERIFY2(std::abs(error) <= ToleranceMs,
                 qPrintable(QStringLiteral("sound %1 is %2 ms off its place").arg(k).arg(error)));
        QVERIFY2(std::abs(got[k].lengthMs() - want[k].lengthMs()) <= ToleranceMs,
                 qPrintable(QStringLiteral("sound %1 lasts %2 ms, not %3 ms")
                                .arg(k)
                                .arg(got[k].lengthMs())
                                .arg(want[k].lengthMs())));
    }
    qInfo("onset error against the schedule: max %.3f ms, mean %.3f ms over %d sounds", maxError,
          sumError / got.size(), int(got.size()));

    // The gaps between cues as heard, for the record.
    QVector<qint64> cueOnsets;
    for (qint64 ms : std::as_const(due)) {
        const auto it = std::find_if(want.begin(), want.end(), [&](const Burst &b) {
            return std::abs(b.onset - frameOf(ms)) < RecordRate / 100;
        });
        QVERIFY(it != want.end());
        cueOnsets.append(got[it - want.begin()].onset);
    }
    for (int i = 1; i < cueOnsets.size(); ++i) {
        const double gap = framesToMs(cueOnsets[i] - cueOnsets[i - 1]);
        qInfo("gap %d: scheduled %lld ms, heard %.3f ms, error %+.3f ms", i, due[i] - due[i - 1],
              gap, gap - double(due[i] - due[i - 1]));
    }

    // Rough: the capture clock is estimated from when its data arrived.
    const double latency =
        recordingStartMs + framesToMs(got[0].onset) - double(due[0] + framesToMs(want[0].onset));
    qInfo("first cue heard about %.1f ms after its due time; player says %lld ms", latency,
          latencyMs);
    QVERIFY2(latency < latencyMs + 60,
             qPrintable(QStringLiteral("cues sound %1 ms late").arg(latency)));
}

QTEST_MAIN(TestRealSound)
#include "tst_realsound.moc"
