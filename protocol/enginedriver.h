#pragma once

#include "cuesink.h"
#include "runengine.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

namespace Protocol {

class Clock;

// Runs the engine in the event loop: one timer that sleeps until the engine next has something
// to do, the engine's events out as signals, and the sounds of the coming seconds handed to the
// sound layer ahead of their time, so a busy window never delays a cue.
//
// Not responsible for widgets: the window connects to the signals and shows the engine's state.
class EngineDriver final : public QObject
{
    Q_OBJECT
public:
    // How far ahead the sound layer learns of its sounds: longer than any stall of the window
    // it should ride out.
    static constexpr qint64 PlanAheadMs = 15000;

    EngineDriver(const SportProfile &profile, const Clock &clock, QObject *parent = nullptr);
    ~EngineDriver() override;

    RunEngine &engine() { return m_engine; }
    const RunEngine &engine() const { return m_engine; }

    // The sound layer follows the engine from now on, without going through the window.
    void setSink(CueSink *sink);
    CueSink *sink() const { return m_sink; }

    void newTest();
    // The start cue is due the sink's lead from now; the displays change when it sounds.
    void start(TestMode mode, int startPeriod, bool warmUpTicked);
    void stop();
    void setWorkingTable(const QStringList &lines);
    // Feeds the engine the time; runs on the timer.
    void poll();

    // What was last handed to the sound layer.
    const SoundPlan &plan() const { return m_plan; }

    // Spoken announcements of the warm-up, each coming period and the table's end.
    void setAnnouncing(bool on);
    bool announcing() const { return m_announcing; }
    // Each stop or re-activation during a test confirmed by voice, quietly.
    void setConfirmingStops(bool on);
    bool confirmingStops() const { return m_confirmingStops; }
    // An athlete was stopped by the operator, or runs again (back); said in the next gap it
    // fits in whole.
    void confirmStop(int slot, bool back);

signals:
    void cueDue(qint64 dueMs);
    void alertDue(qint64 dueMs);
    void phaseChanged(TestPhase phase);
    void displaysChanged();
    void activateAthletes();
    void planChanged(const SoundPlan &sounds);
    void silenced();
    void prepared();
    void rested();

private:
    class Listener;
    friend class Listener;

    void schedule();
    void replan();
    SoundPlan withPhrases(SoundPlan sounds);
    void quiet();
    void showDisplays();

    const Clock &m_clock;
    std::unique_ptr<Listener> m_listener;
    RunEngine m_engine;
    QTimer m_timer;
    QPointer<CueSink> m_sink;
    SoundPlan m_plan;
    bool m_announcing = false;
    bool m_confirmingStops = false;
    QStringList m_unsaid;      // confirmations waiting for their gap
    SoundPlan m_confirmations; // and those given one
    SoundPlan m_sounding;      // the sounds of the last seconds, and those planned
    static constexpr qint64 RecentMs = 10000;
    qint64 m_displaysAt = -1; // the start's displays wait for its cue until then
    bool m_displaysPending = false;
};

} // namespace Protocol
