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

constexpr int MaxRate = 384000;

QByteArray readResource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

CuePlayer::CuePlayer(const Clock &clock, QObject *parent) : QObject(parent), m_clock(clock)
{
    // Coarse: it may then wake together with the sink's own timer. Lateness costs nothing here,
    // the prefill covers it.
    m_feedTimer.setTimerType(Qt::CoarseTimer);
    m_feedTimer.setInterval(int(FeedIntervalMs));
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
    close();
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
    // A large buffer would only add latency: PulseAudio holds back playback until nearly all
    // of it is queued, and the stream is fed in step with the clock, never ahead of it.
    m_sink->setBufferSize(m_format.bytesForDuration(DeviceBufferMs * 1000));
    m_io = m_sink->start();
    if (!m_io) {
        m_sink.reset();
        return false;
    }
    // Fill what the device takes at once, so it starts playing now and keeps that margin.
    const qint64 rate = m_format.sampleRate();
    const qint64 accepted = m_sink->bytesFree() / m_format.bytesPerFrame();
    m_prefillMs = std::clamp((accepted * 1000 + rate - 1) / rate, MinPrefillMs, MaxPrefillMs);
    m_prefillFrames = m_prefillMs * rate / 1000;
    m_originMs = m_clock.nowMs() - HoldBackMs - m_prefillMs;
    m_framesWritten = 0;
    m_underruns = 0;
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
    m_voices.clear();
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

void CuePlayer::skipTo(qint64 frame)
{
    // Sounds that should have started in the lost stretch still play whole, as early as they can.
    for (Voice &voice : m_voices) {
        if (voice.startFrame >= m_framesWritten && voice.startFrame < frame) {
            voice.endFrame += frame - voice.startFrame;
            voice.startFrame = frame;
        }
    }
    m_framesWritten = frame;
}

void CuePlayer::feed()
{
    if (!m_sink)
        return;
    if (!isOpen() || m_sink->state() == QAudio::StoppedState) {
        // The sound server went away; the cues go silent rather than write into the void.
        close();
        return;
    }
    const qint64 target = frameFor(m_clock.nowMs() - HoldBackMs);
    // The device ran dry (the event loop stalled longer than the prefill). Writing the whole
    // stall now would add it to the latency for good, so that stretch is dropped instead and
    // the device is given its prefill again. Qt's PulseAudio sink reports that as going idle,
    // not always with an underrun error; the lag check covers backends that report neither.
    const qint64 slack = 2 * FeedIntervalMs * m_format.sampleRate() / 1000;
    const bool starved =
        m_framesWritten > 0 &&
        (m_sink->error() == QAudio::UnderrunError || m_sink->state() == QAudio::IdleState ||
         target - m_framesWritten > m_prefillFrames + slack);
    if (starved && target - m_prefillFrames > m_framesWritten) {
        skipTo(target - m_prefillFrames);
        ++m_underruns;
    }

    // The device takes no more than it has room for; the rest waits for the next round.
    const qint64 room = m_sink->bytesFree() / m_format.bytesPerFrame();
    const qint64 frames = std::min(target - m_framesWritten, room);
    if (frames <= 0)
        return;

    m_chunk.resize(qsizetype(frames * m_format.bytesPerFrame()));
    auto *out = reinterpret_cast<qint16 *>(m_chunk.data());
    std::fill(out, out + frames, qint16(0));
    const qint64 begin = m_framesWritten;
    const qint64 end = begin + frames;
    for (const Voice &voice : std::as_const(m_voices)) {
        const qint64 from = std::max(begin, voice.startFrame);
        const qint64 to = std::min(end, voice.endFrame);
        for (qint64 f = from; f < to; ++f) {
            const float mixed = out[f - begin] / 32767.0f +
                                (*voice.samples)[qsizetype(f - voice.startFrame)] * 0.8f;
            out[f - begin] = qint16(std::clamp(mixed, -1.0f, 1.0f) * 32767.0f);
        }
    }
    const qint64 written = m_io->write(m_chunk.constData(), m_chunk.size());
    if (written > 0)
        m_framesWritten += written / m_format.bytesPerFrame();

    // Forget the voices that have been played out entirely, so a long run holds no more.
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
    // The rate bounds keep a corrupt header from asking for gigabytes.
    if (format != 1 || channels != 1 || rate <= 0 || rate > MaxRate || outputRate > MaxRate ||
        (bits != 8 && bits != 16) || data.isEmpty())
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
