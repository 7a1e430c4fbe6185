#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>

namespace Protocol {

// The sport a build runs. The numeric values are stable: they name the profile in the build
// option and in anything stored.
enum class SportVariant : qint32 { Probst = 0, Futbol = 1, Basket = 2, FutSal = 3, Voley = 4 };

constexpr std::array<SportVariant, 5> AllSportVariants = {
    SportVariant::Probst, SportVariant::Futbol, SportVariant::Basket, SportVariant::FutSal,
    SportVariant::Voley};

// Colours are written as 0x00BBGGRR, the way the product's design values are given; this turns
// one into the 0x00RRGGBB order that QColor and QRgb expect.
constexpr quint32 fromBgr(quint32 bgr)
{
    return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

// The four courses, in this order: football (with the Probst table), basketball, futsal,
// volleyball. Per-course controls and resources are listed in this order. Sports are named as
// the design names their panels and pictures (Panel_Futbol, basket1.jpg), in every enum alike.
enum class Course { Futbol = 0, Basket = 1, FutSal = 2, Voley = 3 };

enum class Sex { Masculina = 0, Femenina = 1 };
enum class Category { Cadete = 0, Juvenil = 1, Senior = 2 };

// Everything that differs between the sports. One instance per variant, built in; nothing
// here changes while the program runs.
struct SportProfile
{
    SportVariant variant = SportVariant::Futbol;
    Course course = Course::Futbol;
    QString programTitle;
    QString sportName;
    QString productName;     // the product the help and the legal notice name, "ZENTA-Fútbol"
    QString introSubtitle;   // under the title on the intro card
    bool hasOwnPages = true; // a legal notice and a page on the maker's site
    int stationsPerLap = 14;
    int beepsPerPeriod = 28;
    // Kept in whole centimetres so that distances round exactly; every course is laid out in cm.
    int segmentLengthCm = 915;
    int recoveryMs = 30000;
    int warmUpMs = 180000;
    quint32 themeBackColor = 0;   // RGB
    quint32 themePanelColor = 0;  // RGB
    quint32 themeAccentColor = 0; // RGB
    QString periodTableResource;  // one interval in ms per line, period 1 first
    // Initial period proposed by [sex][category].
    std::array<std::array<int, 3>, 2> startPeriodRule{};
    // Inverse: the category whose inclusive range [first, last] holds a period, by [sex][category].
    // Empty when the sport has none.
    struct Range
    {
        int first = 0;
        int last = 0;
    };
    bool hasCategoryRanges = false;
    std::array<std::array<Range, 3>, 2> categoryRanges{};

    double segmentLength() const { return segmentLengthCm / 100.0; }
    bool hasVo2Max() const { return variant == SportVariant::Basket; }
    int gridColumnCount() const { return hasVo2Max() ? 8 : 7; }

    int startPeriodFor(Sex sex, Category category) const;
    // The category of a period for a sex, or -1 when no range holds it.
    int categoryForPeriod(Sex sex, int period) const;
};

const SportProfile &sportProfile(SportVariant variant);

// The period table of a sport as text lines, the way the working table holds it.
QStringList periodTableLines(const SportProfile &profile);

// Reads one working-table line. Only a plain decimal integer above zero is an interval;
// anything else (empty, missing, "abc", "0") means no beep is due.
int intervalFromLine(const QString &line);

// The speed paced in a period, as shown ("4,2"); empty outside the table.
QString periodSpeedText(SportVariant variant, int period);
int speedTableSize();

// Unit appended where a speed is shown with it.
inline QString speedUnit()
{
    return QStringLiteral(" Km/h");
}

} // namespace Protocol
