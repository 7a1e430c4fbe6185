#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

namespace Protocol {

// A monotonic millisecond clock. The engine reads time only through this, so a test can run a
// whole protocol on a clock it moves by hand, and a change of the system clock moves nothing.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual qint64 nowMs() const = 0;
    // The same clock finer, for whatever must be placed to a fraction of a millisecond.
    virtual qint64 nowNs() const { return nowMs() * 1000000; }
};

class SteadyClock final : public Clock
{
public:
    SteadyClock() { m_timer.start(); }
    qint64 nowMs() const override { return m_timer.elapsed(); }
    qint64 nowNs() const override { return m_timer.nsecsElapsed(); }

private:
    QElapsedTimer m_timer;
};

class ManualClock final : public Clock
{
public:
    explicit ManualClock(qint64 start = 0) : m_now(start) {}
    qint64 nowMs() const override { return m_now; }
    void set(qint64 ms) { m_now = ms; }
    void advance(qint64 ms) { m_now += ms; }

private:
    qint64 m_now;
};

} // namespace Protocol
