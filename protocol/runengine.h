#pragma once

#include "course.h"
#include "cuesink.h"
#include "sportprofile.h"

#include <QString>
#include <QStringList>

namespace Protocol {

class Clock;

enum class TestMode { FullTest, RepeatPeriod, EffortTest };

enum class TestPhase { Ready, WarmUp, PreTestRecovery, Effort, Recovery, Ended };

// What the engine tells the window. Every callback runs inside a call into the engine.
class RunListener
{
public:
    virtual ~RunListener() = default;
    // A cue is due at dueMs on the engine clock (it may already be a few ms in the past).
    virtual void cue(qint64 dueMs) { Q_UNUSED(dueMs) }
    // Once per pause, three seconds before its end.
    virtual void pauseAlert(qint64 dueMs) { Q_UNUSED(dueMs) }
    virtual void phaseChanged(TestPhase phase) { Q_UNUSED(phase) }
    // Counters, marker, course picture, gauge or texts changed.
    virtual void displaysChanged() {}
    // The first real effort period begins: the named athletes start running.
    virtual void activateAthletes() {}
};

// A stretch of the run after a cue where something may be said: the warm-up's first interval,
// a pause, or (repeating a period) the interval after each round of the period's beeps.
struct SpeechGap
{
    enum class Kind { WarmUp, Pause, Repetition };
    Kind kind = Kind::Pause;
    qint64 cueMs = 0;       // the cue that opens it
    qint64 alertMs = -1;    // the pause alert within it, -1 when none
    qint64 nextCueMs = -1;  // the cue that closes it, -1 when none is due
    int number = 0;         // the coming period (a pause) or round (repeating a period)
    bool tableEnds = false; // a pause after the table's last period
};

// The progress bar's count: stations of an effort period, or seconds of a pause.
struct GaugeState
{
    int maximum = 0;
    int position = 0;
    bool pause = false;
};

// Runs the intermittent progressive test on an ideal timeline: every beep is due exactly one
// interval after the previous beep was due, and a pause ends exactly its length after the beep
// that began it. poll() may come late (a busy event loop, a coarse timer); it then catches up
// on everything that fell due, so lateness never adds up.
//
// Not responsible for sound, widgets or athletes: it only says when and what.
class RunEngine
{
public:
    RunEngine(const SportProfile &profile, const Clock &clock, RunListener *listener = nullptr);
    Q_DISABLE_COPY(RunEngine)

    void setListener(RunListener *listener) { m_listener = listener; }
    const SportProfile &profile() const { return m_profile; }

    // The working table: one interval per line, period 1 first. Read anew at every poll.
    const QStringList &workingTable() const { return m_table; }
    // An edit that changes the current period's interval restarts its timeline at the edit:
    // the next beep is one new interval later, never a burst of beeps the new interval would
    // have given since the last one.
    void setWorkingTable(const QStringList &lines);

    // Period chosen on the set-up panel; also updates the speed shown.
    void setCurrentPeriod(int period);

    void newTest();
    // atMs: when the start cue is due, if not now; a sound device that needs to know its cues
    // ahead gets the start that much in advance.
    void start(TestMode mode, int startPeriod, bool warmUpTicked, qint64 atMs = -1);
    void poll();
    void stop();
    // Developer aid: counts one more beep now, so the next beep lands one station further on.
    void skipBeep();

    // When the next thing is due on the engine clock, or -1 when nothing is (not running, or
    // no interval for the period). A timer may sleep until then.
    qint64 nextDueMs() const;
    // When poll() next has something to do: the next cue, alert or end of a pause, or the next
    // second of the chronometer or of the pause count. -1 when the test is not running. A
    // window that sleeps until then shows everything on time without waking in between.
    qint64 nextPollMs() const;
    // The cues and alerts poll() will report from now on, due up to untilMs, in order.
    SoundPlan plannedSounds(qint64 untilMs) const;
    // The gaps opened by the cue last sounded and by the planned cues, up to untilMs.
    QVector<SpeechGap> plannedGaps(qint64 untilMs) const;

    TestPhase phase() const { return m_phase; }
    bool isRunning() const;
    TestMode mode() const { return m_mode; }
    bool warmUpPending() const { return m_warmUpPending; }
    int startPeriod() const { return m_startPeriod; }
    int currentPeriod() const { return m_currentPeriod; }
    // The period shown (0 after a reset until the start).
    int periodShown() const { return m_phase == TestPhase::Ready ? 0 : m_currentPeriod; }
    int beepCount() const { return m_beepCount; }
    int completedPeriods() const;
    int lap() const;
    bool lapVisible() const;
    // Distance run since the test start (warm-up excluded), in whole metres.
    int distance() const { return m_distance; }
    QString distanceText() const { return QString::number(m_distance); }
    // Current interval in ms, 0 when none is due.
    int currentInterval() const;

    QString speedText() const { return m_speedText; }
    QString initialSpeedText() const { return m_initialSpeedText; }
    // Puts back the speed a test started at, for results brought back after a restart.
    void setInitialSpeedText(const QString &text) { m_initialSpeedText = text; }
    QString chronoText() const;
    qint64 chronoSeconds() const { return m_chronoSeconds; }

    int markerStation() const { return m_markerStation; }
    bool markerLit() const { return m_markerLit; }
    int picture() const { return m_picture; }
    bool restMarkerVisible() const { return m_restMarker; }

    bool gaugeVisible() const { return isRunning(); }
    GaugeState gauge() const;

    static QString formatChrono(qint64 seconds);

    bool inPause() const;
    // In a pause, or stopped in one: what the displays show.
    bool pauseShown() const;

private:
    void walkPlan(qint64 untilMs, SoundPlan *sounds, QVector<SpeechGap> *gaps) const;
    int pauseLengthMs() const;
    void beep(qint64 dueMs);
    void beginPause(qint64 dueMs);
    void endPause(qint64 dueMs);
    void updateMarker();
    void updateDistance();
    void showPeriodSpeed();
    void updateChrono(qint64 now);
    void setPhase(TestPhase phase);

    const SportProfile &m_profile;
    const Clock &m_clock;
    RunListener *m_listener = nullptr;
    QStringList m_table;

    TestPhase m_phase = TestPhase::Ready;
    TestPhase m_stoppedIn = TestPhase::Ready;
    TestMode m_mode = TestMode::FullTest;
    bool m_warmUpPending = true;
    int m_startPeriod = 1;
    int m_currentPeriod = 0;
    int m_beepCount = 0;
    int m_distance = 0;
    qint64 m_lastDueMs = 0;    // due time of the last beep, or of the end of the last pause
    qint64 m_pauseStartMs = 0; // due time of the beep that began the pause
    bool m_alertGiven = false;
    qint64 m_testStartMs = 0;
    qint64 m_chronoSeconds = 0;
    int m_gaugePosition = 0;
    QString m_speedText = QStringLiteral("0");
    QString m_initialSpeedText;
    int m_markerStation = -1;
    bool m_markerLit = false;
    int m_picture = 1;
    bool m_restMarker = true;
};

} // namespace Protocol
