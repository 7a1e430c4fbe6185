#include "probes.h"

#include "clock.h"
#include "cueplayer.h"
#include "mainwindow.h"
#include "mainwindowcontrols.h"
#include "process.h"
#include "standins.h"
#include "timeline.h"
#include "windowrun.h"

#include <QApplication>
#include <QProcess>
#include <QTimer>

#include <algorithm>

using namespace Protocol;

namespace Bench {

namespace {

constexpr char ProbeTag[] = "PROBE ";

} // namespace

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

// Whether the null sink is suspended, as the server lists it.
static bool sinkSuspended()
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"),
                {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")});
    pactl.waitForFinished(3000);
    const QByteArray out = pactl.readAllStandardOutput();
    return out.contains("cues") && out.contains("SUSPENDED");
}

int probeRest(SportVariant variant, int argc, char **argv)
{
    QApplication app(argc, argv);
    SteadyClock clock;
    CuePlayer sound(clock);
    sound.open();
    // As the program starts: the output rests until a test is prepared.
    sound.rest();
    SilentDialogs dialogs;
    MainWindow window(variant, clock, &sound, &dialogs);
    configureLikeTheApp(window);
    window.show();
    runFor(1000);
    const auto measure = [&](const QString &prefix) {
        const double cpu0 = cpuMs(), server0 = serverCpuMs(), t0 = monoMs();
        runFor(10000);
        const double span = monoMs() - t0;
        return QStringLiteral("%1cpu_pct=%2 %1server_pct=%3 %1suspended=%4")
            .arg(prefix)
            .arg(100.0 * (cpuMs() - cpu0) / span, 0, 'f', 3)
            .arg(server0 < 0 ? -1.0 : 100.0 * (serverCpuMs() - server0) / span, 0, 'f', 3)
            .arg(sinkSuspended() ? 1 : 0);
    };
    // Between tests: the start screen, no mode chosen; the null sink suspends after a second.
    runFor(2000);
    const QString idle = measure(QStringLiteral("idle_"));
    MainWindowControls(&window).BitBtnEmpezar->click();
    MainWindowControls(&window).FlatRadioButton3->click();
    runFor(2000);
    const QString ready = measure(QString());
    out(QStringLiteral("%1rest %2 %3").arg(QLatin1String(ProbeTag), idle, ready));
    return 0;
}

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
    MainWindow window(variant, clock, &sound, &dialogs);
    configureLikeTheApp(window);
    PaintWatch watch(&window);
    qint64 paintNs = 0;
    double sinceStart = 0;
    bool painting = false;
    watch.painted = [&] {
        if (painting)
            return;
        painting = true;
        // Measured once the whole first round of painting is through, not at its start.
        QTimer::singleShot(0, &window, [&] {
            paintNs = monotonicNs();
            sinceStart = msSinceProcessStart();
            // At rest: painted and idle for a second.
            // exit(), not quit(): quit() asks the window to close, and it may refuse.
            QTimer::singleShot(1000, &app, [] { QCoreApplication::exit(0); });
        });
    };
    app.installEventFilter(&watch);
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

int probeLongRun(SportVariant variant, int periods, int argc, char **argv)
{
    QApplication app(argc, argv);
    ManualClock clock(10000);
    CountingSink sound;
    SilentDialogs dialogs;
    MainWindow window(variant, clock, &sound, &dialogs);
    configureLikeTheApp(window);
    window.show();
    runFor(300);
    const qint64 restKb = statusKb("VmRSS");
    const MainWindowControls controls(&window);
    const MainWindowControls *ui = &controls;
    ui->FlatRadioButton1->click();
    ui->BitBtnStart->click();
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
    ui->BitBtnStop->click();
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

} // namespace Bench
