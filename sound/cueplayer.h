#pragma once

#include "cuesink.h"

#include <QHash>
#include <QVector>

#include <functional>
#include <memory>

namespace Protocol {
class Clock;
} // namespace Protocol
class CueBackend;
class Speech;

// Plays the run's sounds through one stream of the sound server, on the sound client's own
// thread: PipeWire's own on a PipeWire server, PulseAudio's elsewhere (and on PipeWire's
// PulseAudio service when ZENTA_SOUND_API=pulse asks for it).
//
// The engine's plan arrives ahead of time; each sound is laid on the stream's frame that the
// listener hears at its due time, reckoned from the stream's own clock (what the device has
// actually played), so a busy window, a stall or a sound card running fast or slow neither
// delays a cue nor changes a gap. Data already queued is written over when the plan changes,
// and silenced at once on stop. When the server goes away the stream is reopened.
class CuePlayer final : public Protocol::CueSink
{
    Q_OBJECT
public:
    // The start of a test is put this far ahead, so its first cue lands on its sample; further
    // by the device's own latency (a Bluetooth speaker's quarter second).
    static constexpr qint64 LeadMs = 100;

    explicit CuePlayer(const Protocol::Clock &clock, QObject *parent = nullptr);
    ~CuePlayer() override;

    // Connects to the sound server and opens the stream. False when there is no server or no
    // output (the cues then stay silent).
    bool open();
    void close();
    bool isOpen() const;

    bool available() const override;
    State state() const override;
    qint64 leadMs() const override;
    QString outputName() const override;
    double outputLatencyMs() const override;
    void plan(const Protocol::SoundPlan &sounds) override;
    void silence() override;
    void prepare() override;
    void rest() override;
    void playCue(qint64 dueMs) override;
    void playAlert(qint64 dueMs) override;
    QString speechProblem() const override;
    qint64 phraseMs(const QString &text) override;
    qint64 soundMs(bool alert) const override;
    Speech *speech() const { return m_speech.get(); }

    // For the tests and the benchmark.
    struct Stats
    {
        int dropped = 0;    // sounds found too late to play (after a stall)
        int reconnects = 0; // streams opened again after the server went away
        int rate = 0;       // frames per second
        double aheadMs = 0; // how far ahead of the listener the stream is written
        double sinkMs = 0;  // the device's own latency, as the server reports it
        bool clockKnown = false;
        int rewrites = 0;       // queued sound written again (a plan change, a jump)
        int jumps = 0;          // the stream's clock found off by more than drift
        double rewrittenMs = 0; // how much was written again
        bool pipeWire = false;  // played through PipeWire's own stream
    };
    // The device has set up its buffer for this stream: sounds from now on land where planned.
    // A fresh stream on an idle server can take a second or two.
    bool settled() const;
    Stats stats() const;

private:
    void setState(State state);
    // Hands a state from the sound client's thread to this object's.
    std::function<void(State)> poster();

    const Protocol::Clock &m_clock;
    std::unique_ptr<CueBackend> d;
    std::unique_ptr<Speech> m_speech;
    qint64 m_cueMs = 0;
    qint64 m_alertMs = 0;
    // Phrases at the stream's rate, made once each.
    QHash<QString, QVector<float>> m_resampled;
    int m_resampledRate = 0;
    bool m_available = false;
    State m_state = State::NoDevice;
};
