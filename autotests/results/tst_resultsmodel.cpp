#include "resultsmodel.h"
#include "sportprofile.h"

#include <QLocale>
#include <QTest>

using namespace Protocol;

// The roster and results model without any view: what a cell keeps of a name or code, and the
// VO2max text.
class TestResultsModel : public QObject
{
    Q_OBJECT
private slots:
    void editsAreComposedCleanedThenCut_data();
    void editsAreComposedCleanedThenCut();
    void vo2MaxText_data();
    void vo2MaxText();
    void vo2MaxColumnNamesItsUnit();
};

void TestResultsModel::editsAreComposedCleanedThenCut_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("kept");
    const int name = ResultsModel::Name;
    QTest::newRow("combining accent kept")
        << name << QStringLiteral("Jose") + QChar(0x0301) << QStringLiteral("José");
    QTest::newRow("chinese refused") << name << QStringLiteral("李雷") << QStringLiteral("Ana");
    QTest::newRow("cyrillic refused")
        << name << QStringLiteral("Иван Петров") << QStringLiteral("Ana");
    QTest::newRow("separators dropped before the cut")
        << name << QString(25, QLatin1Char(';')) + QStringLiteral("Juan") << QStringLiteral("Juan");
    QTest::newRow("code cut after cleaning")
        << int(ResultsModel::Code) << QStringLiteral(";;;;;;AB1234") << QStringLiteral("AB123");
    QTest::newRow("line break and tab")
        << name << QStringLiteral("Eva\nMaría\tPérez") << QStringLiteral("EvaMaríaPérez");
    QTest::newRow("blank erases") << name << QStringLiteral(" ") << QString();
}

// Written as any part of the program writes it: composed, cleaned of what the results file cannot
// hold, then cut; an edit of which nothing but blanks would be left keeps the old value.
void TestResultsModel::editsAreComposedCleanedThenCut()
{
    QFETCH(int, column);
    QFETCH(QString, input);
    QFETCH(QString, kept);
    ResultsModel model(sportProfile(SportVariant::Futbol));
    model.setCell(ResultsModel::Name, 1, QStringLiteral("Ana"));
    model.setCell(ResultsModel::Code, 1, QStringLiteral("C1"));
    model.setData(model.index(0, column), input);
    QCOMPARE(model.cell(column, 1), kept);
}

void TestResultsModel::vo2MaxText_data()
{
    QTest::addColumn<int>("distance");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    QTest::newRow("no distance") << 0 << spanish << QStringLiteral("2,595");
    QTest::newRow("1200 m") << 1200 << spanish << QStringLiteral("18,195");
    QTest::newRow("C locale") << 1200 << QLocale::c() << QStringLiteral("18.195");
    QTest::newRow("no group separator") << 100000 << spanish << QStringLiteral("1302,595");
}

void TestResultsModel::vo2MaxText()
{
    QFETCH(int, distance);
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QCOMPARE(ResultsModel::vo2MaxText(distance, locale), text);
}

void TestResultsModel::vo2MaxColumnNamesItsUnit()
{
    const ResultsModel basket(sportProfile(SportVariant::Basket));
    QCOMPARE(basket.headerData(ResultsModel::Vo2Max, Qt::Horizontal).toString(),
             QStringLiteral("VO2max (ml/kg/min)"));
}

QTEST_GUILESS_MAIN(TestResultsModel)
#include "tst_resultsmodel.moc"
