#include "runengine.h"

#include "clock.h"

namespace Protocol {

RunEngine::RunEngine(const SportProfile &profile, const Clock &clock, RunListener *listener)
    : m_profile(profile), m_clock(clock), m_listener(listener), m_table(periodTableLines(profile))
{
}

void RunEngine::setWorkingTable(const QStringList &lines)
{
    const int before = currentInterval();
    m_table = lines;
    const bool beeping = m_phase == TestPhase::WarmUp || m_phase == TestPhase::Effort;
    // A mended interval counts from the mend: measured from the last beep, a shorter one would
    // already be overdue many times over and the next poll would sound them all at once.
    if (beeping && currentInterval() > 0 && currentInterval() != before)
        m_lastDueMs = qMax(m_lastDueMs, m_clock.nowMs());
}

void RunEngine::setCurrentPeriod(int period)
{
    m_currentPeriod = period;
    showPeriodSpeed();
    if (m_listener)
        m_listener->displaysChanged();
}

bool RunEngine::isRunning() const
{
    return m_phase == TestPhase::WarmUp || m_phase == TestPhase::PreTestRecovery ||
           m_phase == TestPhase::Effort || m_phase == TestPhase::Recovery;
}

bool RunEngine::inPause() const
{
    return m_phase == TestPhase::PreTestRecovery || m_phase == TestPhase::Recovery;
}

bool RunEngine::pauseShown() const
{
    const TestPhase shown = m_phase == TestPhase::Ended ? m_stoppedIn : m_phase;
    return shown == TestPhase::PreTestRecovery || shown == TestPhase::Recovery;
}

int RunEngine::pauseLengthMs() const
{
    return m_warmUpPending ? m_profile.warmUpMs : m_profile.recoveryMs;
}

int RunEngine::completedPeriods() const
{
    if (m_phase == TestPhase::Ready)
        return 0;
    return qMax(0, m_currentPeriod - m_startPeriod);
}

int RunEngine::lap() const
{
    if (!lapVisible())
        return 0;
    return (m_beepCount - 1) / m_profile.stationsPerLap + 1;
}

bool RunEngine::lapVisible() const
{
    // After the stop command the displays stay as the last running phase left them.
    const TestPhase shown = m_phase == TestPhase::Ended ? m_stoppedIn : m_phase;
    return shown == TestPhase::WarmUp || shown == TestPhase::Effort;
}

int RunEngine::currentInterval() const
{
    const int index = m_currentPeriod - 1;
    if (index < 0 || index >= m_table.size())
        return 0;
    return intervalFromLine(m_table.at(index));
}

QString RunEngine::formatChrono(qint64 seconds)
{
    // Minutes are not folded into hours: an hour and a minute reads 61:05.
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString RunEngine::chronoText() const
{
    return formatChrono(m_chronoSeconds);
}

GaugeState RunEngine::gauge() const
{
    GaugeState g;
    g.position = m_gaugePosition;
    g.pause = pauseShown();
    g.maximum = g.pause ? pauseLengthMs() / 1000 : m_profile.beepsPerPeriod;
    return g;
}

qint64 RunEngine::nextDueMs() const
{
    if (m_phase == TestPhase::WarmUp || m_phase == TestPhase::Effort) {
        const int interval = currentInterval();
        return interval > 0 ? m_lastDueMs + interval + 1 : -1;
    }
    if (inPause()) {
        const qint64 alertAt = m_pauseStartMs + (pauseLengthMs() - 3000) / 1000 * 1000;
        const qint64 endAt = m_pauseStartMs + pauseLengthMs() + 1;
        return m_alertGiven ? endAt : qMin(alertAt, endAt);
    }
    return -1;
}

qint64 RunEngine::nextPollMs() const
{
    if (!isRunning())
        return -1;
    qint64 next = nextDueMs();
    const auto earliest = [&next](qint64 t) { next = next < 0 ? t : qMin(next, t); };
    if (!m_warmUpPending)
        earliest(m_testStartMs + (m_chronoSeconds + 1) * 1000);
    if (inPause())
        earliest(m_pauseStartMs + (m_gaugePosition + 1) * 1000);
    return next;
}

void RunEngine::setPhase(TestPhase phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    if (m_listener)
        m_listener->phaseChanged(phase);
}

void RunEngine::showPeriodSpeed()
{
    const QString text = periodSpeedText(m_profile.variant, m_currentPeriod);
    if (!text.isEmpty())
        m_speedText = text;
}

void RunEngine::updateMarker()
{
    m_markerStation = markerStationIndex(m_profile.variant, m_profile.stationsPerLap, m_beepCount,
                                         completedPeriods());
    m_markerLit = true;
}

void RunEngine::updateDistance()
{
    if (m_warmUpPending)
        return;
    // Whole centimetres keep the rounding exact: 0,5 m rounds up, never down by a float error.
    const qint64 segments =
        qint64(completedPeriods()) * m_profile.beepsPerPeriod + qint64(m_beepCount);
    const qint64 centimetres = segments * m_profile.segmentLengthCm;
    m_distance = centimetres <= 0 ? 0 : int((centimetres + 50) / 100);
}

void RunEngine::updateChrono(qint64 now)
{
    if (!isRunning() || m_warmUpPending)
        return;
    m_chronoSeconds = qMax<qint64>(0, now - m_testStartMs) / 1000;
}

void RunEngine::newTest()
{
    setPhase(TestPhase::Ready);
    m_beepCount = 0;
    m_gaugePosition = 0;
    m_chronoSeconds = 0;
    m_distance = 0;
    m_markerStation = markerStationIndex(m_profile.variant, m_profile.stationsPerLap, 0, 0);
    m_markerLit = false;
    m_picture = coursePicture(m_profile.variant, CourseSituation::Reset, 0, false);
    m_restMarker = Protocol::restMarkerVisible(CourseSituation::Reset);
    if (m_listener)
        m_listener->displaysChanged();
}

void RunEngine::start(TestMode mode, int startPeriod, bool warmUpTicked, qint64 atMs)
{
    if (m_phase != TestPhase::Ready)
        return;
    const qint64 now = atMs >= 0 ? atMs : m_clock.nowMs();
    m_mode = mode;
    m_startPeriod = mode == TestMode::FullTest ? 1 : startPeriod;
    m_warmUpPending = warmUpTicked && mode != TestMode::RepeatPeriod;
    m_currentPeriod = m_startPeriod;
    m_beepCount = 0;
    m_gaugePosition = 0;
    m_chronoSeconds = 0;
    m_distance = 0;
    m_lastDueMs = now;
    m_testStartMs = now;
    showPeriodSpeed();
    m_initialSpeedText = m_speedText;
    m_picture = coursePicture(m_profile.variant, CourseSituation::Start, 0, m_warmUpPending);
    m_restMarker = Protocol::restMarkerVisible(CourseSituation::Start);
    setPhase(m_warmUpPending ? TestPhase::WarmUp : TestPhase::Effort);
    updateMarker();
    updateDistance();
    if (m_listener) {
        if (!m_warmUpPending)
            m_listener->activateAthletes();
        m_listener->cue(now);
        m_listener->displaysChanged();
    }
}

void RunEngine::beep(qint64 dueMs)
{
    m_lastDueMs = dueMs;
    ++m_beepCount;
    if (m_beepCount <= m_profile.beepsPerPeriod)
        m_gaugePosition = m_beepCount;
    if (m_listener)
        m_listener->cue(dueMs);
    updateMarker();
    // ">=" rather than "==" so that a forced skip past the last beep still ends the period.
    if (m_beepCount >= m_profile.beepsPerPeriod && m_mode != TestMode::RepeatPeriod)
        beginPause(dueMs);
    updateDistance();
}

void RunEngine::beginPause(qint64 dueMs)
{
    m_pauseStartMs = dueMs;
    m_alertGiven = false;
    if (!m_warmUpPending)
        ++m_currentPeriod;
    m_beepCount = 0;
    m_gaugePosition = 0;
    setPhase(m_warmUpPending ? TestPhase::PreTestRecovery : TestPhase::Recovery);
    m_picture = coursePicture(m_profile.variant, CourseSituation::PauseBegins, completedPeriods(),
                              m_warmUpPending);
    m_restMarker = Protocol::restMarkerVisible(CourseSituation::PauseBegins);
    showPeriodSpeed();
}

void RunEngine::endPause(qint64 dueMs)
{
    const bool afterWarmUp = m_warmUpPending;
    m_lastDueMs = dueMs;
    m_beepCount = 0;
    m_gaugePosition = 0;
    if (m_listener)
        m_listener->cue(dueMs);
    if (afterWarmUp) {
        // The warm-up is not part of the test: time and distance start here.
        m_warmUpPending = false;
        m_testStartMs = dueMs;
        m_chronoSeconds = 0;
    }
    setPhase(TestPhase::Effort);
    updateMarker();
    m_picture =
        coursePicture(m_profile.variant, CourseSituation::PauseEnds, completedPeriods(), false);
    m_restMarker = Protocol::restMarkerVisible(CourseSituation::PauseEnds);
    updateDistance();
    if (afterWarmUp && m_listener)
        m_listener->activateAthletes();
}

void RunEngine::poll()
{
    if (!isRunning())
        return;
    const qint64 now = m_clock.nowMs();
    const int beepsBefore = m_beepCount;
    const TestPhase phaseBefore = m_phase;
    const int gaugeBefore = m_gaugePosition;
    const qint64 chronoBefore = m_chronoSeconds;
    const qint64 dueBefore = m_lastDueMs;
    for (;;) {
        if (m_phase == TestPhase::WarmUp || m_phase == TestPhase::Effort) {
            const int interval = currentInterval();
            if (interval <= 0 || now - m_lastDueMs <= interval)
                break;
            beep(m_lastDueMs + interval);
        } else if (inPause()) {
            const int length = pauseLengthMs();
            const qint64 elapsed = now - m_pauseStartMs;
            // Checked before the end of the pause: a late poll that skips the alert's second
            // still gives the alert, once.
            if (!m_alertGiven && elapsed / 1000 >= (length - 3000) / 1000) {
                m_alertGiven = true;
                if (m_listener)
                    m_listener->pauseAlert(m_pauseStartMs + (length - 3000) / 1000 * 1000);
            }
            if (elapsed > length) {
                endPause(m_pauseStartMs + length);
                continue;
            }
            m_gaugePosition = qMin(int(elapsed / 1000), length / 1000);
            break;
        } else {
            break;
        }
    }
    updateChrono(now);
    const bool changed = m_beepCount != beepsBefore || m_phase != phaseBefore ||
                         m_gaugePosition != gaugeBefore || m_chronoSeconds != chronoBefore ||
                         m_lastDueMs != dueBefore;
    if (changed && m_listener)
        m_listener->displaysChanged();
}

void RunEngine::stop()
{
    if (!isRunning())
        return;
    m_stoppedIn = m_phase;
    setPhase(TestPhase::Ended);
    if (m_listener)
        m_listener->displaysChanged();
}

void RunEngine::skipBeep()
{
    if (m_phase == TestPhase::WarmUp || m_phase == TestPhase::Effort) {
        ++m_beepCount;
        if (m_listener)
            m_listener->displaysChanged();
    }
}

SoundPlan RunEngine::plannedSounds(qint64 untilMs) const
{
    SoundPlan sounds;
    walkPlan(untilMs, &sounds, nullptr);
    return sounds;
}

QVector<SpeechGap> RunEngine::plannedGaps(qint64 untilMs) const
{
    QVector<SpeechGap> gaps;
    if (isRunning())
        walkPlan(untilMs, nullptr, &gaps);
    return gaps;
}

void RunEngine::walkPlan(qint64 untilMs, SoundPlan *sounds, QVector<SpeechGap> *gaps) const
{
    // The steps of poll() on a copy of the state it changes, without the displays.
    TestPhase phase = m_phase;
    qint64 lastDue = m_lastDueMs;
    qint64 pauseStart = m_pauseStartMs;
    int beeps = m_beepCount;
    int period = m_currentPeriod;
    bool warmUp = m_warmUpPending;
    bool alertGiven = m_alertGiven;
    const auto intervalOf = [this](int p) {
        return p >= 1 && p <= m_table.size() ? intervalFromLine(m_table.at(p - 1)) : 0;
    };
    const auto add = [sounds](qint64 dueMs, bool alert) {
        if (sounds)
            sounds->append({dueMs, alert});
    };
    const auto pauseLength = [this, &warmUp] {
        return warmUp ? m_profile.warmUpMs : m_profile.recoveryMs;
    };
    const auto addGap = [&](SpeechGap::Kind kind) {
        if (!gaps)
            return;
        SpeechGap gap;
        gap.kind = kind;
        if (kind == SpeechGap::Kind::Pause) {
            gap.cueMs = pauseStart;
            gap.alertMs = pauseStart + (pauseLength() - 3000) / 1000 * 1000;
            gap.nextCueMs = pauseStart + pauseLength();
            gap.number = period;
            gap.tableEnds = intervalOf(period) <= 0;
        } else {
            const int interval = intervalOf(period);
            gap.cueMs = lastDue;
            gap.nextCueMs = interval > 0 ? lastDue + interval : -1;
            gap.number = beeps / m_profile.beepsPerPeriod + 1;
        }
        gaps->append(gap);
    };
    const bool roundDone =
        m_mode == TestMode::RepeatPeriod && beeps > 0 && beeps % m_profile.beepsPerPeriod == 0;
    if (phase == TestPhase::WarmUp && beeps == 0)
        addGap(SpeechGap::Kind::WarmUp);
    else if (phase == TestPhase::PreTestRecovery || phase == TestPhase::Recovery)
        addGap(SpeechGap::Kind::Pause);
    else if (phase == TestPhase::Effort && roundDone)
        addGap(SpeechGap::Kind::Repetition);
    for (;;) {
        if (phase == TestPhase::WarmUp || phase == TestPhase::Effort) {
            const int interval = intervalOf(period);
            if (interval <= 0 || lastDue + interval > untilMs)
                break;
            lastDue += interval;
            add(lastDue, false);
            if (++beeps >= m_profile.beepsPerPeriod && m_mode != TestMode::RepeatPeriod) {
                pauseStart = lastDue;
                alertGiven = false;
                if (!warmUp)
                    ++period;
                beeps = 0;
                phase = TestPhase::Recovery;
                addGap(SpeechGap::Kind::Pause);
            } else if (m_mode == TestMode::RepeatPeriod && beeps % m_profile.beepsPerPeriod == 0) {
                addGap(SpeechGap::Kind::Repetition);
            }
        } else if (phase == TestPhase::PreTestRecovery || phase == TestPhase::Recovery) {
            const int length = pauseLength();
            if (!alertGiven) {
                const qint64 alertAt = pauseStart + (length - 3000) / 1000 * 1000;
                if (alertAt > untilMs)
                    break;
                add(alertAt, true);
                alertGiven = true;
            }
            if (pauseStart + length > untilMs)
                break;
            lastDue = pauseStart + length;
            add(lastDue, false);
            warmUp = false;
            beeps = 0;
            phase = TestPhase::Effort;
        } else {
            break;
        }
    }
}

} // namespace Protocol
