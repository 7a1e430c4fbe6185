#include "resultstools.h"
#include "smallfs.h"
#include "widgets.h"
#include "windowharness.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace Protocol;

namespace {

struct Harness : WindowHarness<>
{
    explicit Harness(SportVariant variant)
        : WindowHarness(variant, 0, QDateTime(QDate(2026, 12, 7), QTime(9, 5)))
    {
    }
    // An effort test from a period, two athletes stopped at different moments, the rest at the
    // end.
    void runTest(int period)
    {
        const char *const names[][2] = {
            {"Lucía Fernández", "A1"}, {"Íñigo Goñi", "B2"}, {"Zoë Ibáñez", "€5"}};
        for (int i = 0; i < 3; ++i)
            name(2 * i + 1, QString::fromUtf8(names[i][0]), QString::fromUtf8(names[i][1]));
        QTest::mouseClick(ui()->BitBtnEmpezar, Qt::LeftButton);
        QTest::mouseClick(ui()->FlatRadioButton3, Qt::LeftButton);
        ui()->CheckBox_Calentamiento->setChecked(false);
        ui()->SpinEdit1->setValue(period);
        QTest::mouseClick(ui()->BitBtnStart, Qt::LeftButton);
        advanceTo(30000);
        press(stopButton(3));
        advanceTo(200000);
        QTest::mouseClick(ui()->BitBtnStop, Qt::LeftButton);
    }
};

// The text of a PDF as poppler reads it, columns kept apart by their layout.
QString pdfText(const QString &path)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return QStringLiteral("<pdftotext missing: install poppler-utils>");
    QProcess p;
    p.start(tool, {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), path,
                   QStringLiteral("-")});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return QStringLiteral("<pdftotext failed: ") +
               QString::fromLocal8Bit(p.readAllStandardError()) + QLatin1Char('>');
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pageCount(const QString &path)
{
    QProcess p;
    p.start(QStandardPaths::findExecutable(QStringLiteral("pdfinfo")), {path});
    if (!p.waitForFinished(20000))
        return -1;
    const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    return pages.match(QString::fromUtf8(p.readAllStandardOutput())).captured(1).toInt();
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void reportReadsBackFromThePdf_data();
    void reportReadsBackFromThePdf();
    void nothingToReportWithoutNames();
    void resultsWithoutNamesAreReported();
    void writtenWholeOrNotAtAll();
};

void TestReport::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
}

void TestReport::reportReadsBackFromThePdf_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("sport");
    QTest::newRow("probst") << SportVariant::Probst << QStringLiteral("Test de Probst")
                            << QStringLiteral("Fútbol");
    QTest::newRow("futbol") << SportVariant::Futbol << QStringLiteral("ZENTA-Fútbol 2.0")
                            << QStringLiteral("Fútbol");
    QTest::newRow("basket") << SportVariant::Basket << QStringLiteral("ZENTA-Basket 2.0")
                            << QStringLiteral("Baloncesto");
    QTest::newRow("futsal") << SportVariant::FutSal << QStringLiteral("ZENTA-FutSal")
                            << QStringLiteral("Fútbol-Sala");
    QTest::newRow("voley") << SportVariant::Voley << QStringLiteral("ZENTA-Voley")
                           << QStringLiteral("Voleibol");
}

void TestReport::reportReadsBackFromThePdf()
{
    QFETCH(SportVariant, variant);
    QFETCH(QString, title);
    QFETCH(QString, sport);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Harness h(variant);
    h.runTest(3);
    FlatButton *report = h.window.resultsTools()->reportButton();
    QVERIFY(report->isEnabled());

    h.dialogs.saveTo = dir.filePath(QStringLiteral("informe.pdf"));
    QTest::mouseClick(report, Qt::LeftButton);
    QVERIFY(h.dialogs.messages.isEmpty());
    QVERIFY(h.dialogs.proposedPaths.last().endsWith(QStringLiteral("Export/") + title +
                                                    QStringLiteral("_07-12-26.pdf")));
    QCOMPARE(h.dialogs.saveSuffix, QStringLiteral("pdf"));
    QCOMPARE(pageCount(h.dialogs.saveTo), 1);

    const QString text = pdfText(h.dialogs.saveTo);
    const auto has = [&text](const QString &pattern) {
        return QRegularExpression(pattern).match(text).hasMatch();
    };
    QVERIFY2(text.contains(title), qPrintable(text));
    QVERIFY(has(QStringLiteral("Fecha:\\s+07/12/2026")));
    QVERIFY(has(QStringLiteral("Hora:\\s+09:05")));
    QVERIFY(has(QStringLiteral("Deporte:\\s+") + QRegularExpression::escape(sport)));
    QVERIFY(has(QStringLiteral("Modo:\\s+Test de esfuerzo")));
    QVERIFY(has(QStringLiteral("Periodo inicial:\\s+3")));
    QVERIFY(has(QStringLiteral("Velocidad inicial:\\s+") +
                QRegularExpression::escape(h.window.engine().initialSpeedText()) +
                QStringLiteral(" Km/h")));
    QVERIFY(text.contains(QStringLiteral("Distancia por deportista (m)")));

    // Every named row of the table, with its cells in the grid's order.
    const ResultsModel &results = h.window.results();
    for (int slot : {1, 3, 5}) {
        QStringList cells;
        for (int column = 0; column < results.columnCount(); ++column)
            cells << QRegularExpression::escape(results.cell(column, slot));
        QVERIFY2(has(cells.join(QStringLiteral("\\s+"))), qPrintable(cells.join(QLatin1Char(' '))));
    }
    QCOMPARE(text.contains(QStringLiteral("VO2max")), variant == SportVariant::Basket);
    // The bars carry the distances, and the slots and codes.
    QVERIFY(text.count(results.cell(ResultsModel::Distance, 3)) >= 2);
    QVERIFY(text.contains(QStringLiteral("5 · €5")));

    // Restored after a restart, results state their own test: not the set-up panel's, nor now.
    h.window.resultsRestored({28, QStringLiteral("20,4"), QStringLiteral("Test completo"),
                              QDateTime(QDate(2026, 12, 5), QTime(18, 30))});
    QVERIFY(h.window.resultsTools()->writeReport());
    const QString restored = pdfText(h.dialogs.saveTo);
    for (const char *shown : {"Fecha:\\s+05/12/2026", "Hora:\\s+18:30", "Modo:\\s+Test completo",
                              "Periodo inicial:\\s+28", "Velocidad inicial:\\s+20,4 Km/h"})
        QVERIFY2(QRegularExpression(QString::fromUtf8(shown)).match(restored).hasMatch(), shown);
}

void TestReport::nothingToReportWithoutNames()
{
    Harness h(SportVariant::Futbol);
    h.dialogs.saveTo = QStringLiteral("/nonexistent/x.pdf");
    QVERIFY(!h.window.resultsTools()->writeReport());
    QVERIFY(h.dialogs.proposedPaths.isEmpty());
    QVERIFY(h.dialogs.messages.isEmpty());
}

// Results whose names were erased are exported, and reported: each bar under its slot and code.
void TestReport::resultsWithoutNamesAreReported()
{
    QTemporaryDir dir;
    Harness h(SportVariant::Futbol);
    h.runTest(1);
    for (int slot : {1, 3, 5})
        h.results().setCell(ResultsModel::Name, slot, QString());
    FlatButton *report = h.window.resultsTools()->reportButton();
    QCOMPARE(report->isEnabled(), h.ui()->BtnExportDatos->isEnabled());
    h.dialogs.saveTo = dir.filePath(QStringLiteral("informe.pdf"));
    QTest::mouseClick(report, Qt::LeftButton);
    QVERIFY(pdfText(h.dialogs.saveTo).contains(QStringLiteral("3 · B2")));
}

// A report that cannot be written whole leaves the earlier file as it was, and says so.
void TestReport::writtenWholeOrNotAtAll()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Harness h(SportVariant::Futbol);
    h.runTest(1);
    const QString path = dir.filePath(QStringLiteral("informe.pdf"));
    QFile earlier(path);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier");
    earlier.close();

    h.dialogs.saveTo = path;
    {
        FileSizeLimit limit(2000);
        QVERIFY(limit.ok());
        QVERIFY(!h.window.resultsTools()->writeReport());
    }
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier"));
    QCOMPARE(h.dialogs.messages.size(), 1);
    QCOMPARE(h.dialogs.messages.first().text,
             QStringLiteral("No se ha podido guardar el informe de ZENTA-Fútbol 2.0."));
    QCOMPARE(h.dialogs.messages.first().caption, QStringLiteral("Información"));

    h.dialogs.saveTo = dir.filePath(QStringLiteral("missing/informe.pdf"));
    QVERIFY(!h.window.resultsTools()->writeReport());
    QCOMPARE(h.dialogs.messages.size(), 2);
}

QTEST_MAIN(TestReport)
#include "tst_report.moc"
