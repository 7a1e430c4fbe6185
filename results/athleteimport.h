#pragma once

#include "athletestore.h"

#include <QByteArray>
#include <QList>
#include <QString>

// A list of athletes read from a spreadsheet's text export, before any of it is kept.
struct AthleteImport
{
    struct Refused
    {
        int line = 0; // 1-based line of the file
        QString reason;
    };
    QList<Athlete> athletes; // every row that can be taken, in file order
    QList<Refused> refused;  // every row that cannot, with its reason
    QString error;           // the file as a whole cannot be read; nothing is taken

    // Reads CSV (comma) or semicolon or tab separated text, UTF-8 with or without its mark or
    // Windows-1252, with a header row naming the columns or without one. Without a header a
    // column of M/F is the sex, one of four-digit years the year of birth, and of the others
    // the name comes first unless the first is all short codes with a digit.
    static AthleteImport read(const QByteArray &bytes);
    static AthleteImport readFile(const QString &path);
};
