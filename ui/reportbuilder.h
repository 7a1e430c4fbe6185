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

// One bar of the chart: an athlete with a distance.
struct Bar
{
    QString label; // the slot number, and the code where there is one: "3 · A7"
    QString name;
    int metres = 0;
};

// The bars, in slot order: every row with a distance, named or not.
QList<Bar> distances(const ReportContent &content);

} // namespace Report
