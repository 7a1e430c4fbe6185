// Pacing benchmark: plays a stretch of a test through the real engine, timers and cue player on
// a private PulseAudio null sink, records the sink's monitor and compares every cue heard with
// the ideal timeline of the table. The same stretch is then paced by a naive pacer for
// comparison. Also measures start-up time and memory of the main window in child processes.
// Run it through tools/bench.sh, which starts the sound server.

#include "clock.h"
#include "cueplayer.h"
#include "cuesink.h"
#include "dialogs.h"
#include "onsets.h"
#include "runengine.h"
#include "sportprofile.h"
#include "testfut1.h"
#include "ui_testfut1.h"

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
    SportProfile profile; // the profile with the pauses as this run plays them
    int startPeriod = 0;
    int periods = 0;
    bool shortened = false;
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

class Recorder
{
public:
    explicit Recorder(const QString &path) : m_path(path) {}
    ~Recorder() { stop(); }

    QString start()
    {
        QFile::remove(m_path);
        m_process.setStandardOutputFile(m_path);
        m_process.start(QStringLiteral("parec"),
                        {QStringLiteral("--device=cues.monitor"), QStringLiteral("--raw"),
                         QStringLiteral("--format=s16le"),
                         QStringLiteral("--rate=%1").arg(onsets::RecordRate),
                         QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=100")});
        if (!m_process.waitForStarted(5000))
            return m_process.errorString();
        // Sound from before the capture runs would be lost; wait for its first 100 ms.
        if (!waitUntil([this] { return QFileInfo(m_path).size() >= onsets::RecordRate / 5; }, 5000))
            return QStringLiteral("parec records nothing: ") +
                   QString::fromLocal8Bit(m_process.readAllStandardError());
        return {};
    }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }

    QByteArray data() const
    {
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QString m_path;
    QProcess m_process;
};

// ---------------------------------------------------------------------------------------------
// The two pacers

struct PartResult
{
    QString name;
    QString sound;
    QString error; // why the part could not run
    double runMs = 0;
    double cpuMs = 0;
    qint64 peakRssKb = 0;
    qint64 maxReportLateMs = 0; // program only: how late a cue reached the player
    int underruns = 0;
    qint64 outputLatencyMs = -1;
    QByteArray recording;
};

// The program's own pacing: the run engine polled the way the main window polls it, with every
// cue and alert handed to the cue player.
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
        const QVector<float> samples = CuePlayer::decodeWave(wave, rate);
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

PartResult runProgram(const Run &run, const QString &recordingPath)
{
    PartResult result;
    result.name = QStringLiteral("program");
    result.sound = QStringLiteral("CuePlayer (one continuous QAudioSink stream)");
    Recorder recorder(recordingPath);
    if (const QString error = recorder.start(); !error.isEmpty()) {
        result.error = error;
        return result;
    }
    resetPeakRss();
    {
        SteadyClock clock;
        CuePlayer player(clock);
        if (!player.open()) {
            result.error = QStringLiteral("CuePlayer could not open the default output");
            return result;
        }
        runFor(500); // the stream settles, as it has long before anyone presses start
        ProgramPacer pacer(run, clock, player);
        runTimed(pacer, clock, result);
        result.peakRssKb = statusKb("VmHWM");
        result.maxReportLateMs = pacer.maxLateMs();
        result.outputLatencyMs = player.leadMs();
        // The last cue is still in the stream: let it play out whole.
        runFor(800);
        result.underruns = player.stats().dropped;
        player.close();
    }
    runFor(200);
    recorder.stop();
    result.recording = recorder.data();
    return result;
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

PartResult runBaseline(const Run &run, const QString &recordingPath, bool useSoundEffect)
{
    PartResult result;
    result.name = QStringLiteral("baseline");
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

// The app's own start: clock, player opened, then the window, shown.
int probeStartup(SportVariant variant, int argc, char **argv)
{
    const qint64 mainNs = monotonicNs();
    QApplication app(argc, argv);
    SteadyClock clock;
    CuePlayer sound(clock);
    sound.open();
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
                       "sound=%6")
            .arg(QLatin1String(ProbeTag))
            .arg(paintNs)
            .arg(mainNs)
            .arg(sinceStart, 0, 'f', 1)
            .arg(statusKb("VmRSS"))
            .arg(sound.available() ? 1 : 0));
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
    Ui::TForm1 *ui = window.form();
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

QString ratio(double program, double baseline)
{
    if (baseline == 0)
        return program == 0 ? QStringLiteral("–") : QStringLiteral("∞");
    return QString::number(program / baseline, 'f', 2);
}

QString driftText(const Analysis &a)
{
    QStringList parts;
    for (const auto &d : a.periodEndDrift)
        parts << QStringLiteral("P%1 %2").arg(d.first).arg(ms(d.second));
    return parts.isEmpty() ? QStringLiteral("–") : parts.join(QStringLiteral(", "));
}

double maxAbsDrift(const Analysis &a)
{
    double m = 0;
    for (const auto &d : a.periodEndDrift)
        m = std::max(m, std::abs(d.second));
    return m;
}

QString verdict(bool met)
{
    return met ? QStringLiteral("met") : QStringLiteral("**missed**");
}

} // namespace

int main(int argc, char *argv[])
{
    // The probes parse their own two arguments before anything else is set up, so the time
    // to the first paint includes no more than the app itself does.
    if (argc >= 3 && qstrcmp(argv[1], "--probe-startup") == 0)
        return probeStartup(SportVariant(atoi(argv[2])), argc, argv);
    if (argc >= 4 && qstrcmp(argv[1], "--probe-long-run") == 0)
        return probeLongRun(SportVariant(atoi(argv[2])), atoi(argv[3]), argc, argv);

    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Cue timing heard at the sink, CPU, memory and start-up of the pacer."));
    parser.addHelpOption();
    const QCommandLineOption profileOption(QStringLiteral("profile"),
                                           QStringLiteral("Sport profile 0..4 (default 1)."),
                                           QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption startOption(QStringLiteral("start-period"),
                                         QStringLiteral("First period (default 29)."),
                                         QStringLiteral("n"), QStringLiteral("29"));
    const QCommandLineOption periodsOption(QStringLiteral("periods"),
                                           QStringLiteral("Effort periods (default 2)."),
                                           QStringLiteral("n"), QStringLiteral("2"));
    const QCommandLineOption shortOption(
        QStringLiteral("short"),
        QStringLiteral("Pauses a fifth of their length (the default; 30 s -> 6 s)."));
    const QCommandLineOption fullOption(QStringLiteral("full"),
                                        QStringLiteral("Pauses of their real length."));
    const QCommandLineOption startupRunsOption(QStringLiteral("startup-runs"),
                                               QStringLiteral("Start-up measurements (default 5)."),
                                               QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption keepOption(QStringLiteral("keep"),
                                        QStringLiteral("Keep the recordings in this folder."),
                                        QStringLiteral("dir"));
    const QCommandLineOption effectOption(
        QStringLiteral("baseline-soundeffect"),
        QStringLiteral("Baseline plays with QSoundEffect instead of a one-shot QAudioSink (on "
                       "Qt 6.4 with PulseAudio it loses most cues)."));
    const QCommandLineOption onlyOption(
        QStringLiteral("only"),
        QStringLiteral("Run one part: program, baseline, polling or window."),
        QStringLiteral("part"));
    parser.addOptions({profileOption, startOption, periodsOption, shortOption, fullOption,
                       startupRunsOption, keepOption, effectOption, onlyOption});
    parser.process(app);

    const int variantNumber = parser.value(profileOption).toInt();
    if (variantNumber < 0 || variantNumber > 4) {
        out(QStringLiteral("--profile must be 0..4"));
        return 2;
    }
    const SportVariant variant = SportVariant(variantNumber);
    Run run;
    run.profile = sportProfile(variant);
    run.startPeriod = parser.value(startOption).toInt();
    run.periods = parser.value(periodsOption).toInt();
    run.shortened = !parser.isSet(fullOption);
    if (run.shortened)
        run.profile.recoveryMs /= 5;
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

    out(QStringLiteral("Profile %1 (%2), periods %3..%4, %5 beeps each, pauses %6 s%7; "
                       "about %8 s per pacer.")
            .arg(variantNumber)
            .arg(run.profile.sportName)
            .arg(run.startPeriod)
            .arg(run.startPeriod + run.periods - 1)
            .arg(run.profile.beepsPerPeriod)
            .arg(run.profile.recoveryMs / 1000.0)
            .arg(run.shortened ? QStringLiteral(" (short)") : QString())
            .arg(qRound(runLengthMs(run) / 1000)));

    // A developer aid: the parts left out read 0 in the table.
    const QString only = parser.value(onlyOption);
    const bool doWindow = only.isEmpty() || only == QLatin1String("window");
    const bool doProgram = only.isEmpty() || only == QLatin1String("program");
    const bool doBaseline = only.isEmpty() || only == QLatin1String("baseline");
    const bool doPolling = only.isEmpty() || only == QLatin1String("polling");

    // Start-up and memory first, while the machine is quiet.
    QVector<double> launchToPaint, kernelToPaint, restRss;
    QMap<QString, QString> longRun;
    const int startupRuns = doWindow ? parser.value(startupRunsOption).toInt() : 0;
    if (doWindow)
        out(QStringLiteral("Start-up: %1 launches of the window probe...").arg(startupRuns));
    for (int i = 0; i < startupRuns; ++i) {
        qint64 launchNs = 0;
        const auto v = runProbe({QStringLiteral("--probe-startup"), QString::number(variantNumber)},
                                &launchNs);
        if (!v.contains(QStringLiteral("paint_ns")))
            continue;
        launchToPaint.append((v.value(QStringLiteral("paint_ns")).toLongLong() - launchNs) / 1e6);
        kernelToPaint.append(v.value(QStringLiteral("since_kernel_start_ms")).toDouble());
        restRss.append(v.value(QStringLiteral("rss_kb")).toDouble());
    }
    if (doWindow) {
        out(QStringLiteral("Long run: 30 periods on a hand-moved clock..."));
        qint64 unused = 0;
        longRun = runProbe({QStringLiteral("--probe-long-run"), QString::number(variantNumber),
                            QStringLiteral("30")},
                           &unused);
    }

    PartResult program, baseline, polling;
    if (doProgram) {
        out(QStringLiteral("Program: real engine, timers and CuePlayer..."));
        program = runProgram(run, folder + QStringLiteral("/program.raw"));
    }
    if (doBaseline) {
        out(QStringLiteral("Baseline: naive pacer..."));
        baseline =
            runBaseline(run, folder + QStringLiteral("/baseline.raw"), parser.isSet(effectOption));
    }

    if (doPolling) {
        out(QStringLiteral("Polling alone, no sound..."));
        polling = runPollingOnly(run);
    }

    for (const PartResult *p : {&program, &baseline}) {
        if (!p->error.isEmpty()) {
            out(QStringLiteral("%1 failed: %2").arg(p->name, p->error));
            return 1;
        }
    }
    const Analysis pa = analyse(timeline, onsets::findBursts(program.recording));
    const Analysis ba = analyse(timeline, onsets::findBursts(baseline.recording));

    const auto median = [](QVector<double> v) {
        if (v.isEmpty())
            return -1.0;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const auto maxOf = [](const QVector<double> &v) {
        return v.isEmpty() ? -1.0 : *std::max_element(v.begin(), v.end());
    };
    const auto perMinute = [](const PartResult &p) {
        return p.runMs > 0 ? p.cpuMs / (p.runMs / 60000.0) : 0.0;
    };
    const auto percent = [](const PartResult &p) {
        return p.runMs > 0 ? 100.0 * p.cpuMs / p.runMs : 0.0;
    };

    QStringList t;
    t << QStringLiteral("| | program | baseline | program / baseline |")
      << QStringLiteral("|---|---:|---:|---:|");
    const auto row = [&](const QString &what, double a, double b, int decimals = 2) {
        t << QStringLiteral("| %1 | %2 | %3 | %4 |")
                 .arg(what, ms(a, decimals), ms(b, decimals), ratio(a, b));
    };
    row(QStringLiteral("cue onset error, mean (ms)"), pa.meanAbs, ba.meanAbs);
    row(QStringLiteral("cue onset error, p95 (ms)"), pa.p95Abs, ba.p95Abs);
    row(QStringLiteral("cue onset error, max (ms)"), pa.maxAbs, ba.maxAbs);
    t << QStringLiteral("| drift at period ends (ms) | %1 | %2 | |")
             .arg(driftText(pa), driftText(ba));
    row(QStringLiteral("largest drift at a period end (ms)"), maxAbsDrift(pa), maxAbsDrift(ba));
    t << QStringLiteral("| cues missing / expected | %1 / %2 | %3 / %4 | |")
             .arg(pa.missingCues)
             .arg(pa.cues)
             .arg(ba.missingCues)
             .arg(ba.cues);
    t << QStringLiteral("| alerts missing / expected | %1 / %2 | %3 / %4 | |")
             .arg(pa.missingAlerts)
             .arg(pa.alerts)
             .arg(ba.missingAlerts)
             .arg(ba.alerts);
    t << QStringLiteral("| unexpected sounds | %1 | %2 | |")
             .arg(pa.extraSounds)
             .arg(ba.extraSounds);
    row(QStringLiteral("CPU time per minute of run (ms)"), perMinute(program), perMinute(baseline),
        0);
    row(QStringLiteral("CPU, % of one core"), percent(program), percent(baseline), 2);
    t << QStringLiteral("| of which the polling alone, no sound (%) | %1 | | |")
             .arg(ms(percent(polling)));
    row(QStringLiteral("peak resident memory, VmHWM (MB)"), program.peakRssKb / 1024.0,
        baseline.peakRssKb / 1024.0, 1);

    QStringList w;
    w << QStringLiteral("| main window | value |") << QStringLiteral("|---|---:|");
    w << QStringLiteral("| launch → first paint, median / max of %1 (ms) | %2 / %3 |")
             .arg(launchToPaint.size())
             .arg(ms(median(launchToPaint), 0), ms(maxOf(launchToPaint), 0));
    w << QStringLiteral("| kernel process start → first paint, median (ms, 10 ms ticks) | %1 |")
             .arg(ms(median(kernelToPaint), 0));
    w << QStringLiteral("| resident memory at rest, window shown (MB) | %1 |")
             .arg(ms(median(restRss) / 1024.0, 1));
    w << QStringLiteral("| resident memory after %1 periods on a hand-moved clock (MB) | %2 |")
             .arg(longRun.value(QStringLiteral("periods")),
                  ms(longRun.value(QStringLiteral("after_kb")).toDouble() / 1024.0, 1));
    w << QStringLiteral("| peak resident memory of that run, VmHWM (MB) | %1 |")
             .arg(ms(longRun.value(QStringLiteral("peak_kb")).toDouble() / 1024.0, 1));

    const double programRunS = program.runMs / 1000.0;
    QStringList g;
    g << QStringLiteral("| goal | program | |") << QStringLiteral("|---|---:|---|");
    g << QStringLiteral("| no cue missing | %1 | %2 |")
             .arg(pa.missingCues + pa.missingAlerts)
             .arg(verdict(pa.missingCues + pa.missingAlerts == 0));
    g << QStringLiteral("| onset error p95 ≤ 2 ms | %1 | %2 |")
             .arg(ms(pa.p95Abs), verdict(pa.p95Abs <= 2));
    g << QStringLiteral("| onset error max ≤ 5 ms | %1 | %2 |")
             .arg(ms(pa.maxAbs), verdict(pa.maxAbs <= 5));
    g << QStringLiteral("| drift at period ends ≤ 1 ms | %1 | %2 |")
             .arg(ms(maxAbsDrift(pa)), verdict(maxAbsDrift(pa) <= 1));
    g << QStringLiteral("| CPU ≤ 1 % of a core | %1 | %2 |")
             .arg(ms(percent(program)), verdict(percent(program) <= 1));
    const double peakMb = std::max({program.peakRssKb / 1024.0, median(restRss) / 1024.0,
                                    longRun.value(QStringLiteral("peak_kb")).toDouble() / 1024.0});
    g << QStringLiteral("| peak RSS ≤ 80 MB | %1 | %2 |").arg(ms(peakMb, 1), verdict(peakMb <= 80));
    g << QStringLiteral("| window painted ≤ 300 ms after start | %1 | %2 |")
             .arg(ms(maxOf(launchToPaint), 0),
                  verdict(maxOf(launchToPaint) <= 300 && !launchToPaint.isEmpty()));

    out(QString());
    out(QStringLiteral("Machine: %1 × %2, Qt %3; sound server: private PulseAudio, null sink "
                       "48 kHz.")
            .arg(QThread::idealThreadCount())
            .arg(cpuModel(), QString::fromLatin1(qVersion())));
    out(QStringLiteral("Run: %1 periods %2..%3, %4 cues and %5 alerts per pacer, %6 s (program) / "
                       "%7 s (baseline).")
            .arg(run.profile.sportName)
            .arg(run.startPeriod)
            .arg(run.startPeriod + run.periods - 1)
            .arg(pa.cues)
            .arg(pa.alerts)
            .arg(ms(programRunS, 1), ms(baseline.runMs / 1000.0, 1)));
    out(QStringLiteral("Program: %1; output latency %2 ms; %3 underruns; latest cue report %4 ms "
                       "after its due time.")
            .arg(program.sound)
            .arg(program.outputLatencyMs)
            .arg(program.underruns)
            .arg(program.maxReportLateMs));
    out(QStringLiteral("Baseline: %1, driven by a 10 ms QTimer (coarse) on a millisecond tick, "
                       "each interval counted from the previous cue's event.")
            .arg(baseline.sound));
    out(QString());
    out(t.join(QLatin1Char('\n')));
    out(QString());
    out(w.join(QLatin1Char('\n')));
    out(QString());
    out(g.join(QLatin1Char('\n')));
    out(QString());
    out(QStringLiteral(
            "Onset error: each cue's onset in the recording of the sink's monitor (first sample "
            "above %1, 48 kHz) against the ideal timeline of the table, after removing one "
            "constant offset, the first cue's: how long the recording ran before the run "
            "began, plus the output latency (program %2 ms, median over all cues %3 ms; "
            "baseline %4 ms, median %5 ms). Drift and spread are what count. Alerts are "
            "matched and counted but left out of the error figures. CPU is getrusage of this "
            "process (all its threads) from the first cue to the last; the sound server and "
            "parec are not counted.")
            .arg(onsets::Threshold)
            .arg(ms(pa.offsetMs, 1), ms(pa.medianOffsetMs, 1), ms(ba.offsetMs, 1),
                 ms(ba.medianOffsetMs, 1)));
    return 0;
}
