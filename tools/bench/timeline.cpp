#include "timeline.h"

#include <algorithm>
#include <cmath>

using namespace Protocol;

namespace Bench {

int alertOffsetMs(int pauseMs)
{
    return (pauseMs - 3000) / 1000 * 1000;
}

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

double runLengthMs(const Run &run)
{
    return idealTimeline(run).last().ms;
}

namespace {

struct Match
{
    QVector<int> burstOf; // per sound, index of its burst or -1
    int matched = 0;
};

// Walks the timeline in order, following a pacer that drifts: each sound is looked for near
// where the previous match puts it.
Match matchSounds(const QVector<Sound> &sounds, const QVector<double> &onsetMs, double offset)
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
        for (int j = next; j < onsetMs.size(); ++j) {
            const double d = onsetMs[j] - want;
            if (d > window)
                break;
            if (d >= -window && (best < 0 || std::abs(d) < std::abs(onsetMs[best] - want)))
                best = j;
        }
        if (best >= 0) {
            m.burstOf[i] = best;
            ++m.matched;
            drift = onsetMs[best] - sounds[i].ms - offset;
            next = best + 1;
        }
    }
    return m;
}

} // namespace

Analysis analyse(const QVector<Sound> &sounds, const QVector<onsets::Burst> &bursts,
                 double msPerFrame)
{
    Analysis a;
    QVector<double> onsetMs;
    for (const onsets::Burst &b : bursts)
        onsetMs.append(double(b.onset) * msPerFrame);
    for (const Sound &s : sounds)
        (s.alert ? a.alerts : a.cues)++;
    // Coarse alignment: pair one of the first sounds with one of the first bursts, and keep the
    // pairing most of the run agrees with.
    Match best;
    double bestOffset = 0;
    for (int i = 0; i < std::min<int>(3, sounds.size()); ++i) {
        for (int j = 0; j < std::min<int>(6, bursts.size()); ++j) {
            const double offset = onsetMs[j] - sounds[i].ms;
            const Match m = matchSounds(sounds, onsetMs, offset);
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
        const double offset = onsetMs[b] - sounds[i].ms;
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
        const double error = onsetMs[b] - sounds[i].ms - a.offsetMs;
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

double percentile(QVector<double> v, double p)
{
    if (v.isEmpty())
        return -1;
    std::sort(v.begin(), v.end());
    const qsizetype rank = std::max<qsizetype>(1, qsizetype(std::ceil(p * v.size())));
    return v[std::min<qsizetype>(v.size(), rank) - 1];
}

} // namespace Bench
