// Pacing benchmark: plays a stretch of a test through the real engine, timers and cue player on
// a private PulseAudio null sink, records the sink's monitor and compares every cue heard with
// the ideal timeline of the table. The same stretch is then paced by a naive pacer for
// comparison. Also measures start-up time and memory of the main window in child processes.
// Run it through tools/bench.sh, which starts the sound server.

#include "clock.h"
#include "cueplayer.h"
#include "cuesink.h"
#include "dialogs.h"
#include "mainwindowcontrols.h"
#include "onsets.h"
#include "runengine.h"
#include "sportprofile.h"
#include "testfut1.h"
#include "wavefile.h"

#include <QApplication>
#include <QAudioSink>
#include <QBuffer>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QProcess>
#include <QSocketNotifier>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QtEndian>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>

using namespace Protocol;

namespace {

// ---------------------------------------------------------------------------------------------
// Process measurements

qint64 monotonicNs(clockid_t id = CLOCK_MONOTONIC)
{
    timespec ts{};
    clock_gettime(id, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double cpuMs()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    const auto ms = [](const timeval &tv) { return tv.tv_sec * 1000.0 + tv.tv_usec / 1000.0; };
    return ms(ru.ru_utime) + ms(ru.ru_stime);
}

// A field of /proc/self/status in kB, e.g. "VmRSS" or "VmHWM".
qint64 statusKb(const char *field)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Resets VmHWM to the current resident size, so each part of the run gets its own peak.
bool resetPeakRss()
{
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    return file.open(QIODevice::WriteOnly) && file.write("5") == 1;
}

// Milliseconds since the kernel started this process (its start time is kept in clock ticks,
// so this is good to 1000 / CLK_TCK ms).
double msSinceProcessStart()
{
    QFile file(QStringLiteral("/proc/self/stat"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = file.readAll();
    // Fields after the command name, which may itself hold spaces: starttime is field 22.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20)
        return -1;
    const double startS = fields[19].toDouble() / double(sysconf(_SC_CLK_TCK));
    return monotonicNs(CLOCK_BOOTTIME) / 1e6 - startS * 1000.0;
}

QString cpuModel()
{
    QFile file(QStringLiteral("/proc/cpuinfo"));
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.startsWith("model name"))
                return QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
        }
    }
    return QStringLiteral("unknown");
}

// An event loop for a while; QTest::qWait would sleep in between and make every timer late.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        runFor(20);
    }
    return true;
}

void out(const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

class SilentDialogs final : public Dialogs
{
public:
    void message(QWidget *, const QString &, const QString &, QMessageBox::Icon) override {}
};

class CountingSink final : public CueSink
{
public:
    int cues = 0;
    int alerts = 0;
    bool available() const override { return true; }
    void playCue(qint64) override { ++cues; }
    void playAlert(qint64) override { ++alerts; }
};

// ---------------------------------------------------------------------------------------------
// The schedule

struct Run
{
    SportProfile profile;
    int startPeriod = 0;
    int periods = 0;
};

struct Sound
{
    double ms = 0; // ideal time after the run's first cue
    bool alert = false;
    bool endsPeriod = false; // the last cue of a period, which begins the pause
    int period = 0;
};

int alertOffsetMs(int pauseMs)
{
    // Three seconds before the end, on the whole second, as the engine gives it.
    return (pauseMs - 3000) / 1000 * 1000;
}

// Built from the table alone, not from what the engine reports: the start cue at 0, every cue
// one interval after the one before, a pause of its length after a period's last cue.
QVector<Sound> idealTimeline(const Run &run)
{
    const QStringList table = periodTableLines(run.profile);
    QVector<Sound> sounds{{0, false, false, run.startPeriod}};
    double t = 0;
    for (int k = 0; k < run.periods; ++k) {
        const int period = run.startPeriod + k;
        const int interval = intervalFromLine(table.value(period - 1));
        for (int b = 1; b <= run.profile.beepsPerPeriod; ++b) {
            t += interval;
            sounds.append({t, false, b == run.profile.beepsPerPeriod, period});
        }
        if (k + 1 < run.periods) {
            sounds.append({t + alertOffsetMs(run.profile.recoveryMs), true, false, period});
            t += run.profile.recoveryMs;
            sounds.append({t, false, false, period + 1});
        }
    }
    std::sort(sounds.begin(), sounds.end(),
              [](const Sound &a, const Sound &b) { return a.ms < b.ms; });
    return sounds;
}

// ---------------------------------------------------------------------------------------------
// Recording the sink's monitor

double monoMs()
{
    return monotonicNs() / 1e6;
}

// parec on the sink's monitor, read by a child process of this benchmark so that reading it
// costs the measured process nothing. The child also says when the first frame was heard, on
// the monotonic clock: data arrives after it was captured, never before, so the earliest
// estimate over all arrivals is the best. The null sink hands its monitor what it renders,
// which is the device latency (printed with the results) before a card would play it.
int recordTo(const QString &path, int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QFile data(path);
    QFile start(path + QStringLiteral(".start"));
    if (!data.open(QIODevice::WriteOnly) || !start.open(QIODevice::WriteOnly))
        return 1;
    QProcess parec;
    qint64 bytes = 0;
    double startMs = std::numeric_limits<double>::max();
    QObject::connect(&parec, &QProcess::readyReadStandardOutput, &app, [&] {
        const QByteArray chunk = parec.readAllStandardOutput();
        data.write(chunk);
        data.flush();
        bytes += chunk.size();
        const double estimate = monoMs() - double(bytes / 2) * 1000.0 / onsets::RecordRate;
        if (estimate < startMs) {
            startMs = estimate;
            start.seek(0);
            start.write(QByteArray::number(startMs, 'f', 3).leftJustified(24, ' '));
            start.flush();
        }
    });
    QObject::connect(&parec, &QProcess::finished, &app, &QCoreApplication::quit);
    // The parent closes this process's input to end the recording.
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char byte = 0;
        if (::read(0, &byte, 1) <= 0) {
            input.setEnabled(false);
            parec.terminate();
        }
    });
    parec.start(QStringLiteral("parec"),
                {QStringLiteral("--device=cues.monitor"), QStringLiteral("--raw"),
                 QStringLiteral("--format=s16le"),
                 QStringLiteral("--rate=%1").arg(onsets::RecordRate),
                 QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=10")});
    if (!parec.waitForStarted(5000))
        return 1;
    return app.exec();
}

class Recorder
{
public:
    explicit Recorder(const QString &path)
        : m_path(path.isEmpty() ? m_temp.filePath(QStringLiteral("recording.raw")) : path)
    {
    }
    ~Recorder() { stop(); }

    QString start()
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--record"), m_path});
        if (!m_process.waitForStarted(5000))
            return m_process.errorString();
        // Sound from before the capture runs would be lost; wait for its first 100 ms.
        if (!waitUntil([this] { return QFileInfo(m_path).size() >= onsets::RecordRate / 5; }, 5000))
            return QStringLiteral("parec records nothing");
        return {};
    }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(1000);
        QFile data(m_path);
        if (data.open(QIODevice::ReadOnly))
            m_data = data.readAll();
        QFile start(m_path + QStringLiteral(".start"));
        if (start.open(QIODevice::ReadOnly))
            m_startMs = start.readAll().trimmed().toDouble();
    }

    const QByteArray &data() const { return m_data; }
    double startMs() const { return m_startMs; }
    double heardMs(qint64 frame) const { return m_startMs + frame * 1000.0 / onsets::RecordRate; }

private:
    QTemporaryDir m_temp;
    QString m_path;
    QProcess m_process;
    QByteArray m_data;
    double m_startMs = 0;
};

// CPU time of the sound server, all its threads, in ms; -1 when it is not known.
double serverCpuMs()
{
    QFile pidFile(QString::fromLocal8Bit(qgetenv("ZENTA_PULSE_PIDFILE")));
    if (!pidFile.open(QIODevice::ReadOnly))
        return -1;
    QFile file(
        QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pidFile.readAll().trimmed())));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = file.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    // utime and stime, fields 14 and 15 of the line.
    return (fields[11].toDouble() + fields[12].toDouble()) * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

// ---------------------------------------------------------------------------------------------
// The two pacers

struct PartResult
{
    QString name;
    QString sound;
    QString error; // why the part could not run
    double runMs = 0;
    double cpuMs = 0;
    double serverCpuMs = -1;
    qint64 peakRssKb = 0;
    QByteArray recording;
};

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

double runLengthMs(const Run &run)
{
    return idealTimeline(run).last().ms;
}

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

// The same pacing with the sound left out: what the polling alone costs.
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

// The sound layer as the program drives it, without the window: the engine driver hands the
// cue player its plan; the driver's own timer polls the engine.
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
        result.peakRssKb = statusKb("VmHWM");
        runFor(800); // the last cue plays out
        driver.stop();
    }
    player.close();
    runFor(200);
    recorder.stop();
    result.recording = recorder.data();
    return result;
}

// A baseline: the naive pacer, or the engine's ideal timeline; either plays each cue as a
// one-shot sound when its timer fires.
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
    return result;
}

// ---------------------------------------------------------------------------------------------
// What was heard against the ideal timeline

struct Analysis
{
    int cues = 0;
    int missingCues = 0;
    int alerts = 0;
    int missingAlerts = 0;
    int extraSounds = 0;
    double offsetMs = 0;       // constant removed: first cue heard minus its ideal time
    double medianOffsetMs = 0; // for comparison
    QVector<double> cueErrors; // signed, ms, after removing the offset
    QVector<QPair<int, double>> periodEndDrift;
    double meanAbs = 0, p95Abs = 0, maxAbs = 0;
};

struct Match
{
    QVector<int> burstOf; // per sound, index of its burst or -1
    int matched = 0;
};

// Walks the timeline in order, following a pacer that drifts: each sound is looked for near
// where the previous match puts it.
Match matchSounds(const QVector<Sound> &sounds, const QVector<onsets::Burst> &bursts, double offset)
{
    Match m;
    m.burstOf.fill(-1, sounds.size());
    double drift = 0;
    int next = 0;
    for (int i = 0; i < sounds.size(); ++i) {
        const double gapBefore = i > 0 ? sounds[i].ms - sounds[i - 1].ms : 1e9;
        const double gapAfter = i + 1 < sounds.size() ? sounds[i + 1].ms - sounds[i].ms : 1e9;
        const double window = std::min({250.0, gapBefore / 3, gapAfter / 3});
        const double want = sounds[i].ms + offset + drift;
        int best = -1;
        for (int j = next; j < bursts.size(); ++j) {
            const double d = bursts[j].onsetMs() - want;
            if (d > window)
                break;
            if (d >= -window && (best < 0 || std::abs(d) < std::abs(bursts[best].onsetMs() - want)))
                best = j;
        }
        if (best >= 0) {
            m.burstOf[i] = best;
            ++m.matched;
            drift = bursts[best].onsetMs() - sounds[i].ms - offset;
            next = best + 1;
        }
    }
    return m;
}

Analysis analyse(const QVector<Sound> &sounds, const QVector<onsets::Burst> &bursts)
{
    Analysis a;
    for (const Sound &s : sounds)
        (s.alert ? a.alerts : a.cues)++;
    // Coarse alignment: pair one of the first sounds with one of the first bursts, and keep the
    // pairing most of the run agrees with.
    Match best;
    double bestOffset = 0;
    for (int i = 0; i < std::min<int>(3, sounds.size()); ++i) {
        for (int j = 0; j < std::min<int>(6, bursts.size()); ++j) {
            const double offset = bursts[j].onsetMs() - sounds[i].ms;
            const Match m = matchSounds(sounds, bursts, offset);
            if (m.matched > best.matched) {
                best = m;
                bestOffset = offset;
            }
        }
    }
    if (best.matched == 0) {
        a.missingCues = a.cues;
        a.missingAlerts = a.alerts;
        a.extraSounds = int(bursts.size());
        return a;
    }
    Q_UNUSED(bestOffset)
    QVector<double> offsets;
    bool haveFirst = false;
    for (int i = 0; i < sounds.size(); ++i) {
        const int b = best.burstOf[i];
        if (b < 0) {
            (sounds[i].alert ? a.missingAlerts : a.missingCues)++;
            continue;
        }
        if (sounds[i].alert)
            continue;
        const double offset = bursts[b].onsetMs() - sounds[i].ms;
        if (!haveFirst) {
            a.offsetMs = offset;
            haveFirst = true;
        }
        offsets.append(offset);
    }
    a.extraSounds = int(bursts.size()) - best.matched;
    if (offsets.isEmpty())
        return a;
    QVector<double> sorted = offsets;
    std::sort(sorted.begin(), sorted.end());
    a.medianOffsetMs = sorted[sorted.size() / 2];

    QVector<double> absErrors;
    for (int i = 0; i < sounds.size(); ++i) {
        const int b = best.burstOf[i];
        if (b < 0 || sounds[i].alert)
            continue;
        const double error = bursts[b].onsetMs() - sounds[i].ms - a.offsetMs;
        a.cueErrors.append(error);
        absErrors.append(std::abs(error));
        if (sounds[i].endsPeriod)
            a.periodEndDrift.append({sounds[i].period, error});
    }
    std::sort(absErrors.begin(), absErrors.end());
    double sum = 0;
    for (double e : std::as_const(absErrors))
        sum += e;
    a.meanAbs = sum / absErrors.size();
    a.p95Abs = absErrors[std::min<qsizetype>(absErrors.size() - 1,
                                             qsizetype(std::ceil(0.95 * absErrors.size())) - 1)];
    a.maxAbs = absErrors.last();
    return a;
}

// ---------------------------------------------------------------------------------------------
// Child processes: start-up and memory of the window

constexpr char ProbeTag[] = "PROBE ";

void configureLikeTheApp(TForm1 &window)
{
    window.setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint);
    window.setFixedSize(window.size());
}

// Watches the whole application: the window itself may get no paint event of its own when its
// children cover it.
class FirstPaint final : public QObject
{
public:
    explicit FirstPaint(QWidget *window) : m_window(window) {}
    std::function<void()> painted;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && painted && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->window() == m_window) {
            // Measured once the whole first round of painting is through, not at its start.
            const std::function<void()> done = std::move(painted);
            painted = nullptr;
            QTimer::singleShot(0, m_window, [done] { done(); });
        }
        return false;
    }

private:
    QWidget *m_window;
};

// ---------------------------------------------------------------------------------------------
// The program as app/main.cpp wires it: the cue player opened at start-up, the main window and
// its engine driver, the operator's clicks. What was heard is recorded; when the window painted
// each cue's displays is seen by an application-wide event filter.

struct WindowRunPlan
{
    SportVariant variant = SportVariant::Futbol;
    TestMode mode = TestMode::EffortTest;
    int startPeriod = 29;
    int cues = 58;          // "Fin de la prueba" is pressed 150 ms into the last of these
    int stallAfterCue = -1; // the window's thread is then kept busy for stallMs
    int stallMs = 1000;
    QString recordingPath;
};

struct WindowRunResult
{
    QString error;
    double clickMs = 0; // "Iniciar prueba", monotonic
    double stopMs = 0;  // "Fin de la prueba"
    double stallFromMs = -1, stallToMs = -1, stallCpuMs = 0;
    QVector<double> dueMs;     // each cue the engine reported, monotonic
    QVector<double> paintedMs; // the window's first paint after its displays took that cue
    double runMs = 0, cpuMs = 0, serverCpuMs = -1;
    qint64 peakRssKb = 0;
    CuePlayer::Stats stats;
    QByteArray recording;
    double recordingStartMs = 0;

    double heardMs(qint64 frame) const
    {
        return recordingStartMs + frame * 1000.0 / onsets::RecordRate;
    }
};

class PaintWatch final : public QObject
{
public:
    explicit PaintWatch(QWidget *window) : m_window(window) {}
    std::function<void()> painted;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && painted && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->window() == m_window)
            painted();
        return false;
    }

private:
    QWidget *m_window;
};

WindowRunResult runWindow(const WindowRunPlan &plan)
{
    WindowRunResult r;
    SteadyClock clock;
    const double offsetMs = monoMs() - double(clock.nowNs()) / 1e6;
    CuePlayer player(clock);
    if (!player.open()) {
        r.error = QStringLiteral("CuePlayer could not open the default output");
        return r;
    }
    // The program opens its stream at start-up, long before anyone presses start.
    waitUntil([&] { return player.settled(); }, 5000);
    // The recorder joins the server after the program's stream, as anything else would.
    Recorder recorder(plan.recordingPath);
    if (const QString error = recorder.start(); !error.isEmpty()) {
        r.error = error;
        return r;
    }
    resetPeakRss();
    {
        SilentDialogs dialogs;
        TForm1 window(plan.variant, clock, &player, &dialogs);
        configureLikeTheApp(window);
        window.show();
        runFor(500);
        const MainWindowControls controls(&window);
        const MainWindowControls *ui = &controls;
        ui->BitBtnEmpezar->click();
        (plan.mode == TestMode::RepeatPeriod ? ui->FlatRadioButton2 : ui->FlatRadioButton3)
            ->click();
        ui->CheckBox_Calentamiento->setChecked(false);
        ui->SpinEdit1->setValue(plan.startPeriod);
        runFor(300);

        EngineDriver &driver = window.driver();
        QEventLoop loop;
        int awaiting = -1;
        PaintWatch watch(&window);
        watch.painted = [&] {
            if (awaiting >= 0) {
                r.paintedMs[awaiting] = monoMs();
                awaiting = -1;
            }
        };
        qApp->installEventFilter(&watch);
        double cpu0 = 0, server0 = 0;
        QObject::connect(&driver, &EngineDriver::cueDue, &loop, [&](qint64 due) {
            r.dueMs.append(double(due) + offsetMs);
            r.paintedMs.append(-1);
            const int index = int(r.dueMs.size()) - 1;
            if (index == plan.stallAfterCue) {
                QTimer::singleShot(300, &loop, [&] {
                    const double cpuBefore = cpuMs();
                    r.stallFromMs = monoMs();
                    while (monoMs() < r.stallFromMs + plan.stallMs) {
                    }
                    r.stallToMs = monoMs();
                    // The stall's own cost is the benchmark's, not the program's.
                    r.stallCpuMs = cpuMs() - cpuBefore;
                });
            }
            if (index + 1 == plan.cues) {
                const int wait = int(r.dueMs.last() + 150 - monoMs());
                QTimer::singleShot(std::max(0, wait), Qt::PreciseTimer, &loop, [&] {
                    r.stopMs = monoMs();
                    r.cpuMs = cpuMs() - cpu0 - r.stallCpuMs;
                    r.serverCpuMs = server0 < 0 ? -1 : serverCpuMs() - server0;
                    r.runMs = r.stopMs - r.clickMs;
                    window.BitBtnStopClick();
                    QTimer::singleShot(800, &loop, &QEventLoop::quit);
                });
            }
        });
        // After the window's own handler: its widgets already show the cue.
        QObject::connect(&driver, &EngineDriver::displaysChanged, &loop, [&] {
            if (!r.paintedMs.isEmpty() && r.paintedMs.last() < 0)
                awaiting = int(r.paintedMs.size()) - 1;
        });
        cpu0 = cpuMs();
        server0 = serverCpuMs();
        r.clickMs = monoMs();
        window.BitBtnStartClick();
        loop.exec();
        qApp->removeEventFilter(&watch);
        r.peakRssKb = statusKb("VmHWM");
        r.stats = player.stats();
    }
    player.close();
    runFor(200);
    recorder.stop();
    r.recording = recorder.data();
    r.recordingStartMs = recorder.startMs();
    return r;
}

// What the window run sounded like against what it showed.
struct InStep
{
    QVector<double> skewMs; // heard onset minus the paint of the same cue's displays
    QVector<int> burstOfCue;
    int missing = 0;
    double startToFirstMs = -1;
    double stopToQuietMs = -1;
    int heardDuringStall = 0, dueDuringStall = 0;
};

InStep inStep(const WindowRunResult &r)
{
    InStep s;
    const QVector<onsets::Burst> bursts = onsets::findBursts(r.recording);
    for (int i = 0; i < r.dueMs.size(); ++i) {
        int found = -1;
        for (int b = 0; b < bursts.size(); ++b) {
            if (std::abs(r.heardMs(bursts[b].onset) - r.dueMs[i]) < 200) {
                found = b;
                break;
            }
        }
        s.burstOfCue.append(found);
        if (r.stallFromMs >= 0 && r.dueMs[i] >= r.stallFromMs && r.dueMs[i] < r.stallToMs) {
            ++s.dueDuringStall;
            s.heardDuringStall += found >= 0;
        }
        if (found < 0) {
            ++s.missing;
            continue;
        }
        if (r.paintedMs[i] >= 0)
            s.skewMs.append(r.heardMs(bursts[found].onset) - r.paintedMs[i]);
        if (i == 0)
            s.startToFirstMs = r.heardMs(bursts[found].onset) - r.clickMs;
        if (i + 1 == r.dueMs.size())
            s.stopToQuietMs = r.heardMs(bursts[found].end) - r.stopMs;
    }
    return s;
}

double percentile(QVector<double> v, double p)
{
    if (v.isEmpty())
        return -1;
    std::sort(v.begin(), v.end());
    const qsizetype rank = std::max<qsizetype>(1, qsizetype(std::ceil(p * v.size())));
    return v[std::min<qsizetype>(v.size(), rank) - 1];
}

// A short run in a process of its own: skew, start and stop of one launch.
int probeInStep(SportVariant variant, int argc, char **argv)
{
    QApplication app(argc, argv);
    WindowRunPlan plan;
    plan.variant = variant;
    plan.mode = TestMode::RepeatPeriod;
    plan.startPeriod = 30;
    plan.cues = 8;
    const WindowRunResult r = runWindow(plan);
    if (!r.error.isEmpty()) {
        out(r.error);
        return 1;
    }
    const InStep s = inStep(r);
    out(QStringLiteral("%1instep skew_median=%2 skew_min=%3 skew_max=%4 start_ms=%5 stop_ms=%6 "
                       "missing=%7")
            .arg(QLatin1String(ProbeTag))
            .arg(percentile(s.skewMs, 0.5), 0, 'f', 2)
            .arg(percentile(s.skewMs, 0), 0, 'f', 2)
            .arg(percentile(s.skewMs, 1), 0, 'f', 2)
            .arg(s.startToFirstMs, 0, 'f', 1)
            .arg(s.stopToQuietMs, 0, 'f', 1)
            .arg(s.missing));
    return 0;
}

// The program at rest, as main.cpp leaves it, ready for a test: CPU of it and of the server.
int probeRest(SportVariant variant, int argc, char **argv)
{
    QApplication app(argc, argv);
    SteadyClock clock;
    CuePlayer sound(clock);
    sound.open();
    SilentDialogs dialogs;
    TForm1 window(variant, clock, &sound, &dialogs);
    configureLikeTheApp(window);
    window.show();
    runFor(1000);
    MainWindowControls(&window).BitBtnEmpezar->click();
    MainWindowControls(&window).FlatRadioButton3->click();
    runFor(2000);
    const double cpu0 = cpuMs(), server0 = serverCpuMs(), t0 = monoMs();
    runFor(10000);
    const double span = monoMs() - t0;
    out(QStringLiteral("%1rest cpu_pct=%2 server_pct=%3")
            .arg(QLatin1String(ProbeTag))
            .arg(100.0 * (cpuMs() - cpu0) / span, 0, 'f', 3)
            .arg(server0 < 0 ? -1.0 : 100.0 * (serverCpuMs() - server0) / span, 0, 'f', 3));
    return 0;
}

// The app's own start: clock, player opened, then the window, shown.
int probeStartup(SportVariant variant, int argc, char **argv)
{
    const qint64 mainNs = monotonicNs();
    QApplication app(argc, argv);
    SteadyClock clock;
    CuePlayer sound(clock);
    const qint64 openNs = monotonicNs();
    sound.open();
    const double openMs = (monotonicNs() - openNs) / 1e6;
    SilentDialogs dialogs; // a missing device would otherwise wait for a click
    TForm1 window(variant, clock, &sound, &dialogs);
    configureLikeTheApp(window);
    FirstPaint filter(&window);
    qint64 paintNs = 0;
    double sinceStart = 0;
    filter.painted = [&] {
        paintNs = monotonicNs();
        sinceStart = msSinceProcessStart();
        // At rest: painted and idle for a second.
        // exit(), not quit(): quit() asks the window to close, and it may refuse.
        QTimer::singleShot(1000, &app, [] { QCoreApplication::exit(0); });
    };
    app.installEventFilter(&filter);
    window.show();
    app.exec();
    out(QStringLiteral("%1startup paint_ns=%2 main_ns=%3 since_kernel_start_ms=%4 rss_kb=%5 "
                       "sound=%6 open_ms=%7")
            .arg(QLatin1String(ProbeTag))
            .arg(paintNs)
            .arg(mainNs)
            .arg(sinceStart, 0, 'f', 1)
            .arg(statusKb("VmRSS"))
            .arg(sound.available() ? 1 : 0)
            .arg(openMs, 0, 'f', 1));
    return paintNs > 0 ? 0 : 1;
}

// A whole test from period 1 on a clock moved by hand, the window painting as it goes.
int probeLongRun(SportVariant variant, int periods, int argc, char **argv)
{
    QApplication app(argc, argv);
    ManualClock clock(10000);
    CountingSink sound;
    SilentDialogs dialogs;
    TForm1 window(variant, clock, &sound, &dialogs);
    configureLikeTheApp(window);
    window.show();
    runFor(300);
    const qint64 restKb = statusKb("VmRSS");
    const MainWindowControls controls(&window);
    const MainWindowControls *ui = &controls;
    ui->FlatRadioButton1->setChecked(true);
    window.BitBtnStartClick();
    RunEngine &engine = window.engine();
    periods = std::min(periods, int(engine.workingTable().size()));
    qint64 steps = 0;
    while (engine.isRunning() && engine.completedPeriods() < periods && steps < 100LL * 3600 * 24) {
        clock.advance(10);
        window.pollEngine();
        if (++steps % 100 == 0)
            QCoreApplication::processEvents();
    }
    const int completed = engine.completedPeriods();
    window.BitBtnStopClick();
    runFor(300);
    out(QStringLiteral("%1longrun periods=%2 cues=%3 alerts=%4 simulated_s=%5 rest_kb=%6 "
                       "after_kb=%7 peak_kb=%8")
            .arg(QLatin1String(ProbeTag))
            .arg(completed)
            .arg(sound.cues)
            .arg(sound.alerts)
            .arg(steps / 100)
            .arg(restKb)
            .arg(statusKb("VmRSS"))
            .arg(statusKb("VmHWM")));
    return 0;
}

QMap<QString, QString> runProbe(const QStringList &args, qint64 *launchNs)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    *launchNs = monotonicNs();
    child.start(QCoreApplication::applicationFilePath(), args);
    QMap<QString, QString> values;
    if (!child.waitForFinished(600000))
        return values;
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        if (!line.startsWith(ProbeTag))
            continue;
        for (const QByteArray &pair : line.mid(int(sizeof ProbeTag) - 1).split(' ')) {
            const int eq = pair.indexOf('=');
            if (eq > 0)
                values.insert(QString::fromUtf8(pair.left(eq)),
                              QString::fromUtf8(pair.mid(eq + 1)));
        }
    }
    return values;
}

// ---------------------------------------------------------------------------------------------
// Output

QString ms(double v, int decimals = 2)
{
    if (std::abs(v) < 0.5 * std::pow(10.0, -decimals))
        v = 0; // no "-0.00"
    return QString::number(v, 'f', decimals);
}

QString driftText(const Analysis &a)
{
    QStringList parts;
    for (const auto &d : a.periodEndDrift)
        parts << QStringLiteral("P%1 %2").arg(d.first).arg(ms(d.second));
    return parts.isEmpty() ? QStringLiteral("–") : parts.join(QStringLiteral(", "));
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly)
               ? QString::fromLatin1(file.readAll().split(' ').mid(0, 3).join(' '))
               : QStringLiteral("?");
}

QString verdict(bool met)
{
    return met ? QStringLiteral("met") : QStringLiteral("**missed**");
}

} // namespace

int main(int argc, char *argv[])
{
    // The probes parse their own arguments before anything else is set up, so the time to the
    // first paint includes no more than the app itself does.
    if (argc >= 3 && qstrcmp(argv[1], "--probe-startup") == 0)
        return probeStartup(SportVariant(atoi(argv[2])), argc, argv);
    if (argc >= 4 && qstrcmp(argv[1], "--probe-long-run") == 0)
        return probeLongRun(SportVariant(atoi(argv[2])), atoi(argv[3]), argc, argv);
    if (argc >= 3 && qstrcmp(argv[1], "--probe-in-step") == 0)
        return probeInStep(SportVariant(atoi(argv[2])), argc, argv);
    if (argc >= 3 && qstrcmp(argv[1], "--probe-rest") == 0)
        return probeRest(SportVariant(atoi(argv[2])), argc, argv);
    if (argc >= 3 && qstrcmp(argv[1], "--record") == 0)
        return recordTo(QString::fromLocal8Bit(argv[2]), argc, argv);

    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Cue timing heard at the sink and against the screen, CPU, memory and start-up."));
    parser.addHelpOption();
    const QCommandLineOption startOption(QStringLiteral("start-period"),
                                         QStringLiteral("First period (default 29)."),
                                         QStringLiteral("n"), QStringLiteral("29"));
    const QCommandLineOption periodsOption(QStringLiteral("periods"),
                                           QStringLiteral("Effort periods (default 2)."),
                                           QStringLiteral("n"), QStringLiteral("2"));
    const QCommandLineOption startupRunsOption(QStringLiteral("startup-runs"),
                                               QStringLiteral("Start-up measurements (default 5)."),
                                               QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption launchesOption(
        QStringLiteral("launches"),
        QStringLiteral("Short runs of the program, each a process of its own (default 3)."),
        QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption keepOption(QStringLiteral("keep"),
                                        QStringLiteral("Keep the recordings in this folder."),
                                        QStringLiteral("dir"));
    const QCommandLineOption effectOption(
        QStringLiteral("baseline-soundeffect"),
        QStringLiteral("Baselines play with QSoundEffect instead of a one-shot QAudioSink (on "
                       "Qt 6.4 with PulseAudio it loses most cues)."));
    const QCommandLineOption onlyOption(
        QStringLiteral("only"),
        QStringLiteral("Run one part: program, layer, baselines, polling or window."),
        QStringLiteral("part"));
    parser.addOptions({startOption, periodsOption, startupRunsOption, launchesOption, keepOption,
                       effectOption, onlyOption});
    parser.process(app);

    // Football: the window is built for it, pauses and all.
    const SportVariant variant = SportVariant::Futbol;
    Run run;
    run.profile = sportProfile(variant);
    run.startPeriod = parser.value(startOption).toInt();
    run.periods = parser.value(periodsOption).toInt();
    const QStringList table = periodTableLines(run.profile);
    if (run.periods < 1 || run.startPeriod < 1 ||
        run.startPeriod + run.periods - 1 > table.size()) {
        out(QStringLiteral("periods %1..%2 are not all in the table (1..%3)")
                .arg(run.startPeriod)
                .arg(run.startPeriod + run.periods - 1)
                .arg(table.size()));
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        // Never into someone's speakers: only the private server bench.sh starts.
        out(QStringLiteral("run this through tools/bench.sh (it starts a private sound server)"));
        return 2;
    }

    QTemporaryDir temp;
    const QString folder = parser.isSet(keepOption) ? parser.value(keepOption) : temp.path();
    if (!QDir().mkpath(folder)) {
        out(QStringLiteral("cannot create %1").arg(folder));
        return 2;
    }
    const QVector<Sound> timeline = idealTimeline(run);
    const int cueCount = int(
        std::count_if(timeline.cbegin(), timeline.cend(), [](const Sound &s) { return !s.alert; }));

    out(QStringLiteral("Football periods %1..%2, %3 beeps each, pauses of their real length "
                       "(%4 s); about %5 s per pacer.")
            .arg(run.startPeriod)
            .arg(run.startPeriod + run.periods - 1)
            .arg(run.profile.beepsPerPeriod)
            .arg(run.profile.recoveryMs / 1000)
            .arg(qRound(runLengthMs(run) / 1000)));

    // A developer aid: the parts left out read 0 in the tables.
    const QString only = parser.value(onlyOption);
    const bool doWindow = only.isEmpty() || only == QLatin1String("window");
    const bool doProgram = only.isEmpty() || only == QLatin1String("program");
    const bool doBaselines = only.isEmpty() || only == QLatin1String("baselines");
    const bool doPolling = only.isEmpty() || only == QLatin1String("polling");
    const bool doLayer = doProgram || only == QLatin1String("layer");
    const QString variantArg = QString::number(int(variant));

    // Start-up and memory first, while the machine is quiet.
    QVector<double> launchToPaint, kernelToPaint, restRss, openSound;
    QMap<QString, QString> longRun, rest;
    QVector<QMap<QString, QString>> launches;
    const int startupRuns = doWindow ? parser.value(startupRunsOption).toInt() : 0;
    if (doWindow)
        out(QStringLiteral("Start-up: %1 launches of the window probe...").arg(startupRuns));
    for (int i = 0; i < startupRuns; ++i) {
        qint64 launchNs = 0;
        const auto v = runProbe({QStringLiteral("--probe-startup"), variantArg}, &launchNs);
        if (!v.contains(QStringLiteral("paint_ns")))
            continue;
        launchToPaint.append((v.value(QStringLiteral("paint_ns")).toLongLong() - launchNs) / 1e6);
        kernelToPaint.append(v.value(QStringLiteral("since_kernel_start_ms")).toDouble());
        restRss.append(v.value(QStringLiteral("rss_kb")).toDouble());
        openSound.append(v.value(QStringLiteral("open_ms")).toDouble());
    }
    qint64 unused = 0;
    if (doWindow) {
        out(QStringLiteral("At rest: 10 s of the window ready for a test..."));
        rest = runProbe({QStringLiteral("--probe-rest"), variantArg}, &unused);
        out(QStringLiteral("Long run: 30 periods on a hand-moved clock..."));
        longRun = runProbe({QStringLiteral("--probe-long-run"), variantArg, QStringLiteral("30")},
                           &unused);
    }
    if (doProgram) {
        const int n = parser.value(launchesOption).toInt();
        out(QStringLiteral("In step: %1 launches of a short run of the program...").arg(n));
        for (int i = 0; i < n; ++i)
            launches.append(runProbe({QStringLiteral("--probe-in-step"), variantArg}, &unused));
    }

    WindowRunResult program;
    PartResult layer, ideal, naive, polling;
    if (doProgram) {
        out(QStringLiteral("Program: the main window, its engine driver and CuePlayer..."));
        WindowRunPlan plan;
        plan.variant = variant;
        plan.startPeriod = run.startPeriod;
        plan.cues = cueCount;
        plan.stallAfterCue = 8;
        plan.recordingPath = folder + QStringLiteral("/program.raw");
        program = runWindow(plan);
        if (!program.error.isEmpty()) {
            out(QStringLiteral("program failed: %1").arg(program.error));
            return 1;
        }
    }
    if (doLayer) {
        out(QStringLiteral("The sound layer alone: engine driver and CuePlayer, no window..."));
        layer = runSoundLayer(run, folder + QStringLiteral("/layer.raw"));
        if (!layer.error.isEmpty()) {
            out(QStringLiteral("sound layer failed: %1").arg(layer.error));
            return 1;
        }
    }
    if (doBaselines) {
        out(QStringLiteral("Baseline: the engine's ideal timeline, a one-shot sound per cue..."));
        ideal = runBaseline(run, folder + QStringLiteral("/ideal.raw"), parser.isSet(effectOption),
                            true);
        out(QStringLiteral("Baseline: naive pacer..."));
        naive = runBaseline(run, folder + QStringLiteral("/naive.raw"), parser.isSet(effectOption),
                            false);
        for (const PartResult *p : {&ideal, &naive}) {
            if (!p->error.isEmpty()) {
                out(QStringLiteral("%1 failed: %2").arg(p->name, p->error));
                return 1;
            }
        }
    }
    if (doPolling) {
        out(QStringLiteral("Polling alone, no sound..."));
        polling = runPollingOnly(run);
    }

    const Analysis pa = analyse(timeline, onsets::findBursts(program.recording));
    const Analysis la = analyse(timeline, onsets::findBursts(layer.recording));
    const Analysis ia = analyse(timeline, onsets::findBursts(ideal.recording));
    const Analysis na = analyse(timeline, onsets::findBursts(naive.recording));
    const InStep step = inStep(program);

    const auto median = [](const QVector<double> &v) { return percentile(v, 0.5); };
    const auto maxOf = [](const QVector<double> &v) {
        return v.isEmpty() ? -1.0 : *std::max_element(v.begin(), v.end());
    };
    const auto pct = [](double cpu, double runMs) { return runMs > 0 ? 100.0 * cpu / runMs : 0.0; };

    QStringList t;
    t << QStringLiteral("| | program (window) | sound layer alone | ideal timeline, one-shot "
                        "sounds | naive pacer |")
      << QStringLiteral("|---|---:|---:|---:|---:|");
    const auto row = [&](const QString &what, double a, double b, double c, double d,
                         int decimals = 2) {
        t << QStringLiteral("| %1 | %2 | %3 | %4 | %5 |")
                 .arg(what, ms(a, decimals), ms(b, decimals), ms(c, decimals), ms(d, decimals));
    };
    const Analysis *all[] = {&pa, &la, &ia, &na};
    const auto texts = [&](const std::function<QString(const Analysis &)> &f) {
        QStringList cells;
        for (const Analysis *a : all)
            cells << f(*a);
        return cells.join(QStringLiteral(" | "));
    };
    row(QStringLiteral("cue onset error, mean (ms)"), pa.meanAbs, la.meanAbs, ia.meanAbs,
        na.meanAbs);
    row(QStringLiteral("cue onset error, p95 (ms)"), pa.p95Abs, la.p95Abs, ia.p95Abs, na.p95Abs);
    row(QStringLiteral("cue onset error, max (ms)"), pa.maxAbs, la.maxAbs, ia.maxAbs, na.maxAbs);
    t << QStringLiteral("| drift at period ends (ms) | %1 |").arg(texts(driftText));
    t << QStringLiteral("| cues missing / expected | %1 |").arg(texts([](const Analysis &a) {
        return QStringLiteral("%1 / %2").arg(a.missingCues).arg(a.cues);
    }));
    t << QStringLiteral("| alerts missing / expected | %1 |").arg(texts([](const Analysis &a) {
        return QStringLiteral("%1 / %2").arg(a.missingAlerts).arg(a.alerts);
    }));
    t << QStringLiteral("| unexpected sounds | %1 |").arg(texts([](const Analysis &a) {
        return QString::number(a.extraSounds);
    }));
    row(QStringLiteral("CPU of the program, % of one core"), pct(program.cpuMs, program.runMs),
        pct(layer.cpuMs, layer.runMs), pct(ideal.cpuMs, ideal.runMs),
        pct(naive.cpuMs, naive.runMs));
    row(QStringLiteral("CPU of the sound server, % of one core"),
        pct(program.serverCpuMs, program.runMs), pct(layer.serverCpuMs, layer.runMs),
        pct(ideal.serverCpuMs, ideal.runMs), pct(naive.serverCpuMs, naive.runMs));
    row(QStringLiteral("peak resident memory, VmHWM (MB)"), program.peakRssKb / 1024.0,
        layer.peakRssKb / 1024.0, ideal.peakRssKb / 1024.0, naive.peakRssKb / 1024.0, 1);

    QStringList st;
    st << QStringLiteral("| screen and sound (program) | value |") << QStringLiteral("|---|---:|");
    st << QStringLiteral("| skew, heard onset − paint of the same cue, median / p95 / max (ms) | "
                         "%1 / %2 / %3 |")
              .arg(ms(median(step.skewMs), 1), ms(percentile(step.skewMs, 0.95), 1),
                   ms(maxOf(step.skewMs), 1));
    st << QStringLiteral("| skew, min (ms) | %1 |").arg(ms(percentile(step.skewMs, 0), 1));
    QStringList perLaunch, startPerLaunch, stopPerLaunch;
    QVector<double> launchMedians, launchStarts, launchStops;
    for (const auto &v : std::as_const(launches)) {
        perLaunch << v.value(QStringLiteral("skew_median"), QStringLiteral("?"));
        startPerLaunch << v.value(QStringLiteral("start_ms"), QStringLiteral("?"));
        stopPerLaunch << v.value(QStringLiteral("stop_ms"), QStringLiteral("?"));
        launchMedians << v.value(QStringLiteral("skew_median")).toDouble();
        launchStarts << v.value(QStringLiteral("start_ms")).toDouble();
        launchStops << v.value(QStringLiteral("stop_ms")).toDouble();
    }
    st << QStringLiteral("| skew median of each of %1 launches (ms) | %2 |")
              .arg(launches.size())
              .arg(perLaunch.join(QStringLiteral(", ")));
    st << QStringLiteral("| \"Iniciar prueba\" → first cue heard, this run / launches (ms) | %1 / "
                         "%2 |")
              .arg(ms(step.startToFirstMs, 1), startPerLaunch.join(QStringLiteral(", ")));
    st << QStringLiteral("| \"Fin de la prueba\" 150 ms into a cue → silence, this run / launches "
                         "(ms) | %1 / %2 |")
              .arg(ms(step.stopToQuietMs, 1), stopPerLaunch.join(QStringLiteral(", ")));
    st << QStringLiteral("| window's thread busy for %1 ms: cues due then heard | %2 / %3 |")
              .arg(program.stallToMs - program.stallFromMs, 0, 'f', 0)
              .arg(step.heardDuringStall)
              .arg(step.dueDuringStall);
    st << QStringLiteral("| stream: written ahead / device latency (ms) | %1 / %2 |")
              .arg(ms(program.stats.aheadMs, 0), ms(program.stats.sinkMs, 1));

    QStringList w;
    w << QStringLiteral("| main window | value |") << QStringLiteral("|---|---:|");
    w << QStringLiteral("| launch → first paint, median / max of %1 (ms) | %2 / %3 |")
             .arg(launchToPaint.size())
             .arg(ms(median(launchToPaint), 0), ms(maxOf(launchToPaint), 0));
    w << QStringLiteral("| kernel process start → first paint, median (ms, 10 ms ticks) | %1 |")
             .arg(ms(median(kernelToPaint), 0));
    w << QStringLiteral("| of which opening the sound stream, median (ms) | %1 |")
             .arg(ms(median(openSound), 0));
    w << QStringLiteral("| CPU at rest, ready for a test: program / sound server (%) | %1 / %2 |")
             .arg(rest.value(QStringLiteral("cpu_pct")), rest.value(QStringLiteral("server_pct")));
    w << QStringLiteral("| resident memory at rest, window shown (MB) | %1 |")
             .arg(ms(median(restRss) / 1024.0, 1));
    w << QStringLiteral("| resident memory after %1 periods on a hand-moved clock (MB) | %2 |")
             .arg(longRun.value(QStringLiteral("periods")),
                  ms(longRun.value(QStringLiteral("after_kb")).toDouble() / 1024.0, 1));
    w << QStringLiteral("| peak resident memory of that run, VmHWM (MB) | %1 |")
             .arg(ms(longRun.value(QStringLiteral("peak_kb")).toDouble() / 1024.0, 1));
    w << QStringLiteral("| polling alone, no sound (% of one core) | %1 |")
             .arg(ms(pct(polling.cpuMs, polling.runMs)));

    const double skewSpread =
        launchMedians.isEmpty() ? -1 : maxOf(launchMedians) - percentile(launchMedians, 0);
    const double worstSkew =
        std::max({std::abs(percentile(step.skewMs, 0)), std::abs(maxOf(step.skewMs))});
    const double worstStart = std::max(step.startToFirstMs, maxOf(launchStarts));
    const double worstStop = std::max(step.stopToQuietMs, maxOf(launchStops));
    const double runPct = pct(program.cpuMs, program.runMs);
    const double restPct = rest.value(QStringLiteral("cpu_pct"), QStringLiteral("-1")).toDouble();
    const double peakMb = std::max({program.peakRssKb / 1024.0, median(restRss) / 1024.0,
                                    longRun.value(QStringLiteral("peak_kb")).toDouble() / 1024.0});
    QStringList g;
    g << QStringLiteral("| goal | program | |") << QStringLiteral("|---|---:|---|");
    g << QStringLiteral("| no cue missing | %1 | %2 |")
             .arg(pa.missingCues + pa.missingAlerts)
             .arg(verdict(pa.missingCues + pa.missingAlerts == 0 && pa.cues > 0));
    g << QStringLiteral("| gaps: onset error p95 ≤ 0.1 ms, max ≤ 2 ms | %1 / %2 | %3 |")
             .arg(ms(pa.p95Abs), ms(pa.maxAbs))
             .arg(verdict(pa.p95Abs <= 0.1 && pa.maxAbs <= 2 && pa.cues > 0));
    g << QStringLiteral("| skew screen → sound ≤ 20 ms | %1 | %2 |")
             .arg(ms(worstSkew, 1), verdict(worstSkew <= 20 && !step.skewMs.isEmpty()));
    g << QStringLiteral("| the same in every launch (spread of the launch medians, ms) | %1 | %2 |")
             .arg(ms(skewSpread, 1), verdict(skewSpread >= 0 && skewSpread <= 2));
    g << QStringLiteral("| start → first cue ≤ 150 ms | %1 | %2 |")
             .arg(ms(worstStart, 1), verdict(worstStart >= 0 && worstStart <= 150));
    g << QStringLiteral("| stop silences within 30 ms | %1 | %2 |")
             .arg(ms(worstStop, 1), verdict(worstStop >= 0 && worstStop <= 30));
    const double layerPct = pct(layer.cpuMs, layer.runMs);
    g << QStringLiteral("| CPU ≤ 0.5 % of a core running: sound layer / with the window | %1 / "
                        "%2 | %3 |")
             .arg(ms(layerPct), ms(runPct), verdict(layerPct <= 0.5 && runPct <= 0.5));
    g << QStringLiteral("| CPU ≤ 0.3 % of a core at rest | %1 | %2 |")
             .arg(ms(restPct, 3), verdict(restPct >= 0 && restPct <= 0.3));
    g << QStringLiteral("| peak RSS ≤ 80 MB | %1 | %2 |").arg(ms(peakMb, 1), verdict(peakMb <= 80));
    g << QStringLiteral("| window painted ≤ 300 ms after start | %1 | %2 |")
             .arg(ms(maxOf(launchToPaint), 0),
                  verdict(maxOf(launchToPaint) <= 300 && !launchToPaint.isEmpty()));

    out(QString());
    out(QStringLiteral("Machine: %1 × %2, Qt %3; sound server: private PulseAudio, null sink "
                       "48 kHz; load average at the end: %4.")
            .arg(QThread::idealThreadCount())
            .arg(cpuModel(), QString::fromLatin1(qVersion()))
            .arg(loadAverage()));
    out(QStringLiteral("Run: football periods %1..%2, %3 cues and %4 alerts, pauses of their real "
                       "length; program %5 s.")
            .arg(run.startPeriod)
            .arg(run.startPeriod + run.periods - 1)
            .arg(pa.cues)
            .arg(pa.alerts)
            .arg(ms(program.runMs / 1000.0, 1)));
    out(QStringLiteral("Program: the main window and its engine driver, CuePlayer (libpulse "
                       "stream, %1 Hz); %2 sounds dropped as too late.")
            .arg(program.stats.rate)
            .arg(program.stats.dropped));
    out(QStringLiteral("Baselines: %1. The ideal-timeline baseline is the engine polled as the "
                       "program polls it; the naive pacer is a 10 ms QTimer (coarse) on a "
                       "millisecond tick, each interval counted from the previous cue's event.")
            .arg(ideal.sound));
    out(QString());
    out(t.join(QLatin1Char('\n')));
    out(QString());
    out(st.join(QLatin1Char('\n')));
    out(QString());
    out(w.join(QLatin1Char('\n')));
    out(QString());
    out(g.join(QLatin1Char('\n')));
    out(QString());
    out(QStringLiteral(
            "Onset error: each cue's onset in the recording of the sink's monitor (first sample "
            "above %1, 48 kHz) against the ideal timeline of the table, after removing one "
            "constant offset, the first cue's. Skew: the same onset, timed by when the recorder "
            "read it, against the paint that first followed the cue's change of the displays; "
            "the null sink hands its monitor what it renders, the device latency above before a "
            "card would play it. CPU is getrusage of the process (all threads) from the start "
            "click to the stop click, and of the server from /proc over the same time.")
            .arg(onsets::Threshold));
    return 0;
}
