#pragma once

// The cue player's client of PipeWire itself: one pw_stream, filled block by block when the
// graph asks, each sound placed from the stream's own timing (exact per block, the device's
// delay included). Private to the sound layer.

#include "cuebackend.h"

#include <pipewire/pipewire.h>

#include <mutex>

class PipeWireBackend final : public CueBackend
{
public:
    PipeWireBackend(const Protocol::Clock &clock, Post post, int rate, QString device);
    ~PipeWireBackend() override;

    bool open() override;
    void close() override;
    bool isOpen() const override { return loop != nullptr; }
    void reschedule(const Change &change) override;
    CuePlayer::Stats stats() const override;
    QString device() const override { return sinkName; }
    void setStreaming(bool on) override;

private:
    bool connectCore();
    void openStream();
    void teardown();
    void closeStream();
    void fail();
    void observe();

    static void coreError(void *data, uint32_t id, int seq, int res, const char *message);
    static void streamState(void *data, pw_stream_state old, pw_stream_state state,
                            const char *error);
    static void process(void *data);
    static void retry(void *data, uint64_t expirations);

    // Below, the connection belongs to the client's thread, or is used under its lock; the
    // schedule and the counts are used under `guard`, as blocks are filled on the realtime
    // thread.
    const Protocol::Clock &clock;
    Post post;
    const int streamRate;
    const QString sinkName;
    pw_thread_loop *loop = nullptr;
    pw_context *context = nullptr;
    pw_core *core = nullptr;
    pw_stream *stream = nullptr;
    spa_source *retryTimer = nullptr;
    spa_hook coreListener{};
    spa_hook streamListener{};
    mutable std::mutex guard;
    std::unique_ptr<CueSchedule> schedule;
    qint64 written = 0;       // frames handed to the stream so far
    double heardNow = 0;      // frame heard at the time of the last block
    qint64 lastReadingNs = 0; // when the schedule last had a reading
    bool opening = false;
    bool openFailed = false;
    bool lost = false;
    bool wanted = true; // a stream, or the device left to rest
    CuePlayer::Stats counts;
};
