#include "wavefile.h"

#include <QtEndian>

#include <algorithm>

namespace WaveFile {

namespace {

constexpr char Riff[] = "RIFF";
constexpr char Wave[] = "WAVE";
constexpr char FormatChunk[] = "fmt ";
constexpr char DataChunk[] = "data";
constexpr quint32 FormatSize = 16;
constexpr quint16 PcmFormat = 1;

} // namespace

QByteArray write(const QByteArray &samples, int rate)
{
    const bool pad = samples.size() % 2 != 0; // chunks are word aligned
    const quint32 dataSize = quint32(samples.size());
    QByteArray out;
    const auto u32 = [&out](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    };
    const auto u16 = [&out](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        out.append(b, 2);
    };
    out.append(Riff, 4);
    u32(4 + (8 + FormatSize) + (8 + dataSize + (pad ? 1 : 0)));
    out.append(Wave, 4);
    out.append(FormatChunk, 4);
    u32(FormatSize);
    u16(PcmFormat);
    u16(1); // mono
    u32(quint32(rate));
    u32(quint32(rate)); // bytes per second: one byte a sample
    u16(1);             // block align
    u16(8);             // bits per sample
    out.append(DataChunk, 4);
    u32(dataSize);
    out.append(samples);
    if (pad)
        out.append('\0');
    return out;
}

QVector<float> decode(const QByteArray &wave, int outputRate)
{
    if (wave.size() < 12 || !wave.startsWith(Riff) || wave.mid(8, 4) != Wave || outputRate <= 0)
        return {};
    int channels = 0, rate = 0, bits = 0, format = 0;
    QByteArray data;
    qsizetype pos = 12;
    while (pos + 8 <= wave.size()) {
        const QByteArray id = wave.mid(pos, 4);
        const quint32 size = qFromLittleEndian<quint32>(wave.constData() + pos + 4);
        const qsizetype body = pos + 8;
        if (size > quint32(wave.size() - body))
            break;
        if (id == FormatChunk && size >= FormatSize) {
            format = qFromLittleEndian<quint16>(wave.constData() + body);
            channels = qFromLittleEndian<quint16>(wave.constData() + body + 2);
            rate = int(qFromLittleEndian<quint32>(wave.constData() + body + 4));
            bits = qFromLittleEndian<quint16>(wave.constData() + body + 14);
        } else if (id == DataChunk) {
            data = wave.mid(body, size);
        }
        pos = body + size + (size & 1); // chunks are word aligned
    }
    // The rate bounds keep a corrupt header from asking for gigabytes.
    if (format != PcmFormat || channels != 1 || rate <= 0 || rate > MaxRate ||
        outputRate > MaxRate || (bits != 8 && bits != 16) || data.isEmpty())
        return {};

    QVector<float> source;
    if (bits == 8) {
        source.reserve(data.size());
        for (const char byte : std::as_const(data))
            source.append((quint8(byte) - 128) / 128.0f);
    } else {
        source.reserve(data.size() / 2);
        for (qsizetype i = 0; i + 1 < data.size(); i += 2)
            source.append(qFromLittleEndian<qint16>(data.constData() + i) / 32768.0f);
    }
    if (rate == outputRate)
        return source;

    // Linear interpolation is plenty for a steady tone and keeps the onset where it was.
    const qint64 count = qint64(source.size()) * outputRate / rate;
    QVector<float> result(qsizetype(count), 0.0f);
    for (qint64 i = 0; i < count; ++i) {
        const double x = double(i) * rate / outputRate;
        const int i0 = int(x);
        const int i1 = std::min(i0 + 1, int(source.size()) - 1);
        const float t = float(x - i0);
        result[qsizetype(i)] = source.at(i0) * (1.0f - t) + source.at(i1) * t;
    }
    return result;
}

} // namespace WaveFile
