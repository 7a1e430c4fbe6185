#pragma once

#include "cuesink.h"

#include <QAudioFormat>
#include <QIODevice>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVector>

#include <memory>

class Clock;
class QAudioSink;

// Plays the cues through one continuous audio stream. Each cue is mixed into the stream at the
// sample that belongs to its due time, so the gaps heard are the gaps of the table, whatever
// the timer jitter. The stream is fed a little behind the clock (HoldBackMs) so that a cue
// reported up to that late still lands on its own sample, and the device is kept a prefill
// ahead of what it plays so that a slow round of the event loop does not starve it.
class CuePlayer final : public QObject, public CueSink
{
    Q_OBJECT
public:
    explicit CuePlayer(const Clock &clock, QObject *parent = nullptr);
    ~CuePlayer() override;

    // Number of audio outputs the system offers.
    static int outputDeviceCount();

    // Opens the default output. False when there is none (cues then stay silent).
    bool open();
    void close();
    bool isOpen() const { return m_io != nullptr; }

    bool available() const override;
    void playCue(qint64 dueMs) override;
    void playAlert(qint64 dueMs) override;

    // Time between a due time and its sound leaving for the device (hold-back plus prefill).
    qint64 outputLatencyMs() const { return HoldBackMs + m_prefillMs; }
    // How often the device ran dry since open(), e.g. because the event loop stalled.
    int underrunCount() const { return m_underruns; }
    // How late a cue may be reported and still land on its own sample.
    static constexpr qint64 holdBackMs() { return HoldBackMs; }

    // Decodes a PCM WAVE (8-bit unsigned or 16-bit signed, mono) into samples in [-1, 1] at
    // the given rate. Empty when the data is not such a file.
    static QVector<float> decodeWave(const QByteArray &wave, int outputRate);

public slots:
    void feed();

private:
    struct Voice
    {
        const QVector<float> *samples = nullptr;
        qint64 startFrame = 0;
        qint64 endFrame = 0; // exclusive; a later cue cuts the one before it short
    };

    void schedule(const QVector<float> &samples, qint64 dueMs, bool replacesCue);
    qint64 frameFor(qint64 ms) const;
    void skipTo(qint64 frame);

    static constexpr qint64 HoldBackMs = 15;
    // Every write wakes the sound client's thread and the server: writes every 10 ms cost about
    // 4 % of a core, every 20 ms about 2 %, every 50 ms about 1 %. A deeper buffer keeps 50 ms
    // feeds far inside the prefill, at the price of a longer constant delay before the sound.
    static constexpr qint64 FeedIntervalMs = 50;
    // What is asked of the device; PulseAudio grants less and starts playing only once about
    // that much is queued, so the prefill is taken from what it actually accepts (~220 ms).
    static constexpr qint64 DeviceBufferMs = 400;
    static constexpr qint64 MinPrefillMs = 40;
    static constexpr qint64 MaxPrefillMs = 400;

    const Clock &m_clock;
    QAudioFormat m_format;
    std::unique_ptr<QAudioSink> m_sink;
    QPointer<QIODevice> m_io; // the sink deletes it when its server goes away
    QTimer m_feedTimer;
    qint64 m_originMs = 0;      // engine time of frame 0
    qint64 m_framesWritten = 0; // frames handed to the device (or skipped) so far
    qint64 m_prefillMs = MinPrefillMs;
    qint64 m_prefillFrames = 0;
    int m_underruns = 0;
    QVector<float> m_cue;
    QVector<float> m_alert;
    QVector<Voice> m_voices;
    QByteArray m_chunk;
};
