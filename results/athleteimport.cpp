#include "athleteimport.h"

#include "cp1252.h"
#include "resultsmodel.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace {

enum Field { NameField, CodeField, SexField, YearField, FieldCount };

// A spreadsheet list of a squad is a few kilobytes; anything far larger is not one.
constexpr qint64 maxFileSize = 1 << 20;

bool decode(const QByteArray &bytes, QString *text, QString *error)
{
    const bool hasControl = std::any_of(bytes.begin(), bytes.end(), [](char c) {
        return (uchar(c) < 0x20 && c != '\r' && c != '\n' && c != '\t') || c == 0x7F;
    });
    if (hasControl) {
        *error = QStringLiteral("El archivo no es texto.");
        return false;
    }
    const bool hasMark = bytes.startsWith("\xEF\xBB\xBF");
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    *text = utf8(hasMark ? bytes.mid(3) : bytes);
    // Windows-1252 text with accents is never valid UTF-8 in practice, so UTF-8 goes first.
    if (!utf8.hasError() || (!hasMark && decodeWindows1252(bytes, text)))
        return true;
    *error = QStringLiteral("El archivo no está en UTF-8 ni en Windows-1252.");
    return false;
}

// The separator that splits the first line most: semicolon, tab or comma.
QChar separatorOf(const QString &line)
{
    QChar best = QLatin1Char(';');
    qsizetype most = 0;
    for (const QChar c : {QLatin1Char(';'), QLatin1Char('\t'), QLatin1Char(',')}) {
        if (line.count(c) > most) {
            most = line.count(c);
            best = c;
        }
    }
    return best;
}

// Splits a line on the separator, quotes as spreadsheets write them ("a ""b""", "x;y").
bool splitLine(const QString &line, QChar separator, QStringList *fields)
{
    fields->clear();
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted && c == QLatin1Char('"') && i + 1 < line.size() &&
            line.at(i + 1) == QLatin1Char('"')) {
            field.append(c);
            ++i;
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (c == separator && !quoted) {
            fields->append(field.trimmed());
            field.clear();
        } else {
            field.append(c);
        }
    }
    fields->append(field.trimmed());
    return !quoted;
}

int headerField(const QString &title)
{
    const QString t = AthleteStore::fold(title);
    const auto starts = [&](std::initializer_list<const char *> words) {
        return std::any_of(words.begin(), words.end(),
                           [&](const char *w) { return t.startsWith(QLatin1String(w)); });
    };
    if (starts({"nombre", "name", "deportista", "jugador", "atleta", "apellido"}))
        return NameField;
    if (starts({"cod", "code", "id"}))
        return CodeField;
    if (starts({"sexo", "sex", "genero", "gender"}))
        return SexField;
    if (starts({"ano", "year", "nacimiento", "birth", "fecha"}))
        return YearField;
    return -1;
}

QString sexOf(const QString &text)
{
    const QString t = AthleteStore::fold(text);
    if (t == QLatin1String("m") || t == QLatin1String("h") || t == QLatin1String("v") ||
        t == QLatin1String("masculino") || t == QLatin1String("hombre") ||
        t == QLatin1String("varon"))
        return QStringLiteral("M");
    if (t == QLatin1String("f") || t == QLatin1String("mujer") || t == QLatin1String("femenino"))
        return QStringLiteral("F");
    return {};
}

bool isYear(const QString &text)
{
    bool number = false;
    const int year = text.toInt(&number);
    return number && text.size() == 4 && year >= 1900 && year <= QDate::currentDate().year();
}

// Without a header: sex and year by their values, then the name is the first other column
// unless it is all short codes with a digit ("A03") and the next one is not.
std::array<int, FieldCount> guessColumns(const QList<QStringList> &rows, int columns)
{
    std::array<int, FieldCount> at{-1, -1, -1, -1};
    const auto all = [&](int column, auto test) {
        bool any = false;
        for (const QStringList &row : rows) {
            const QString value = row.value(column);
            if (!value.isEmpty() && !test(value))
                return false;
            any = any || !value.isEmpty();
        }
        return any;
    };
    const auto codeLike = [](const QString &v) {
        return v.size() <= ResultsModel::maxLength(ResultsModel::Code) &&
               !v.contains(QLatin1Char(' ')) &&
               std::any_of(v.begin(), v.end(), [](QChar c) { return c.isDigit(); });
    };
    QList<int> others;
    for (int c = 0; c < columns; ++c) {
        if (at[SexField] < 0 && all(c, [](const QString &v) { return !sexOf(v).isEmpty(); }))
            at[SexField] = c;
        else if (at[YearField] < 0 && all(c, isYear))
            at[YearField] = c;
        else
            others.append(c);
    }
    const bool swap = others.size() >= 2 && all(others[0], codeLike) && !all(others[1], codeLike);
    at[NameField] = others.value(swap ? 1 : 0, -1);
    at[CodeField] = others.value(swap ? 0 : 1, -1);
    return at;
}

QString why(const QStringList &row, const std::array<int, FieldCount> &at, Athlete *athlete)
{
    const auto value = [&](Field f) { return at[f] < 0 ? QString() : row.value(at[f]); };
    athlete->name = value(NameField);
    athlete->code = value(CodeField);
    for (const QString &text : {athlete->name, athlete->code}) {
        for (const QChar c : text) {
            if (!isWindows1252Printable(c) || c == QLatin1Char(';'))
                return QStringLiteral("carácter no admitido «%1»").arg(c);
        }
    }
    if (athlete->name.isEmpty())
        return QStringLiteral("falta el nombre");
    if (athlete->name.size() > ResultsModel::maxLength(ResultsModel::Name))
        return QStringLiteral("el nombre pasa de %1 caracteres")
            .arg(ResultsModel::maxLength(ResultsModel::Name));
    if (athlete->code.size() > ResultsModel::maxLength(ResultsModel::Code))
        return QStringLiteral("el código pasa de %1 caracteres")
            .arg(ResultsModel::maxLength(ResultsModel::Code));
    athlete->sex = sexOf(value(SexField));
    if (athlete->sex.isEmpty() && !value(SexField).isEmpty())
        return QStringLiteral("sexo no reconocido «%1»").arg(value(SexField));
    if (!value(YearField).isEmpty() && !isYear(value(YearField)))
        return QStringLiteral("año de nacimiento no válido «%1»").arg(value(YearField));
    athlete->birthYear = value(YearField).toInt();
    return {};
}

} // namespace

AthleteImport AthleteImport::read(const QByteArray &bytes)
{
    AthleteImport result;
    QString text;
    if (!decode(bytes, &text, &result.error))
        return result;
    const QStringList lines = text.split(QLatin1Char('\n'));
    QList<QStringList> rows;
    QList<int> lineOf;
    QChar separator;
    int columns = 0;
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        if (separator.isNull())
            separator = separatorOf(line);
        QStringList fields;
        if (!splitLine(line, separator, &fields)) {
            result.refused.append({i + 1, QStringLiteral("comillas sin cerrar")});
            continue;
        }
        if (std::all_of(fields.begin(), fields.end(), [](const QString &f) { return f.isEmpty(); }))
            continue;
        rows.append(fields);
        lineOf.append(i + 1);
        columns = std::max(columns, int(fields.size()));
    }
    if (rows.isEmpty()) {
        if (result.refused.isEmpty())
            result.error = QStringLiteral("El archivo no tiene ningún deportista.");
        return result;
    }
    std::array<int, FieldCount> at{-1, -1, -1, -1};
    bool header = false;
    for (int c = 0; c < rows.first().size(); ++c) {
        const int field = headerField(rows.first().at(c));
        if (field >= 0 && at[field] < 0) {
            at[field] = c;
            header = header || field == NameField || field == CodeField;
        }
    }
    if (header) {
        if (at[NameField] < 0) {
            result.error = QStringLiteral("La fila de títulos no tiene una columna de nombre.");
            return result;
        }
        rows.removeFirst();
        lineOf.removeFirst();
    } else {
        at = guessColumns(rows, columns);
    }
    QHash<QString, int> codeLines;
    for (int r = 0; r < rows.size(); ++r) {
        Athlete athlete;
        QString reason = why(rows.at(r), at, &athlete);
        const QString key = athlete.code.toCaseFolded();
        if (reason.isEmpty() && !key.isEmpty() && codeLines.contains(key))
            reason = QStringLiteral("el código %1 ya está en la línea %2")
                         .arg(athlete.code)
                         .arg(codeLines.value(key));
        if (!reason.isEmpty()) {
            result.refused.append({lineOf.at(r), reason});
            continue;
        }
        if (!key.isEmpty())
            codeLines.insert(key, lineOf.at(r));
        result.athletes.append(athlete);
    }
    std::sort(result.refused.begin(), result.refused.end(),
              [](const Refused &a, const Refused &b) { return a.line < b.line; });
    return result;
}

AthleteImport AthleteImport::readFile(const QString &path)
{
    AthleteImport result;
    const QFileInfo info(path);
    // Only a regular file is opened: a pipe would keep the window waiting for a writer.
    if (!info.isFile()) {
        result.error = QStringLiteral("No es un archivo.");
        return result;
    }
    if (info.size() > maxFileSize) {
        result.error = QStringLiteral("El archivo es demasiado grande para una lista de "
                                      "deportistas.");
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    return read(file.readAll());
}
