#include "report.h"

#include "process.h"

#include <QThread>

#include <algorithm>
#include <cmath>
#include <functional>

namespace Bench {

namespace {

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

QString verdict(bool met)
{
    return met ? QStringLiteral("met") : QStringLiteral("**missed**");
}
// The athletes' display's part of the tables; nothing when it was not measured.
void printDisplay(const DisplayCost &d)
{
    if (d.with.runMs <= 0)
        return;
    const auto pct = [](const WindowRunResult &r) { return 100.0 * r.cpuMs / r.runMs; };
    const auto mb = [](const WindowRunResult &r) { return r.peakRssKb / 1024.0; };
    const QVector<double> &skew = d.skewMs;
    const double worst =
        skew.isEmpty() ? -1
                       : std::max(std::abs(percentile(skew, 0)), std::abs(percentile(skew, 1)));
    QStringList t;
    t << QStringLiteral("| athletes' display | without | with |")
      << QStringLiteral("|---|---:|---:|");
    t << QStringLiteral("| CPU of the program running, % of one core | %1 | %2 |")
             .arg(ms(pct(d.without)), ms(pct(d.with)));
    t << QStringLiteral("| peak resident memory, VmHWM (MB) | %1 | %2 |")
             .arg(ms(mb(d.without), 1), ms(mb(d.with), 1));
    t << QStringLiteral("| skew, heard onset − the display's paint of the same cue, median / p95 / "
                        "min / max (ms) | | %1 / %2 / %3 / %4 |")
             .arg(ms(percentile(skew, 0.5), 1), ms(percentile(skew, 0.95), 1),
                  ms(percentile(skew, 0), 1), ms(percentile(skew, 1), 1));
    t << QStringLiteral("| cues without an onset or a paint of the display | | %1 |")
             .arg(d.missing);
    t << QStringLiteral("| goal: CPU ≤ 0.5 %, RSS ≤ 120 MB, skew ≤ 20 ms, with the display | | "
                        "%1 |")
             .arg(verdict(pct(d.with) <= 0.5 && mb(d.with) <= 120 && worst >= 0 && worst <= 20 &&
                          d.missing == 0));
    out(t.join(QLatin1Char('\n')));
    out(QStringLiteral("Display: the same stretch of the test twice, the second time with the "
                       "athletes' display open (%1 × %2) beside the main window; skew as above, "
                       "against the display's first paint after the cue.")
            .arg(d.with.displayWidth)
            .arg(d.with.displayHeight));
    out(QString());
}

} // namespace

void printReport(const Measurements &m)
{
    const Run &run = m.run;
    const WindowRunResult &program = m.program;
    const PartResult &layer = m.layer, &ideal = m.ideal, &naive = m.naive, &polling = m.polling;
    const QVector<double> &launchToPaint = m.launchToPaint, &kernelToPaint = m.kernelToPaint,
                          &restRss = m.restRss, &openSound = m.openSound;
    const QMap<QString, QString> &rest = m.rest, &longRun = m.longRun;
    const QVector<QMap<QString, QString>> &launches = m.launches;
    const QVector<Sound> &timeline = m.timeline;

    const Analysis pa =
        analyse(timeline, onsets::findBursts(program.recording), program.msPerFrame);
    const Analysis la = analyse(timeline, onsets::findBursts(layer.recording), layer.msPerFrame);
    const Analysis ia = analyse(timeline, onsets::findBursts(ideal.recording), ideal.msPerFrame);
    const Analysis na = analyse(timeline, onsets::findBursts(naive.recording), naive.msPerFrame);
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
    // Onsets are timed on the system clock; the sink's own clock runs this far off it.
    st << QStringLiteral("| sink's clock against the system clock, as the recording's arrivals "
                         "tell, program / sound layer alone (ppm) | %1 / %2 |")
              .arg(ms((1000.0 / onsets::RecordRate / program.msPerFrame - 1) * 1e6, 1),
                   ms((1000.0 / onsets::RecordRate / layer.msPerFrame - 1) * 1e6, 1));
    st << QStringLiteral("| stream: written ahead / device latency (ms) | %1 / %2 |")
              .arg(ms(program.stats.aheadMs, 0), ms(program.stats.sinkMs, 1));
    st << QStringLiteral("| stream: queued sound written again, times / ms; clock jumps; program "
                         "and sound layer alone | %1 / %2; %3 — %4 / %5; %6 |")
              .arg(program.stats.rewrites)
              .arg(ms(program.stats.rewrittenMs, 0))
              .arg(program.stats.jumps)
              .arg(layer.stats.rewrites)
              .arg(ms(layer.stats.rewrittenMs, 0))
              .arg(layer.stats.jumps);

    QStringList w;
    w << QStringLiteral("| main window | value |") << QStringLiteral("|---|---:|");
    w << QStringLiteral("| launch → first paint, median / max of %1 (ms) | %2 / %3 |")
             .arg(launchToPaint.size())
             .arg(ms(median(launchToPaint), 0), ms(maxOf(launchToPaint), 0));
    w << QStringLiteral("| kernel process start → first paint, median (ms, 10 ms ticks) | %1 |")
             .arg(ms(median(kernelToPaint), 0));
    w << QStringLiteral("| of which opening the sound stream, median (ms) | %1 |")
             .arg(ms(median(openSound), 0));
    w << QStringLiteral("| CPU between tests, output resting: program / sound server (%); sink "
                        "suspended | %1 / %2; %3 |")
             .arg(rest.value(QStringLiteral("idle_cpu_pct")),
                  rest.value(QStringLiteral("idle_server_pct")),
                  rest.value(QStringLiteral("idle_suspended")) == QLatin1String("1")
                      ? QStringLiteral("yes")
                      : QStringLiteral("no"));
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
             .arg(ms(worstStop, 1), verdict(!launchStops.isEmpty() && worstStop <= 30));
    const double layerPct = pct(layer.cpuMs, layer.runMs);
    g << QStringLiteral("| CPU ≤ 0.5 % of a core running: sound layer / with the window | %1 / "
                        "%2 | %3 |")
             .arg(ms(layerPct), ms(runPct), verdict(layerPct <= 0.5 && runPct <= 0.5));
    g << QStringLiteral("| CPU ≤ 0.3 % of a core at rest, ready for a test | %1 | %2 |")
             .arg(ms(restPct, 3), verdict(restPct >= 0 && restPct <= 0.3));
    const double idlePct =
        rest.value(QStringLiteral("idle_cpu_pct"), QStringLiteral("-1")).toDouble();
    const bool suspended = rest.value(QStringLiteral("idle_suspended")) == QLatin1String("1");
    g << QStringLiteral("| CPU ≤ 0.1 % of a core between tests, the sink suspended | %1; %2 | %3 |")
             .arg(ms(idlePct, 3),
                  suspended ? QStringLiteral("suspended") : QStringLiteral("running"),
                  verdict(idlePct >= 0 && idlePct <= 0.1 && suspended));
    g << QStringLiteral("| peak RSS ≤ 80 MB | %1 | %2 |").arg(ms(peakMb, 1), verdict(peakMb <= 80));
    g << QStringLiteral("| window painted ≤ 300 ms after start | %1 | %2 |")
             .arg(ms(maxOf(launchToPaint), 0),
                  verdict(maxOf(launchToPaint) <= 300 && !launchToPaint.isEmpty()));

    out(QString());
    const bool onPipeWire = qgetenv("ZENTA_BENCH_SERVER") == "pipewire";
    out(QStringLiteral("Machine: %1 × %2, Qt %3; sound server: %4, null sink 48 kHz; load average "
                       "at the end: %5.")
            .arg(QThread::idealThreadCount())
            .arg(cpuModel(), QString::fromLatin1(qVersion()),
                 onPipeWire ? QStringLiteral("private PipeWire with its PulseAudio service "
                                             "(server CPU summed over its processes)")
                            : QStringLiteral("private PulseAudio"))
            .arg(loadAverage()));
    out(QStringLiteral("Run: football periods %1..%2, %3 cues and %4 alerts, pauses of their real "
                       "length; program %5 s.")
            .arg(run.startPeriod)
            .arg(run.startPeriod + run.periods - 1)
            .arg(pa.cues)
            .arg(pa.alerts)
            .arg(ms(program.runMs / 1000.0, 1)));
    out(QStringLiteral("Program: the main window and its engine driver, CuePlayer (%1 stream, %2 "
                       "Hz); %3 sounds dropped as too late.")
            .arg(program.stats.pipeWire ? QStringLiteral("PipeWire") : QStringLiteral("libpulse"))
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
    printVoiceReport(m.voice);
    out(QString());
    printDisplay(m.display);
    out(QStringLiteral(
            "Onset error: each cue's onset in the recording of the sink's monitor (first sample "
            "above %1, 48 kHz), timed on the system clock by the recording's own rate (its "
            "arrivals), against the ideal timeline of the table, after removing one constant "
            "offset, the first cue's. Skew: the same onset, timed by when the recorder "
            "read it, against the paint that first followed the cue's change of the displays; "
            "the null sink hands its monitor what it renders, the device latency above before a "
            "card would play it, so a stop may read as silent a few ms before the click. CPU is "
            "getrusage of the process (all threads) from the start "
            "click to the stop click, and of the server from /proc over the same time.")
            .arg(onsets::Threshold));
}

} // namespace Bench
