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

// Writes a regular file whole or not at all: a failed write leaves an earlier file untouched.
// Anything else at the path (a pipe, a device, a folder) is refused without being opened.
bool write(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// The folder the results file is proposed in: "Export" in the program's folder (which ends in
// a separator), or in the user's documents folder where the program's folder cannot be written,
// as for a program installed in a system folder.
QString exportFolder(const QString &programFolder, bool programFolderWritable,
                     const QString &documentsFolder);

// Encodes and writes the lines; false with the reason in Spanish or from the system.
bool save(const QStringList &lines, const QString &path, QString *reason);

// "<title>_dd-mm-yy.txt"
QString proposedName(const QString &programTitle, const QDate &date);
// The path of name in folder, or of the first of "<name> (2).txt", "<name> (3).txt"... that
// nothing in the folder has.
QString freePath(const QString &folder, const QString &name);

// The date and time separators of a locale, taken from its short formats; "/" and ":" where
// the locale's own cannot be written in the file.
QString dateSeparator(const QLocale &locale);
QString timeSeparator(const QLocale &locale);

} // namespace ExportFile
