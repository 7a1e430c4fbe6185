#pragma once

#include <QByteArray>

class QDir;

// Sounds: 8-bit unsigned mono PCM at 11025 samples/s, written byte by byte so that every size
// field is exact.

namespace artgen {

constexpr int SampleRate = 11025;

// A complete wave file holding the given samples.
QByteArray waveFile(const QByteArray &samples);

// The cue and the pause alert, in sounds/.
bool writeSounds(const QDir &resources);

} // namespace artgen
