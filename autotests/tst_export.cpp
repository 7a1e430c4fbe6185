#include "cp1252.h"
#include "exportfile.h"
#include "resultsmodel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void fill(ResultsModel &model, int slot, std::initializer_list<const char *> cells)
{
    int column = 0;
    for (const char *text : cells)
        model.setCell(column++, slot, QString::fromUtf8(text));
}

// Lowers the largest file this process may write, so a write fails part-way like on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }
    bool ok() const { return m_ok; }

private:
    rlimit m_saved{};
    bool m_ok = false;
};

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void byteForByte_data();
    void byteForByte();
    void separatorsFollowTheLocale();
    void encoderNeverWritesAWrongByte();
    void writeReplacesWholeOrNotAtAll();
    void writeFailures();
    void proposedName();
};

void TestExport::byteForByte_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<QString>("expected");
    QTest::newRow("futbol, 7 columns")
        << SportVariant::Futbol << QStringLiteral("export_futbol.txt");
    QTest::newRow("basket, 8 columns")
        << SportVariant::Basket << QStringLiteral("export_basket.txt");
}

void TestExport::byteForByte()
{
    QFETCH(SportVariant, variant);
    QFETCH(QString, expected);
    const SportProfile &profile = sportProfile(variant);
    ResultsModel model(profile);
    ExportConditions conditions;
    if (variant == SportVariant::Futbol) {
        fill(model, 1, {"1", "Lucía Fernández", "A1", "03:37", "1", "284", "6,0"});
        fill(model, 3, {"3", "Íñigo Goñi", "Bº2", "01:01", "0", "92", "5,4"});
        fill(model, 4, {"", "Pablo Muñoz", "P4"}); // named after the start: never activated
        fill(model, 14, {"14", "Zoë Ibáñez", "€5", "12:00", "5", "1512", "7,8"});
        conditions = {QDateTime(QDate(2026, 12, 7), QTime(9, 5, 59)), 3, QStringLiteral("5,4")};
    } else {
        fill(model, 2, {"2", "Ana Peña", "B-2", "00:00", "0", "0", "5,4", "2,595"});
        fill(model, 5, {"5", "Sofía Núñez", "", "10:30", "4", "1200", "7,8", "18,195"});
        fill(model, 7, {"", "Elena Ruiz", "E7"});
        conditions = {QDateTime(QDate(2027, 1, 31), QTime(23, 59, 1)), 1, QStringLiteral("5,4")};
    }
    const QStringList lines = ExportFile::lines(model, profile.programTitle, conditions,
                                                QLocale(QLocale::Spanish, QLocale::Spain));
    QByteArray bytes;
    QVERIFY(ExportFile::encode(lines, &bytes));
    const QByteArray wanted = readAll(QFINDTESTDATA(QStringLiteral("data/") + expected));
    QVERIFY(!wanted.isEmpty());
    QCOMPARE(bytes, wanted);
}

void TestExport::separatorsFollowTheLocale()
{
    ResultsModel model(sportProfile(SportVariant::Voley));
    const ExportConditions conditions{QDateTime(QDate(2026, 3, 4), QTime(7, 8)), 12,
                                      QStringLiteral("10,8")};
    const QLocale finnish(QLocale::Finnish, QLocale::Finland);
    QCOMPARE(ExportFile::lines(model, QStringLiteral("ZENTA-Voley"), conditions, finnish).at(2),
             QStringLiteral(";04.03.2026;07.08;12;10,8;"));
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    QCOMPARE(ExportFile::lines(model, QStringLiteral("ZENTA-Voley"), conditions, spanish).at(2),
             QStringLiteral(";04/03/2026;07:08;12;10,8;"));
}

void TestExport::encoderNeverWritesAWrongByte()
{
    QByteArray bytes("earlier");
    QVERIFY(!ExportFile::encode({QStringLiteral("Ana"), QStringLiteral("漢字")}, &bytes));
    QCOMPARE(bytes, QByteArray("earlier"));
    QVERIFY(!ExportFile::encode({QStringLiteral("Łukasz")}, &bytes));

    QVERIFY(ExportFile::encode({QStringLiteral("€ º á Ÿ ž")}, &bytes));
    QCOMPARE(bytes, QByteArray("\x80 \xBA \xE1 \x9F \x9E\r\n"));
    // Code points in the C1 range have no meaning in Windows-1252.
    QVERIFY(!isWindows1252Printable(QChar(0x81)));
    QVERIFY(!isWindows1252Printable(QLatin1Char('\t')));
    QVERIFY(isWindows1252Printable(QChar(0x20AC)));
}

void TestExport::writeReplacesWholeOrNotAtAll()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.txt"));
    QVERIFY(ExportFile::write(path, "first\r\n"));
    QVERIFY(ExportFile::write(path, "second\r\n"));
    QCOMPARE(readAll(path), QByteArray("second\r\n"));

    // A write that fails part-way leaves the earlier file as it was.
    const QByteArray big(64 * 1024, 'x');
    {
        FileSizeLimit limit(1024);
        QVERIFY(limit.ok());
        QString error;
        QVERIFY(!ExportFile::write(path, big, &error));
        QVERIFY(!error.isEmpty());
    }
    QCOMPARE(readAll(path), QByteArray("second\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("r.txt")});
}

void TestExport::writeFailures()
{
    QString error;
    QVERIFY(!ExportFile::write(QStringLiteral("/proc/zenta-results.txt"), "x", &error));
    QVERIFY(!ExportFile::write(QStringLiteral("/nonexistent-folder/r.txt"), "x", &error));
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        QVERIFY(!ExportFile::write(QStringLiteral("/dev/full"), QByteArray(8192, 'x'), &error));
        QVERIFY(QFileInfo(QStringLiteral("/dev/full")).exists()); // still the device
    }
}

void TestExport::proposedName()
{
    QCOMPARE(ExportFile::proposedName(QStringLiteral("ZENTA-Fútbol 2.0"), QDate(2026, 12, 7)),
             QStringLiteral("ZENTA-Fútbol 2.0_07-12-26.txt"));
}

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
