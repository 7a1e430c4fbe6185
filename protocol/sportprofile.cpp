#include "sportprofile.h"

#include <QFile>

namespace Protocol {

namespace {

// One row per sport: everything that differs between them, in one place.
SportProfile makeProfile(SportVariant variant)
{
    using Rule = std::array<std::array<int, 3>, 2>;
    using Ranges = std::array<std::array<SportProfile::Range, 3>, 2>;
    const Rule futsalRule = {{{1, 3, 6}, {1, 3, 5}}};
    const Ranges futsalRanges = {{{{{1, 2}, {3, 5}, {6, 20}}}, {{{1, 2}, {3, 4}, {5, 20}}}}};
    struct Row
    {
        Course course;
        const char *title, *sport, *product, *subtitle;
        int stations, beeps, segmentCm;
        quint32 back, panel, accent; // as designed, 0x00BBGGRR
        const char *table;
        Rule rule;
        bool hasRanges;
        Ranges ranges;
        bool ownPages;
    };
    static const Row rows[] = {
        {Course::Futbol,
         "Test de Probst",
         "Fútbol",
         "ZENTA-Fútbol",
         "Orvelan en Fútbol",
         14,
         28,
         1000,
         7911788,
         6203728,
         4421433,
         "probst",
         {{{1, 8, 12}, {1, 6, 10}}},
         true,
         {{{{{1, 7}, {8, 11}, {12, 30}}}, {{{1, 5}, {6, 9}, {10, 30}}}}},
         false},
        {Course::Futbol,
         "ZENTA-Fútbol 2.0",
         "Fútbol",
         "ZENTA-Fútbol",
         "Orvelan en Fútbol",
         14,
         28,
         915,
         7911788,
         6203728,
         4421433,
         "futbol",
         {{{1, 6, 9}, {1, 5, 7}}},
         true,
         {{{{{1, 5}, {6, 8}, {9, 30}}}, {{{1, 4}, {5, 6}, {7, 30}}}}},
         true},
        {Course::Basket,
         "ZENTA-Basket 2.0",
         "Baloncesto",
         "ZENTA-Basket",
         "Orvelan en Baloncesto",
         12,
         36,
         800,
         9165301,
         2930925,
         1219277,
         "basket",
         {{{1, 4, 6}, {1, 4, 5}}},
         false,
         {},
         true},
        {Course::FutSal, "ZENTA-FutSal", "Fútbol-Sala", "ZENTA-FutSal", "Orvelan en Fútbol Sala",
         14, 28, 743, 15965287, 12615680, 9330688, "futsal", futsalRule, true, futsalRanges, true},
        {Course::Voley, "ZENTA-Voley", "Voleibol", "ZENTA-Voley", "Orvelan en Voleibol", 12, 36,
         491, 8171935, 5474935, 3364169, "voley", futsalRule, true, futsalRanges, true},
    };
    const Row &r = rows[int(variant)];
    SportProfile p;
    p.variant = variant;
    p.course = r.course;
    p.programTitle = QString::fromUtf8(r.title);
    p.sportName = QString::fromUtf8(r.sport);
    p.productName = QString::fromUtf8(r.product);
    p.introSubtitle = QString::fromUtf8(r.subtitle);
    p.hasOwnPages = r.ownPages;
    p.stationsPerLap = r.stations;
    p.beepsPerPeriod = r.beeps;
    p.segmentLengthCm = r.segmentCm;
    p.themeBackColor = fromBgr(r.back);
    p.themePanelColor = fromBgr(r.panel);
    p.themeAccentColor = fromBgr(r.accent);
    p.periodTableResource = QStringLiteral(":/tables/%1.txt").arg(QLatin1String(r.table));
    p.startPeriodRule = r.rule;
    p.hasCategoryRanges = r.hasRanges;
    p.categoryRanges = r.ranges;
    return p;
}

// Speeds paced by the tables: +0,6 km/h a period. Held as text so that what is shown is
// exactly what is recorded and exported.
const char *const StandardSpeeds[] = {
    "4,2",  "4,8",  "5,4",  "6,0",  "6,6",  "7,2",  "7,8",  "8,4",  "9,0",  "9,6",
    "10,2", "10,8", "11,4", "12,0", "12,6", "13,2", "13,8", "14,4", "15,0", "15,6",
    "16,2", "16,8", "17,4", "18,0", "18,6", "19,2", "19,8", "20,4", "21,0", "21,6"};
// Basketball's table starts two steps higher, at 5,4 km/h.
const char *const BasketSpeeds[] = {"5,4",  "6,0",  "6,6",  "7,2",  "7,8",  "8,4",  "9,0",  "9,6",
                                    "10,2", "10,8", "11,4", "12,0", "12,6", "13,2", "13,8", "14,4",
                                    "15,0", "15,6", "16,2", "16,8", "17,4", "18,0", "18,6", "19,2",
                                    "19,8", "20,4", "21,0", "21,6", "22,2", "22,8"};
constexpr int SpeedCount = int(sizeof(StandardSpeeds) / sizeof(StandardSpeeds[0]));
static_assert(SpeedCount == int(sizeof(BasketSpeeds) / sizeof(BasketSpeeds[0])));

} // namespace

int SportProfile::startPeriodFor(Sex sex, Category category) const
{
    return startPeriodRule[size_t(sex)][size_t(category)];
}

int SportProfile::categoryForPeriod(Sex sex, int period) const
{
    if (!hasCategoryRanges)
        return -1;
    const auto &ranges = categoryRanges[size_t(sex)];
    for (size_t c = 0; c < ranges.size(); ++c) {
        if (period >= ranges[c].first && period <= ranges[c].last)
            return int(c);
    }
    return -1;
}

const SportProfile &sportProfile(SportVariant variant)
{
    static const std::array<SportProfile, 5> profiles = {
        makeProfile(SportVariant::Probst), makeProfile(SportVariant::Futbol),
        makeProfile(SportVariant::Basket), makeProfile(SportVariant::FutSal),
        makeProfile(SportVariant::Voley)};
    const int index = int(variant);
    Q_ASSERT(index >= 0 && index < int(profiles.size()));
    return profiles[size_t(qBound(0, index, int(profiles.size()) - 1))];
}

QStringList periodTableLines(const SportProfile &profile)
{
    QFile file(profile.periodTableResource);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines = QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

int intervalFromLine(const QString &line)
{
    const QString text = line.trimmed();
    if (text.isEmpty() || text.size() > 9)
        return 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
    }
    return text.toInt();
}

QString periodSpeedText(SportVariant variant, int period)
{
    if (period < 1 || period > SpeedCount)
        return {};
    const auto &table = variant == SportVariant::Basket ? BasketSpeeds : StandardSpeeds;
    return QString::fromLatin1(table[period - 1]);
}

int speedTableSize()
{
    return SpeedCount;
}

} // namespace Protocol
