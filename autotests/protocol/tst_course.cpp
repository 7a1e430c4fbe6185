#include "course.h"

#include <QtTest>

using namespace Protocol;

Q_DECLARE_METATYPE(SportVariant)
Q_DECLARE_METATYPE(CourseSituation)

class TestCourse : public QObject
{
    Q_OBJECT

private slots:
    void markerStation_data();
    void markerStation();
    void markerWalksTheCourse_data();
    void markerWalksTheCourse();
    void picture_data();
    void picture();
    void stationPositions_data();
    void stationPositions();
};

void TestCourse::markerStation_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<int>("completed");
    QTest::addColumn<int>("beep");
    QTest::addColumn<int>("station"); // 1-based

    QTest::newRow("football third period, beep 3") << SportVariant::Futbol << 2 << 3 << 4;
    QTest::newRow("football second period, beep 3") << SportVariant::Futbol << 1 << 3 << 12;
    QTest::newRow("football backward, beep 13") << SportVariant::Futbol << 1 << 13 << 2;
    QTest::newRow("football backward, beep 14") << SportVariant::Futbol << 1 << 14 << 1;
    QTest::newRow("football backward, beep 15") << SportVariant::Futbol << 1 << 15 << 14;
    QTest::newRow("football forward, beep 13") << SportVariant::Futbol << 0 << 13 << 14;
    QTest::newRow("football forward, beep 28") << SportVariant::Futbol << 0 << 28 << 1;
    QTest::newRow("probst backward, beep 1") << SportVariant::Probst << 3 << 1 << 14;
    QTest::newRow("basketball odd, beep 1") << SportVariant::Basket << 1 << 1 << 12;
    QTest::newRow("basketball odd, beep 12") << SportVariant::Basket << 1 << 12 << 1;
    QTest::newRow("basketball odd, beep 13") << SportVariant::Basket << 1 << 13 << 12;
    QTest::newRow("basketball even, beep 35") << SportVariant::Basket << 4 << 35 << 12;
    QTest::newRow("futsal odd, beep 2") << SportVariant::FutSal << 5 << 2 << 13;
    QTest::newRow("volleyball odd runs forward, beep 1") << SportVariant::Voley << 1 << 1 << 2;
    QTest::newRow("volleyball odd runs forward, beep 13") << SportVariant::Voley << 3 << 13 << 2;
    QTest::newRow("start station before any beep") << SportVariant::Basket << 1 << 0 << 1;
}

void TestCourse::markerStation()
{
    QFETCH(SportVariant, variant);
    QFETCH(int, completed);
    QFETCH(int, beep);
    QFETCH(int, station);
    QCOMPARE(markerStationIndex(variant, sportProfile(variant).stationsPerLap, beep, completed) + 1,
             station);
}

void TestCourse::markerWalksTheCourse_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<int>("completed");
    QTest::addColumn<bool>("forward");

    QTest::newRow("probst even") << SportVariant::Probst << 0 << true;
    QTest::newRow("probst odd") << SportVariant::Probst << 1 << false;
    QTest::newRow("football even") << SportVariant::Futbol << 2 << true;
    QTest::newRow("football odd") << SportVariant::Futbol << 3 << false;
    QTest::newRow("basketball even") << SportVariant::Basket << 0 << true;
    QTest::newRow("basketball odd") << SportVariant::Basket << 1 << false;
    QTest::newRow("futsal even") << SportVariant::FutSal << 4 << true;
    QTest::newRow("futsal odd") << SportVariant::FutSal << 5 << false;
    QTest::newRow("volleyball even") << SportVariant::Voley << 0 << true;
    QTest::newRow("volleyball odd") << SportVariant::Voley << 1 << true;
}

// Over a whole period (and a RepeatPeriod run beyond it) the marker moves one station per beep
// in one direction, every lap ends on the start station and every station is visited.
void TestCourse::markerWalksTheCourse()
{
    QFETCH(SportVariant, variant);
    QFETCH(int, completed);
    QFETCH(bool, forward);

    const SportProfile &p = sportProfile(variant);
    const int L = p.stationsPerLap;
    QCOMPARE(courseStations(variant).size(), L);
    QVector<int> visits(L, 0);
    int station = markerStationIndex(variant, L, 0, completed) + 1;
    QCOMPARE(station, 1);
    for (int beep = 1; beep <= 3 * p.beepsPerPeriod; ++beep) {
        const int next = markerStationIndex(variant, L, beep, completed) + 1;
        const int expected = forward ? station % L + 1 : (station == 1 ? L : station - 1);
        QCOMPARE(next, expected);
        if (beep % L == 0)
            QCOMPARE(next, 1);
        if (beep <= p.beepsPerPeriod)
            ++visits[next - 1];
        station = next;
    }
    QCOMPARE(station, 1);
    for (int v : visits)
        QCOMPARE(v, p.beepsPerPeriod / L);
}

void TestCourse::picture_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<CourseSituation>("situation");
    QTest::addColumn<int>("completed");
    QTest::addColumn<bool>("warmUp");
    QTest::addColumn<int>("picture");
    QTest::addColumn<bool>("restMarker");

    const struct
    {
        const char *name;
        SportVariant variant;
    } sports[] = {{"probst", SportVariant::Probst},
                  {"football", SportVariant::Futbol},
                  {"basketball", SportVariant::Basket},
                  {"futsal", SportVariant::FutSal},
                  {"volleyball", SportVariant::Voley}};
    for (const auto &s : sports) {
        const bool voley = s.variant == SportVariant::Voley;
        auto row = [&](const char *what) -> QTestData & {
            return QTest::newRow(qPrintable(
                QStringLiteral("%1: %2").arg(QLatin1String(s.name), QLatin1String(what))));
        };
        row("reset") << s.variant << CourseSituation::Reset << 0 << false << 1 << true;
        row("reset after a backward period")
            << s.variant << CourseSituation::Reset << 3 << false << 1 << true;
        row("start") << s.variant << CourseSituation::Start << 0 << false << 2 << false;
        row("start with warm-up") << s.variant << CourseSituation::Start << 0 << true << 2 << false;
        row("warm-up pause") << s.variant << CourseSituation::PauseBegins << 0 << true << 1 << true;
        row("warm-up pause, odd count")
            << s.variant << CourseSituation::PauseBegins << 1 << true << 1 << true;
        row("recovery odd") << s.variant << CourseSituation::PauseBegins << 1 << false << 3 << true;
        row("recovery even") << s.variant << CourseSituation::PauseBegins << 2 << false
                             << (voley ? 3 : 5) << true;
        row("pause ends even") << s.variant << CourseSituation::PauseEnds << 0 << false << 2
                               << false;
        row("pause ends odd") << s.variant << CourseSituation::PauseEnds << 1 << false
                              << (voley ? 2 : 4) << false;
        row("pause ends odd, later")
            << s.variant << CourseSituation::PauseEnds << 7 << false << (voley ? 2 : 4) << false;
    }
}

void TestCourse::picture()
{
    QFETCH(SportVariant, variant);
    QFETCH(CourseSituation, situation);
    QFETCH(int, completed);
    QFETCH(bool, warmUp);
    QFETCH(int, picture);
    QFETCH(bool, restMarker);

    QCOMPARE(coursePicture(variant, situation, completed, warmUp), picture);
    QVERIFY(picture <= coursePictureCount(variant));
    QCOMPARE(coursePictureCount(variant), variant == SportVariant::Voley ? 3 : 5);
    QCOMPARE(restMarkerVisible(situation), restMarker);
}

void TestCourse::stationPositions_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<QString>("positions"); // top-left corners of stations 1..L
    const QString football = QStringLiteral(
        "249,240 207,168 248,98 207,26 126,27 85,98 125,169 85,240 125,310 85,381 125,452 "
        "207,453 248,382 207,311");
    QTest::newRow("probst") << SportVariant::Probst << football;
    QTest::newRow("football") << SportVariant::Futbol << football;
    QTest::newRow("basketball") << SportVariant::Basket
                                << QStringLiteral("264,236 264,117 190,38 158,117 125,38 53,117 "
                                                  "53,236 53,356 126,435 158,356 189,435 264,356");
    QTest::newRow("futsal") << SportVariant::FutSal
                            << QStringLiteral("275,238 207,193 274,147 206,87 114,87 48,147 "
                                              "114,191 48,238 114,281 48,329 114,391 206,391 "
                                              "274,330 207,282");
    QTest::newRow("volleyball") << SportVariant::Voley
                                << QStringLiteral("264,448 264,310 206,239 264,167 264,28 134,63 "
                                                  "53,28 53,167 111,239 53,310 53,448 184,414");
}

// The stations stand where the course pictures draw them, inside the panel.
void TestCourse::stationPositions()
{
    QFETCH(SportVariant, variant);
    QFETCH(QString, positions);
    QStringList actual;
    for (const Station &station : courseStations(variant)) {
        actual << QStringLiteral("%1,%2").arg(station.topLeft.x()).arg(station.topLeft.y());
        QVERIFY(QRect(QPoint(0, 0), QSize(CoursePanelWidth, CoursePanelHeight))
                    .contains(QRect(station.topLeft, station.size)));
        QVERIFY(station.size.width() >= 8 && station.size.height() >= 8);
    }
    QCOMPARE(actual.join(QLatin1Char(' ')), positions);
    QCOMPARE(actual.size(), sportProfile(variant).stationsPerLap);
}

QTEST_APPLESS_MAIN(TestCourse)
#include "tst_course.moc"
