#pragma once

// Finds where sounds start in a recording of the sink's monitor. Same technique as the real-sound
// test: the null sink plays digital silence between sounds, so a sound is a run of samples above
// a fixed threshold. The alert is two short beeps 60 ms apart, so a sound only ends after 150 ms
// below it; cues are never closer than 400 ms.

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

// Raw signed 16-bit little-endian mono, as parec --raw --format=s16le --channels=1 writes it.
inline QVector<Burst> findBursts(const QByteArray &raw)
{
    QVector<Burst> bursts;
    const qint64 frames = raw.size() / 2;
    qint64 lastLoud = -SilenceFrames - 1;
    for (qint64 i = 0; i < frames; ++i) {
        const int s = qFromLittleEndian<qint16>(raw.constData() + 2 * i);
        if (std::abs(s) <= Threshold)
            continue;
        if (i - lastLoud > SilenceFrames)
            bursts.append({i, i + 1});
        bursts.last().end = i + 1;
        lastLoud = i;
    }
    return bursts;
}

} // namespace onsets
