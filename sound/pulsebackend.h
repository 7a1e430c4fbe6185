#pragma once

// The cue player's client of a PulseAudio server (or of PipeWire's PulseAudio service): the
// libpulse context and stream on a thread of their own, and the writing of the planned sounds
// ahead of the listener. Private to the sound layer.

#include "cuebackend.h"

#include <pulse/pulseaudio.h>

#include <vector>

class PulseBackend final : public CueBackend
{
public:
    PulseBackend(const Protocol::Clock &clock, Post post);
    ~PulseBackend() override;

    bool open() override;
    void close() override;
    bool isOpen() const override { return loop != nullptr; }
    void reschedule(const Change &change) override;
    CuePlayer::Stats stats() const override;
    QString device() const override;
    void setStreaming(bool on) override;
    // The server is PipeWire's PulseAudio service.
    bool onPipeWire() const;
    int rate() const;

    // How far ahead of the listener the stream is kept written: a quarter of a second rides
    // out a busy machine.
    static constexpr qint64 AheadMs = 250;

private:
    using State = Protocol::CueSink::State;

    bool ready() const { return stream && pa_stream_get_state(stream) == PA_STREAM_READY; }
    void connectContext();
    void teardown();
    void closeStream();
    void stopTimer();
    void fail();
    void openStream();
    void refreshTiming();
    bool position(double *heard) const;
    void observe();
    qint64 rewriteStart(double heard) const;
    void write(qint64 from, qint64 frames, pa_seek_mode_t seek);
    void topUp();
    void rewriteFrom(qint64 changed);

    static void retry(pa_mainloop_api *, pa_time_event *, const timeval *, void *data);
    static void openTimeout(pa_mainloop_api *, pa_time_event *, const timeval *, void *data);
    static void pollTiming(pa_mainloop_api *api, pa_time_event *e, const timeval *, void *data);
    static void contextState(pa_context *c, void *data);
    static void serverInfo(pa_context *c, const pa_server_info *info, void *data);
    static void sinkInfo(pa_context *, const pa_sink_info *info, int eol, void *data);
    static void streamState(pa_stream *s, void *data);
    static void timingRead(pa_stream *, int success, void *data);
    static void timingUpdate(pa_stream *, void *data);
    static void writeRequest(pa_stream *, size_t, void *data);

    // Everything below belongs to the client's thread, or is used under its lock.
    const Protocol::Clock &clock;
    Post post;
    pa_threaded_mainloop *loop = nullptr;
    pa_mainloop_api *api = nullptr;
    pa_context *context = nullptr;
    pa_stream *stream = nullptr;
    pa_time_event *timer = nullptr; // a retry, or the end of waiting for open()
    pa_time_event *poll = nullptr;  // asks the server for its timing
    std::unique_ptr<CueSchedule> schedule;
    int streamRate = 0;
    qint64 written = 0;       // frames of the stream written so far
    bool timingFresh = false; // the server's timing was read since the stream started
    pa_usec_t lastReport = 0;
    bool opening = false;
    bool openFailed = false;
    bool lost = false;
    bool wanted = true; // a stream, or the device left to rest
    bool pipeWire = false;
    QString sinkName;
    CuePlayer::Stats counts;
    std::vector<qint16> chunk;
};
