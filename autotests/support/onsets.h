#pragma once

// Finds where sounds start in a recording of a null sink's monitor, for the real-sound test and
// the pacing benchmark. The null sink plays digital silence between sounds, so a sound is a run
// of samples above a fixed threshold, ended by a stretch of silence.

#include <QByteArray>
#include <QVector>
#include <QtEndian>

#include <cstdlib>

namespace onsets {

constexpr int RecordRate = 48000; // the null sink's rate, so the capture is not resampled
constexpr int Threshold = 3000;   // the tones peak far above it
constexpr int SilenceFrames = RecordRate * 150 / 1000;

struct Burst
{
    qint64 onset = 0; // first frame above the threshold
    qint64 end = 0;   // one past the last frame above it
    double onsetMs() const { return onset * 1000.0 / RecordRate; }
    double lengthMs() const { return (end - onset) * 1000.0 / RecordRate; }
};

// sampleAt(i) gives frame i in 16-bit units. A sound ends after silenceFrames below the
// threshold: the alert is two short beeps 60 ms apart, so counting it as one sound takes more
// than 60 ms; cues are never closer than 400 ms.
template <typename SampleAt>
QVector<Burst> findBursts(qint64 frames, SampleAt sampleAt, qint64 silenceFrames = SilenceFrames)
{
    QVector<Burst> bursts;
    qint64 lastLoud = -silenceFrames - 1;
    for (qint64 i = 0; i < frames; ++i) {
        if (std::abs(sampleAt(i)) <= Threshold)
            continue;
        if (i - lastLoud > silenceFrames)
            bursts.append({i, i + 1});
        bursts.last().end = i + 1;
        lastLoud = i;
    }
    return bursts;
}

// Raw signed 16-bit little-endian mono, as parec --raw --format=s16le --channels=1 writes it.
inline QVector<Burst> findBursts(const QByteArray &raw, qint64 silenceFrames = SilenceFrames)
{
    return findBursts(
        raw.size() / 2,
        [&raw](qint64 i) { return int(qFromLittleEndian<qint16>(raw.constData() + 2 * i)); },
        silenceFrames);
}

} // namespace onsets
