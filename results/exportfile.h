#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

class ResultsModel;

// The conditions of a test as written at the head of the results file.
struct ExportConditions
{
    QDateTime when; // moment of the export
    int initialPeriod = 1;
    QString initialSpeed; // as shown when the test started, "4,2"
};

// The results file: semicolon-separated Windows-1252 text, CR LF after every line. It is read
// into spreadsheets, so its layout is fixed: four header lines, then one record per grid row.
namespace ExportFile {

QStringList lines(const ResultsModel &results, const QString &programTitle,
                  const ExportConditions &conditions, const QLocale &locale = QLocale());

// The whole file, or false when some character has no Windows-1252 byte.
bool encode(const QStringList &lines, QByteArray *bytes);

// Writes the file whole or not at all: a failed write leaves an earlier file untouched.
bool write(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// "<title>_dd-mm-yy.txt"
QString proposedName(const QString &programTitle, const QDate &date);

// The date and time separators of a locale, taken from its short formats.
QString dateSeparator(const QLocale &locale);
QString timeSeparator(const QLocale &locale);

} // namespace ExportFile
