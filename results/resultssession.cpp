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
}

void ResultsSession::newTest()
{
    if (m_exported)
        m_results.clearResultColumns();
    m_exported = false;
}
