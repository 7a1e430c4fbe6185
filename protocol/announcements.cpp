#include "announcements.h"

#include <algorithm>

namespace Protocol {
namespace Announcements {

namespace {

QString below100(int n)
{
    static const char *const units[] = {
        "cero",         "uno",         "dos",        "tres",        "cuatro",     "cinco",
        "seis",         "siete",       "ocho",       "nueve",       "diez",       "once",
        "doce",         "trece",       "catorce",    "quince",      "dieciséis",  "diecisiete",
        "dieciocho",    "diecinueve",  "veinte",     "veintiuno",   "veintidós",  "veintitrés",
        "veinticuatro", "veinticinco", "veintiséis", "veintisiete", "veintiocho", "veintinueve"};
    static const char *const tens[] = {"treinta", "cuarenta", "cincuenta", "sesenta",
                                       "setenta", "ochenta",  "noventa"};
    if (n < 30)
        return QString::fromUtf8(units[n]);
    const QString ten = QString::fromUtf8(tens[n / 10 - 3]);
    return n % 10 == 0 ? ten : ten + QStringLiteral(" y ") + QString::fromUtf8(units[n % 10]);
}

qint64 lengthOf(const PlannedSound &s, const PhraseLength &length, qint64 cueMs, qint64 alertMs)
{
    if (s.spoken())
        return qMax<qint64>(0, length(s.phrase));
    return s.alert ? alertMs : cueMs;
}

} // namespace

QString numberWords(int number, bool capital)
{
    QString words;
    if (number < 0 || number >= 1000) {
        words = QString::number(number);
    } else if (number < 100) {
        words = below100(number);
    } else {
        static const char *const hundreds[] = {"ciento",        "doscientos",  "trescientos",
                                               "cuatrocientos", "quinientos",  "seiscientos",
                                               "setecientos",   "ochocientos", "novecientos"};
        words =
            number == 100 ? QStringLiteral("cien") : QString::fromUtf8(hundreds[number / 100 - 1]);
        if (number % 100 != 0)
            words += QLatin1Char(' ') + below100(number % 100);
    }
    if (capital && !words.isEmpty())
        words[0] = words[0].toUpper();
    return words;
}

QString speedWords(const QString &speedText)
{
    const QStringList parts = speedText.trimmed().split(QLatin1Char(','));
    QString words = numberWords(parts.value(0).toInt());
    // "6,0" is said "seis".
    if (parts.size() > 1 && parts.at(1).toInt() != 0) {
        const QString decimals = parts.at(1);
        words += QStringLiteral(" coma ");
        // "4,05" is said "cuatro coma cero cinco".
        for (int i = 0; i < decimals.size() - 1 && decimals.at(i) == QLatin1Char('0'); ++i)
            words += QStringLiteral("cero ");
        words += numberWords(decimals.toInt());
    }
    return words + QStringLiteral(" kilómetros por hora");
}

Phrase phraseFor(const SpeechGap &gap, SportVariant variant)
{
    switch (gap.kind) {
    case SpeechGap::Kind::WarmUp:
        return {QStringLiteral("Calentamiento"), {}};
    case SpeechGap::Kind::Repetition:
        return {QStringLiteral("Repetición ") + numberWords(gap.number), {}};
    case SpeechGap::Kind::Pause:
        break;
    }
    if (gap.tableEnds)
        return {QStringLiteral("Fin de la prueba"), {}};
    const QString period = QStringLiteral("Periodo ") + numberWords(gap.number);
    const QString speed = periodSpeedText(variant, gap.number);
    if (speed.isEmpty())
        return {period, {}};
    QString said = speedWords(speed);
    said[0] = said[0].toUpper();
    return {period + QStringLiteral(". ") + said + QLatin1Char('.'), period};
}

SoundPlan plan(const QVector<SpeechGap> &gaps, SportVariant variant, const PhraseLength &length,
               qint64 cueMs, qint64 fromMs)
{
    SoundPlan phrases;
    for (const SpeechGap &gap : gaps) {
        if (gap.nextCueMs < 0)
            continue;
        const qint64 start = gap.cueMs + cueMs + AfterSoundMs;
        qint64 limit = gap.nextCueMs - BeforeCueMs;
        if (gap.alertMs >= 0 && gap.alertMs > start)
            limit = qMin(limit, gap.alertMs - AfterSoundMs);
        if (start < fromMs)
            continue;
        const Phrase phrase = phraseFor(gap, variant);
        // A phrase not ready yet waits: its shortened form must not take its place for good.
        const qint64 full = length(phrase.full);
        if (full < 0)
            continue;
        QString said;
        if (start + full <= limit) {
            said = phrase.full;
        } else if (!phrase.shortened.isEmpty()) {
            const qint64 shortened = length(phrase.shortened);
            if (shortened >= 0 && start + shortened <= limit)
                said = phrase.shortened;
        }
        if (!said.isEmpty())
            phrases.append({start, said, false});
    }
    return phrases;
}

QString stopConfirmation(int slot, bool back)
{
    return numberWords(slot, true) +
           (back ? QStringLiteral(", vuelve") : QStringLiteral(", fuera"));
}

qint64 firstFit(const SoundPlan &sounds, qint64 lengthMs, qint64 fromMs, const PhraseLength &length,
                qint64 cueMs, qint64 alertMs)
{
    QVector<qint64> starts{fromMs};
    for (const PlannedSound &s : sounds)
        starts.append(s.dueMs + lengthOf(s, length, cueMs, alertMs) + AfterSoundMs);
    std::sort(starts.begin(), starts.end());
    for (const qint64 start : std::as_const(starts)) {
        if (start < fromMs)
            continue;
        const qint64 end = start + lengthMs;
        bool clear = true;
        bool cueAfter = false;
        for (const PlannedSound &s : sounds) {
            const qint64 soundEnd = s.dueMs + lengthOf(s, length, cueMs, alertMs) + AfterSoundMs;
            const bool isCue = !s.alert && !s.spoken();
            const qint64 keepClear = isCue ? BeforeCueMs : AfterSoundMs;
            if (s.dueMs < end + keepClear && soundEnd > start)
                clear = false;
            if (isCue && s.dueMs >= end)
                cueAfter = true;
        }
        if (clear && cueAfter)
            return start;
    }
    return -1;
}

} // namespace Announcements
} // namespace Protocol
