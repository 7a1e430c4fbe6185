#include "historyfile.h"

#include "cp1252.h"
#include "historyseason.h"
#include "resultsmodel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>

using namespace Protocol;

namespace {

const SportProfile *profileOfTitle(const QString &title)
{
    for (const SportVariant v : {SportVariant::Probst, SportVariant::Futbol, SportVariant::Basket,
                                 SportVariant::FutSal, SportVariant::Voley}) {
        const SportProfile &p = sportProfile(v);
        if (p.programTitle == title)
            return &p;
    }
    return nullptr;
}

// ASCII digits, as the export writes them: "-7", " 1" or another script's digits are not.
bool isDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

// Digits, at most maxDigits of them (so the number cannot overflow), of a value up to max.
bool parseCount(QStringView text, int maxDigits, int max, int *value)
{
    if (!isDigits(text) || text.size() > maxDigits)
        return false;
    *value = text.toInt();
    return *value <= max;
}

// "dd?mm?yyyy" and "hh?mm" with whatever separator the writing machine used.
bool parseDateTime(QStringView date, QStringView time, QDateTime *when)
{
    if (date.size() != 10 || date.at(2).isDigit() || date.at(2) != date.at(5) || time.size() != 5 ||
        time.at(2).isDigit())
        return false;
    const QStringView day = date.mid(0, 2), month = date.mid(3, 2), year = date.mid(6, 4);
    const QStringView hour = time.mid(0, 2), minute = time.mid(3, 2);
    if (!isDigits(day) || !isDigits(month) || !isDigits(year) || !isDigits(hour) ||
        !isDigits(minute))
        return false;
    const QDate d(year.toInt(), month.toInt(), day.toInt());
    const QTime t(hour.toInt(), minute.toInt());
    if (!d.isValid() || !t.isValid())
        return false;
    *when = QDateTime(d, t);
    return true;
}

// Digits, the decimal separator and exactly the decimals given: "12,6", "18.195". The speeds
// come from the tables with a comma; VO2max in the regional form, whose separator may be a point.
bool isDecimalText(QStringView text, int decimals)
{
    const qsizetype point = text.size() - decimals - 1;
    return point > 0 &&
           (text.at(point) == QLatin1Char(',') || text.at(point) == QLatin1Char('.')) &&
           isDigits(text.left(point)) && isDigits(text.mid(point + 1));
}

// A speed some period table paces, in the tables' own form.
bool isTableSpeed(const QString &text)
{
    for (int period = 1; period <= speedTableSize(); ++period) {
        for (const SportVariant v : {SportVariant::Futbol, SportVariant::Basket}) {
            if (periodSpeedText(v, period) == text)
                return true;
        }
    }
    return false;
}

// "mm:ss", the minutes two digits or more, the seconds below 60.
bool isChronoText(const QString &text)
{
    const qsizetype colon = text.size() - 3;
    return colon >= 2 && text.at(colon) == QLatin1Char(':') &&
           isDigits(QStringView(text).left(colon)) && isDigits(QStringView(text).mid(colon + 1)) &&
           QStringView(text).mid(colon + 1).toInt() < 60;
}

// Results files are Windows-1252 as the export writes them, or UTF-8 once an editor or a
// spreadsheet has saved them again. A file that decodes in neither is refused, as is one
// holding control characters, which no text file of results has.
bool decodeText(const QByteArray &bytes, QString *text, QString *reason)
{
    const bool hasMark = bytes.startsWith("\xEF\xBB\xBF");
    const bool hasControl = std::any_of(bytes.begin(), bytes.end(), [](char c) {
        return (uchar(c) < 0x20 && c != '\r' && c != '\n' && c != '\t') || c == 0x7F;
    });
    if (hasControl) {
        *reason = QStringLiteral("No es un archivo de resultados: no es texto.");
        return false;
    }
    // Windows-1252 text with accents is never valid UTF-8 in practice, so UTF-8 is tried first.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    *text = utf8(bytes);
    if (!utf8.hasError() || (!hasMark && decodeWindows1252(bytes, text)))
        return true;
    *reason = QStringLiteral("No es un archivo de resultados: codificación desconocida.");
    return false;
}

// Why an entry is not opened at all, or empty. Only a regular file is opened: opening a pipe
// waits for a writer, and the window would wait with it.
QString whyNotRead(const QFileInfo &info)
{
    if (info.isDir())
        return QStringLiteral("Es una carpeta.");
    if (!info.isFile())
        return QStringLiteral(
            "No es un archivo normal (es una tubería, un dispositivo o un conector).");
    if (info.size() > HistoryFile::MaxFileSize)
        return QStringLiteral("No es un archivo de resultados: demasiado grande.");
    return {};
}

QString recordError(int slot, const QString &what)
{
    return QStringLiteral("Archivo dañado: el registro %1 %2.").arg(slot).arg(what);
}

} // namespace

QStringList History::athletes() const
{
    QSet<QString> seen;
    QStringList out;
    for (const HistoryResult &r : results) {
        if (!seen.contains(r.athlete)) {
            seen.insert(r.athlete);
            out << r.athlete;
        }
    }
    std::sort(out.begin(), out.end(),
              [](const QString &a, const QString &b) { return a.localeAwareCompare(b) < 0; });
    return out;
}

QList<HistoryResult> History::resultsOf(const QString &athlete, int initialPeriod) const
{
    QList<HistoryResult> out;
    for (const HistoryResult &r : results) {
        if (r.athlete == athlete && (initialPeriod == 0 || r.initialPeriod == initialPeriod))
            out << r;
    }
    return out;
}

QList<int> History::initialPeriods() const
{
    QList<int> out;
    for (const HistoryResult &r : results) {
        if (!out.contains(r.initialPeriod))
            out << r.initialPeriod;
    }
    std::sort(out.begin(), out.end());
    return out;
}

QString HistoryResult::label() const
{
    const QString c = code.trimmed(), n = name.trimmed();
    if (sameNameNoCode)
        return n + QStringLiteral(" (Nº %1, mismo nombre, sin código)").arg(slot);
    if (c.isEmpty() || n.isEmpty())
        return c + n;
    return c + QStringLiteral(" · ") + n;
}

namespace HistoryFile {

bool parse(const QByteArray &bytes, const QString &file, QList<HistoryResult> *results,
           QString *reason)
{
    const auto refuse = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (bytes.isEmpty())
        return refuse(QStringLiteral("Archivo vacío."));
    if (bytes.size() > MaxFileSize)
        return refuse(QStringLiteral("No es un archivo de resultados: demasiado grande."));
    QString text, why;
    if (!decodeText(bytes, &text, &why))
        return refuse(why);

    QStringList lines = text.split(QLatin1Char('\n'));
    // Every line ends in CR LF, the last one too; an editor may have kept bare LF.
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }

    const SportProfile *profile = profileOfTitle(lines.first());
    if (!profile)
        return refuse(QStringLiteral("No es un archivo de resultados de ZENTA."));
    const QString conditionTitles = QStringLiteral(";Fecha;Hora;Periodo Inicial;Velocidad "
                                                   "Inicial (Km/h);");
    const QString columnTitles = QLatin1Char(';') +
                                 ResultsModel::columnTitles().mid(0, 7).join(QLatin1Char(';')) +
                                 QLatin1Char(';');
    if (lines.size() < 4 || lines.at(1) != conditionTitles || lines.at(3) != columnTitles)
        return refuse(QStringLiteral("Archivo dañado: faltan las cabeceras o están alteradas."));

    const QStringList conditions = lines.at(2).split(QLatin1Char(';'));
    QDateTime when;
    if (conditions.size() != 6 || !conditions.first().isEmpty() || !conditions.last().isEmpty() ||
        !parseDateTime(conditions.at(1), conditions.at(2), &when))
        return refuse(QStringLiteral("Archivo dañado: la fecha o la hora no se pueden leer."));
    const int periodsInTable = speedTableSize();
    if (!isDigits(conditions.at(3)))
        return refuse(QStringLiteral("Archivo dañado: el periodo inicial no es un número."));
    int initialPeriod = 0;
    if (!parseCount(conditions.at(3), 2, periodsInTable, &initialPeriod) || initialPeriod < 1)
        return refuse(QStringLiteral("Archivo dañado: el periodo inicial está fuera de la tabla."));
    if (!isDecimalText(conditions.at(4), 1))
        return refuse(QStringLiteral("Archivo dañado: la velocidad inicial no es un número."));
    if (!isTableSpeed(conditions.at(4)))
        return refuse(
            QStringLiteral("Archivo dañado: la velocidad inicial está fuera de la tabla."));

    const int slotCount = profile->stationsPerLap;
    const int columns = profile->gridColumnCount();
    if (lines.size() < 4 + slotCount)
        return refuse(QStringLiteral("Archivo incompleto: faltan registros."));
    if (lines.size() > 4 + slotCount)
        return refuse(QStringLiteral("Archivo dañado: hay líneas tras el último registro."));

    QList<HistoryResult> found;
    for (int slot = 1; slot <= slotCount; ++slot) {
        QStringList fields = lines.at(3 + slot).split(QLatin1Char(';'));
        // ";" f0 ";" ... f(C-1) ";": an empty field before the first separator and after the last.
        if (fields.size() < columns + 2 || !fields.first().isEmpty() || !fields.last().isEmpty())
            return refuse(recordError(slot, QStringLiteral("no tiene todos sus campos")));
        fields.removeFirst();
        fields.removeLast();
        // A code may hold the separator (the grid lets it in): what lies between the name and
        // the results is the code.
        const int extra = int(fields.size()) - columns;
        if (extra > 0) {
            fields[ResultsModel::Code] =
                fields.mid(ResultsModel::Code, extra + 1).join(QLatin1Char(';'));
            fields.remove(ResultsModel::Code + 1, extra);
        }
        const QString &number = fields.at(ResultsModel::Number);
        if (!number.isEmpty() && number != QString::number(slot))
            return refuse(recordError(slot, QStringLiteral("lleva otro número")));

        HistoryResult r;
        r.name = fields.at(ResultsModel::Name);
        r.code = fields.at(ResultsModel::Code);
        r.time = fields.at(ResultsModel::Time);
        const QString periods = fields.at(ResultsModel::Periods);
        const QString distance = fields.at(ResultsModel::Distance);
        r.speed = fields.at(ResultsModel::Speed);
        if (profile->hasVo2Max())
            r.vo2Max = fields.at(ResultsModel::Vo2Max);
        // An athlete who did not run (or an empty row) has no result cells at all.
        if (periods.isEmpty() && distance.isEmpty() && r.time.isEmpty() && r.speed.isEmpty() &&
            r.vo2Max.isEmpty())
            continue;

        if (!isDigits(periods))
            return refuse(recordError(slot, QStringLiteral("tiene periodos que no son un número")));
        if (!parseCount(periods, 2, periodsInTable, &r.periods))
            return refuse(recordError(slot, QStringLiteral("tiene periodos fuera de la tabla")));
        if (!isDigits(distance))
            return refuse(
                recordError(slot, QStringLiteral("tiene una distancia que no es un número")));
        // Under a thousand kilometres: more than any test, and a number the chart can draw.
        if (!parseCount(distance, 6, 999999, &r.distance))
            return refuse(recordError(slot, QStringLiteral("tiene una distancia imposible")));
        if (!isChronoText(r.time))
            return refuse(recordError(slot, QStringLiteral("tiene un tiempo ilegible")));
        if (!isDecimalText(r.speed, 1))
            return refuse(
                recordError(slot, QStringLiteral("tiene una velocidad que no es un número")));
        if (!isTableSpeed(r.speed))
            return refuse(
                recordError(slot, QStringLiteral("tiene una velocidad fuera de la tabla")));
        if (profile->hasVo2Max()) {
            if (!isDecimalText(r.vo2Max, 3))
                return refuse(
                    recordError(slot, QStringLiteral("tiene un VO2max que no es un número")));
            // The export derives it from the distance; any other value was altered.
            QString plain = r.vo2Max;
            plain.replace(QLatin1Char(','), QLatin1Char('.'));
            if (plain != ResultsModel::vo2MaxText(r.distance, QLocale::c()))
                return refuse(recordError(
                    slot, QStringLiteral("tiene un VO2max que no corresponde a su distancia")));
            r.vo2MaxValue = plain.toDouble();
        }
        r.athlete = r.code.isEmpty() ? r.name : r.code;
        // A result whose name and code were erased afterwards belongs to nobody.
        if (r.athlete.isEmpty())
            continue;
        r.when = when;
        r.programTitle = profile->programTitle;
        r.sport = profile->sportName;
        r.variant = profile->variant;
        r.slot = slot;
        r.initialPeriod = initialPeriod;
        r.initialSpeed = conditions.at(4);
        r.file = file;
        found << r;
    }
    *results << found;
    return true;
}

History readFolders(const QStringList &folders)
{
    History history;
    QSet<QString> seenFolders;
    QList<QFileInfo> files;
    for (const QString &folder : folders) {
        const QDir dir(folder);
        const QString key = dir.canonicalPath();
        if (key.isEmpty() || seenFolders.contains(key))
            continue;
        seenFolders.insert(key);
        // Everything of the name, so what is not a file can be named with the reason it is left.
        files << dir.entryInfoList({QStringLiteral("*.txt")},
                                   QDir::AllEntries | QDir::System | QDir::Hidden |
                                       QDir::NoDotAndDotDot,
                                   QDir::Name | QDir::IgnoreCase);
    }
    for (const QFileInfo &info : std::as_const(files)) {
        const QString path = info.absoluteFilePath();
        const QString unreadable = whyNotRead(info);
        if (!unreadable.isEmpty()) {
            history.skipped << SkippedFile{path, unreadable};
            continue;
        }
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            history.skipped << SkippedFile{path,
                                           QStringLiteral("No se puede leer: ") + f.errorString()};
            continue;
        }
        // One byte past the limit is enough to refuse a file too large to be a results file.
        const QByteArray bytes = f.read(MaxFileSize + 1);
        QString reason;
        if (parse(bytes, path, &history.results, &reason))
            ++history.filesRead;
        else
            history.skipped << SkippedFile{path, reason};
    }
    std::stable_sort(history.results.begin(), history.results.end(),
                     [](const HistoryResult &a, const HistoryResult &b) {
                         if (a.when != b.when)
                             return a.when < b.when;
                         return a.file < b.file;
                     });
    HistorySeason::settle(&history);
    return history;
}

} // namespace HistoryFile
