#include "historyseason.h"

#include <QHash>
#include <QSet>

namespace HistorySeason {

namespace {

QString folded(const QString &text)
{
    return text.trimmed().toCaseFolded();
}

// What makes two records the same test of the same athlete; the export's time is not part of it.
QString sameTestKey(const HistoryResult &r)
{
    const QChar sep(0x1F);
    return r.athlete + sep + r.when.date().toString(Qt::ISODate) + sep +
           QString::number(int(r.variant)) + sep + QString::number(r.initialPeriod) + sep + r.time +
           sep + QString::number(r.periods) + sep + QString::number(r.distance) + sep + r.speed +
           sep + r.vo2Max;
}

} // namespace

void settle(History *history)
{
    QList<HistoryResult> &results = history->results;
    // Names without a code that two rows of one file share.
    QHash<QString, int> uses;
    const QChar sep(0x1F);
    for (const HistoryResult &r : std::as_const(results)) {
        if (r.code.trimmed().isEmpty())
            ++uses[r.file + sep + folded(r.name)];
    }
    // Each athlete's key, and the latest spelling it goes by (results run oldest first).
    QList<QString> keys;
    QHash<QString, QString> spelling;
    QList<HistoryResult> kept;
    for (HistoryResult &r : results) {
        const QString code = r.code.trimmed();
        const QString name = r.name.trimmed();
        QString key;
        if (!code.isEmpty()) {
            key = QLatin1Char('c') + folded(code);
            spelling[key] = code;
        } else if (name.isEmpty()) {
            continue; // a result whose name and code were erased belongs to nobody
        } else if (uses.value(r.file + sep + folded(name)) > 1) {
            r.sameNameNoCode = true;
            key = QLatin1Char('d') + folded(name) + sep + QString::number(r.slot);
            spelling[key] = name + QStringLiteral(" · Nº ") + QString::number(r.slot);
        } else {
            key = QLatin1Char('n') + folded(name);
            spelling[key] = name;
        }
        keys << key;
        kept << r;
    }
    // One name per athlete; a code and a name spelled alike still name two athletes.
    QHash<QString, QString> idOf;
    QSet<QString> taken;
    for (const QString &key : std::as_const(keys)) {
        if (idOf.contains(key))
            continue;
        QString id = spelling.value(key);
        while (taken.contains(id))
            id += QLatin1Char('\'');
        taken.insert(id);
        idOf.insert(key, id);
    }
    results.clear();
    QHash<QString, qsizetype> firstOf;
    for (qsizetype i = 0; i < kept.size(); ++i) {
        HistoryResult &r = kept[i];
        r.athlete = idOf.value(keys.at(i));
        const QString same = sameTestKey(r);
        const auto found = firstOf.constFind(same);
        if (found != firstOf.constEnd() && results.at(*found).file != r.file) {
            results[*found].sameTestIn << r.file;
            continue;
        }
        firstOf.insert(same, results.size());
        results << r;
    }
}

bool value(const HistoryResult &result, Measure measure, double *out)
{
    switch (measure) {
    case Measure::Distance:
        *out = result.distance;
        return true;
    case Measure::LastPeriod:
        if (result.periods < 1)
            return false;
        *out = result.initialPeriod + result.periods - 1;
        return true;
    case Measure::Speed: {
        bool ok = false;
        const double speed =
            QString(result.speed).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (ok)
            *out = speed;
        return ok;
    }
    case Measure::Vo2Max:
        if (!result.hasVo2Max())
            return false;
        *out = result.vo2MaxValue;
        return true;
    }
    return false;
}

} // namespace HistorySeason
