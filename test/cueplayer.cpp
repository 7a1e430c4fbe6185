#include "cueplayer.h"

#include "clock.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QFile>
#include <QMediaDevices>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

QByteArray readResource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

CuePlayer::CuePlayer(const Clock &clock, QObject *parent) : QObject(parent), m_clock(clock)
{
    m_feedTimer.setTimerType(Qt::PreciseTimer);
    m_feedTimer.setInterval(10);
    connect(&m_feedTimer, &QTimer::timeout, this, &CuePlayer::feed);
}

CuePlayer::~CuePlayer()
{
    close();
}

int CuePlayer::outputDeviceCount()
{
    return int(QMediaDevices::audioOutputs().size());
}

bool CuePlayer::available() const
{
    return isOpen();
}

bool CuePlayer::open()
{
    if (isOpen())
        return true;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;

    m_format.setChannelCount(1);
    m_format.setSampleFormat(QAudioFormat::Int16);
    const int preferred = device.preferredFormat().sampleRate();
    m_format.setSampleRate(preferred > 0 ? preferred : 44100);
    if (!device.isFormatSupported(m_format))
        m_format.setSampleRate(44100);

    m_cue = decodeWave(readResource(QStringLiteral(":/sounds/sonido.wav")), m_format.sampleRate());
    m_alert = decodeWave(readResource(QStringLiteral(":/sounds/aviso.wav")), m_format.sampleRate());

    m_sink = std::make_unique<QAudioSink>(device, m_format);
    // Room for a stall of the event loop without the device running dry.
    m_sink->setBufferSize(m_format.bytesForDuration(500000));
    m_io = m_sink->start();
    if (!m_io) {
        m_sink.reset();
        return false;
    }
    m_originMs = m_clock.nowMs() - HoldBackMs - PrefillMs;
    m_framesWritten = 0;
    m_voices.clear();
    feed();
    m_feedTimer.start();
    return true;
}

void CuePlayer::close()
{
    m_feedTimer.stop();
    if (m_sink)
        m_sink->stop();
    m_io = nullptr;
    m_sink.reset();
}

qint64 CuePlayer::frameFor(qint64 ms) const
{
    return (ms - m_originMs) * m_format.sampleRate() / 1000;
}

void CuePlayer::playCue(qint64 dueMs)
{
    schedule(m_cue, dueMs, true);
}

void CuePlayer::playAlert(qint64 dueMs)
{
    schedule(m_alert, dueMs, false);
}

void CuePlayer::schedule(const QVector<float> &samples, qint64 dueMs, bool replacesCue)
{
    if (!isOpen() || samples.isEmpty())
        return;
    // A cue reported too late for its own sample still sounds, as early as it can.
    const qint64 start = std::max(frameFor(dueMs), m_framesWritten);
    if (replacesCue) {
        for (Voice &voice : m_voices) {
            if (voice.samples == &m_cue)
                voice.endFrame = std::min(voice.endFrame, start);
        }
    }
    m_voices.append({&samples, start, start + samples.size()});
}

void CuePlayer::feed()
{
    if (!isOpen())
        return;
    const qint64 target = frameFor(m_clock.nowMs() - HoldBackMs);
    const qint64 room = m_sink->bytesFree() / m_format.bytesPerFrame();
    const qint64 frames = std::min(target - m_framesWritten, room);
    if (frames <= 0)
        return;

    m_chunk.resize(int(frames * m_format.bytesPerFrame()));
    auto *out = reinterpret_cast<qint16 *>(m_chunk.data());
    std::fill(out, out + frames, qint16(0));
    const qint64 begin = m_framesWritten;
    const qint64 end = begin + frames;
    for (const Voice &voice : std::as_const(m_voices)) {
        const qint64 from = std::max(begin, voice.startFrame);
        const qint64 to = std::min(end, voice.endFrame);
        for (qint64 f = from; f < to; ++f) {
            const float mixed =
                out[f - begin] / 32767.0f + (*voice.samples)[int(f - voice.startFrame)] * 0.8f;
            out[f - begin] = qint16(std::clamp(mixed, -1.0f, 1.0f) * 32767.0f);
        }
    }
    const qint64 written = m_io->write(m_chunk.constData(), m_chunk.size());
    if (written > 0)
        m_framesWritten += written / m_format.bytesPerFrame();

    // Forget the voices that have been played out entirely.
    m_voices.erase(std::remove_if(m_voices.begin(), m_voices.end(),
                                  [this](const Voice &v) { return v.endFrame <= m_framesWritten; }),
                   m_voices.end());
}

QVector<float> CuePlayer::decodeWave(const QByteArray &wave, int outputRate)
{
    if (wave.size() < 12 || !wave.startsWith("RIFF") || wave.mid(8, 4) != "WAVE" || outputRate <= 0)
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
        if (id == "fmt " && size >= 16) {
            format = qFromLittleEndian<quint16>(wave.constData() + body);
            channels = qFromLittleEndian<quint16>(wave.constData() + body + 2);
            rate = int(qFromLittleEndian<quint32>(wave.constData() + body + 4));
            bits = qFromLittleEndian<quint16>(wave.constData() + body + 14);
        } else if (id == "data") {
            data = wave.mid(body, size);
        }
        pos = body + size + (size & 1); // chunks are word aligned
    }
    if (format != 1 || channels != 1 || rate <= 0 || (bits != 8 && bits != 16) || data.isEmpty())
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
    QVector<float> result(int(count));
    for (qint64 i = 0; i < count; ++i) {
        const double x = double(i) * rate / outputRate;
        const int i0 = int(x);
        const int i1 = std::min(i0 + 1, int(source.size()) - 1);
        const float t = float(x - i0);
        result[int(i)] = source.at(i0) * (1.0f - t) + source.at(i1) * t;
    }
    return result;
}
