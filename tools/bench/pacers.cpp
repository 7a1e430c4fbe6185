#include "pacers.h"

#include "clock.h"
#include "cueplayer.h"
#include "enginedriver.h"
#include "process.h"
#include "recorder.h"
#include "runengine.h"
#include "standins.h"
#include "wavefile.h"

#include <QAudioSink>
#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>
#include <QtEndian>

using namespace Protocol;

namespace Bench {

namespace {

// The engine's ideal timeline, polled as the program polls it, with every cue and alert handed
// to a sink the moment the engine reports it: the second baseline, and the polling alone.
class ProgramPacer final : public QObject, private RunListener
{
public:
    ProgramPacer(const Run &run, const Clock &clock, CueSink &player)
        : m_run(run), m_clock(clock), m_player(player), m_engine(run.profile, clock, this)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &ProgramPacer::poll);
    }

    void start(std::function<void()> finished)
    {
        m_finished = std::move(finished);
        m_engine.start(TestMode::EffortTest, m_run.startPeriod, false);
        schedule();
    }
    qint64 maxLateMs() const { return m_maxLate; }

private:
    void cue(qint64 dueMs) override
    {
        m_maxLate = std::max(m_maxLate, m_clock.nowMs() - dueMs);
        m_player.playCue(dueMs);
    }
    void pauseAlert(qint64 dueMs) override
    {
        m_maxLate = std::max(m_maxLate, m_clock.nowMs() - dueMs);
        m_player.playAlert(dueMs);
    }

    void poll()
    {
        m_engine.poll();
        // The last period's last cue begins a pause nobody needs.
        if (m_engine.phase() == TestPhase::Recovery &&
            m_engine.currentPeriod() >= m_run.startPeriod + m_run.periods) {
            m_engine.stop();
            m_finished();
            return;
        }
        schedule();
    }

    // As the main window does it: asleep until the engine next has something to do.
    void schedule()
    {
        const qint64 next = m_engine.nextPollMs();
        if (next >= 0)
            m_timer.start(int(qBound(qint64(0), next - m_clock.nowMs(), qint64(1000))));
    }

    const Run &m_run;
    const Clock &m_clock;
    CueSink &m_player;
    RunEngine m_engine;
    QTimer m_timer;
    std::function<void()> m_finished;
    qint64 m_maxLate = 0;
};

// One cue sound as a naive pacer plays it: either a QSoundEffect, or a fresh QAudioSink that
// plays the decoded file once and is thrown away.
class OneShotSound final : public QObject
{
public:
    OneShotSound(const QString &resource, bool useSoundEffect) : m_useEffect(useSoundEffect)
    {
        if (m_useEffect) {
            m_effect.setSource(QUrl(QStringLiteral("qrc") + resource));
            return;
        }
        QFile file(resource);
        const QByteArray wave = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        // The file's own rate: a naive player leaves resampling to the sound server.
        const int rate = qFromLittleEndian<quint32>(wave.constData() + 24);
        const QVector<float> samples = WaveFile::decode(wave, rate);
        m_format.setChannelCount(1);
        m_format.setSampleRate(rate);
        m_format.setSampleFormat(QAudioFormat::Int16);
        m_pcm.resize(samples.size() * 2);
        for (qsizetype i = 0; i < samples.size(); ++i)
            qToLittleEndian(qint16(samples[i] * 32767), m_pcm.data() + 2 * i);
    }

    bool ready() const
    {
        return m_useEffect ? m_effect.isLoaded() && m_effect.status() != QSoundEffect::Error
                           : !m_pcm.isEmpty();
    }

    void play()
    {
        if (m_useEffect) {
            m_effect.play();
            return;
        }
        auto *sink = new QAudioSink(QMediaDevices::defaultAudioOutput(), m_format, this);
        auto *buffer = new QBuffer(sink);
        buffer->setData(m_pcm);
        buffer->open(QIODevice::ReadOnly);
        // Thrown away once the sound has surely played out: the sink goes idle as soon as it
        // has read the buffer, and stopping it then would cut the sound short.
        const int lengthMs = int(m_pcm.size() / 2 * 1000 / m_format.sampleRate());
        QTimer::singleShot(lengthMs + 500, sink, [sink] {
            sink->stop();
            sink->deleteLater();
        });
        sink->start(buffer);
    }

private:
    bool m_useEffect;
    QSoundEffect m_effect;
    QAudioFormat m_format;
    QByteArray m_pcm;
};

// How a pacer is commonly written: a 10 ms timer against a millisecond tick, every interval
// counted from the moment the previous cue was played, each cue a one-shot sound call.
class NaivePacer final : public QObject
{
public:
    NaivePacer(const Run &run, OneShotSound &cue, OneShotSound &alert)
        : m_run(run), m_cue(cue), m_alert(alert), m_table(periodTableLines(run.profile))
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, &NaivePacer::tick);
    }

    void start(std::function<void()> finished)
    {
        m_finished = std::move(finished);
        m_tick.start();
        m_period = m_run.startPeriod;
        m_cue.play();
        m_last = m_tick.elapsed();
        m_timer.start();
    }

private:
    void tick()
    {
        const qint64 now = m_tick.elapsed();
        if (!m_pause) {
            if (now - m_last < intervalFromLine(m_table.value(m_period - 1)))
                return;
            m_cue.play();
            m_last = now;
            if (++m_beeps < m_run.profile.beepsPerPeriod)
                return;
            if (m_period + 1 >= m_run.startPeriod + m_run.periods) {
                m_timer.stop();
                m_finished();
                return;
            }
            m_pause = true;
            m_alerted = false;
            return;
        }
        if (!m_alerted && now - m_last >= alertOffsetMs(m_run.profile.recoveryMs)) {
            m_alert.play();
            m_alerted = true;
        }
        if (now - m_last >= m_run.profile.recoveryMs) {
            m_cue.play();
            m_last = now;
            m_pause = false;
            m_beeps = 0;
            ++m_period;
        }
    }

    const Run &m_run;
    OneShotSound &m_cue;
    OneShotSound &m_alert;
    QStringList m_table;
    QTimer m_timer;
    QElapsedTimer m_tick;
    std::function<void()> m_finished;
    qint64 m_last = 0;
    int m_period = 0;
    int m_beeps = 0;
    bool m_pause = false;
    bool m_alerted = false;
};

// Runs a pacer through its periods in the event loop; notes how long that took and the CPU used.
void runTimed(ProgramPacer &pacer, const SteadyClock &clock, PartResult &result)
{
    bool done = false;
    const double cpu0 = cpuMs();
    const qint64 t0 = clock.nowMs();
    QEventLoop loop;
    pacer.start([&] {
        result.runMs = double(clock.nowMs() - t0);
        result.cpuMs = cpuMs() - cpu0;
        done = true;
        loop.quit();
    });
    if (!done)
        loop.exec();
}

// Plays each cue the moment it is handed over, as a one-shot sound.
class OneShotSink final : public CueSink
{
public:
    OneShotSink(OneShotSound &cue, OneShotSound &alert) : m_cue(cue), m_alert(alert) {}
    bool available() const override { return true; }
    void playCue(qint64) override { m_cue.play(); }
    void playAlert(qint64) override { m_alert.play(); }

private:
    OneShotSound &m_cue;
    OneShotSound &m_alert;
};

} // namespace

PartResult runSoundLayer(const Run &run, const QString &recordingPath)
{
    PartResult result;
    result.name = QStringLiteral("sound layer");
    SteadyClock clock;
    CuePlayer player(clock);
    if (!player.open()) {
        result.error = QStringLiteral("CuePlayer could not open the default output");
        return result;
    }
    waitUntil([&] { return player.settled(); }, 5000);
    Recorder recorder(recordingPath);
    if (const QString error = recorder.start(); !error.isEmpty()) {
        result.error = error;
        return result;
    }
    resetPeakRss();
    {
        EngineDriver driver(run.profile, clock);
        driver.setSink(&player);
        driver.newTest();
        driver.engine().setCurrentPeriod(run.startPeriod);
        QEventLoop loop;
        const double cpu0 = cpuMs(), server0 = serverCpuMs(), t0 = monoMs();
        QObject::connect(&driver, &EngineDriver::phaseChanged, &loop, [&](TestPhase phase) {
            // The last period's last cue begins a pause nobody needs.
            if (phase == TestPhase::Recovery &&
                driver.engine().currentPeriod() >= run.startPeriod + run.periods)
                loop.quit();
        });
        driver.start(TestMode::EffortTest, run.startPeriod, false);
        loop.exec();
        result.runMs = monoMs() - t0;
        result.cpuMs = cpuMs() - cpu0;
        result.serverCpuMs = server0 < 0 ? -1 : serverCpuMs() - server0;
        result.stats = player.stats();
        result.peakRssKb = statusKb("VmHWM");
        runFor(800); // the last cue plays out
        driver.stop();
    }
    player.close();
    runFor(200);
    recorder.stop();
    result.recording = recorder.data();
    result.msPerFrame = recorder.msPerFrame();
    return result;
}

PartResult runBaseline(const Run &run, const QString &recordingPath, bool useSoundEffect,
                       bool idealTimeline)
{
    PartResult result;
    result.name = idealTimeline ? QStringLiteral("ideal timeline") : QStringLiteral("naive");
    result.sound = useSoundEffect ? QStringLiteral("QSoundEffect::play() per cue")
                                  : QStringLiteral("a fresh one-shot QAudioSink per cue");
    Recorder recorder(recordingPath);
    if (const QString error = recorder.start(); !error.isEmpty()) {
        result.error = error;
        return result;
    }
    resetPeakRss();
    {
        OneShotSound cue(QStringLiteral(":/sounds/sonido.wav"), useSoundEffect);
        OneShotSound alert(QStringLiteral(":/sounds/aviso.wav"), useSoundEffect);
        if (!waitUntil([&] { return cue.ready() && alert.ready(); }, 5000)) {
            result.error = QStringLiteral("the baseline could not load the cue sounds");
            return result;
        }
        runFor(500);
        const double server0 = serverCpuMs();
        if (idealTimeline) {
            SteadyClock clock;
            OneShotSink sink(cue, alert);
            ProgramPacer pacer(run, clock, sink);
            runTimed(pacer, clock, result);
        } else {
            NaivePacer pacer(run, cue, alert);
            bool done = false;
            QElapsedTimer wall;
            const double cpu0 = cpuMs();
            wall.start();
            QEventLoop loop;
            pacer.start([&] {
                result.runMs = double(wall.elapsed());
                result.cpuMs = cpuMs() - cpu0;
                done = true;
                loop.quit();
            });
            if (!done)
                loop.exec();
        }
        result.serverCpuMs = server0 < 0 ? -1 : serverCpuMs() - server0;
        result.peakRssKb = statusKb("VmHWM");
        runFor(1200);
    }
    runFor(200);
    recorder.stop();
    result.recording = recorder.data();
    result.msPerFrame = recorder.msPerFrame();
    return result;
}

PartResult runPollingOnly(const Run &run)
{
    PartResult result;
    result.name = QStringLiteral("polling only");
    SteadyClock clock;
    CountingSink silent;
    ProgramPacer pacer(run, clock, silent);
    runTimed(pacer, clock, result);
    return result;
}

} // namespace Bench
