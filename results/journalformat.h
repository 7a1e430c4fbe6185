#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// The session journal's file: UTF-8 text, one record per line, each line
//   <CRC-32 of the rest, 8 hex digits> TAB <kind> TAB <fields separated by TAB> LF
// Kinds: the header "ZENTA-JOURNAL" (version, slots, columns), "cells" (a block of the grid:
// first slot, first column, last slot, last column, then the texts row by row), "conditions"
// (the initial period and speed of the test the results come from, then its mode and its start
// as yyyy-MM-ddTHH:mm:ss) and "exported" (everything above is in a results file). A line is
// taken whole or not at all, so a torn last write or a damaged byte loses only the record it
// hits. Cell texts escape backslash, tab, line feed and carriage return.
// Versions: fields added at the end of a kind keep the version, and the reader takes the record
// with or without them; anything else a reader of the version could not place changes it.

// The test the grid's results come from, as it started.
struct TestConditions
{
    int initialPeriod = 0; // 0: no test started
    QString initialSpeed;  // "4,2"
    QString mode;          // as the set-up panel names it; empty in older journals
    QDateTime started;     // invalid in older journals
};

namespace JournalFormat {

constexpr int Version = 1;

quint32 crc32(const QByteArray &bytes);

QByteArray headerLine(int slotCount, int columns);
// texts: row by row, (lastSlot - firstSlot + 1) * (lastColumn - firstColumn + 1) of them.
QByteArray cellsLine(int firstSlot, int firstColumn, int lastSlot, int lastColumn,
                     const QStringList &texts);
QByteArray conditionsLine(const TestConditions &test);
QByteArray exportedLine();
// A whole grid ([slot - 1][column]) as one record, or nothing when every cell is empty.
QByteArray snapshotLines(const QVector<QStringList> &rows, int columns);
// Whether any cell of a grid holds text.
bool anyText(const QVector<QStringList> &rows);

} // namespace JournalFormat

// What a journal file holds, read for a grid of a given shape.
struct JournalReading
{
    bool header = false;  // its own header, of this version and shape
    bool foreign = false; // another program's file, another version or another grid shape
    int records = 0;      // whole records taken, the header included
    int damagedLines = 0; // lines set aside: bad checksum, unknown or out of the grid
    bool tornEnd = false; // the last line lacks its end (a write cut short); counted as damaged
    QVector<QStringList> rows;         // the grid after every whole record
    QVector<QStringList> exportedRows; // the grid as the last export wrote it
    TestConditions test;               // the last test started

    bool intact() const { return header && damagedLines == 0; }
    // Names or results that no export holds: a cell with text that differs from the export's.
    bool unexported() const;
    int namedSlots() const;
    int slotsWithResults() const;

    static JournalReading read(const QByteArray &bytes, int slotCount, int columns);
};
