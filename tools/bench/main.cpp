// Pacing benchmark: plays a stretch of a test through the real engine, timers and cue player on
// a private PulseAudio null sink, records the sink's monitor and compares every cue heard with
// the ideal timeline of the table. The same stretch is then paced by a naive pacer for
// comparison. Also measures start-up time and memory of the main window in child processes.
// Run it through tools/bench.sh, which starts the sound server.

#include "display.h"
#include "pacers.h"
#include "probes.h"
#include "process.h"
#include "recorder.h"
#include "report.h"
#include "sportprofile.h"
#include "timeline.h"
#include "voice.h"
#include "windowrun.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>

using namespace Bench;
using namespace Protocol;

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
        QStringLiteral("Run one part: program, layer, baselines, polling, window, display or "
                       "voice."),
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
    const bool doDisplay = only.isEmpty() || only == QLatin1String("display");
    const bool doVoice = only.isEmpty() || only == QLatin1String("voice");
    const QString variantArg = QString::number(int(variant));

    Measurements m;
    m.run = run;
    m.timeline = timeline;

    // Start-up and memory first, while the machine is quiet.
    const int startupRuns = doWindow ? parser.value(startupRunsOption).toInt() : 0;
    if (doWindow)
        out(QStringLiteral("Start-up: %1 launches of the window probe...").arg(startupRuns));
    for (int i = 0; i < startupRuns; ++i) {
        qint64 launchNs = 0;
        const auto v = runProbe({QStringLiteral("--probe-startup"), variantArg}, &launchNs);
        if (!v.contains(QStringLiteral("paint_ns")))
            continue;
        m.launchToPaint.append((v.value(QStringLiteral("paint_ns")).toLongLong() - launchNs) / 1e6);
        m.kernelToPaint.append(v.value(QStringLiteral("since_kernel_start_ms")).toDouble());
        m.restRss.append(v.value(QStringLiteral("rss_kb")).toDouble());
        m.openSound.append(v.value(QStringLiteral("open_ms")).toDouble());
    }
    qint64 unused = 0;
    if (doWindow) {
        out(QStringLiteral("At rest: 10 s of the window between tests, 10 s ready for a test..."));
        m.rest = runProbe({QStringLiteral("--probe-rest"), variantArg}, &unused);
        out(QStringLiteral("Long run: 30 periods on a hand-moved clock..."));
        m.longRun = runProbe({QStringLiteral("--probe-long-run"), variantArg, QStringLiteral("30")},
                             &unused);
    }
    if (doProgram) {
        const int n = parser.value(launchesOption).toInt();
        out(QStringLiteral("In step: %1 launches of a short run of the program...").arg(n));
        for (int i = 0; i < n; ++i)
            m.launches.append(runProbe({QStringLiteral("--probe-in-step"), variantArg}, &unused));
    }

    if (doProgram) {
        out(QStringLiteral("Program: the main window, its engine driver and CuePlayer..."));
        WindowRunPlan plan;
        plan.variant = variant;
        plan.startPeriod = run.startPeriod;
        plan.cues = cueCount;
        plan.stallAfterCue = 8;
        plan.recordingPath = folder + QStringLiteral("/program.raw");
        m.program = runWindow(plan);
        if (!m.program.error.isEmpty()) {
            out(QStringLiteral("program failed: %1").arg(m.program.error));
            return 1;
        }
    }
    if (doLayer) {
        out(QStringLiteral("The sound layer alone: engine driver and CuePlayer, no window..."));
        m.layer = runSoundLayer(run, folder + QStringLiteral("/layer.raw"));
        if (!m.layer.error.isEmpty()) {
            out(QStringLiteral("sound layer failed: %1").arg(m.layer.error));
            return 1;
        }
    }
    if (doBaselines) {
        out(QStringLiteral("Baseline: the engine's ideal timeline, a one-shot sound per cue..."));
        m.ideal = runBaseline(run, folder + QStringLiteral("/ideal.raw"),
                              parser.isSet(effectOption), true);
        out(QStringLiteral("Baseline: naive pacer..."));
        m.naive = runBaseline(run, folder + QStringLiteral("/naive.raw"),
                              parser.isSet(effectOption), false);
        for (const PartResult *p : {&m.ideal, &m.naive}) {
            if (!p->error.isEmpty()) {
                out(QStringLiteral("%1 failed: %2").arg(p->name, p->error));
                return 1;
            }
        }
    }
    if (doPolling) {
        out(QStringLiteral("Polling alone, no sound..."));
        m.polling = runPollingOnly(run);
    }

    if (doDisplay) {
        out(QStringLiteral("The athletes' display: the program without it, then with it open..."));
        WindowRunPlan plan;
        plan.variant = variant;
        plan.startPeriod = run.startPeriod;
        // One period each way: the cost of the display shows within it.
        plan.cues = run.profile.beepsPerPeriod;
        plan.recordingPath = folder + QStringLiteral("/display.raw");
        m.display = measureDisplay(plan);
        for (const WindowRunResult *d : {&m.display.without, &m.display.with}) {
            if (!d->error.isEmpty()) {
                out(QStringLiteral("display run failed: %1").arg(d->error));
                return 1;
            }
        }
    }
    if (doVoice) {
        out(QStringLiteral("Spoken phrases: the sound layer alone, without them and with them..."));
        // The last period and the pause after it, each way: a pause holds the announcement.
        Run last = run;
        last.startPeriod = run.startPeriod + run.periods - 1;
        last.periods = 1;
        m.voice = runVoiceCost(last);
    }

    printReport(m);
    return 0;
}
