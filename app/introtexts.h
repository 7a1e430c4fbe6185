#pragma once

#include "sportprofile.h"

#include <QString>
#include <QStringList>

// The texts, addresses and credits the intro window shows, by sport. The title is the sport
// profile's own title; everything else that only the intro window shows lives here.
namespace IntroTexts {

// The build's version, the one --version and the package give.
QString version();
inline QString edition()
{
    return QStringLiteral("2015");
}
inline QString language()
{
    return QString::fromUtf8("Español");
}

QString title(Protocol::SportVariant variant);
QString subtitle(Protocol::SportVariant variant);
// The legal notice; empty for the Probst edition.
QString notice(Protocol::SportVariant variant);

QString makerHomePage();
// The sport's page on the maker's site; empty for Probst, which has none of its own.
QString sportPage(Protocol::SportVariant variant);

// The credits list of a sport as shown, one entry a line; groups are separated by an empty line.
QString creditsResource(Protocol::SportVariant variant);
QStringList credits(Protocol::SportVariant variant);

} // namespace IntroTexts
