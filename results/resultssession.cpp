#include "resultssession.h"

#include "resultsmodel.h"

ResultsSession::ResultsSession(ResultsModel &results, QObject *parent)
    : QObject(parent), m_results(results)
{
    connect(&m_results, &QAbstractItemModel::dataChanged, this, [this] {
        if (!m_clearing)
            m_exported = false;
    });
}

bool ResultsSession::exportable() const
{
    return m_results.anyName() || m_results.anyResult();
}

bool ResultsSession::unexportedResults() const
{
    return !m_exported && m_results.anyResult();
}

void ResultsSession::testStarted()
{
    m_running = true;
    emit runningChanged(true);
    m_testShown = true;
    m_stops.clear();
    m_taken.clear();
}

void ResultsSession::clearTable()
{
    m_stops.clear();
    m_taken.clear();
    m_clearing = true;
    m_results.clearAll();
    m_clearing = false;
    for (int slot = 1; slot <= m_results.slotCount(); ++slot)
        setRunning(slot, false);
}

int ResultsSession::testEnded(const ResultReading &reading)
{
    m_running = false;
    emit runningChanged(false);
    int last = 0;
    for (int slot = 1; slot <= m_results.slotCount(); ++slot) {
        if (capture(slot, reading))
            last = slot;
    }
    return last;
}

void ResultsSession::setRunning(int slot, bool running)
{
    if (isRunning(slot) == running)
        return;
    if (running)
        m_runningSlots.insert(slot);
    else
        m_runningSlots.remove(slot);
    emit slotRunningChanged(slot, running);
}

void ResultsSession::activateAthletes()
{
    const QList<int> named = m_results.activateAthletes();
    for (int slot = 1; slot <= m_results.slotCount(); ++slot)
        setRunning(slot, named.contains(slot));
}

bool ResultsSession::capture(int slot, const ResultReading &reading)
{
    if (!isRunning(slot))
        return false;
    setRunning(slot, false);
    m_results.capture(slot, reading);
    m_stops.removeAll(slot);
    m_stops.append(slot);
    // Stopped again: what a re-activation took away can no longer come back.
    m_taken.removeIf([slot](const TakenResult &taken) { return taken.slot == slot; });
    if (m_running)
        emit athleteStopped(slot, false);
    return true;
}

bool ResultsSession::mayReactivate(int slot, bool warmUpOver) const
{
    return m_running && warmUpOver && m_results.hasName(slot) &&
           !m_results.cell(ResultsModel::Periods, slot).isEmpty();
}

void ResultsSession::reactivate(int slot, bool warmUpOver)
{
    if (m_running && warmUpOver && m_results.hasName(slot)) {
        m_results.setCell(ResultsModel::Number, slot, QString::number(slot));
        if (!m_results.cell(ResultsModel::Periods, slot).isEmpty())
            m_taken.append({slot, m_results.results(slot)});
        m_stops.removeAll(slot);
        m_results.clearResults(slot);
        setRunning(slot, true);
        emit athleteStopped(slot, true);
    } else {
        setRunning(slot, false);
    }
}

int ResultsSession::reactivateLast(bool warmUpOver, int *refused)
{
    if (refused)
        *refused = 0;
    if (!m_running || !warmUpOver)
        return 0;
    while (!m_stops.isEmpty()) {
        const int slot = m_stops.takeLast();
        if (mayReactivate(slot, warmUpOver)) {
            reactivate(slot, warmUpOver);
            return slot;
        }
        // Running again already, or its name erased: that stop can no longer be taken back.
        if (refused && !*refused && !isRunning(slot))
            *refused = slot;
    }
    return 0;
}

int ResultsSession::restoreLast()
{
    if (!m_running)
        return 0;
    while (!m_taken.isEmpty()) {
        const TakenResult taken = m_taken.takeLast();
        if (!isRunning(taken.slot))
            continue;
        setRunning(taken.slot, false);
        m_results.setResults(taken.slot, taken.cells);
        m_stops.removeAll(taken.slot);
        m_stops.append(taken.slot);
        emit athleteStopped(taken.slot, false);
        return taken.slot;
    }
    return 0;
}

void ResultsSession::newTest()
{
    m_testShown = false;
    m_stops.clear();
    m_taken.clear();
    if (m_exported)
        m_results.clearResultColumns();
    m_exported = false;
}
