#include "enginedriver.h"

#include "clock.h"

namespace Protocol {

class EngineDriver::Listener final : public RunListener
{
public:
    explicit Listener(EngineDriver &driver) : d(driver) {}
    void cue(qint64 dueMs) override { emit d.cueDue(dueMs); }
    void pauseAlert(qint64 dueMs) override { emit d.alertDue(dueMs); }
    void phaseChanged(TestPhase phase) override { emit d.phaseChanged(phase); }
    void displaysChanged() override { d.showDisplays(); }
    void activateAthletes() override { emit d.activateAthletes(); }

private:
    EngineDriver &d;
};

EngineDriver::EngineDriver(const SportProfile &profile, const Clock &clock, QObject *parent)
    : QObject(parent), m_clock(clock), m_listener(std::make_unique<Listener>(*this)),
      m_engine(profile, clock, m_listener.get())
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &EngineDriver::poll);
}

EngineDriver::~EngineDriver()
{
    m_engine.setListener(nullptr);
}

void EngineDriver::setSink(CueSink *sink)
{
    if (m_sink)
        disconnect(this, nullptr, m_sink, nullptr);
    m_sink = sink;
    if (!sink)
        return;
    connect(this, &EngineDriver::cueDue, sink, &CueSink::playCue);
    connect(this, &EngineDriver::alertDue, sink, &CueSink::playAlert);
    connect(this, &EngineDriver::planChanged, sink, &CueSink::plan);
    connect(this, &EngineDriver::silenced, sink, &CueSink::silence);
    connect(this, &EngineDriver::prepared, sink, &CueSink::prepare);
    connect(this, &EngineDriver::rested, sink, &CueSink::rest);
    if (m_engine.isRunning())
        replan();
}

void EngineDriver::newTest()
{
    quiet();
    m_engine.newTest();
    emit prepared();
}

void EngineDriver::start(TestMode mode, int startPeriod, bool warmUpTicked)
{
    if (m_engine.phase() != TestPhase::Ready)
        return;
    const qint64 lead = m_sink ? m_sink->leadMs() : 0;
    m_displaysAt = lead > 0 ? m_clock.nowMs() + lead : -1;
    // The start cue is reported at once, ahead of its time; the plan brings the ones after it.
    m_engine.start(mode, startPeriod, warmUpTicked, m_displaysAt);
    replan();
    schedule();
}

void EngineDriver::stop()
{
    if (!m_engine.isRunning())
        return;
    quiet();
    m_engine.stop();
    emit rested();
}

void EngineDriver::setWorkingTable(const QStringList &lines)
{
    m_engine.setWorkingTable(lines);
    if (m_engine.isRunning()) {
        replan();
        schedule();
    }
}

void EngineDriver::poll()
{
    m_engine.poll();
    if (m_displaysPending && m_clock.nowMs() >= m_displaysAt) {
        m_displaysPending = false;
        m_displaysAt = -1;
        emit displaysChanged();
    }
    if (m_engine.isRunning())
        replan();
    schedule();
}

void EngineDriver::showDisplays()
{
    if (m_displaysAt >= 0 && m_clock.nowMs() < m_displaysAt) {
        m_displaysPending = true;
        return;
    }
    emit displaysChanged();
}

void EngineDriver::schedule()
{
    // Asleep until the engine next has something to show or sound; nothing is polled between.
    qint64 next = m_engine.nextPollMs();
    if (m_displaysPending)
        next = next < 0 ? m_displaysAt : qMin(next, m_displaysAt);
    if (next < 0) {
        m_timer.stop();
        return;
    }
    m_timer.start(int(qBound(qint64(0), next - m_clock.nowMs(), qint64(1000))));
}

void EngineDriver::replan()
{
    const SoundPlan plan = m_engine.plannedSounds(m_clock.nowMs() + PlanAheadMs);
    if (plan == m_plan)
        return;
    m_plan = plan;
    emit planChanged(m_plan);
}

void EngineDriver::quiet()
{
    m_timer.stop();
    m_displaysPending = false;
    m_displaysAt = -1;
    m_plan.clear();
    emit silenced();
}

} // namespace Protocol
