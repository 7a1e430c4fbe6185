#include "enginedriver.h"

#include "announcements.h"
#include "clock.h"

#include <algorithm>

namespace Protocol {

class EngineDriver::Listener final : public RunListener
{
public:
    explicit Listener(EngineDriver &driver) : d(driver) {}
    void cue(qint64 dueMs) override
    {
        d.m_sounding.append({dueMs, false});
        emit d.cueDue(dueMs);
    }
    void pauseAlert(qint64 dueMs) override
    {
        d.m_sounding.append({dueMs, true});
        emit d.alertDue(dueMs);
    }
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
    if (m_sink) {
        disconnect(this, nullptr, m_sink, nullptr);
        disconnect(m_sink, nullptr, this, nullptr);
    }
    m_sink = sink;
    if (!sink)
        return;
    connect(this, &EngineDriver::cueDue, sink, &CueSink::playCue);
    connect(this, &EngineDriver::alertDue, sink, &CueSink::playAlert);
    connect(this, &EngineDriver::planChanged, sink, &CueSink::plan);
    connect(this, &EngineDriver::silenced, sink, &CueSink::silence);
    connect(this, &EngineDriver::prepared, sink, &CueSink::prepare);
    connect(this, &EngineDriver::rested, sink, &CueSink::rest);
    // A phrase synthesised late joins the plan if its gap is still ahead.
    connect(sink, &CueSink::phrasesReady, this, [this] {
        if (m_engine.isRunning())
            replan();
    });
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

void EngineDriver::setAnnouncing(bool on)
{
    m_announcing = on;
    if (m_engine.isRunning())
        replan();
}

void EngineDriver::setConfirmingStops(bool on)
{
    m_confirmingStops = on;
    if (!on) {
        m_unsaid.clear();
        m_confirmations.clear();
    }
    if (m_engine.isRunning())
        replan();
}

void EngineDriver::confirmStop(int slot, bool back)
{
    if (!m_confirmingStops || !m_sink || !m_engine.isRunning())
        return;
    m_unsaid.append(Announcements::stopConfirmation(slot, back));
    replan();
}

SoundPlan EngineDriver::withPhrases(SoundPlan sounds)
{
    if (!m_sink || !m_sink->speechProblem().isEmpty())
        return sounds;
    const qint64 now = m_clock.nowMs();
    const Announcements::PhraseLength length = [this](const QString &text) {
        return m_sink->phraseMs(text);
    };
    const qint64 cueMs = m_sink->soundMs(false);
    const qint64 alertMs = m_sink->soundMs(true);
    if (m_announcing) {
        // An announcement made late may find a confirmation already in its place: it gives way.
        const auto clashes = [&](const PlannedSound &said) {
            return std::any_of(m_confirmations.cbegin(), m_confirmations.cend(),
                               [&](const PlannedSound &c) {
                                   return c.dueMs < said.dueMs + length(said.phrase) &&
                                          said.dueMs < c.dueMs + length(c.phrase);
                               });
        };
        for (const PlannedSound &said :
             Announcements::plan(m_engine.plannedGaps(now + PlanAheadMs),
                                 m_engine.profile().variant, length, cueMs, now)) {
            if (!clashes(said))
                sounds.append(said);
        }
    }
    // Confirmations keep the place they were given; those still waiting take the first gap
    // after them that holds them whole, in the order the stops came.
    m_confirmations.erase(std::remove_if(m_confirmations.begin(), m_confirmations.end(),
                                         [now](const PlannedSound &s) { return s.dueMs < now; }),
                          m_confirmations.end());
    sounds += m_confirmations;
    // Sounds that began before now may still be heard: no confirmation goes over them.
    for (const PlannedSound &s : std::as_const(sounds)) {
        if (!m_sounding.contains(s))
            m_sounding.append(s);
    }
    m_sounding.erase(
        std::remove_if(m_sounding.begin(), m_sounding.end(),
                       [now](const PlannedSound &s) { return s.dueMs < now - RecentMs; }),
        m_sounding.end());
    while (!m_unsaid.isEmpty()) {
        const qint64 ms = length(m_unsaid.first());
        if (ms < 0)
            break;
        qint64 from = now + m_sink->leadMs();
        if (!m_confirmations.isEmpty())
            from = qMax(from, m_confirmations.last().dueMs);
        const qint64 at =
            Announcements::firstFit(sounds + m_sounding, ms, from, length, cueMs, alertMs);
        if (at < 0)
            break;
        const PlannedSound said{at, m_unsaid.takeFirst(), true};
        m_confirmations.append(said);
        sounds.append(said);
    }
    std::stable_sort(
        sounds.begin(), sounds.end(),
        [](const PlannedSound &a, const PlannedSound &b) { return a.dueMs < b.dueMs; });
    return sounds;
}

void EngineDriver::replan()
{
    const SoundPlan plan = withPhrases(m_engine.plannedSounds(m_clock.nowMs() + PlanAheadMs));
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
    m_unsaid.clear();
    m_confirmations.clear();
    m_sounding.clear();
    emit silenced();
}

} // namespace Protocol
