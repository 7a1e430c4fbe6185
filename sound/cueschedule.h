#pragma once

#include "cuesink.h"

#include <QHash>
#include <QVector>

#include <limits>

// What the stream plays, sample by sample: the planned sounds laid out on the stream's frames,
// and the relation between the stream's frames and the engine clock. Knows nothing of the sound
// server, so its timing can be tested on made-up clocks.
//
// The relation is learnt from readings of the frame the listener hears at a given time, which
// may come late but never early: a line fitted through the earliest readings of the last seconds,
// so a sound card whose clock runs fast or slow is followed by its rate, not by steps. The line's
// place follows the fitted one slowly (a few ppm), so reading jitter never moves a gap by more
// than a hundredth of a millisecond; and each sound is placed on its frame once, the first time it
// is rendered, and keeps it.
class CueSchedule
{
public:
    static constexpr qint64 Never = std::numeric_limits<qint64>::max();
    // A sound found this late when it is first rendered still plays, that late; a later one is
    // dropped, so a stall never ends in a burst of stale cues.
    static constexpr double LateToleranceMs = 20;
    // Mix gains: the cues and announcements, and the quiet confirmations meant for the coach.
    static constexpr float SoundGain = 0.8f;
    static constexpr float QuietGain = 0.3f;

    CueSchedule(int rate, QVector<float> cue, QVector<float> alert);

    int rate() const { return m_rate; }

    // The stream's clock.
    void resetClock();
    // True when the reading jumped away from the relation (the device's buffer was set up
    // anew): sounds placed by the old relation should be placed again.
    bool observe(double nowMs, double heardFrame);
    bool clockKnown() const { return m_clockKnown; }
    double frameAt(double ms) const { return m_anchorFrame + (ms - m_anchorMs) / m_msPerFrame; }
    double msAt(double frame) const { return m_anchorMs + (frame - m_anchorFrame) * m_msPerFrame; }

    // The sounds. Each returns the first frame whose content changed (Never if none did), so
    // the caller knows what to render again. Sounds starting before keepBefore are already on
    // their way to the listener and stay.
    qint64 setPlan(const Protocol::SoundPlan &plan, qint64 keepBefore);
    // The engine reported the sound due: it plays whatever the plans after it say.
    qint64 report(const Protocol::PlannedSound &sound);
    qint64 clear();
    // A new stream, whose frames count from zero: placements are void.
    void restartStream();
    // Sounds placed from this frame on are placed again when next rendered.
    void unplaceFrom(qint64 frame);

    // The samples of a phrase at the stream's rate; a planned phrase without them stays silent.
    void setPhrase(const QString &text, QVector<float> samples);
    bool hasPhrase(const QString &text) const { return m_phrases.contains(text); }

    // Mixes frames [from, from + count) into out (16-bit mono).
    void render(qint64 from, int count, qint16 *out);

    int droppedCount() const { return m_dropped; }
    int pendingCount() const { return int(m_sounds.size()); }
    // Start frames of the sounds placed so far that are still kept, for tests.
    QVector<qint64> placedFrames() const;

private:
    struct Sound
    {
        Protocol::PlannedSound planned;
        bool reported = false;
        qint64 start = -1; // frame, once placed
    };
    const QVector<float> &samples(const Sound &s) const;
    qint64 firstFrame(const Sound &s) const;
    qint64 endFrame(int index) const;

    int m_rate;
    QVector<float> m_cue;
    QVector<float> m_alert;
    QHash<QString, QVector<float>> m_phrases;
    QVector<float> m_none;
    QVector<Sound> m_sounds; // by due time
    struct Reading
    {
        double ms;
        double frame;
    };
    void anchor(const Reading &r);
    bool m_clockKnown = false;
    double m_anchorMs = 0; // engine time at which m_anchorFrame is heard
    double m_anchorFrame = 0;
    double m_msPerFrame;
    QVector<Reading> m_readings; // the last seconds'
    QVector<Reading> m_offLine;  // the last readings in a row far off the line
    double m_lateSpreadMs = 0;   // how late readings usually come
    double m_lastFitMs = 0;      // when the line last followed a fit

    int m_dropped = 0;
};
