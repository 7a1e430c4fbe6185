#include "cueschedule.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Protocol;

namespace {

// Readings the line is fitted through. The line in use takes up the fitted rate at once, so a
// card a few ppm off the system clock never builds up an error; its place moves towards the
// fitted one by at most SlewPpm of the time that passes (a 2.2 s gap changes by 0.01 ms), or
// at once when it is AdoptMs off: readings jitter by a few hundredths of a millisecond on a
// quiet machine, and a gap must not.
constexpr double WindowMs = 10000;
constexpr double MinSpanMs = 1000;
// Readings spread wider than this find the rate over a wider span.
constexpr double SpreadMs = 2;
constexpr double WideWindowMs = 30000;
constexpr double WideSpanMs = 10000;
constexpr double WideBinMs = 2000;
constexpr double AdoptMs = 1.0;
constexpr double SlewPpm = 5;
// A reading comes late, never early: the server may stamp it when it answers while its position
// moves once per processing block (PipeWire: 21 ms and more), and a busy machine delays it. The
// line goes through the earliest twentieth of the readings.
constexpr int EarliestShare = 20;
constexpr double BinMs = 500;
// A half second whose earliest reading is this much later than the others' line is left out.
constexpr double LateReadingMs = 0.5;
// Readings this far off the line are no drift but a jump (the device set up its buffer anew):
// taken at once when farther ahead than JumpAtOnceMs, else once JumpReadings in a row say so.
constexpr double JumpMs = 15;
constexpr double JumpAtOnceMs = 60;
constexpr int JumpReadings = 3;

} // namespace

CueSchedule::CueSchedule(int rate, QVector<float> cue, QVector<float> alert)
    : m_rate(rate), m_cue(std::move(cue)), m_alert(std::move(alert)), m_msPerFrame(1000.0 / rate)
{
}

const QVector<float> &CueSchedule::samples(const Sound &s) const
{
    if (s.planned.spoken()) {
        const auto found = m_phrases.constFind(s.planned.phrase);
        return found == m_phrases.cend() ? m_none : *found;
    }
    return s.planned.alert ? m_alert : m_cue;
}

void CueSchedule::setPhrase(const QString &text, QVector<float> samples)
{
    m_phrases.insert(text, std::move(samples));
}

void CueSchedule::resetClock()
{
    m_clockKnown = false;
    m_readings.clear();
    m_offLine.clear();
    m_lateSpreadMs = 0;
}

void CueSchedule::anchor(const Reading &r)
{
    m_anchorMs = r.ms;
    m_anchorFrame = r.frame;
}

bool CueSchedule::observe(double nowMs, double heardFrame)
{
    const Reading reading{nowMs, heardFrame};
    if (!m_clockKnown) {
        anchor(reading);
        m_lastFitMs = nowMs;
        m_clockKnown = true;
        m_readings = {reading};
        return false;
    }
    // How much later than the line this reading came; readings come as late as the usual
    // spread of the others before they say anything.
    const double late = nowMs - msAt(heardFrame);
    const double beyond = late > 0 ? late - m_lateSpreadMs : -late;
    if (beyond > JumpMs) {
        m_offLine.append(reading);
        const bool sameWay =
            std::all_of(m_offLine.cbegin(), m_offLine.cend(),
                        [&](const Reading &r) { return (r.ms - msAt(r.frame) > 0) == (late > 0); });
        if (!sameWay)
            m_offLine = {reading};
        // A report may come late by any amount (a busy server or sink thread), never early:
        // only one far ahead of the line is taken alone.
        if ((late > 0 || beyond <= JumpAtOnceMs) && m_offLine.size() < JumpReadings)
            return false;
        // The new relation runs through the earliest of the readings that found it.
        const auto lateness = [this](const Reading &r) { return r.ms - msAt(r.frame); };
        anchor(*std::min_element(
            m_offLine.cbegin(), m_offLine.cend(),
            [&](const Reading &x, const Reading &y) { return lateness(x) < lateness(y); }));
        m_readings = m_offLine;
        m_offLine.clear();
        return true;
    }
    m_offLine.clear();
    m_readings.append(reading);
    while (m_readings.size() > 2 && m_readings.first().ms < nowMs - WideWindowMs)
        m_readings.removeFirst();
    if (m_readings.last().ms - m_readings.first().ms < MinSpanMs) {
        // Too few to fit a rate: the earliest reading so far is the best anchor.
        if (late < -AdoptMs)
            anchor(reading);
        return false;
    }

    // Each reading's time less its frame's place on a line of the given rate: the lowest are
    // the punctual ones.
    const auto offsets = [this](double slope) {
        QVector<double> out;
        for (const Reading &r : std::as_const(m_readings))
            out.append(r.ms - r.frame * slope);
        std::sort(out.begin(), out.end());
        return out;
    };
    const QVector<double> spread = offsets(m_msPerFrame);
    m_lateSpreadMs =
        spread[spread.size() * 19 / 20] - spread[spread.size() / EarliestShare]; // usual lateness

    // The rate: least squares through the earliest reading of each stretch, so that the
    // lateness of single readings averages out; readings that come late by up to a block find
    // it only over wider stretches and a longer span.
    const bool wide = m_lateSpreadMs >= SpreadMs;
    const double binMs = wide ? WideBinMs : BinMs;
    const double fromMs = nowMs - (wide ? WideWindowMs : WindowMs);
    QVector<Reading> earliest;
    for (const Reading &r : std::as_const(m_readings)) {
        if (r.ms < fromMs)
            continue;
        const bool sameBin = !earliest.isEmpty() &&
                             std::floor(r.ms / binMs) == std::floor(earliest.last().ms / binMs);
        if (!sameBin)
            earliest.append(r);
        else if (r.ms - r.frame * m_msPerFrame <
                 earliest.last().ms - earliest.last().frame * m_msPerFrame)
            earliest.last() = r;
    }
    double slope = m_msPerFrame;
    const double spanMs = wide ? WideSpanMs : MinSpanMs;
    double meanMs = 0, meanFrame = 0;
    const auto fit = [&](const QVector<Reading> &readings) {
        if (readings.size() < 2 || readings.last().ms - readings.first().ms < spanMs)
            return false;
        meanMs = 0;
        meanFrame = 0;
        for (const Reading &r : readings) {
            meanMs += r.ms;
            meanFrame += r.frame;
        }
        meanMs /= readings.size();
        meanFrame /= readings.size();
        double sxy = 0, sxx = 0;
        for (const Reading &r : readings) {
            sxy += (r.frame - meanFrame) * (r.ms - meanMs);
            sxx += (r.frame - meanFrame) * (r.frame - meanFrame);
        }
        if (sxx <= 0)
            return false;
        slope = sxy / sxx;
        return true;
    };
    // Then once more without the half seconds that came late (a busy machine).
    if (fit(earliest)) {
        QVector<double> residuals;
        for (const Reading &r : std::as_const(earliest))
            residuals.append(r.ms - (meanMs + (r.frame - meanFrame) * slope));
        QVector<double> sorted = residuals;
        std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
        const double limit = sorted[sorted.size() / 2] + LateReadingMs;
        QVector<Reading> punctual;
        for (int i = 0; i < earliest.size(); ++i) {
            if (residuals[i] <= limit)
                punctual.append(earliest[i]);
        }
        fit(punctual);
    }
    // And the line through the earliest readings at that rate.
    const double offset = offsets(slope)[m_readings.size() / EarliestShare];
    const auto fitted = [&](double frame) { return offset + frame * slope; };
    const double current = msAt(heardFrame);
    double moved = fitted(heardFrame) - current;
    const double ahead = heardFrame + m_rate; // where sounds are placed: the next second
    if (std::abs(moved) < AdoptMs && std::abs(fitted(ahead) - msAt(ahead)) < AdoptMs) {
        const double most = std::max(0.0, nowMs - m_lastFitMs) * SlewPpm / 1e6;
        moved = std::clamp(moved, -most, most);
    }
    m_lastFitMs = nowMs;
    m_anchorFrame = heardFrame;
    m_anchorMs = current + moved;
    m_msPerFrame = slope;
    return false;
}

void CueSchedule::unplaceFrom(qint64 frame)
{
    for (Sound &s : m_sounds) {
        if (s.start >= frame)
            s.start = -1;
    }
}

qint64 CueSchedule::firstFrame(const Sound &s) const
{
    if (s.start >= 0)
        return s.start;
    return m_clockKnown ? qint64(std::floor(frameAt(double(s.planned.dueMs)))) : 0;
}

qint64 CueSchedule::setPlan(const SoundPlan &plan, qint64 keepBefore)
{
    qint64 changed = Never;
    QVector<Sound> kept;
    for (const Sound &s : std::as_const(m_sounds)) {
        const bool planned = plan.contains(s.planned);
        if (planned || s.reported || (s.start >= 0 && s.start < keepBefore))
            kept.append(s);
        else
            changed = std::min(changed, firstFrame(s));
    }
    for (const PlannedSound &p : plan) {
        const bool known = std::any_of(kept.cbegin(), kept.cend(),
                                       [&p](const Sound &s) { return s.planned == p; });
        if (known)
            continue;
        kept.append({p, false, -1});
        changed = std::min(changed, firstFrame(kept.last()));
    }
    std::sort(kept.begin(), kept.end(),
              [](const Sound &a, const Sound &b) { return a.planned.dueMs < b.planned.dueMs; });
    m_sounds = kept;
    return changed;
}

qint64 CueSchedule::report(const PlannedSound &sound)
{
    for (Sound &s : m_sounds) {
        if (s.planned == sound) {
            s.reported = true;
            return Never;
        }
    }
    const auto at =
        std::upper_bound(m_sounds.begin(), m_sounds.end(), sound.dueMs,
                         [](qint64 due, const Sound &s) { return due < s.planned.dueMs; });
    const Sound added{sound, true, -1};
    m_sounds.insert(at, added);
    return firstFrame(added);
}

qint64 CueSchedule::clear()
{
    qint64 changed = Never;
    for (const Sound &s : std::as_const(m_sounds))
        changed = std::min(changed, firstFrame(s));
    m_sounds.clear();
    return changed;
}

void CueSchedule::restartStream()
{
    // What had started is lost with the old stream; the rest is placed anew.
    m_sounds.erase(std::remove_if(m_sounds.begin(), m_sounds.end(),
                                  [](const Sound &s) { return s.start >= 0; }),
                   m_sounds.end());
    resetClock();
}

qint64 CueSchedule::endFrame(int index) const
{
    const Sound &s = m_sounds.at(index);
    qint64 end = s.start + samples(s).size();
    if (!s.planned.alert && !s.planned.spoken()) {
        // A cue started while the one before still sounds cuts it short.
        for (int j = index + 1; j < m_sounds.size(); ++j) {
            const Sound &next = m_sounds.at(j);
            if (!next.planned.alert && !next.planned.spoken() && next.start >= 0) {
                end = std::min(end, next.start);
                break;
            }
        }
    }
    return end;
}

void CueSchedule::render(qint64 from, int count, qint16 *out)
{
    std::fill(out, out + count, qint16(0));
    if (!m_clockKnown)
        return;
    const qint64 to = from + count;
    const qint64 tolerance = qint64(LateToleranceMs * m_rate / 1000);
    // Place what begins in this stretch, or should have begun before it.
    for (int i = 0; i < m_sounds.size();) {
        Sound &s = m_sounds[i];
        if (s.start < 0) {
            const qint64 frame = firstFrame(s);
            if (frame >= to)
                break;
            if (frame < from - tolerance) {
                ++m_dropped;
                m_sounds.removeAt(i);
                continue;
            }
            s.start = std::max(frame, from);
        }
        ++i;
    }
    QVector<float> mix(count, 0.0f);
    bool any = false;
    for (int i = 0; i < m_sounds.size(); ++i) {
        const Sound &s = m_sounds.at(i);
        if (s.start < 0 || s.start >= to)
            continue;
        const qint64 end = endFrame(i);
        const QVector<float> &pcm = samples(s);
        const float gain = s.planned.quiet ? QuietGain : SoundGain;
        for (qint64 f = std::max(from, s.start); f < std::min(to, end); ++f) {
            mix[qsizetype(f - from)] += pcm[qsizetype(f - s.start)] * gain;
            any = true;
        }
    }
    if (any) {
        for (int k = 0; k < count; ++k)
            out[k] = qint16(std::clamp(mix[k], -1.0f, 1.0f) * 32767.0f);
    }
    // Forget what ended well before; a rewrite never reaches that far back.
    const qint64 forgetBefore = from - 2 * qint64(m_rate);
    for (int i = int(m_sounds.size()) - 1; i >= 0; --i) {
        if (m_sounds.at(i).start >= 0 && endFrame(i) < forgetBefore)
            m_sounds.removeAt(i);
    }
}

QVector<qint64> CueSchedule::placedFrames() const
{
    QVector<qint64> frames;
    for (const Sound &s : m_sounds) {
        if (s.start >= 0)
            frames.append(s.start);
    }
    return frames;
}
