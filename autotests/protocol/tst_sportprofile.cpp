#include "sportprofile.h"

#include <QtTest>

#include <cmath>

using namespace Protocol;

Q_DECLARE_METATYPE(SportVariant)

namespace {

QList<int> ints(const char *text)
{
    QList<int> result;
    const QStringList parts = QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &part : parts)
        result.append(part.toInt());
    return result;
}

} // namespace

class TestSportProfile : public QObject
{
    Q_OBJECT

private slots:
    void constants_data();
    void constants();
    void periodTable_data();
    void periodTable();
    void speedTexts_data();
    void speedTexts();
    void tableLineReading_data();
    void tableLineReading();
    void themeColours_data();
    void themeColours();
    void categoryRules_data();
    void categoryRules();
};

void TestSportProfile::constants_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("stations");
    QTest::addColumn<int>("beeps");
    QTest::addColumn<int>("segmentCm");

    QTest::newRow("probst") << SportVariant::Probst << QStringLiteral("Test de Probst") << 14 << 28
                            << 1000;
    QTest::newRow("football") << SportVariant::Futbol << QStringLiteral("ZENTA-Fútbol 2.0") << 14
                              << 28 << 915;
    QTest::newRow("basketball") << SportVariant::Basket << QStringLiteral("ZENTA-Basket 2.0") << 12
                                << 36 << 800;
    QTest::newRow("futsal") << SportVariant::FutSal << QStringLiteral("ZENTA-FutSal") << 14 << 28
                            << 743;
    QTest::newRow("volleyball") << SportVariant::Voley << QStringLiteral("ZENTA-Voley") << 12 << 36
                                << 491;
}

void TestSportProfile::constants()
{
    QFETCH(SportVariant, variant);
    QFETCH(QString, title);
    QFETCH(int, stations);
    QFETCH(int, beeps);
    QFETCH(int, segmentCm);

    const SportProfile &p = sportProfile(variant);
    QCOMPARE(p.variant, variant);
    QCOMPARE(p.programTitle, title);
    QCOMPARE(p.stationsPerLap, stations);
    QCOMPARE(p.beepsPerPeriod, beeps);
    QCOMPARE(p.beepsPerPeriod % p.stationsPerLap, 0); // whole laps: every period ends at the start
    QCOMPARE(p.segmentLengthCm, segmentCm);
    QCOMPARE(p.recoveryMs, 30000);
    QCOMPARE(p.warmUpMs, 180000);
    QCOMPARE(p.course == Course::Futbol,
             variant == SportVariant::Probst || variant == SportVariant::Futbol);
}

void TestSportProfile::periodTable_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<QList<int>>("expected");
    QTest::addColumn<double>("segmentM"); // the length the table was computed for
    QTest::addColumn<double>("firstKmh");
    QTest::addColumn<double>("toleranceMs");

    QTest::newRow("probst") << SportVariant::Probst
                            << ints("8571 7500 6667 6000 5455 5000 4615 4286 4000 3750 3529 3333 "
                                    "3158 3000 2857 2727 2609 2500 2400 2308 2222 2143 2069 2000 "
                                    "1935 1875 1818 1765 1714 1667")
                            << 10.0 << 4.2 << 0.5;
    QTest::newRow("football") << SportVariant::Futbol
                              << ints("7843 6863 6100 5490 4991 4575 4223 3921 3660 3431 3229 3050 "
                                      "2889 2745 2614 2495 2387 2287 2196 2112 2033 1961 1893 1830 "
                                      "1771 1716 1664 1615 1569 1525")
                              << 9.15 << 4.2 << 0.5;
    QTest::newRow("basketball") << SportVariant::Basket
                                << ints("5333 4800 4364 4000 3692 3429 3200 3000 2824 2667 2526 "
                                        "2400 2286 2182 2087 2000 1920 1846 1778 1714 1655 1600 "
                                        "1548 1500 1455 1412 1371 1333 1297 1263")
                                << 8.0 << 5.4 << 0.5;
    QTest::newRow("futsal") << SportVariant::FutSal
                            << ints("6857 6000 5333 4800 4364 4000 3692 3429 3200 3000 2824 2667 "
                                    "2526 2400 2286 2182 2087 2000 1920 1846 1778 1714 1655 1600 "
                                    "1548 1500 1455 1412")
                            << 8.0 << 4.2 << 0.5;
    // Volleyball's table only follows the rule to within a millisecond.
    QTest::newRow("volleyball") << SportVariant::Voley
                                << ints("4214 3687 3277 2950 2681 2458 2269 2107 1966 1844 1735 "
                                        "1639 1552 1475 1405 1341 1282 1230 1179 1134 1092 1053 "
                                        "1017 983 951")
                                << 4.916 << 4.2 << 1.0;
}

void TestSportProfile::periodTable()
{
    QFETCH(SportVariant, variant);
    QFETCH(QList<int>, expected);
    QFETCH(double, segmentM);
    QFETCH(double, firstKmh);
    QFETCH(double, toleranceMs);

    const QStringList lines = periodTableLines(sportProfile(variant));
    QCOMPARE(lines.size(), expected.size());
    QList<int> actual;
    for (const QString &line : lines)
        actual.append(intervalFromLine(line));
    QCOMPARE(actual, expected);

    for (int n = 1; n <= actual.size(); ++n) {
        const double ideal = segmentM * 3600.0 / (firstKmh + 0.6 * (n - 1));
        QVERIFY2(
            std::abs(actual[n - 1] - ideal) <= toleranceMs + 1e-6,
            qPrintable(QStringLiteral("period %1: %2 vs %3").arg(n).arg(actual[n - 1]).arg(ideal)));
        // Faster every period, and never so fast that two 0.47 s cues overlap.
        if (n > 1)
            QVERIFY(actual[n - 1] < actual[n - 2]);
        QVERIFY(actual[n - 1] >= 951);
    }
}

void TestSportProfile::speedTexts_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<double>("firstKmh");
    QTest::addColumn<QStringList>("lastFour"); // periods 27..30

    const QStringList standard = {QStringLiteral("19,8"), QStringLiteral("20,4"),
                                  QStringLiteral("21,0"), QStringLiteral("21,6")};
    QTest::newRow("probst") << SportVariant::Probst << 4.2 << standard;
    QTest::newRow("football") << SportVariant::Futbol << 4.2 << standard;
    QTest::newRow("basketball") << SportVariant::Basket << 5.4
                                << QStringList{QStringLiteral("21,0"), QStringLiteral("21,6"),
                                               QStringLiteral("22,2"), QStringLiteral("22,8")};
    QTest::newRow("futsal") << SportVariant::FutSal << 4.2 << standard;
    QTest::newRow("volleyball") << SportVariant::Voley << 4.2 << standard;
}

void TestSportProfile::speedTexts()
{
    QFETCH(SportVariant, variant);
    QFETCH(double, firstKmh);
    QFETCH(QStringList, lastFour);

    QCOMPARE(speedTableSize(), 30);
    for (int n = 1; n <= 30; ++n) {
        // One decimal with a decimal comma, 0,6 km/h a period.
        const QString expected = QString::number(firstKmh + 0.6 * (n - 1), 'f', 1)
                                     .replace(QLatin1Char('.'), QLatin1Char(','));
        QCOMPARE(periodSpeedText(variant, n), expected);
    }
    QCOMPARE(QStringList({periodSpeedText(variant, 27), periodSpeedText(variant, 28),
                          periodSpeedText(variant, 29), periodSpeedText(variant, 30)}),
             lastFour);
    // Outside the table there is no text: the display keeps its last one.
    QVERIFY(periodSpeedText(variant, 0).isEmpty());
    QVERIFY(periodSpeedText(variant, 31).isEmpty());
    QCOMPARE(speedUnit(), QStringLiteral(" Km/h"));
}

void TestSportProfile::tableLineReading_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("interval");

    QTest::newRow("plain") << QStringLiteral("7843") << 7843;
    QTest::newRow("three digits") << QStringLiteral("951") << 951;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("blank") << QStringLiteral("   ") << 0;
    QTest::newRow("zero") << QStringLiteral("0") << 0;
    QTest::newRow("letters") << QStringLiteral("abc") << 0;
    QTest::newRow("trailing letters") << QStringLiteral("12a") << 0;
    QTest::newRow("negative") << QStringLiteral("-500") << 0;
    QTest::newRow("decimal comma") << QStringLiteral("3,5") << 0;
    QTest::newRow("exponent") << QStringLiteral("1e3") << 0;
}

void TestSportProfile::tableLineReading()
{
    QFETCH(QString, line);
    QFETCH(int, interval);
    QCOMPARE(intervalFromLine(line), interval);
}

void TestSportProfile::themeColours_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<quint32>("back"); // as designed, 0x00BBGGRR
    QTest::addColumn<quint32>("panel");
    QTest::addColumn<quint32>("accent");
    QTest::newRow("probst") << SportVariant::Probst << 7911788u << 6203728u << 4421433u;
    QTest::newRow("football") << SportVariant::Futbol << 7911788u << 6203728u << 4421433u;
    QTest::newRow("basketball") << SportVariant::Basket << 9165301u << 2930925u << 1219277u;
    QTest::newRow("futsal") << SportVariant::FutSal << 15965287u << 12615680u << 9330688u;
    QTest::newRow("volleyball") << SportVariant::Voley << 8171935u << 5474935u << 3364169u;
}

void TestSportProfile::themeColours()
{
    QFETCH(SportVariant, variant);
    QFETCH(quint32, back);
    QFETCH(quint32, panel);
    QFETCH(quint32, accent);
    const SportProfile &p = sportProfile(variant);
    QCOMPARE(p.themeBackColor, fromBgr(back));
    QCOMPARE(p.themePanelColor, fromBgr(panel));
    QCOMPARE(p.themeAccentColor, fromBgr(accent));
}

void TestSportProfile::categoryRules_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<QList<int>>("proposed"); // Masculina C J S, Femenina C J S
    // Last period of each category's range, Masculina C J S then Femenina C J S (each range
    // starts one after the previous one ends); empty where the sport has no ranges.
    QTest::addColumn<QList<int>>("rangeEnds");
    QTest::newRow("probst") << SportVariant::Probst << ints("1 8 12 1 6 10")
                            << ints("7 11 30 5 9 30");
    QTest::newRow("football") << SportVariant::Futbol << ints("1 6 9 1 5 7")
                              << ints("5 8 30 4 6 30");
    QTest::newRow("basketball") << SportVariant::Basket << ints("1 4 6 1 4 5") << QList<int>();
    QTest::newRow("futsal") << SportVariant::FutSal << ints("1 3 6 1 3 5") << ints("2 5 20 2 4 20");
    QTest::newRow("volleyball") << SportVariant::Voley << ints("1 3 6 1 3 5")
                                << ints("2 5 20 2 4 20");
}

// Every cell of the rule that proposes a start period, and every boundary of the ranges that
// pick the category back from a period (a period in no range picks none).
void TestSportProfile::categoryRules()
{
    QFETCH(SportVariant, variant);
    QFETCH(QList<int>, proposed);
    QFETCH(QList<int>, rangeEnds);
    const SportProfile &p = sportProfile(variant);
    for (int sex = 0; sex < 2; ++sex) {
        for (int category = 0; category < 3; ++category)
            QCOMPARE(p.startPeriodFor(Sex(sex), Category(category)),
                     proposed.at(sex * 3 + category));
        for (int period = 0; period <= 31; ++period) {
            int expected = -1;
            int first = 1;
            for (int category = 0; category < 3 && !rangeEnds.isEmpty(); ++category) {
                const int last = rangeEnds.at(sex * 3 + category);
                if (period >= first && period <= last)
                    expected = category;
                first = last + 1;
            }
            QVERIFY2(p.categoryForPeriod(Sex(sex), period) == expected,
                     qPrintable(QStringLiteral("sex %1, period %2").arg(sex).arg(period)));
        }
    }
}

QTEST_APPLESS_MAIN(TestSportProfile)
#include "tst_sportprofile.moc"
