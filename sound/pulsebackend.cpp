#include "pulsebackend.h"

#include "clock.h"
#include "wavefile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace Protocol;

namespace {

// Each request of the server wakes this thread and the server; asked for every 40 ms that cost
// 0.3 % of a core, every 100 ms much less.
constexpr qint64 RequestMs = 100;
// What is written over when the plan changes starts this far after the frame heard now; the
// server has the device take back what it already holds of it.
constexpr double RewriteMarginMs = 10;
constexpr int RetryMs = 1000;
constexpr int OpenTimeoutMs = 3000;
constexpr int TimingMs = 100;
using State = CueSink::State;

pa_time_event *timerIn(pa_mainloop_api *api, int ms, pa_time_event_cb_t callback, void *data)
{
    timeval tv{};
    pa_gettimeofday(&tv);
    pa_timeval_add(&tv, pa_usec_t(ms) * 1000);
    return api->time_new(api, &tv, callback, data);
}

} // namespace

PulseBackend::PulseBackend(const Clock &clock, Post post) : clock(clock), post(std::move(post)) {}

PulseBackend::~PulseBackend()
{
    close();
}

bool PulseBackend::open()
{
    if (loop)
        return true;
    loop = pa_threaded_mainloop_new();
    if (!loop)
        return false;
    api = pa_threaded_mainloop_get_api(loop);
    pa_threaded_mainloop_set_name(loop, "zenta-sound");
    pa_threaded_mainloop_lock(loop);
    if (pa_threaded_mainloop_start(loop) < 0) {
        pa_threaded_mainloop_unlock(loop);
        pa_threaded_mainloop_free(loop);
        loop = nullptr;
        return false;
    }
    opening = true;
    openFailed = false;
    timer = timerIn(api, OpenTimeoutMs, &PulseBackend::openTimeout, this);
    connectContext();
    while (opening && !openFailed)
        pa_threaded_mainloop_wait(loop);
    const bool ok = !openFailed;
    opening = false;
    pa_threaded_mainloop_unlock(loop);
    if (!ok)
        close();
    return ok;
}

void PulseBackend::close()
{
    if (!loop)
        return;
    pa_threaded_mainloop_lock(loop);
    stopTimer();
    teardown();
    pa_threaded_mainloop_unlock(loop);
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
    loop = nullptr;
    api = nullptr;
    lost = false;
}

// Changes the schedule under the client's lock, then writes again what the change moved.
void PulseBackend::reschedule(const Change &change)
{
    if (!loop)
        return;
    pa_threaded_mainloop_lock(loop);
    if (schedule) {
        double heard = 0;
        const qint64 keepBefore = position(&heard) ? rewriteStart(heard) : written;
        rewriteFrom(change(*schedule, keepBefore));
    }
    pa_threaded_mainloop_unlock(loop);
}

CuePlayer::Stats PulseBackend::stats() const
{
    if (!loop)
        return {};
    pa_threaded_mainloop_lock(loop);
    CuePlayer::Stats s = counts;
    s.rate = streamRate;
    if (schedule) {
        s.dropped = schedule->droppedCount();
        s.clockKnown = schedule->clockKnown();
    }
    pa_threaded_mainloop_unlock(loop);
    return s;
}

QString PulseBackend::device() const
{
    if (!loop)
        return {};
    pa_threaded_mainloop_lock(loop);
    const QString name = sinkName;
    pa_threaded_mainloop_unlock(loop);
    return name;
}

bool PulseBackend::onPipeWire() const
{
    return pipeWire;
}

int PulseBackend::rate() const
{
    return streamRate;
}

void PulseBackend::connectContext()
{
    context = pa_context_new(api, "ZENTA");
    pa_context_set_state_callback(context, &PulseBackend::contextState, this);
    // Never start a server of our own: no server is no sound, said once.
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        fail();
}

void PulseBackend::closeStream()
{
    if (poll) {
        api->time_free(poll);
        poll = nullptr;
    }
    if (stream) {
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_write_callback(stream, nullptr, nullptr);
        pa_stream_set_latency_update_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        stream = nullptr;
    }
}

void PulseBackend::setStreaming(bool on)
{
    if (!loop)
        return;
    pa_threaded_mainloop_lock(loop);
    wanted = on;
    if (!on)
        closeStream();
    else if (!stream && context && pa_context_get_state(context) == PA_CONTEXT_READY &&
             streamRate > 0)
        openStream();
    pa_threaded_mainloop_unlock(loop);
}

void PulseBackend::teardown()
{
    closeStream();
    if (context) {
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
        context = nullptr;
    }
}

void PulseBackend::stopTimer()
{
    if (timer) {
        api->time_free(timer);
        timer = nullptr;
    }
}

// The server or the stream is gone (or never came).
void PulseBackend::fail()
{
    if (opening) {
        openFailed = true;
        pa_threaded_mainloop_signal(loop, 0);
        return;
    }
    if (!lost) {
        lost = true;
        post(State::Lost);
    }
    stopTimer();
    // Torn down from the timer, not from inside the dying object's own callback.
    timer = timerIn(api, RetryMs, &PulseBackend::retry, this);
}

void PulseBackend::retry(pa_mainloop_api *, pa_time_event *, const timeval *, void *data)
{
    auto *d = static_cast<PulseBackend *>(data);
    d->stopTimer();
    d->teardown();
    d->connectContext();
}

void PulseBackend::openTimeout(pa_mainloop_api *, pa_time_event *, const timeval *, void *data)
{
    auto *d = static_cast<PulseBackend *>(data);
    d->stopTimer();
    d->openFailed = true;
    pa_threaded_mainloop_signal(d->loop, 0);
}

void PulseBackend::contextState(pa_context *c, void *data)
{
    auto *d = static_cast<PulseBackend *>(data);
    switch (pa_context_get_state(c)) {
    case PA_CONTEXT_READY:
        if (d->streamRate > 0 && d->wanted) {
            d->openStream();
        } else if (d->streamRate > 0) {
            // Back, with no stream wanted until a test is prepared.
            if (d->lost) {
                d->lost = false;
                ++d->counts.reconnects;
                d->post(State::Recovered);
            }
        } else
            pa_operation_unref(pa_context_get_server_info(c, &PulseBackend::serverInfo, d));
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        d->fail();
        break;
    default:
        break;
    }
}

void PulseBackend::serverInfo(pa_context *c, const pa_server_info *info, void *data)
{
    auto *d = static_cast<PulseBackend *>(data);
    if (!info || !info->default_sink_name) {
        d->fail();
        return;
    }
    d->pipeWire = info->server_name && std::strstr(info->server_name, "PipeWire");
    pa_operation_unref(
        pa_context_get_sink_info_by_name(c, info->default_sink_name, &PulseBackend::sinkInfo, d));
}

void PulseBackend::sinkInfo(pa_context *, const pa_sink_info *info, int eol, void *data)
{
    auto *d = static_cast<PulseBackend *>(data);
    if (eol < 0) {
        d->fail(); // no default output
        return;
    }
    if (!info || d->streamRate > 0)
        return;
    // The device's own rate, so the server need not resample.
    d->streamRate = int(info->sample_spec.rate);
    if (d->streamRate < 8000 || d->streamRate > WaveFile::MaxRate)
        d->streamRate = 48000;
    d->sinkName = QString::fromUtf8(info->description ? info->description : info->name);
    d->schedule = CueSound::makeSchedule(d->streamRate);
    d->openStream();
}

void PulseBackend::openStream()
{
    const pa_sample_spec samples{PA_SAMPLE_S16LE, uint32_t(streamRate), 1};
    stream = pa_stream_new(context, "Cues", &samples, nullptr);
    if (!stream) {
        fail();
        return;
    }
    pa_stream_set_state_callback(stream, &PulseBackend::streamState, this);
    pa_stream_set_write_callback(stream, &PulseBackend::writeRequest, this);
    pa_stream_set_latency_update_callback(stream, &PulseBackend::timingUpdate, this);
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(pa_usec_to_bytes(AheadMs * 1000, &samples));
    // Never wait for a fill before playing: after a stall the stream plays on through
    // silence, and its frames stay the device's clock.
    attr.prebuf = 0;
    attr.minreq = uint32_t(pa_usec_to_bytes(RequestMs * 1000, &samples));
    attr.fragsize = uint32_t(-1);
    written = 0;
    timingFresh = false;
    schedule->restartStream();
    // Never corked: a stream that starts or resumes makes the device set up its buffer
    // anew, which took it up to two seconds on the server tried.
    const auto flags = pa_stream_flags_t(PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(stream, nullptr, &attr, flags, nullptr, nullptr) < 0)
        fail();
}

void PulseBackend::streamState(pa_stream *s, void *data)
{
    auto *d = static_cast<PulseBackend *>(data);
    switch (pa_stream_get_state(s)) {
    case PA_STREAM_READY:
        if (d->opening) {
            d->opening = false;
            d->stopTimer();
            pa_threaded_mainloop_signal(d->loop, 0);
        }
        if (d->lost) {
            d->lost = false;
            ++d->counts.reconnects;
            d->post(State::Recovered);
        }
        d->refreshTiming();
        break;
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
        d->fail();
        break;
    default:
        break;
    }
}

void PulseBackend::refreshTiming()
{
    timingFresh = false;
    schedule->resetClock();
    if (pa_operation *op = pa_stream_update_timing_info(stream, &PulseBackend::timingRead, this))
        pa_operation_unref(op);
    if (!poll)
        poll = timerIn(api, TimingMs, &PulseBackend::pollTiming, this);
}

// The library's own updates thin out to one in 1.5 s; a server that reports up to a block
// late needs many for some to be punctual.
void PulseBackend::pollTiming(pa_mainloop_api *api, pa_time_event *e, const timeval *, void *data)
{
    auto *d = static_cast<PulseBackend *>(data);
    if (d->ready()) {
        if (pa_operation *op =
                pa_stream_update_timing_info(d->stream, &PulseBackend::timingRead, d))
            pa_operation_unref(op);
    }
    timeval tv{};
    pa_gettimeofday(&tv);
    pa_timeval_add(&tv, pa_usec_t(TimingMs) * 1000);
    api->time_restart(e, &tv);
}

void PulseBackend::timingRead(pa_stream *, int success, void *data)
{
    auto *d = static_cast<PulseBackend *>(data);
    if (!success || !d->ready())
        return;
    d->timingFresh = true;
    d->observe();
    d->topUp();
}

void PulseBackend::writeRequest(pa_stream *, size_t, void *data)
{
    static_cast<PulseBackend *>(data)->topUp();
}

// Frame heard now, as the stream's clock reckons it.
bool PulseBackend::position(double *heard) const
{
    if (!ready() || !schedule->clockKnown())
        return false;
    *heard = schedule->frameAt(double(clock.nowNs()) / 1e6);
    return true;
}

// Reads the server's latest timing report: the frame the device played when the report was
// made. Read raw: libpulse's own interpolation takes seconds to settle after a stall.
void PulseBackend::observe()
{
    const pa_timing_info *info = ready() ? pa_stream_get_timing_info(stream) : nullptr;
    if (!info || !timingFresh || !info->playing || info->read_index_corrupt)
        return;
    const pa_usec_t stamp = pa_timeval_load(&info->timestamp);
    if (stamp == lastReport)
        return;
    lastReport = stamp;
    timeval tv{};
    const double wallNowMs = double(pa_timeval_load(pa_gettimeofday(&tv))) / 1000.0;
    const double nowMs = double(clock.nowNs()) / 1e6;
    const double reportMs = nowMs - (wallNowMs - double(stamp) / 1000.0);
    const double heard = double(info->read_index) / 2 - double(info->sink_usec) * streamRate / 1e6;
    const bool known = schedule->clockKnown();
    const bool jumped = schedule->observe(reportMs, heard);
    counts.sinkMs = double(info->sink_usec) / 1000.0;
    if (jumped) {
        ++counts.jumps;
        double now = 0;
        position(&now);
        const qint64 first = rewriteStart(now);
        schedule->unplaceFrom(first);
        rewriteFrom(first);
    } else if (!known) {
        // What was written before the stream's clock was known is silence: place the
        // sounds.
        rewriteFrom(0);
    }
}

qint64 PulseBackend::rewriteStart(double heard) const
{
    return qint64(std::ceil(heard + RewriteMarginMs * streamRate / 1000));
}

void PulseBackend::write(qint64 from, qint64 frames, pa_seek_mode_t seek)
{
    chunk.resize(size_t(frames));
    schedule->render(from, int(frames), chunk.data());
    pa_stream_write(stream, chunk.data(), size_t(frames) * 2, nullptr,
                    seek == PA_SEEK_ABSOLUTE ? from * 2 : 0, seek);
}

void PulseBackend::topUp()
{
    if (!ready())
        return;
    observe();
    double heard = 0;
    if (!position(&heard)) {
        // Silence until the stream's clock is known: what the server asks for.
        const qint64 frames = qint64(pa_stream_writable_size(stream) / 2);
        if (frames > 0) {
            write(written, frames, PA_SEEK_RELATIVE);
            written += frames;
        }
        return;
    }
    // Kept written a fixed time ahead of what is heard, whatever the server counts as
    // asked for (servers count a rewrite differently).
    qint64 frames = qint64(std::ceil(heard + double(AheadMs) * streamRate / 1000)) - written;
    // After a stall the stream has played on through silence past what was written; the
    // server would drop what arrives for frames it has passed, and play the tail of a cue
    // cut that way. Those frames are sent silent, and what fell due in them is dropped, or
    // played as soon as it can if it is only a little late.
    const qint64 audible =
        qint64(std::ceil(heard + (counts.sinkMs + RewriteMarginMs) * streamRate / 1000));
    if (written < audible && frames > 0) {
        const qint64 gap = std::min(audible - written, frames);
        chunk.assign(size_t(gap), 0);
        pa_stream_write(stream, chunk.data(), size_t(gap) * 2, nullptr, 0, PA_SEEK_RELATIVE);
        written += gap;
        frames -= gap;
    }
    counts.aheadMs = double(written + std::max<qint64>(frames, 0) - heard) * 1000.0 / streamRate;
    if (frames <= 0)
        return;
    write(written, frames, PA_SEEK_RELATIVE);
    written += frames;
}

// Writes again what is queued from the given frame on, as the schedule now has it.
void PulseBackend::rewriteFrom(qint64 changed)
{
    if (changed == CueSchedule::Never || !ready())
        return;
    double heard = 0;
    if (!position(&heard))
        return;
    const qint64 first = std::max(rewriteStart(heard), changed);
    if (first < written) {
        write(first, written - first, PA_SEEK_ABSOLUTE);
        ++counts.rewrites;
        counts.rewrittenMs += double(written - first) * 1000.0 / streamRate;
    }
}

void PulseBackend::timingUpdate(pa_stream *, void *data)
{
    static_cast<PulseBackend *>(data)->observe();
}
