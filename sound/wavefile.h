#pragma once

#include <QByteArray>
#include <QVector>

// The cue sounds' file format, written by the sound generator and read by the player: a RIFF
// WAVE of PCM, mono.
namespace WaveFile {

// Rates above this are refused as corrupt rather than followed into gigabytes of samples.
constexpr int MaxRate = 384000;

// A file of 8-bit unsigned samples at the given rate.
QByteArray write(const QByteArray &samples, int rate);

// Decodes a PCM WAVE (8-bit unsigned or 16-bit signed, mono) into samples in [-1, 1] at the
// given rate. Empty when the data is not such a file.
QVector<float> decode(const QByteArray &wave, int outputRate);

} // namespace WaveFile
