#include "cueplayer.h"

#include "cueplayerpulse.h"

using namespace Protocol;

CuePlayer::CuePlayer(const Clock &clock, QObject *parent)
    : CueSink(parent), m_clock(clock), d(std::make_unique<Pulse>(this, clock))
{
}

CuePlayer::~CuePlayer()
{
    close();
}

bool CuePlayer::open()
{
    if (isOpen())
        return true;
    close();
    d->loop = pa_threaded_mainloop_new();
    if (!d->loop)
        return false;
    d->api = pa_threaded_mainloop_get_api(d->loop);
    pa_threaded_mainloop_set_name(d->loop, "zenta-sound");
    pa_threaded_mainloop_lock(d->loop);
    if (pa_threaded_mainloop_start(d->loop) < 0) {
        pa_threaded_mainloop_unlock(d->loop);
        pa_threaded_mainloop_free(d->loop);
        d->loop = nullptr;
        return false;
    }
    d->opening = true;
    d->openFailed = false;
    d->timer = CuePlayerPulse::timerIn(d->api, CuePlayerPulse::OpenTimeoutMs, &Pulse::openTimeout,
                                       d.get());
    d->connectContext();
    while (d->opening && !d->openFailed)
        pa_threaded_mainloop_wait(d->loop);
    const bool ok = !d->openFailed;
    d->opening = false;
    pa_threaded_mainloop_unlock(d->loop);
    if (!ok) {
        close();
        return false;
    }
    m_available = true;
    setState(State::Active);
    return true;
}

void CuePlayer::close()
{
    if (!d->loop)
        return;
    pa_threaded_mainloop_lock(d->loop);
    d->stopTimer();
    d->teardown();
    pa_threaded_mainloop_unlock(d->loop);
    pa_threaded_mainloop_stop(d->loop);
    pa_threaded_mainloop_free(d->loop);
    d->loop = nullptr;
    d->api = nullptr;
    d->lost = false;
}

bool CuePlayer::isOpen() const
{
    return d->loop != nullptr;
}

bool CuePlayer::available() const
{
    return m_available;
}

CueSink::State CuePlayer::state() const
{
    return m_state;
}

void CuePlayer::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void CuePlayer::plan(const SoundPlan &sounds)
{
    d->reschedule([this, &sounds](CueSchedule &s) { return s.setPlan(sounds, d->keepBefore()); });
}

void CuePlayer::silence()
{
    if (!d->loop)
        return;
    d->reschedule([](CueSchedule &s) { return s.clear(); });
    // A test that ends leaves the sound layer as it was found.
    if (m_state == State::Recovered)
        setState(State::Active);
}

void CuePlayer::playCue(qint64 dueMs)
{
    d->reschedule([dueMs](CueSchedule &s) { return s.report({dueMs, false}); });
}

void CuePlayer::playAlert(qint64 dueMs)
{
    d->reschedule([dueMs](CueSchedule &s) { return s.report({dueMs, true}); });
}

CuePlayer::Stats CuePlayer::stats() const
{
    if (!d->loop)
        return {};
    pa_threaded_mainloop_lock(d->loop);
    Stats s = d->stats;
    s.rate = d->rate;
    if (d->schedule) {
        s.dropped = d->schedule->droppedCount();
        s.clockKnown = d->schedule->clockKnown();
    }
    pa_threaded_mainloop_unlock(d->loop);
    return s;
}

bool CuePlayer::settled() const
{
    const Stats s = stats();
    return s.clockKnown && s.sinkMs < CuePlayerPulse::AheadMs;
}
