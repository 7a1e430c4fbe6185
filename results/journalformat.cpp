#include "journalformat.h"

#include "resultsmodel.h"

#include <array>

namespace {

const QByteArray Magic = QByteArrayLiteral("ZENTA-JOURNAL");
const QByteArray CellsKind = QByteArrayLiteral("cells");
const QByteArray ExportedKind = QByteArrayLiteral("exported");
const QByteArray ConditionsKind = QByteArrayLiteral("conditions");
const QString DateTimeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

QByteArray escaped(const QString &text)
{
    QByteArray out;
    const QByteArray utf8 = text.toUtf8();
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

bool unescaped(const QByteArray &field, QString *text)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= field.size())
            return false;
        switch (field.at(i)) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return false;
        }
    }
    *text = QString::fromUtf8(out);
    return true;
}

QByteArray line(const QList<QByteArray> &fields)
{
    const QByteArray body = fields.join('\t');
    return QByteArray::number(JournalFormat::crc32(body), 16).rightJustified(8, '0') + '\t' + body +
           '\n';
}

bool toInt(const QByteArray &field, int *value)
{
    bool ok = false;
    *value = field.toInt(&ok);
    return ok && field == QByteArray::number(*value);
}

} // namespace

namespace JournalFormat {

quint32 crc32(const QByteArray &bytes)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes)
        crc = table[(crc ^ quint8(c)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

QByteArray headerLine(int slotCount, int columns)
{
    return line({Magic, QByteArray::number(Version), QByteArray::number(slotCount),
                 QByteArray::number(columns)});
}

QByteArray cellsLine(int firstSlot, int firstColumn, int lastSlot, int lastColumn,
                     const QStringList &texts)
{
    QList<QByteArray> fields{CellsKind, QByteArray::number(firstSlot),
                             QByteArray::number(firstColumn), QByteArray::number(lastSlot),
                             QByteArray::number(lastColumn)};
    for (const QString &text : texts)
        fields.append(escaped(text));
    return line(fields);
}

QByteArray conditionsLine(const TestConditions &test)
{
    QList<QByteArray> fields{ConditionsKind, QByteArray::number(test.initialPeriod),
                             escaped(test.initialSpeed)};
    if (!test.mode.isEmpty() || test.started.isValid())
        fields << escaped(test.mode) << test.started.toString(DateTimeFormat).toLatin1();
    return line(fields);
}

QByteArray exportedLine()
{
    return line({ExportedKind});
}

bool anyText(const QVector<QStringList> &rows)
{
    for (const QStringList &row : rows) {
        for (const QString &text : row) {
            if (!text.isEmpty())
                return true;
        }
    }
    return false;
}

QByteArray snapshotLines(const QVector<QStringList> &rows, int columns)
{
    if (!anyText(rows))
        return {};
    QStringList texts;
    for (const QStringList &row : rows) {
        for (int column = 0; column < columns; ++column)
            texts.append(row.value(column));
    }
    return cellsLine(1, 0, int(rows.size()), columns - 1, texts);
}

} // namespace JournalFormat

bool JournalReading::unexported() const
{
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows.at(r).size(); ++c) {
            const QString &text = rows.at(r).at(c);
            if (!text.isEmpty() && text != exportedRows.at(r).at(c))
                return true;
        }
    }
    return false;
}

int JournalReading::namedSlots() const
{
    int count = 0;
    for (const QStringList &row : rows)
        count += row.value(ResultsModel::Name).isEmpty() ? 0 : 1;
    return count;
}

int JournalReading::slotsWithResults() const
{
    int count = 0;
    for (const QStringList &row : rows)
        count += row.value(ResultsModel::Periods).isEmpty() ? 0 : 1;
    return count;
}

JournalReading JournalReading::read(const QByteArray &bytes, int slotCount, int columns)
{
    JournalReading reading;
    reading.rows.fill(QStringList(QVector<QString>(columns)), slotCount);
    reading.exportedRows = reading.rows;

    QList<QByteArray> lines = bytes.split('\n');
    // What follows the last line end is a write cut short, unless there is nothing.
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    else if (!lines.isEmpty())
        reading.tornEnd = true;

    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QByteArray &text = lines.at(n);
        const bool last = n == lines.size() - 1;
        const QList<QByteArray> fields = text.split('\t');
        bool ok = !(last && reading.tornEnd) && fields.size() >= 2 && fields.at(0).size() == 8;
        if (ok) {
            const quint32 stated = fields.at(0).toUInt(&ok, 16);
            ok = ok && stated == JournalFormat::crc32(text.mid(9));
        }
        if (!ok) {
            ++reading.damagedLines;
            continue;
        }

        const QByteArray &kind = fields.at(1);
        if (kind == Magic && n > 0) {
            ++reading.damagedLines;
        } else if (kind == Magic) {
            int version = 0, fileSlots = 0, fileColumns = 0;
            const bool mine = fields.size() == 5 && toInt(fields.at(2), &version) &&
                              version == JournalFormat::Version &&
                              toInt(fields.at(3), &fileSlots) && fileSlots == slotCount &&
                              toInt(fields.at(4), &fileColumns) && fileColumns == columns;
            if (!mine) {
                // Whole, but written for another grid or by another version: nothing in it
                // can be placed in this one.
                reading.foreign = true;
                reading.rows.fill(QStringList(QVector<QString>(columns)), slotCount);
                reading.exportedRows = reading.rows;
                reading.records = 0;
                return reading;
            }
            reading.header = true;
            ++reading.records;
        } else if (kind == ConditionsKind && (fields.size() == 4 || fields.size() == 6)) {
            TestConditions test;
            const QString started = QString::fromLatin1(fields.value(5));
            test.started = QDateTime::fromString(started, DateTimeFormat);
            if (!toInt(fields.at(2), &test.initialPeriod) || test.initialPeriod < 1 ||
                !unescaped(fields.at(3), &test.initialSpeed) ||
                !unescaped(fields.value(4), &test.mode) ||
                test.started.isValid() == started.isEmpty()) { // a start that does not read

                ++reading.damagedLines;
                continue;
            }
            reading.test = test;
            ++reading.records;
        } else if (kind == ExportedKind && fields.size() == 2) {
            reading.exportedRows = reading.rows;
            ++reading.records;
        } else if (kind == CellsKind && fields.size() >= 6) {
            int firstSlot = 0, firstColumn = 0, lastSlot = 0, lastColumn = 0;
            ok = toInt(fields.at(2), &firstSlot) && toInt(fields.at(3), &firstColumn) &&
                 toInt(fields.at(4), &lastSlot) && toInt(fields.at(5), &lastColumn) &&
                 firstSlot >= 1 && firstSlot <= lastSlot && lastSlot <= slotCount &&
                 firstColumn >= 0 && firstColumn <= lastColumn && lastColumn < columns &&
                 fields.size() - 6 ==
                     qsizetype(lastSlot - firstSlot + 1) * (lastColumn - firstColumn + 1);
            QStringList texts;
            for (qsizetype f = 6; ok && f < fields.size(); ++f) {
                QString cell;
                ok = unescaped(fields.at(f), &cell);
                texts.append(cell);
            }
            if (!ok) {
                ++reading.damagedLines;
                continue;
            }
            int t = 0;
            for (int slot = firstSlot; slot <= lastSlot; ++slot) {
                for (int column = firstColumn; column <= lastColumn; ++column)
                    reading.rows[slot - 1][column] = texts.at(t++);
            }
            ++reading.records;
        } else {
            ++reading.damagedLines;
        }
    }
    return reading;
}
