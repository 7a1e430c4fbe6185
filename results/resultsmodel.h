#pragma once

#include "sportprofile.h"

#include <QAbstractTableModel>
#include <QLocale>
#include <QStringList>
#include <QVector>

// What the run shows when an athlete drops out. Numbers stay numbers; the model writes them
// into the grid's cells.
struct ResultReading
{
    QString time; // "mm:ss"
    int periodsCompleted = 0;
    int distance = 0; // whole metres
    QString speed;    // "12,6", as the speed table gives it
};

// The roster and the results: one row per athlete slot (slot k is row k - 1), every cell text.
// It is the only store of both; the grid shows it and the export reads it. Each operation
// announces its changes in one dataChanged over the block it touched, so an observer that
// saves every change (the session journal) saves an operation whole, once.
class ResultsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Number = 0, Name, Code, Time, Periods, Distance, Speed, Vo2Max };

    explicit ResultsModel(const Protocol::SportProfile &profile, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    int slotCount() const { return m_slots; }
    QString cell(int column, int slot) const;
    void setCell(int column, int slot, const QString &text);
    bool hasName(int slot) const { return !cell(Name, slot).isEmpty(); }
    bool anyName() const;

    // Numbers the named slots and empties the number of the others; returns the named slots.
    QList<int> activateAthletes();
    // Writes a dropped-out athlete's result into its row.
    void capture(int slot, const ResultReading &reading);
    // Empties the result cells of a slot (time onwards), so the athlete can run again.
    void clearResults(int slot);
    // A slot's result cells, time onwards.
    QStringList results(int slot) const;
    // Puts back result cells read earlier with results(), as one change.
    void setResults(int slot, const QStringList &cells);
    // Empties the result columns of every row; numbers, names and codes stay for the next test.
    void clearResultColumns();
    // Empties every cell of every row.
    void clearAll();
    // Whether any row holds a periods-completed result.
    bool anyResult() const;
    // Every cell, [slot - 1][column].
    QVector<QStringList> rows() const;
    // Puts back cells saved earlier ([slot - 1][column], missing ones empty), as one change.
    void restore(const QVector<QStringList> &rows);

    // Longest name and code a cell takes.
    static int maxLength(int column);
    // What a name or code cell keeps of the text typed or pasted: the text composed (NFC, so a
    // letter and its accent stay one character), then without the characters the results file
    // cannot hold (the field separator, line breaks, tabs, anything outside Windows-1252), then
    // cut to the column's length. The dropped characters go to refused, each once.
    static QString cleanEntry(int column, const QString &text, QString *refused = nullptr);
    struct Entry
    {
        QString kept;
        QString refused;
        bool accepted = true; // false: nothing but refused characters and blanks was given
    };
    // Whether an edit is taken, and what it leaves in the cell. A blank result is an empty cell.
    static Entry checkEntry(int column, const QString &text);
    static QStringList columnTitles();

    // Estimated VO2max (ml/kg/min) from the distance shown, three decimals in the locale, or in
    // ASCII digits with a comma where the results file cannot hold the locale's.
    static QString vo2MaxText(int distance, const QLocale &locale = QLocale());

private:
    // Changes a cell without announcing it; true when it changed.
    bool assign(int column, int slot, const QString &text);
    void announce(int firstSlot, int firstColumn, int lastSlot, int lastColumn);
    // Empties the columns from firstColumn to the last one of a run of slots, as one change.
    void clearBlock(int firstSlot, int firstColumn, int lastSlot);

    const Protocol::SportProfile &m_profile;
    int m_slots;
    int m_columns;
    QVector<QStringList> m_cells; // [row][column]
};
