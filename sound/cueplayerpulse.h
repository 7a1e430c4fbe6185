#pragma once

// The player's side on the sound client's thread: the libpulse context and stream, their
// callbacks, and the writing of the planned sounds. Included by cueplayer.cpp only.

#include "clock.h"
#include "cueplayer.h"
#include "cueschedule.h"
#include "wavefile.h"

#include <QFile>
#include <QMetaObject>

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace CuePlayerPulse {

// How far ahead of the listener the stream is kept written: a quarter of a second rides out a
// busy machine. Each request of the server wakes this thread and the server; asked for every
// 40 ms that cost 0.3 % of a core, every 100 ms much less.
constexpr qint64 AheadMs = 250;
constexpr qint64 RequestMs = 100;
// What is written over when the plan changes starts this far after the frame heard now; the
// server has the device take back what it already holds of it.
constexpr double RewriteMarginMs = 10;
constexpr int RetryMs = 1000;
constexpr int TimingMs = 100;
constexpr int OpenTimeoutMs = 3000;

inline QByteArray readResource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline pa_time_event *timerIn(pa_mainloop_api *api, int ms, pa_time_event_cb_t callback, void *data)
{
    timeval tv{};
    pa_gettimeofday(&tv);
    pa_timeval_add(&tv, pa_usec_t(ms) * 1000);
    return api->time_new(api, &tv, callback, data);
}

} // namespace CuePlayerPulse

// Everything below runs on the sound client's thread, or holds its lock.
struct CuePlayer::Pulse
{
    Pulse(CuePlayer *player, const Protocol::Clock &clock) : owner(player), clock(clock) {}

    CuePlayer *owner;
    const Protocol::Clock &clock;
    pa_threaded_mainloop *loop = nullptr;
    pa_mainloop_api *api = nullptr;
    pa_context *context = nullptr;
    pa_stream *stream = nullptr;
    pa_time_event *timer = nullptr; // a retry, or the end of waiting for open()
    pa_time_event *poll = nullptr;  // asks the server for its timing
    std::unique_ptr<CueSchedule> schedule;
    int rate = 0;
    qint64 written = 0;       // frames of the stream written so far
    bool timingFresh = false; // the server's timing was read since the stream started
    pa_usec_t lastReport = 0;
    bool opening = false;
    bool openFailed = false;
    bool lost = false;
    Stats stats;
    std::vector<qint16> chunk;

    bool ready() const { return stream && pa_stream_get_state(stream) == PA_STREAM_READY; }

    void post(State state)
    {
        CuePlayer *p = owner;
        QMetaObject::invokeMethod(
            p, [p, state] { p->setState(state); }, Qt::QueuedConnection);
    }

    void connectContext()
    {
        context = pa_context_new(api, "ZENTA");
        pa_context_set_state_callback(context, &Pulse::contextState, this);
        // Never start a server of our own: no server is no sound, said once.
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            fail();
    }

    void teardown()
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
        if (context) {
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_disconnect(context);
            pa_context_unref(context);
            context = nullptr;
        }
    }

    void stopTimer()
    {
        if (timer) {
            api->time_free(timer);
            timer = nullptr;
        }
    }

    // The server or the stream is gone (or never came).
    void fail()
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
        timer = CuePlayerPulse::timerIn(api, CuePlayerPulse::RetryMs, &Pulse::retry, this);
    }

    static void retry(pa_mainloop_api *, pa_time_event *, const timeval *, void *data)
    {
        auto *d = static_cast<Pulse *>(data);
        d->stopTimer();
        d->teardown();
        d->connectContext();
    }

    static void openTimeout(pa_mainloop_api *, pa_time_event *, const timeval *, void *data)
    {
        auto *d = static_cast<Pulse *>(data);
        d->stopTimer();
        d->openFailed = true;
        pa_threaded_mainloop_signal(d->loop, 0);
    }

    static void contextState(pa_context *c, void *data)
    {
        auto *d = static_cast<Pulse *>(data);
        switch (pa_context_get_state(c)) {
        case PA_CONTEXT_READY:
            if (d->rate > 0)
                d->openStream();
            else
                pa_operation_unref(pa_context_get_server_info(c, &Pulse::serverInfo, d));
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            d->fail();
            break;
        default:
            break;
        }
    }

    static void serverInfo(pa_context *c, const pa_server_info *info, void *data)
    {
        auto *d = static_cast<Pulse *>(data);
        if (!info || !info->default_sink_name) {
            d->fail();
            return;
        }
        pa_operation_unref(
            pa_context_get_sink_info_by_name(c, info->default_sink_name, &Pulse::sinkInfo, d));
    }

    static void sinkInfo(pa_context *, const pa_sink_info *info, int eol, void *data)
    {
        auto *d = static_cast<Pulse *>(data);
        if (eol < 0) {
            d->fail(); // no default output
            return;
        }
        if (!info || d->rate > 0)
            return;
        // The device's own rate, so the server need not resample.
        d->rate = int(info->sample_spec.rate);
        if (d->rate < 8000 || d->rate > WaveFile::MaxRate)
            d->rate = 48000;
        d->schedule = std::make_unique<CueSchedule>(
            d->rate,
            WaveFile::decode(CuePlayerPulse::readResource(QStringLiteral(":/sounds/sonido.wav")),
                             d->rate),
            WaveFile::decode(CuePlayerPulse::readResource(QStringLiteral(":/sounds/aviso.wav")),
                             d->rate));
        d->openStream();
    }

    void openStream()
    {
        const pa_sample_spec samples{PA_SAMPLE_S16LE, uint32_t(rate), 1};
        stream = pa_stream_new(context, "Cues", &samples, nullptr);
        if (!stream) {
            fail();
            return;
        }
        pa_stream_set_state_callback(stream, &Pulse::streamState, this);
        pa_stream_set_write_callback(stream, &Pulse::writeRequest, this);
        pa_stream_set_latency_update_callback(stream, &Pulse::timingUpdate, this);
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.tlength = uint32_t(pa_usec_to_bytes(CuePlayerPulse::AheadMs * 1000, &samples));
        // Never wait for a fill before playing: after a stall the stream plays on through
        // silence, and its frames stay the device's clock.
        attr.prebuf = 0;
        attr.minreq = uint32_t(pa_usec_to_bytes(CuePlayerPulse::RequestMs * 1000, &samples));
        attr.fragsize = uint32_t(-1);
        written = 0;
        timingFresh = false;
        schedule->restartStream();
        // Never corked: a stream that starts or resumes makes the device set up its buffer
        // anew, which took it up to two seconds on the server tried.
        const auto flags =
            pa_stream_flags_t(PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
        if (pa_stream_connect_playback(stream, nullptr, &attr, flags, nullptr, nullptr) < 0)
            fail();
    }

    static void streamState(pa_stream *s, void *data)
    {
        auto *d = static_cast<Pulse *>(data);
        switch (pa_stream_get_state(s)) {
        case PA_STREAM_READY:
            if (d->opening) {
                d->opening = false;
                d->stopTimer();
                pa_threaded_mainloop_signal(d->loop, 0);
            }
            if (d->lost) {
                d->lost = false;
                ++d->stats.reconnects;
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

    void refreshTiming()
    {
        timingFresh = false;
        schedule->resetClock();
        if (pa_operation *op = pa_stream_update_timing_info(stream, &Pulse::timingRead, this))
            pa_operation_unref(op);
        if (!poll)
            poll = CuePlayerPulse::timerIn(api, CuePlayerPulse::TimingMs, &Pulse::pollTiming, this);
    }

    // The library's own updates thin out to one in 1.5 s; a server that reports up to a block
    // late needs many for some to be punctual.
    static void pollTiming(pa_mainloop_api *api, pa_time_event *e, const timeval *, void *data)
    {
        auto *d = static_cast<Pulse *>(data);
        if (d->ready()) {
            if (pa_operation *op = pa_stream_update_timing_info(d->stream, &Pulse::timingRead, d))
                pa_operation_unref(op);
        }
        timeval tv{};
        pa_gettimeofday(&tv);
        pa_timeval_add(&tv, pa_usec_t(CuePlayerPulse::TimingMs) * 1000);
        api->time_restart(e, &tv);
    }

    static void timingRead(pa_stream *, int success, void *data)
    {
        auto *d = static_cast<Pulse *>(data);
        if (!success || !d->ready())
            return;
        d->timingFresh = true;
        d->observe();
        d->topUp();
    }

    static void timingUpdate(pa_stream *, void *data) { static_cast<Pulse *>(data)->observe(); }

    static void writeRequest(pa_stream *, size_t, void *data)
    {
        static_cast<Pulse *>(data)->topUp();
    }

    // Frame heard now, as the stream's clock reckons it.
    bool position(double *heard) const
    {
        if (!ready() || !schedule->clockKnown())
            return false;
        *heard = schedule->frameAt(double(clock.nowNs()) / 1e6);
        return true;
    }

    // Reads the server's latest timing report: the frame the device played when the report
    // was made. Read raw: libpulse's own interpolation takes seconds to settle after a stall.
    void observe()
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
        const double heard = double(info->read_index) / 2 - double(info->sink_usec) * rate / 1e6;
        const bool known = schedule->clockKnown();
        const bool jumped = schedule->observe(reportMs, heard);
        stats.sinkMs = double(info->sink_usec) / 1000.0;
        if (jumped) {
            ++stats.jumps;
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

    qint64 rewriteStart(double heard) const
    {
        return qint64(std::ceil(heard + CuePlayerPulse::RewriteMarginMs * rate / 1000));
    }

    void write(qint64 from, qint64 frames, pa_seek_mode_t seek)
    {
        chunk.resize(size_t(frames));
        schedule->render(from, int(frames), chunk.data());
        pa_stream_write(stream, chunk.data(), size_t(frames) * 2, nullptr,
                        seek == PA_SEEK_ABSOLUTE ? from * 2 : 0, seek);
    }

    void topUp()
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
        qint64 frames =
            qint64(std::ceil(heard + double(CuePlayerPulse::AheadMs) * rate / 1000)) - written;
        // After a stall the stream has played on through silence past what was written; the
        // server would drop what arrives for frames it has passed, and play the tail of a cue
        // cut that way. Those frames are sent silent, and what fell due in them is dropped, or
        // played as soon as it can if it is only a little late.
        const qint64 audible = qint64(
            std::ceil(heard + (stats.sinkMs + CuePlayerPulse::RewriteMarginMs) * rate / 1000));
        if (written < audible && frames > 0) {
            const qint64 gap = std::min(audible - written, frames);
            chunk.assign(size_t(gap), 0);
            pa_stream_write(stream, chunk.data(), size_t(gap) * 2, nullptr, 0, PA_SEEK_RELATIVE);
            written += gap;
            frames -= gap;
        }
        stats.aheadMs = double(written + std::max<qint64>(frames, 0) - heard) * 1000.0 / rate;
        if (frames <= 0)
            return;
        write(written, frames, PA_SEEK_RELATIVE);
        written += frames;
    }

    // Changes the schedule under the client's lock, then writes again what the change moved
    // (change returns the first frame it touched).
    template <typename Change> void reschedule(Change change)
    {
        if (!loop)
            return;
        pa_threaded_mainloop_lock(loop);
        if (schedule)
            rewriteFrom(change(*schedule));
        pa_threaded_mainloop_unlock(loop);
    }

    // Writes again what is queued from the given frame on, as the schedule now has it.
    void rewriteFrom(qint64 changed)
    {
        if (changed == CueSchedule::Never || !ready())
            return;
        double heard = 0;
        if (!position(&heard))
            return;
        const qint64 first = std::max(rewriteStart(heard), changed);
        if (first < written) {
            write(first, written - first, PA_SEEK_ABSOLUTE);
            ++stats.rewrites;
            stats.rewrittenMs += double(written - first) * 1000.0 / rate;
        }
    }

    qint64 keepBefore() const
    {
        double heard = 0;
        return position(&heard) ? rewriteStart(heard) : written;
    }
};
