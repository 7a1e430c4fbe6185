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

void ResultsSession::clearTable()
{
    m_clearing = true;
    m_results.clearAll();
    m_clearing = false;
    for (int slot = 1; slot <= m_results.slotCount(); ++slot)
        setRunning(slot, false);
}

int ResultsSession::testEnded(const ResultReading &reading)
{
    m_running = false;
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
        m_results.clearResults(slot);
        setRunning(slot, true);
    } else {
        setRunning(slot, false);
    }
}

void ResultsSession::newTest()
{
    if (m_exported)
        m_results.clearResultColumns();
    m_exported = false;
}
