#include "cp1252.h"
#include "exportfile.h"
#include "resultsmodel.h"
#include "smallfs.h"

#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <future>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Protocol;

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

// Which character the encoder writes as each byte of 0x80..0x9F; built once from every character.
const QHash<int, QList<char16_t>> &writersOfHighBytes()
{
    static const QHash<int, QList<char16_t>> writers = [] {
        QHash<int, QList<char16_t>> found;
        for (int u = 0; u <= 0xFFFF; ++u) {
            QByteArray bytes;
            if (encodeWindows1252(QString(QChar(char16_t(u))), &bytes) && bytes.size() == 1 &&
                uchar(bytes.at(0)) >= 0x80 && uchar(bytes.at(0)) <= 0x9F)
                found[uchar(bytes.at(0))].append(char16_t(u));
        }
        return found;
    }();
    return writers;
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void byteForByte_data();
    void byteForByte();
    void separatorsFollowTheLocale();
    void encoderNeverWritesAWrongByte();
    void windows1252HighBytes_data();
    void windows1252HighBytes();
    void writeReplacesWholeOrNotAtAll();
    void writeFailures_data();
    void writeFailures();
    void proposedName();
    void exportFolder_data();
    void exportFolder();
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

void TestExport::windows1252HighBytes_data()
{
    // The published Windows-1252 table; 0 marks the five bytes it leaves undefined.
    const char16_t table[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("character");
    for (int i = 0; i < 32; ++i)
        QTest::addRow("0x%02X", 0x80 + i) << 0x80 + i << int(table[i]);
}

void TestExport::windows1252HighBytes()
{
    QFETCH(int, byte);
    QFETCH(int, character);
    const QList<char16_t> writers = writersOfHighBytes().value(byte);
    if (character == 0) {
        // Nothing is written as an undefined byte, and its C1 look-alike is refused.
        QVERIFY(writers.isEmpty());
        QByteArray bytes;
        QVERIFY(!encodeWindows1252(QString(QChar(char16_t(byte))), &bytes));
        QVERIFY(!isWindows1252Printable(QChar(char16_t(byte))));
    } else {
        QCOMPARE(writers, QList<char16_t>{char16_t(character)});
        QVERIFY(isWindows1252Printable(QChar(char16_t(character))));
    }
}

void TestExport::writeFailures_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("folder missing") << QStringLiteral("missing");
    QTest::newRow("in /proc") << QStringLiteral("proc");
    QTest::newRow("a device") << QStringLiteral("/dev/full");
    QTest::newRow("a folder") << QStringLiteral("folder");
    QTest::newRow("a pipe without reader") << QStringLiteral("fifo");
    QTest::newRow("full file system") << QStringLiteral("full");
}

void TestExport::writeFailures()
{
    QFETCH(QString, target);
    QTemporaryDir dir;
    std::optional<SmallFileSystem> small;
    QString path = dir.filePath(QStringLiteral("r.txt"));
    QByteArray earlier;
    if (target == QStringLiteral("missing")) {
        path = dir.filePath(QStringLiteral("gone/r.txt"));
    } else if (target == QStringLiteral("proc")) {
        path = QStringLiteral("/proc/zenta-results.txt");
    } else if (target == QStringLiteral("/dev/full")) {
        if (!QFile::exists(target))
            QSKIP("no /dev/full here");
        path = target;
    } else if (target == QStringLiteral("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("r.txt")));
    } else if (target == QStringLiteral("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        small.emplace();
        if (!small->whyNot().isEmpty())
            QSKIP(qPrintable(small->whyNot()));
        // An earlier export takes a page of its own; then the disk fills up.
        path = small->filePath(QStringLiteral("r.txt"));
        earlier = "earlier export\r\n";
        QVERIFY(ExportFile::write(path, earlier));
        small->fill();
    }
    const QFileInfo before(path);

    // Run aside, so a write that blocks fails the case instead of hanging the suite.
    QString error;
    auto writing = std::async(
        std::launch::async, [&] { return ExportFile::write(path, QByteArray(2048, 'x'), &error); });
    if (writing.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        const int reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
        writing.wait();
        ::close(reader);
        QFAIL("the write blocked");
    }
    QVERIFY(!writing.get());
    QVERIFY(!error.isEmpty());
    // Whatever was there is still there, unchanged.
    QCOMPARE(QFileInfo(path).exists(), before.exists());
    QCOMPARE(QFileInfo(path).isFile(), before.isFile());
    if (!earlier.isEmpty()) {
        QCOMPARE(readAll(path), earlier);
        QCOMPARE(error, QString::fromLocal8Bit(std::strerror(ENOSPC)));
    }
}

void TestExport::proposedName()
{
    QCOMPARE(ExportFile::proposedName(QStringLiteral("ZENTA-Fútbol 2.0"), QDate(2026, 12, 7)),
             QStringLiteral("ZENTA-Fútbol 2.0_07-12-26.txt"));
}

void TestExport::exportFolder_data()
{
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("documents");
    QTest::addColumn<QString>("expected");
    QTest::newRow("beside a writable program")
        << true << QStringLiteral("/home/ana/Documentos") << QStringLiteral("/opt/zenta/Export");
    QTest::newRow("installed in a system folder") << false << QStringLiteral("/home/ana/Documentos")
                                                  << QStringLiteral("/home/ana/Documentos/Export");
    QTest::newRow("system folder and no documents folder")
        << false << QString() << QStringLiteral("/opt/zenta/Export");
}

void TestExport::exportFolder()
{
    QFETCH(bool, writable);
    QFETCH(QString, documents);
    QFETCH(QString, expected);
    QCOMPARE(ExportFile::exportFolder(QStringLiteral("/opt/zenta/"), writable, documents),
             expected);
}

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
