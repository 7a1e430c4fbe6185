#include "sounds.h"

#include "wavefile.h"

#include "common.h"

#include <QDir>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace artgen {

namespace {

char toUnsigned8(double v)
{
    const long s = std::lround(128.0 + 127.0 * std::clamp(v, -1.0, 1.0));
    return char(quint8(std::clamp(s, 0L, 255L)));
}

// The cue: a steady 440 Hz tone that starts on a rising zero crossing at the first sample, so
// its onset is sharp and lands at the same moment every time. Only the tail fades, to avoid a
// click when it stops.
QByteArray cueSamples()
{
    const int count = 5167;
    const int fade = SampleRate * 3 / 1000;
    QByteArray samples(count, '\0');
    for (int i = 0; i < count; ++i) {
        const double gain = i >= count - fade ? double(count - 1 - i) / fade : 1.0;
        samples[i] = toUnsigned8(gain * std::sin(2.0 * Pi * 440.0 * i / SampleRate));
    }
    return samples;
}

// The pause alert: two short, higher beeps, clearly not the cue.
QByteArray alertSamples()
{
    const int beep = SampleRate * 80 / 1000;
    const int gap = SampleRate * 60 / 1000;
    const int ramp = SampleRate * 4 / 1000;
    QByteArray samples;
    for (int b = 0; b < 2; ++b) {
        if (b > 0)
            samples.append(QByteArray(gap, char(128)));
        for (int i = 0; i < beep; ++i) {
            const double gain = std::min({1.0, double(i) / ramp, double(beep - 1 - i) / ramp});
            samples.append(toUnsigned8(0.85 * gain * std::sin(2.0 * Pi * 880.0 * i / SampleRate)));
        }
    }
    return samples;
}

} // namespace

QByteArray waveFile(const QByteArray &samples)
{
    return WaveFile::write(samples, SampleRate);
}

bool writeSounds(const QDir &resources)
{
    const QDir dir(resources.filePath(QStringLiteral("sounds")));
    if (!QDir().mkpath(dir.path()))
        return false;
    const QByteArray cue = waveFile(cueSamples());
    // The player and the timing tests rely on this exact layout of the cue.
    if (cue.size() != 5212 || qFromLittleEndian<quint32>(cue.constData() + 4) != 5204 ||
        qFromLittleEndian<quint32>(cue.constData() + 40) != 5167) {
        std::fprintf(stderr, "artgen: cue file layout is wrong\n");
        return false;
    }
    return writeFile(dir.filePath(QStringLiteral("sonido.wav")), cue) &&
           writeFile(dir.filePath(QStringLiteral("aviso.wav")), waveFile(alertSamples()));
}

} // namespace artgen
