#include "voice.h"

#include "clock.h"
#include "cueplayer.h"
#include "enginedriver.h"
#include "process.h"
#include "speech.h"

#include <QEventLoop>
#include <QSet>
#include <QTimer>

using namespace Protocol;

namespace Bench {

namespace {

VoiceRun runOnce(const Run &run, CuePlayer &player, const Clock &clock, bool voice)
{
    VoiceRun result;
    resetPeakRss();
    EngineDriver driver(run.profile, clock);
    driver.setSink(&player);
    driver.setAnnouncing(voice);
    driver.setConfirmingStops(voice);
    driver.newTest();
    driver.engine().setCurrentPeriod(run.startPeriod);
    QSet<QString> said;
    QObject::connect(&driver, &EngineDriver::planChanged, &driver, [&](const SoundPlan &plan) {
        for (const PlannedSound &s : plan) {
            if (s.spoken())
                said.insert(QString::number(s.dueMs) + s.phrase);
        }
    });
    QEventLoop loop;
    int pauses = 0;
    QObject::connect(&driver, &EngineDriver::phaseChanged, &loop, [&](TestPhase phase) {
        // Ends when the pause after the last period ends.
        if (phase == TestPhase::Recovery)
            ++pauses;
        else if (phase == TestPhase::Effort && pauses >= run.periods)
            loop.quit();
    });
    const double cpu0 = cpuMs(), t0 = monoMs();
    driver.start(TestMode::EffortTest, run.startPeriod, false);
    for (const auto &[slot, back, atMs] :
         {std::tuple{3, false, 5000}, {5, false, 9000}, {3, true, 14000}}) {
        QTimer::singleShot(atMs, &driver,
                           [&driver, slot = slot, back = back] { driver.confirmStop(slot, back); });
    }
    loop.exec();
    result.runMs = monoMs() - t0;
    result.cpuMs = cpuMs() - cpu0;
    result.peakRssKb = statusKb("VmHWM");
    result.phrases = int(said.size());
    driver.stop();
    runFor(300);
    return result;
}

QString num(double v, int decimals = 2)
{
    return QString::number(v, 'f', decimals);
}

} // namespace

VoiceCost runVoiceCost(const Run &run)
{
    VoiceCost cost;
    SteadyClock clock;
    const qint64 kb0 = statusKb("VmRSS");
    const double t0 = monoMs();
    CuePlayer player(clock);
    cost.speechSetUpMs = monoMs() - t0;
    cost.speechSetUpKb = statusKb("VmRSS") - kb0;
    if (!player.speechProblem().isEmpty()) {
        cost.error = player.speechProblem();
        return cost;
    }
    if (!player.open()) {
        cost.error = QStringLiteral("CuePlayer could not open the default output");
        return cost;
    }
    waitUntil([&] { return player.settled(); }, 5000);
    cost.off = runOnce(run, player, clock, false);
    cost.on = runOnce(run, player, clock, true);
    player.close();
    if (cost.on.phrases == 0)
        cost.error = QStringLiteral("no phrase was planned");
    return cost;
}

void printVoiceReport(const VoiceCost &v)
{
    if (!v.error.isEmpty())
        out(QStringLiteral("Voice: %1").arg(v.error));
    if (!v.ran())
        return;
    const auto pct = [](const VoiceRun &r) { return 100.0 * r.cpuMs / r.runMs; };
    out(QString());
    out(QStringLiteral("| spoken phrases (sound layer alone) | off | on |"));
    out(QStringLiteral("|---|---|---|"));
    out(QStringLiteral("| run (s) | %1 | %2 |")
            .arg(num(v.off.runMs / 1000, 1), num(v.on.runMs / 1000, 1)));
    out(QStringLiteral("| phrases planned | %1 | %2 |").arg(v.off.phrases).arg(v.on.phrases));
    out(QStringLiteral("| CPU (% of a core) | %1 | %2 |").arg(num(pct(v.off)), num(pct(v.on))));
    out(QStringLiteral("| peak RSS (MB) | %1 | %2 |")
            .arg(num(v.off.peakRssKb / 1024.0, 1), num(v.on.peakRssKb / 1024.0, 1)));
    out(QStringLiteral("Synthesiser set up in %1 ms, %2 MB, once per process (with the first "
                       "cue player), whether or not anything is said.")
            .arg(num(v.speechSetUpMs, 0), num(v.speechSetUpKb / 1024.0, 1)));
}

} // namespace Bench
