#pragma once

#include "sportprofile.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// One athlete's result in one test, as a results file holds it.
struct HistoryResult
{
    QString athlete; // the code, or the name where the code is empty: whom the result belongs to
    QString name;
    QString code;
    QDateTime when; // the export's date and time, to the minute
    QString programTitle;
    QString sport;
    Protocol::SportVariant variant = Protocol::SportVariant::Futbol;
    int slot = 0;
    int initialPeriod = 0;
    QString initialSpeed; // "4,2"
    QString time;         // "mm:ss"
    int periods = 0;
    int distance = 0;
    QString speed;  // "12,6"
    QString vo2Max; // "18,195"; empty where the file has none
    double vo2MaxValue = 0.0;
    QString file;
    QStringList sameTestIn;      // other files holding this very test (exported again, or copied)
    bool sameNameNoCode = false; // its file has another row of this name, neither with a code

    bool hasVo2Max() const { return !vo2Max.isEmpty(); }
    // Whom it belongs to, as its file spells it: "code · name", or whichever there is.
    QString label() const;
};

// A file the history left out, and why.
struct SkippedFile
{
    QString file;
    QString reason;
};

// The season as the results files in some folders tell it.
struct History
{
    QList<HistoryResult> results; // oldest test first; within a test, in slot order
    QList<SkippedFile> skipped;
    int filesRead = 0; // results files taken in

    // Every athlete, sorted, once.
    QStringList athletes() const;
    // An athlete's tests, oldest first; only those started at initialPeriod where it is not 0.
    QList<HistoryResult> resultsOf(const QString &athlete, int initialPeriod = 0) const;
    // The initial periods the tests were started at, in order, once each.
    QList<int> initialPeriods() const;
};

// Reads the results files the export writes, in Windows-1252 or re-saved in UTF-8, each field
// in the exact form the export gives it. It never trusts a file: anything that is not such
// a file, or is one cut short or altered, is refused with a reason and nothing of it is taken.
namespace HistoryFile {

// The results of one file, or false and the reason it was refused.
bool parse(const QByteArray &bytes, const QString &file, QList<HistoryResult> *results,
           QString *reason);

// Every "*.txt" file directly inside the folders (a folder named twice is read once). Only
// regular files are opened; anything else of the name, and a file too large, is skipped unread.
History readFolders(const QStringList &folders);

// Larger than any results file can be; such a file is not read into memory.
constexpr qint64 MaxFileSize = 64 * 1024;

} // namespace HistoryFile
