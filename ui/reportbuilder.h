#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class ResultsModel;

// What the printed report shows: the test's conditions and the results table as the grid
// holds it.
struct ReportContent
{
    QString title;  // the program title
    QDateTime when; // the test's start; invalid: not known
    QString sport;
    QString mode;
    int initialPeriod = 1;
    QString initialSpeed; // "4,2"
    QStringList columnTitles;
    QList<QStringList> rows; // one per grid row, every cell as text

    // Takes the titles and every row of the results, as the grid shows them.
    void setTable(const ResultsModel &results);
};

// The one-page PDF report. It only draws; where the bytes go is the caller's.
namespace Report {

// The whole document, or false when it could not be drawn.
bool render(const ReportContent &content, QByteArray *pdf);

// Athletes with a distance, and that distance, for the bar chart: the name, or the code where
// the name is empty.
QList<QPair<QString, int>> distances(const ReportContent &content);

} // namespace Report
