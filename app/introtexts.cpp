#include "introtexts.h"

#include "course.h"

#include <QFile>

using namespace Protocol;

namespace IntroTexts {

QString version()
{
    return QStringLiteral(ZENTA_VERSION);
}

QString title(SportVariant variant)
{
    return sportProfile(variant).programTitle;
}

QString subtitle(SportVariant variant)
{
    return sportProfile(variant).introSubtitle;
}

QString notice(SportVariant variant)
{
    const SportProfile &profile = sportProfile(variant);
    if (!profile.hasOwnPages)
        return QString();
    return QString::fromUtf8("© Orvelan. ") + profile.productName +
           QString::fromUtf8(" está protegido por las leyes de propiedad intelectual. "
                             "Prohibida su copia o distribución sin autorización.");
}

QString makerHomePage()
{
    return QStringLiteral("https://www.example.com/");
}

QString sportPage(SportVariant variant)
{
    if (!sportProfile(variant).hasOwnPages)
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
