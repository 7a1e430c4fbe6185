#include "cp1252.h"
#include "exportfile.h"
#include "historyfile.h"
#include "resultsmodel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Protocol;
using namespace Qt::StringLiterals;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray golden(const QString &name)
{
    return readAll(QFINDTESTDATA(QStringLiteral("data/") + name));
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A results file as the export writes it, for a test of a given sport, day and locale.
QByteArray exported(SportVariant variant, const QDateTime &when, const QLocale &locale,
                    const QList<QStringList> &rows, int initialPeriod = 3)
{
    const SportProfile &profile = sportProfile(variant);
    ResultsModel model(profile);
    int slot = 0;
    for (const QStringList &row : rows) {
        ++slot;
        for (int column = 0; column < row.size(); ++column)
            model.setCell(column, slot, row.at(column));
    }
    const ExportConditions conditions{when, initialPeriod, QStringLiteral("5,4")};
    QByteArray bytes;
    ExportFile::encode(ExportFile::lines(model, profile.programTitle, conditions, locale), &bytes);
    return bytes;
}

// One line of a results file replaced (0-based), the rest as it was.
QByteArray withLine(QByteArray bytes, int index, const QByteArray &line)
{
    QList<QByteArray> lines = bytes.split('\n');
    lines[index] = line + '\r';
    return lines.join('\n');
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void goldenFiles_data();
    void goldenFiles();
    void everyProfileAndDateForm_data();
    void everyProfileAndDateForm();
    void damagedAndForeignFilesAreSkipped_data();
    void damagedAndForeignFilesAreSkipped();
    void onlyRegularFilesAreOpened();
    void resavedAsUtf8();
    void codeHoldingTheSeparator();
    void athletesByCodeOrName();
    void folderNamedTwiceIsReadOnce();
    void whoIsWhoAndSameTest_data();
    void whoIsWhoAndSameTest();
};

void TestHistory::goldenFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("athletes");
    QTest::addColumn<QStringList>("distances");
    QTest::addColumn<QStringList>("vo2");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("sport");
    // Athletes who never ran (a name typed after the start) have no result to show.
    QTest::newRow("futbol") << QStringLiteral("export_futbol.txt")
                            << QStringList{QStringLiteral("A1"), QStringLiteral("Bº2"),
                                           QStringLiteral("€5")}
                            << QStringList{QStringLiteral("284"), QStringLiteral("92"),
                                           QStringLiteral("1512")}
                            << QStringList{QString(), QString(), QString()}
                            << QDateTime(QDate(2026, 12, 7), QTime(9, 5))
                            << QStringLiteral("Fútbol");
    QTest::newRow("basket, name where the code is empty")
        << QStringLiteral("export_basket.txt")
        << QStringList{QStringLiteral("B-2"), QStringLiteral("Sofía Núñez")}
        << QStringList{QStringLiteral("0"), QStringLiteral("1200")}
        << QStringList{QStringLiteral("2,595"), QStringLiteral("18,195")}
        << QDateTime(QDate(2027, 1, 31), QTime(23, 59)) << QStringLiteral("Baloncesto");
}

void TestHistory::goldenFiles()
{
    QFETCH(QString, file);
    QFETCH(QStringList, athletes);
    QFETCH(QStringList, distances);
    QFETCH(QStringList, vo2);
    QFETCH(QDateTime, when);
    QFETCH(QString, sport);
    QList<HistoryResult> results;
    QString reason;
    QVERIFY2(HistoryFile::parse(golden(file), file, &results, &reason), qPrintable(reason));
    QCOMPARE(results.size(), athletes.size());
    for (int i = 0; i < results.size(); ++i) {
        const HistoryResult &r = results.at(i);
        QCOMPARE(r.athlete, athletes.at(i));
        QCOMPARE(QString::number(r.distance), distances.at(i));
        QCOMPARE(r.vo2Max, vo2.at(i));
        QCOMPARE(r.when, when);
        QCOMPARE(r.sport, sport);
        QCOMPARE(r.file, file);
    }
    const HistoryResult &first = results.first();
    QCOMPARE(first.initialSpeed, QStringLiteral("5,4"));
    if (file == QStringLiteral("export_futbol.txt")) {
        QCOMPARE(first.name, QStringLiteral("Lucía Fernández"));
        QCOMPARE(first.time, QStringLiteral("03:37"));
        QCOMPARE(first.periods, 1);
        QCOMPARE(first.speed, QStringLiteral("6,0"));
        QCOMPARE(first.initialPeriod, 3);
        QCOMPARE(results.at(2).slot, 14);
    } else {
        QCOMPARE(results.at(1).vo2MaxValue, 18.195);
    }
}

void TestHistory::everyProfileAndDateForm_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("probst, dd/mm/yyyy")
        << SportVariant::Probst << QLocale(QLocale::Spanish, QLocale::Spain);
    QTest::newRow("futbol, dd-mm-yyyy")
        << SportVariant::Futbol << QLocale(QLocale::Dutch, QLocale::Netherlands);
    QTest::newRow("basket, dd.mm.yyyy hh.mm")
        << SportVariant::Basket << QLocale(QLocale::Finnish, QLocale::Finland);
    QTest::newRow("futsal, dd-mm-yyyy")
        << SportVariant::FutSal << QLocale(QLocale::Dutch, QLocale::Netherlands);
    QTest::newRow("voley, dd/mm/yyyy")
        << SportVariant::Voley << QLocale(QLocale::Spanish, QLocale::Spain);
    QTest::newRow("basket, Arabic marks and digits: written as / and ASCII")
        << SportVariant::Basket << QLocale(QLocale::Arabic, QLocale::Egypt);
}

void TestHistory::everyProfileAndDateForm()
{
    QFETCH(SportVariant, variant);
    QFETCH(QLocale, locale);
    const SportProfile &profile = sportProfile(variant);
    const bool vo2 = profile.hasVo2Max();
    QList<QStringList> rows;
    for (int slot = 1; slot <= profile.stationsPerLap; ++slot) {
        QStringList row = {QString::number(slot),
                           QStringLiteral("Atleta %1").arg(slot),
                           QStringLiteral("C%1").arg(slot),
                           QStringLiteral("%1:59").arg(slot + 10),
                           QString::number(slot % 5),
                           QString::number(100 * slot),
                           QStringLiteral("9,6")};
        if (vo2)
            row << ResultsModel::vo2MaxText(100 * slot, locale);
        rows << row;
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QDateTime when(QDate(2026, 2, 3), QTime(18, 7));
    QVERIFY(
        writeBytes(dir.filePath(QStringLiteral("a.txt")), exported(variant, when, locale, rows)));

    const History history = HistoryFile::readFolders({dir.path()});
    QVERIFY(history.skipped.isEmpty());
    QCOMPARE(history.filesRead, 1);
    QCOMPARE(history.results.size(), profile.stationsPerLap);
    for (int i = 0; i < history.results.size(); ++i) {
        const HistoryResult &r = history.results.at(i);
        QCOMPARE(r.when, when);
        QCOMPARE(r.variant, variant);
        QCOMPARE(r.sport, profile.sportName);
        QCOMPARE(r.athlete, QStringLiteral("C%1").arg(i + 1));
        QCOMPARE(r.distance, 100 * (i + 1));
        QCOMPARE(r.periods, (i + 1) % 5);
        QCOMPARE(r.hasVo2Max(), vo2);
        if (vo2)
            QCOMPARE(qRound(r.vo2MaxValue * 1000), qRound((100 * (i + 1) * 0.013 + 2.5951) * 1000));
    }
}

void TestHistory::damagedAndForeignFilesAreSkipped_data()
{
    const QByteArray good = golden(QStringLiteral("export_futbol.txt"));
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("Archivo vacío.");
    QTest::newRow("someone else's text")
        << QByteArray("Lista de la compra\r\npan;leche;\r\n")
        << QStringLiteral("No es un archivo de resultados de ZENTA.");
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
                            << QStringLiteral("No es un archivo de resultados: no es texto.");
    QTest::newRow("too large") << good + QByteArray(HistoryFile::MaxFileSize, 'x')
                               << QStringLiteral(
                                      "No es un archivo de resultados: demasiado grande.");
    QTest::newRow("exactly the limit") // read, and refused for what it holds
        << good + QByteArray(HistoryFile::MaxFileSize - good.size(), 'x')
        << QStringLiteral("Archivo dañado: hay líneas tras el último registro.");
    QTest::newRow("a byte over the limit")
        << good + QByteArray(HistoryFile::MaxFileSize - good.size() + 1, 'x')
        << QStringLiteral("No es un archivo de resultados: demasiado grande.");
    QTest::newRow("cut in the middle")
        << good.left(good.indexOf(";;;;;;;;\r\n;;;;;;;;\r\n;;;;;;;;\r\n;;;;;;;;\r\n;;;;;;;;"))
        << QStringLiteral("Archivo incompleto: faltan registros.");
    QTest::newRow("cut inside a record")
        << good.left(good.size() - 20)
        << QStringLiteral("Archivo dañado: el registro 14 no tiene todos sus campos.");
    QTest::newRow("header altered")
        << withLine(good, 1, ";Fecha;Hora;Periodo;Velocidad;")
        << QStringLiteral("Archivo dañado: faltan las cabeceras o están alteradas.");
    QTest::newRow("impossible date")
        << withLine(good, 2, ";31/02/2026;09:05;3;5,4;")
        << QStringLiteral("Archivo dañado: la fecha o la hora no se pueden leer.");
    QTest::newRow("date without separators")
        << withLine(good, 2, ";07122026;09:05;3;5,4;")
        << QStringLiteral("Archivo dañado: la fecha o la hora no se pueden leer.");
    QTest::newRow("initial period not a number")
        << withLine(good, 2, ";07/12/2026;09:05;tres;5,4;")
        << QStringLiteral("Archivo dañado: el periodo inicial no es un número.");
    QTest::newRow("initial period beyond the table")
        << withLine(good, 2, ";07/12/2026;09:05;31;5,4;")
        << QStringLiteral("Archivo dañado: el periodo inicial está fuera de la tabla.");
    QTest::newRow("periods negative")
        << withLine(good, 4, ";1;Ana;A1;03:37;-7;284;6,0;")
        << QStringLiteral("Archivo dañado: el registro 1 tiene periodos que no son un número.");
    QTest::newRow("periods beyond the table")
        << withLine(good, 4, ";1;Ana;A1;03:37;31;284;6,0;")
        << QStringLiteral("Archivo dañado: el registro 1 tiene periodos fuera de la tabla.");
    QTest::newRow("sixty seconds")
        << withLine(good, 4, ";1;Ana;A1;03:60;1;284;6,0;")
        << QStringLiteral("Archivo dañado: el registro 1 tiene un tiempo ilegible.");
    QTest::newRow("speed off the table")
        << withLine(good, 4, ";1;Ana;A1;03:37;1;284;6,1;")
        << QStringLiteral("Archivo dañado: el registro 1 tiene una velocidad fuera de la tabla.");
    QTest::newRow("distance not a number")
        << withLine(good, 4, ";1;Ana;A1;03:37;1;28x;6,0;")
        << QStringLiteral("Archivo dañado: el registro 1 tiene una distancia que no es un número.");
    QTest::newRow("periods not a number")
        << withLine(good, 6, ";3;Ana;A1;03:37;uno;284;6,0;")
        << QStringLiteral("Archivo dañado: el registro 3 tiene periodos que no son un número.");
    QTest::newRow("time unreadable")
        << withLine(good, 4, ";1;Ana;A1;3.37;1;284;6,0;")
        << QStringLiteral("Archivo dañado: el registro 1 tiene un tiempo ilegible.");
    QTest::newRow("one-digit minutes")
        << withLine(good, 4, ";1;Ana;A1;5:00;1;284;6,0;")
        << QStringLiteral("Archivo dañado: el registro 1 tiene un tiempo ilegible.");
    QTest::newRow("speed missing")
        << withLine(good, 4, ";1;Ana;A1;03:37;1;284;;")
        << QStringLiteral("Archivo dañado: el registro 1 tiene una velocidad que no es un número.");
    QTest::newRow("records out of order")
        << withLine(good, 4, ";2;Ana;A1;03:37;1;284;6,0;")
        << QStringLiteral("Archivo dañado: el registro 1 lleva otro número.");
    QTest::newRow("lines after the last record")
        << good + "otra cosa\r\n"
        << QStringLiteral("Archivo dañado: hay líneas tras el último registro.");
    const QByteArray basket = golden(QStringLiteral("export_basket.txt"));
    QTest::newRow("basket without its VO2max")
        << withLine(basket, 5, ";2;Ana;B-2;00:00;0;0;5,4;;")
        << QStringLiteral("Archivo dañado: el registro 2 tiene un VO2max que no es un número.");
    QTest::newRow("VO2max beyond any number")
        << withLine(basket, 5, ";2;Ana;B-2;00:00;0;0;5,4;1.7e308;")
        << QStringLiteral("Archivo dañado: el registro 2 tiene un VO2max que no es un número.");
    QTest::newRow("undefined Windows-1252 byte")
        << withLine(good, 4, ";1;An\x81;A1;03:37;1;284;6,0;")
        << QStringLiteral("No es un archivo de resultados: codificación desconocida.");
    QTest::newRow("UTF-8 mark before Windows-1252 text")
        << "\xEF\xBB\xBF" + good
        << QStringLiteral("No es un archivo de resultados: codificación desconocida.");
}

// Each bad file is named with its reason, nothing of it is taken, and the good file beside it
// is read all the same.
void TestHistory::damagedAndForeignFilesAreSkipped()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString bad = dir.filePath(QStringLiteral("a.txt"));
    QVERIFY(writeBytes(bad, bytes));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("b.txt")),
                       golden(QStringLiteral("export_basket.txt"))));

    const History history = HistoryFile::readFolders({dir.path()});
    QCOMPARE(history.skipped.size(), 1);
    QCOMPARE(history.skipped.first().file, bad);
    QCOMPARE(history.skipped.first().reason, reason);
    QCOMPARE(history.filesRead, 1);
    QCOMPARE(history.results.size(), 2);
    for (const HistoryResult &r : history.results)
        QVERIFY(r.file != bad);
}

// Opening a pipe would wait for a writer on the window's thread: only regular files are opened.
void TestHistory::onlyRegularFilesAreOpened()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("p"))).constData(), 0600), 0);
    QVERIFY(QFile::link(QStringLiteral("p"), dir.filePath(QStringLiteral("a.txt"))));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("c.txt")));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("b.txt")),
                       golden(QStringLiteral("export_basket.txt"))));
    const History history = HistoryFile::readFolders({dir.path()});
    QCOMPARE(history.filesRead, 1);
    QCOMPARE(history.skipped.size(), 2);
    QCOMPARE(
        history.skipped.at(0).reason,
        QStringLiteral("No es un archivo normal (es una tubería, un dispositivo o un conector)."));
    QCOMPARE(history.skipped.at(1).reason, QStringLiteral("Es una carpeta."));
}

// What an editor or a spreadsheet saves again in UTF-8, with or without a byte order mark.
void TestHistory::resavedAsUtf8()
{
    QString text;
    QVERIFY(decodeWindows1252(golden(QStringLiteral("export_futbol.txt")), &text));
    for (const QByteArray &mark : {QByteArray(), QByteArray("\xEF\xBB\xBF")}) {
        QList<HistoryResult> results;
        QVERIFY(HistoryFile::parse(mark + text.toUtf8(), QString(), &results, nullptr));
        QCOMPARE(results.first().name, QStringLiteral("Lucía Fernández"));
        QCOMPARE(results.last().athlete, QStringLiteral("€5"));
    }
}

void TestHistory::codeHoldingTheSeparator()
{
    const QByteArray bytes =
        exported(SportVariant::Voley, QDateTime(QDate(2026, 5, 1), QTime(10, 0)),
                 QLocale(QLocale::Spanish, QLocale::Spain),
                 {{QStringLiteral("1"), QStringLiteral("Eva"), QStringLiteral("E;1"),
                   QStringLiteral("02:00"), QStringLiteral("0"), QStringLiteral("90"),
                   QStringLiteral("5,4")}});
    QList<HistoryResult> results;
    QString reason;
    QVERIFY2(HistoryFile::parse(bytes, QStringLiteral("v.txt"), &results, &reason),
             qPrintable(reason));
    QCOMPARE(results.size(), 1);
    QCOMPARE(results.first().code, QStringLiteral("E;1"));
    QCOMPARE(results.first().distance, 90);
    QCOMPARE(results.first().speed, QStringLiteral("5,4"));
}

// A code follows its athlete through name changes; without a code the name is all there is.
void TestHistory::athletesByCodeOrName()
{
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    const auto row = [](int slot, const char *name, const char *code, const char *distance) {
        return QStringList{QString::number(slot),   QString::fromUtf8(name),
                           QString::fromUtf8(code), QStringLiteral("03:00"),
                           QStringLiteral("2"),     QString::fromLatin1(distance),
                           QStringLiteral("6,0")};
    };
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // The later test is written first: the history orders by the date inside, not the file.
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("1.txt")),
                       exported(SportVariant::Futbol, QDateTime(QDate(2026, 6, 1), QTime(9, 0)),
                                spanish,
                                {row(1, "Ana María", "A7", "900"), row(2, "Rosa", "", "700")})));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("2.txt")),
                       exported(SportVariant::Futbol, QDateTime(QDate(2026, 3, 1), QTime(9, 0)),
                                spanish, {row(1, "Ana", "A7", "800"), row(2, "Rosa", "", "600")})));
    const History history = HistoryFile::readFolders({dir.path()});
    QCOMPARE(history.athletes(), QStringList({QStringLiteral("A7"), QStringLiteral("Rosa")}));
    const QList<HistoryResult> ana = history.resultsOf(QStringLiteral("A7"));
    QCOMPARE(ana.size(), 2);
    QCOMPARE(ana.at(0).distance, 800);
    QCOMPARE(ana.at(1).distance, 900);
    QCOMPARE(ana.at(1).name, QStringLiteral("Ana María"));
    QCOMPARE(history.resultsOf(QStringLiteral("Rosa")).size(), 2);

    // Sorted as the user's language sorts: in Spanish "Álvaro" before "Bea".
    const QLocale before;
    QLocale::setDefault(spanish);
    History named;
    for (const char *athlete : {"Bea", "Álvaro", "Bea"}) {
        named.results.append(HistoryResult());
        named.results.last().athlete = QString::fromUtf8(athlete);
    }
    const QStringList athletes = named.athletes();
    QLocale::setDefault(before);
    QCOMPARE(athletes, QStringList({QStringLiteral("Álvaro"), QStringLiteral("Bea")}));
}

void TestHistory::folderNamedTwiceIsReadOnce()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("f.txt")),
                       golden(QStringLiteral("export_futbol.txt"))));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("notas.doc")), QByteArray("no")));
    const History history = HistoryFile::readFolders(
        {dir.path(), dir.path() + QStringLiteral("/."), dir.filePath(QStringLiteral("missing"))});
    QCOMPARE(history.filesRead, 1);
    QCOMPARE(history.results.size(), 3);
    QVERIFY(history.skipped.isEmpty());
}

// Files: "day hh:mm initial-period", "name|code|distance"...; athletes: label: distances (×files).
void TestHistory::whoIsWhoAndSameTest_data()
{
    QTest::addColumn<QList<QStringList>>("files");
    QTest::addColumn<QStringList>("athletes");
    QTest::newRow("exported twice; same day, other initial period or result")
        << QList<QStringList>{{u"1 09:00 3"_s, u"Ana|A1|800"_s, u"Eva||7"_s},
                              {u"1 09:07 3"_s, u"Ana|A1|800"_s, u"Eva||7"_s},
                              {u"1 09:09 5"_s, u"Ana|A1|800"_s},
                              {u"1 09:11 3"_s, u"Ana|A1|810"_s}}
        << QStringList{u"A1 · Ana: 800×2 800 810"_s, u"Eva: 7×2"_s};
    QTest::newRow("code in other case and blanks, latest spelling shown")
        << QList<QStringList>{{u"1 09:00 3"_s, u"Ana|sr01|800"_s},
                              {u"2 09:00 3"_s, u"Ana M.| SR01 |900"_s}}
        << QStringList{u"SR01 · Ana M.: 800 900"_s};
    QTest::newRow("same name without code in one file")
        << QList<QStringList>{{u"1 09:00 3"_s, u"Rosa||700"_s, u"Rosa||650"_s},
                              {u"2 09:00 3"_s, u"Rosa||720"_s, u"Rosa||640"_s},
                              {u"3 09:00 3"_s, u"Rosa||730"_s}}
        << QStringList{u"Rosa: 730"_s, u"Rosa (Nº 1, mismo nombre, sin código): 700 720"_s,
                       u"Rosa (Nº 2, mismo nombre, sin código): 650 640"_s};
}

void TestHistory::whoIsWhoAndSameTest()
{
    QFETCH(QList<QStringList>, files);
    QFETCH(QStringList, athletes);
    QTemporaryDir dir;
    for (int f = 0; f < files.size(); ++f) {
        const QStringList when = files.at(f).first().split(QLatin1Char(' '));
        QList<QStringList> rows;
        for (const QString &row : files.at(f).mid(1)) {
            const QStringList c = row.split(u'|');
            rows << QStringList{
                QString::number(rows.size() + 1), c[0], c[1], u"05:00"_s, u"3"_s, c[2], u"7,2"_s};
        }
        const QDateTime at(QDate(2026, 4, when.at(0).toInt()), QTime::fromString(when.at(1)));
        QVERIFY(writeBytes(dir.filePath(u"%1.txt"_s.arg(f)),
                           exported(SportVariant::Futbol, at, QLocale(QLocale::Spanish), rows,
                                    when.at(2).toInt())));
    }
    const History history = HistoryFile::readFolders({dir.path()});
    QStringList got;
    for (const QString &athlete : history.athletes()) {
        got << history.resultsOf(athlete).last().label() + QLatin1Char(':');
        for (const HistoryResult &r : history.resultsOf(athlete))
            got.last() +=
                QLatin1Char(' ') + QString::number(r.distance) +
                (r.sameTestIn.isEmpty() ? QString() : u"×%1"_s.arg(1 + r.sameTestIn.size()));
    }
    QCOMPARE(got, athletes);
}

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
