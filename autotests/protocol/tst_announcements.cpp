// The spoken phrases on a fake clock, for every sport's whole table: which phrase is said
// when, that none overlaps a cue or the alert or ends less than a second before the next cue,
// and that one that does not fit is shortened or left out.

#include "announcements.h"
#include "clock.h"
#include "enginedriver.h"

#include <QTest>

#include <algorithm>

using namespace Protocol;

Q_DECLARE_METATYPE(SportVariant)
Q_DECLARE_METATYPE(TestMode)

namespace {

// Speaks at a steady pace per character; every phrase is ready at once.
class SpeakingSink final : public CueSink
{
public:
    qint64 msPerChar = 60;
    QList<qint64> cues;
    QList<qint64> alerts;
    SoundPlan phrases; // every phrase ever planned, once
    bool available() const override { return true; }
    QString speechProblem() const override { return {}; }
    qint64 phraseMs(const QString &text) override { return text.size() * msPerChar; }
    qint64 soundMs(bool alert) const override { return alert ? 220 : 470; }
    void plan(const SoundPlan &sounds) override
    {
        for (const PlannedSound &s : sounds) {
            if (s.spoken() && !phrases.contains(s))
                phrases.append(s);
        }
    }
    void playCue(qint64 dueMs) override { cues.append(dueMs); }
    void playAlert(qint64 dueMs) override { alerts.append(dueMs); }
};

} // namespace

class TestAnnouncements : public QObject
{
    Q_OBJECT
private slots:
    void numbers_data();
    void numbers();
    void phrasePlan_data();
    void phrasePlan();
};

void TestAnnouncements::numbers_data()
{
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("said");
    QTest::newRow("decimal") << "14,5" << QStringLiteral("catorce coma cinco kilómetros por hora");
    QTest::newRow("whole") << "6,0" << QStringLiteral("seis kilómetros por hora");
    QTest::newRow("twenties") << "21,6"
                              << QStringLiteral("veintiuno coma seis kilómetros por hora");
}

void TestAnnouncements::numbers()
{
    QFETCH(QString, speed);
    QFETCH(QString, said);
    QCOMPARE(Announcements::speedWords(speed), said);
}

void TestAnnouncements::phrasePlan_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<TestMode>("mode");
    QTest::addColumn<qint64>("msPerChar");
    // What each pause says: 2 the whole phrase, 1 the period alone, 0 nothing.
    QTest::addColumn<int>("afterWarmUp");
    QTest::addColumn<int>("recovery");
    QTest::addColumn<bool>("warmUpSaid");
    for (const SportVariant v : AllSportVariants) {
        const QByteArray sport =
            sportProfile(v).periodTableResource.section(u'/', -1).section(u'.', 0, 0).toLatin1();
        QTest::addRow("%s spoken", sport.constData())
            << v << TestMode::FullTest << qint64(60) << 2 << 2 << true;
        QTest::addRow("%s slow", sport.constData())
            << v << TestMode::FullTest << qint64(1000) << 2 << 1 << false;
        QTest::addRow("%s too slow", sport.constData())
            << v << TestMode::FullTest << qint64(20000) << 0 << 0 << false;
        QTest::addRow("%s repeat", sport.constData())
            << v << TestMode::RepeatPeriod << qint64(60) << 0 << 0 << false;
    }
}

void TestAnnouncements::phrasePlan()
{
    QFETCH(SportVariant, variant);
    QFETCH(TestMode, mode);
    QFETCH(qint64, msPerChar);
    QFETCH(int, afterWarmUp);
    QFETCH(int, recovery);
    QFETCH(bool, warmUpSaid);

    ManualClock clock(10000);
    SpeakingSink sink;
    sink.msPerChar = msPerChar;
    const SportProfile &profile = sportProfile(variant);
    EngineDriver driver(profile, clock);
    driver.setSink(&sink);
    driver.setAnnouncing(true);
    driver.setConfirmingStops(true);
    driver.newTest();
    driver.start(mode, 1, true);
    const int rounds = 3;
    const qint64 stopAt = clock.nowMs() + 20000;
    bool stopsConfirmed = false;
    // Until the table has run out (or, repeating, a few rounds of the period).
    for (int polls = 0; polls < 1000000; ++polls) {
        const qint64 next = driver.engine().nextPollMs();
        clock.set(qBound(clock.nowMs() + 1, next, clock.nowMs() + 1000));
        driver.poll();
        if (!stopsConfirmed && clock.nowMs() >= stopAt) {
            driver.confirmStop(3, false);
            driver.confirmStop(5, true);
            stopsConfirmed = true;
        }
        const bool tableDone =
            driver.engine().currentInterval() == 0 && driver.engine().phase() == TestPhase::Effort;
        const bool roundsDone = mode == TestMode::RepeatPeriod &&
                                driver.engine().beepCount() > rounds * profile.beepsPerPeriod;
        if (tableDone || roundsDone)
            break;
    }

    // Nothing overlaps a cue or the alert; every phrase ends a second before the next cue.
    QVERIFY(!sink.phrases.isEmpty() || recovery == 0);
    for (const PlannedSound &p : std::as_const(sink.phrases)) {
        const qint64 end = p.dueMs + sink.phraseMs(p.phrase);
        for (const qint64 cue : std::as_const(sink.cues))
            QVERIFY2(cue + sink.soundMs(false) <= p.dueMs || cue >= end + 1000,
                     qPrintable(p.phrase));
        for (const qint64 alert : std::as_const(sink.alerts))
            QVERIFY2(alert + sink.soundMs(true) <= p.dueMs || alert >= end, qPrintable(p.phrase));
    }
    const auto saidBetween = [&](qint64 from, qint64 to, bool quiet) {
        QStringList said;
        for (const PlannedSound &p : std::as_const(sink.phrases)) {
            if (p.dueMs >= from && p.dueMs < to && p.quiet == quiet)
                said.append(p.phrase);
        }
        return said;
    };

    // Which phrase when: the warm-up's start, each pause the period it leads to, the last one
    // the end of the table; repeating a period, each round after the first.
    QCOMPARE(saidBetween(0, sink.cues.value(1), false).contains(QStringLiteral("Calentamiento")),
             warmUpSaid);
    if (mode == TestMode::RepeatPeriod) {
        QCOMPARE(sink.alerts.size(), 0);
        for (int round = 2; round <= rounds; ++round) {
            const qint64 opened = sink.cues.at((round - 1) * profile.beepsPerPeriod);
            QCOMPARE(
                saidBetween(opened, opened + 10000, false),
                QStringList{QStringLiteral("Repetición ") + Announcements::numberWords(round)});
        }
    } else {
        const int periods = int(driver.engine().workingTable().size());
        QCOMPARE(sink.alerts.size(), periods + 1);
        for (int pause = 0; pause < sink.alerts.size(); ++pause) {
            const int expected = pause == 0 ? afterWarmUp : recovery;
            const qint64 alert = sink.alerts.at(pause);
            const qint64 opened =
                *(std::lower_bound(sink.cues.cbegin(), sink.cues.cend(), alert) - 1);
            const QStringList said = saidBetween(opened, alert, false);
            const QString period =
                QStringLiteral("Periodo ") + Announcements::numberWords(pause + 1);
            const QString last = pause == periods && expected > 0
                                     ? QStringLiteral("Fin de la prueba")
                                 : expected == 1 ? period
                                                 : QString();
            if (expected == 0)
                QVERIFY2(said.filter(QStringLiteral("Periodo")).isEmpty(),
                         qPrintable(said.join(u'|')));
            else if (!last.isEmpty())
                QVERIFY2(said.contains(last), qPrintable(said.join(u'|')));
            else
                QVERIFY2(said.last().startsWith(period + QStringLiteral(". ")) &&
                             said.last().endsWith(QStringLiteral("kilómetros por hora.")),
                         qPrintable(said.join(u'|')));
        }
    }

    // The stops, quietly, in the order they came, after they came.
    const QStringList confirmed = saidBetween(stopAt, stopAt + 600000, true);
    if (msPerChar <= 60)
        QCOMPARE(confirmed,
                 (QStringList{QStringLiteral("Tres, fuera"), QStringLiteral("Cinco, vuelve")}));
    else
        QVERIFY(confirmed.size() <= 2);
}

QTEST_GUILESS_MAIN(TestAnnouncements)
#include "tst_announcements.moc"
