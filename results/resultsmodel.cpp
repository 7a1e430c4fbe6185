#include "resultsmodel.h"

#include "cp1252.h"

using namespace Protocol;

ResultsModel::ResultsModel(const SportProfile &profile, QObject *parent)
    : QAbstractTableModel(parent), m_profile(profile), m_slots(profile.stationsPerLap),
      m_columns(profile.gridColumnCount())
{
    m_cells.fill(QStringList(QVector<QString>(m_columns)), m_slots);
}

int ResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_slots;
}

int ResultsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QStringList ResultsModel::columnTitles()
{
    return {QStringLiteral("Nº"),
            QStringLiteral("Sujeto"),
            QStringLiteral("Cod."),
            QStringLiteral("Tiempo (mm:ss)"),
            QStringLiteral("Periodos complet."),
            QStringLiteral("Distancia (m)"),
            QStringLiteral("Vel. Máx. (Km/h)"),
            QStringLiteral("VO2max (ml/kg/min)")};
}

QVariant ResultsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return m_cells.at(index.row()).at(index.column());
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::ToolTipRole:
        // A long name may be cut short on screen.
        if (index.column() == Name && !m_cells.at(index.row()).at(Name).isEmpty())
            return m_cells.at(index.row()).at(Name);
        return {};
    default:
        return {};
    }
}

bool ResultsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid) ||
        !(flags(index) & Qt::ItemIsEditable))
        return false;
    const Entry entry = checkEntry(index.column(), value.toString());
    if (!entry.accepted)
        return false;
    setCell(index.column(), index.row() + 1, entry.kept);
    return true;
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return columnTitles().value(section);
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return {};
}

Qt::ItemFlags ResultsModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == Name || index.column() == Code)
        f |= Qt::ItemIsEditable;
    return f;
}

QString ResultsModel::cell(int column, int slot) const
{
    if (slot < 1 || slot > m_slots || column < 0 || column >= m_columns)
        return {};
    return m_cells.at(slot - 1).at(column);
}

void ResultsModel::setCell(int column, int slot, const QString &text)
{
    if (assign(column, slot, text))
        announce(slot, column, slot, column);
}

bool ResultsModel::assign(int column, int slot, const QString &text)
{
    if (slot < 1 || slot > m_slots || column < 0 || column >= m_columns)
        return false;
    QString &target = m_cells[slot - 1][column];
    if (target == text)
        return false;
    target = text;
    return true;
}

void ResultsModel::announce(int firstSlot, int firstColumn, int lastSlot, int lastColumn)
{
    emit dataChanged(index(firstSlot - 1, firstColumn), index(lastSlot - 1, lastColumn),
                     {Qt::DisplayRole, Qt::EditRole});
}

void ResultsModel::restore(const QVector<QStringList> &rows)
{
    bool changed = false;
    for (int slot = 1; slot <= m_slots; ++slot) {
        for (int column = 0; column < m_columns; ++column)
            changed |= assign(column, slot, rows.value(slot - 1).value(column));
    }
    if (changed)
        announce(1, 0, m_slots, m_columns - 1);
}

QVector<QStringList> ResultsModel::rows() const
{
    return m_cells;
}

bool ResultsModel::anyName() const
{
    for (int slot = 1; slot <= m_slots; ++slot) {
        if (hasName(slot))
            return true;
    }
    return false;
}

QList<int> ResultsModel::activateAthletes()
{
    QList<int> named;
    bool changed = false;
    for (int slot = 1; slot <= m_slots; ++slot) {
        if (hasName(slot)) {
            changed |= assign(Number, slot, QString::number(slot));
            named.append(slot);
        } else {
            changed |= assign(Number, slot, QString());
        }
    }
    if (changed)
        announce(1, Number, m_slots, Number);
    return named;
}

void ResultsModel::capture(int slot, const ResultReading &reading)
{
    bool changed = assign(Time, slot, reading.time);
    changed |= assign(Periods, slot, QString::number(reading.periodsCompleted));
    changed |= assign(Distance, slot, QString::number(reading.distance));
    changed |= assign(Speed, slot, reading.speed);
    if (m_profile.hasVo2Max())
        changed |= assign(Vo2Max, slot, vo2MaxText(reading.distance));
    if (changed)
        announce(slot, Time, slot, m_columns - 1);
}

void ResultsModel::clearResults(int slot)
{
    clearBlock(slot, Time, slot);
}

QStringList ResultsModel::results(int slot) const
{
    return m_cells.value(slot - 1).mid(Time);
}

void ResultsModel::setResults(int slot, const QStringList &cells)
{
    bool changed = false;
    for (int column = Time; column < m_columns; ++column)
        changed |= assign(column, slot, cells.value(column - Time));
    if (changed)
        announce(slot, Time, slot, m_columns - 1);
}

void ResultsModel::clearResultColumns()
{
    clearBlock(1, Time, m_slots);
}

void ResultsModel::clearAll()
{
    clearBlock(1, Number, m_slots);
}

void ResultsModel::clearBlock(int firstSlot, int firstColumn, int lastSlot)
{
    bool changed = false;
    for (int slot = firstSlot; slot <= lastSlot; ++slot) {
        for (int column = firstColumn; column < m_columns; ++column)
            changed |= assign(column, slot, QString());
    }
    if (changed)
        announce(firstSlot, firstColumn, lastSlot, m_columns - 1);
}

bool ResultsModel::anyResult() const
{
    for (int slot = 1; slot <= m_slots; ++slot) {
        if (!cell(Periods, slot).isEmpty())
            return true;
    }
    return false;
}

int ResultsModel::maxLength(int column)
{
    return column == Name ? 20 : column == Code ? 5 : 0;
}

QString ResultsModel::cleanEntry(int column, const QString &text, QString *refused)
{
    const QString composed = text.normalized(QString::NormalizationForm_C);
    const int limit = maxLength(column);
    QString kept;
    kept.reserve(composed.size());
    for (qsizetype i = 0; i < composed.size(); ++i) {
        const QChar c = composed.at(i);
        if (c != QLatin1Char(';') && isWindows1252Printable(c)) {
            kept.append(c);
            continue;
        }
        // A character beyond the 16-bit range is refused whole, not as two halves.
        const qsizetype length =
            c.isHighSurrogate() && i + 1 < composed.size() && composed.at(i + 1).isLowSurrogate()
                ? 2
                : 1;
        const QString character = composed.mid(i, length);
        i += length - 1;
        if (refused && !refused->contains(character))
            refused->append(character);
    }
    return limit > 0 ? kept.left(limit) : kept;
}

ResultsModel::Entry ResultsModel::checkEntry(int column, const QString &text)
{
    Entry entry;
    entry.kept = cleanEntry(column, text, &entry.refused);
    if (entry.kept.trimmed().isEmpty()) {
        entry.accepted = text.trimmed().isEmpty();
        entry.kept.clear();
    }
    return entry;
}

QString ResultsModel::vo2MaxText(int distance, const QLocale &locale)
{
    const long double vo2 = (long double)distance * 0.013L + 2.5951L;
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    const QString text = plain.toString(double(vo2), 'f', 3);
    // Digits the results file cannot hold (Arabic, Persian) give way to ASCII and a comma.
    QByteArray writable;
    if (encodeWindows1252(text, &writable))
        return text;
    return QString::number(double(vo2), 'f', 3).replace(QLatin1Char('.'), QLatin1Char(','));
}
