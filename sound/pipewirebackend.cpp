#include "pipewirebackend.h"

#include "clock.h"

#include <spa/param/audio/format-utils.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

using namespace Protocol;

namespace {

using State = CueSink::State;
constexpr int RetryMs = 1000;
constexpr int OpenTimeoutMs = 3000;
// The block the stream asks the graph for: 21 ms at 48 kHz, a wake-up of the sound thread per
// block and a stop heard within two.
constexpr int BlockFrames = 1024;
constexpr qint64 ReadingEveryNs = 100'000'000;

const pw_core_events CoreEvents = [] {
    pw_core_events e{};
    e.version = PW_VERSION_CORE_EVENTS;
    return e;
}();

} // namespace

PipeWireBackend::PipeWireBackend(const Clock &clock, Post post, int rate, QString device)
    : clock(clock), post(std::move(post)), streamRate(rate), sinkName(std::move(device))
{
    pw_init(nullptr, nullptr);
}

PipeWireBackend::~PipeWireBackend()
{
    close();
    pw_deinit();
}

bool PipeWireBackend::open()
{
    if (loop)
        return true;
    loop = pw_thread_loop_new("zenta-sound", nullptr);
    if (!loop)
        return false;
    context = pw_context_new(pw_thread_loop_get_loop(loop), nullptr, 0);
    if (!context || pw_thread_loop_start(loop) < 0) {
        close();
        return false;
    }
    schedule = CueSound::makeSchedule(streamRate);
    pw_thread_loop_lock(loop);
    retryTimer = pw_loop_add_timer(pw_thread_loop_get_loop(loop), &PipeWireBackend::retry, this);
    opening = true;
    openFailed = !connectCore();
    if (!openFailed)
        openStream();
    timespec timeout{};
    clock_gettime(CLOCK_REALTIME, &timeout);
    timeout.tv_sec += OpenTimeoutMs / 1000;
    while (opening && !openFailed) {
        if (pw_thread_loop_timed_wait_full(loop, &timeout) == -ETIMEDOUT)
            openFailed = true;
    }
    const bool ok = !openFailed;
    opening = false;
    pw_thread_loop_unlock(loop);
    if (!ok)
        close();
    return ok;
}

void PipeWireBackend::close()
{
    if (!loop)
        return;
    pw_thread_loop_lock(loop);
    teardown();
    if (retryTimer)
        pw_loop_destroy_source(pw_thread_loop_get_loop(loop), retryTimer);
    retryTimer = nullptr;
    pw_thread_loop_unlock(loop);
    pw_thread_loop_stop(loop);
    if (context)
        pw_context_destroy(context);
    context = nullptr;
    pw_thread_loop_destroy(loop);
    loop = nullptr;
    lost = false;
}

bool PipeWireBackend::connectCore()
{
    core = pw_context_connect(context, nullptr, 0);
    if (!core)
        return false;
    static const pw_core_events events = [] {
        pw_core_events e = CoreEvents;
        e.error = &PipeWireBackend::coreError;
        return e;
    }();
    pw_core_add_listener(core, &coreListener, &events, this);
    return true;
}

void PipeWireBackend::openStream()
{
    pw_properties *props = pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY,
                                             "Playback", PW_KEY_MEDIA_ROLE, "Game", PW_KEY_APP_NAME,
                                             "ZENTA", PW_KEY_NODE_NAME, "zenta-cues", nullptr);
    pw_properties_setf(props, PW_KEY_NODE_LATENCY, "%d/%d", BlockFrames, streamRate);
    stream = pw_stream_new(core, "Cues", props);
    if (!stream) {
        fail();
        return;
    }
    static const pw_stream_events events = [] {
        pw_stream_events e{};
        e.version = PW_VERSION_STREAM_EVENTS;
        e.state_changed = &PipeWireBackend::streamState;
        e.process = &PipeWireBackend::process;
        return e;
    }();
    pw_stream_add_listener(stream, &streamListener, &events, this);
    spa_audio_info_raw info{};
    info.format = SPA_AUDIO_FORMAT_S16;
    info.rate = uint32_t(streamRate);
    info.channels = 1;
    info.position[0] = SPA_AUDIO_CHANNEL_MONO;
    uint8_t buffer[1024];
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, buffer, sizeof(buffer));
    const spa_pod *params[1] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info)};
    {
        const std::lock_guard<std::mutex> lock(guard);
        written = 0;
        schedule->restartStream();
    }
    // Blocks are filled on PipeWire's realtime thread: a busy machine delays the program's
    // threads by more than a block.
    const auto flags = pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS |
                                       PW_STREAM_FLAG_RT_PROCESS);
    if (pw_stream_connect(stream, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 1) < 0)
        fail();
}

void PipeWireBackend::closeStream()
{
    if (stream) {
        spa_hook_remove(&streamListener);
        pw_stream_destroy(stream);
        stream = nullptr;
    }
}

void PipeWireBackend::setStreaming(bool on)
{
    if (!loop)
        return;
    pw_thread_loop_lock(loop);
    wanted = on;
    if (!on)
        closeStream();
    else if (!stream && core && !lost)
        openStream();
    pw_thread_loop_unlock(loop);
}

void PipeWireBackend::teardown()
{
    closeStream();
    if (core) {
        spa_hook_remove(&coreListener);
        pw_core_disconnect(core);
        core = nullptr;
    }
}

// The server or the stream is gone (or never came).
void PipeWireBackend::fail()
{
    if (opening) {
        openFailed = true;
        pw_thread_loop_signal(loop, false);
        return;
    }
    if (!lost) {
        lost = true;
        post(State::Lost);
    }
    // Torn down from the timer, not from inside the dying object's own callback.
    timespec in{RetryMs / 1000, (RetryMs % 1000) * 1000000L};
    pw_loop_update_timer(pw_thread_loop_get_loop(loop), retryTimer, &in, nullptr, false);
}

void PipeWireBackend::retry(void *data, uint64_t)
{
    auto *d = static_cast<PipeWireBackend *>(data);
    d->teardown();
    if (!d->connectCore()) {
        d->fail();
    } else if (d->wanted) {
        d->openStream();
    } else {
        d->lost = false;
        d->post(State::Recovered);
    }
}

void PipeWireBackend::coreError(void *data, uint32_t id, int, int res, const char *)
{
    auto *d = static_cast<PipeWireBackend *>(data);
    if (id == PW_ID_CORE && res == -EPIPE)
        d->fail();
}

void PipeWireBackend::streamState(void *data, pw_stream_state, pw_stream_state state, const char *)
{
    auto *d = static_cast<PipeWireBackend *>(data);
    switch (state) {
    case PW_STREAM_STATE_STREAMING:
        if (d->opening) {
            d->opening = false;
            pw_thread_loop_signal(d->loop, false);
        }
        if (d->lost) {
            d->lost = false;
            const std::lock_guard<std::mutex> lock(d->guard);
            ++d->counts.reconnects;
            d->post(State::Recovered);
        }
        break;
    case PW_STREAM_STATE_ERROR:
    case PW_STREAM_STATE_UNCONNECTED:
        d->fail();
        break;
    default:
        break;
    }
}

// The stream's timing at this block: the frame heard at the block's time is what was handed
// over less what waits in the stream, in the converter and on the way to the device.
void PipeWireBackend::observe()
{
    pw_time time{};
    if (pw_stream_get_time_n(stream, &time, sizeof(time)) < 0 || time.rate.denom == 0 ||
        time.now <= 0)
        return;
    const double delayFrames =
        double(time.delay) * time.rate.num * streamRate / double(time.rate.denom);
    const double heard =
        double(written) - double(time.queued) / 2 - double(time.buffered) - delayFrames;
    counts.sinkMs = delayFrames * 1000.0 / streamRate;
    heardNow = heard;
    // Exact per block, so a reading every 100 ms is plenty: the fit is the costly part of a
    // block, and blocks come 47 times a second.
    if (schedule->clockKnown() && time.now - lastReadingNs < ReadingEveryNs)
        return;
    lastReadingNs = time.now;
    if (schedule->observe(CueSound::engineMs(clock, time.now), heard))
        ++counts.jumps;
}

void PipeWireBackend::process(void *data)
{
    auto *d = static_cast<PipeWireBackend *>(data);
    pw_buffer *b = pw_stream_dequeue_buffer(d->stream);
    if (!b)
        return;
    spa_data &out = b->buffer->datas[0];
    if (!out.data) {
        pw_stream_queue_buffer(d->stream, b);
        return;
    }
    const std::lock_guard<std::mutex> lock(d->guard);
    d->observe();
    quint64 frames = out.maxsize / 2;
    if (b->requested > 0)
        frames = std::min<quint64>(frames, b->requested);
    d->schedule->render(d->written, int(frames), static_cast<qint16 *>(out.data));
    out.chunk->offset = 0;
    out.chunk->stride = 2;
    out.chunk->size = uint32_t(frames * 2);
    d->written += qint64(frames);
    // What is handed over, this block included, ahead of what is heard.
    d->counts.aheadMs = (double(d->written) - d->heardNow) * 1000.0 / d->streamRate;
    pw_stream_queue_buffer(d->stream, b);
}

// Sounds are rendered a block at a time as the graph asks, so a change needs nothing written
// again: the next block plays it.
void PipeWireBackend::reschedule(const Change &change)
{
    if (!loop)
        return;
    const std::lock_guard<std::mutex> lock(guard);
    change(*schedule, written);
}

CuePlayer::Stats PipeWireBackend::stats() const
{
    if (!loop)
        return {};
    const std::lock_guard<std::mutex> lock(guard);
    CuePlayer::Stats s = counts;
    s.rate = streamRate;
    s.dropped = schedule->droppedCount();
    s.clockKnown = schedule->clockKnown();
    s.pipeWire = true;
    return s;
}
