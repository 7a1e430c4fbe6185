#include "introtexts.h"

#include "course.h"

#include <QFile>

namespace IntroTexts {

namespace {

QString productName(SportVariant variant)
{
    switch (variant) {
    case SportVariant::Basket:
        return QStringLiteral("ZENTA-Basket");
    case SportVariant::FutSal:
        return QStringLiteral("ZENTA-FutSal");
    case SportVariant::Voley:
        return QStringLiteral("ZENTA-Voley");
    case SportVariant::Probst:
    case SportVariant::Futbol:
        break;
    }
    return QString::fromUtf8("ZENTA-Fútbol");
}

} // namespace

QString title(SportVariant variant)
{
    return sportProfile(variant).programTitle;
}

QString subtitle(SportVariant variant)
{
    switch (variant) {
    case SportVariant::Basket:
        return QStringLiteral("Orvelan en Baloncesto");
    case SportVariant::FutSal:
        return QString::fromUtf8("Orvelan en Fútbol Sala");
    case SportVariant::Voley:
        return QStringLiteral("Orvelan en Voleibol");
    case SportVariant::Probst:
    case SportVariant::Futbol:
        break;
    }
    return QString::fromUtf8("Orvelan en Fútbol");
}

QString notice(SportVariant variant)
{
    if (variant == SportVariant::Probst)
        return QString();
    return QString::fromUtf8("© Orvelan. ") + productName(variant) +
           QString::fromUtf8(" está protegido por las leyes de propiedad intelectual. "
                             "Prohibida su copia o distribución sin autorización.");
}

QString makerHomePage()
{
    return QStringLiteral("https://www.example.com/");
}

QString sportPage(SportVariant variant)
{
    if (variant == SportVariant::Probst)
        return QString();
    return makerHomePage() + QStringLiteral("zenta/") + courseResourceStem(variant);
}

QString creditsResource(SportVariant variant)
{
    return QStringLiteral(":/text/credits_") + courseResourceStem(variant) + QStringLiteral(".txt");
}

QStringList credits(SportVariant variant)
{
    QFile file(creditsResource(variant));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    // Blank lines only separate groups; none belongs at the end.
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace IntroTexts
