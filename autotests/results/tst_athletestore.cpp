#include "athleteimport.h"
#include "athletestore.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

Squad numbered(int round)
{
    Squad squad{QStringLiteral("Primer equipo"), QStringLiteral("FUTBOL"), {}};
    for (int i = 0; i < 10; ++i)
        squad.members.append({QStringLiteral("R%1-%2").arg(round).arg(i),
                              QStringLiteral("Vuelta %1").arg(round),
                              {},
                              0});
    return squad;
}

// Raw SQL on the store's file, as another program or an older version would write it.
void sql(const QString &path, const QStringList &statements)
{
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        for (const QString &statement : statements)
            QVERIFY2(QSqlQuery(db).exec(statement), qPrintable(statement));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
}

} // namespace

class TestAthleteStore : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString file(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    QProcess *child(const QString &mode, const QString &path)
    {
        auto *process = new QProcess(this);
        process->start(QCoreApplication::applicationFilePath(), {mode, path});
        return process;
    }

private slots:
    void transactionIsWholeOrNothing()
    {
        AthleteStore store(file("tx.sqlite"));
        QVERIFY(store.saveSquad(numbered(1)));
        // A member that cannot be written undoes the squad and the athletes learnt with it.
        sql(store.path(),
            {QStringLiteral("CREATE TRIGGER no5 BEFORE INSERT ON squad_members "
                            "WHEN NEW.position = 5 BEGIN SELECT RAISE(ABORT, 'x'); END")});
        QVERIFY(!store.saveSquad(numbered(2)));
        QCOMPARE(store.squad(QStringLiteral("Primer equipo"))->members.first().name,
                 QStringLiteral("Vuelta 1"));
        QCOMPARE(store.athletes().size(), 10);
    }

    void killedMidWriteKeepsLastCommit()
    {
        QProcess *writer = child(QStringLiteral("rounds"), file("kill.sqlite"));
        QByteArray seen;
        QTRY_VERIFY_WITH_TIMEOUT((seen += writer->readAllStandardOutput()).contains("\n30\n"),
                                 30000);
        ::kill(pid_t(writer->processId()), SIGKILL);
        QVERIFY(writer->waitForFinished());
        AthleteStore store(file("kill.sqlite"));
        QVERIFY2(store.notice().isEmpty(), qPrintable(store.notice()));
        const QList<Athlete> members = store.squad(QStringLiteral("Primer equipo"))->members;
        QCOMPARE(members.size(), 10);
        QCOMPARE(members.last().name, members.first().name);
    }

    void twoProgramsAtOnce()
    {
        QProcess *other = child(QStringLiteral("learn"), file("two.sqlite"));
        AthleteStore store(file("two.sqlite"));
        for (int i = 0; i < 100; ++i)
            QVERIFY2(store.learn({{QStringLiteral("A%1").arg(i), QStringLiteral("Ana"), {}, 0}}),
                     qPrintable(store.errorString()));
        QVERIFY(other->waitForFinished());
        QVERIFY2(other->exitCode() == 0, other->readAllStandardError().constData());
        QCOMPARE(store.athletes().size(), 200);
    }

    void damagedFileSetAside_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not a database") << QByteArray(5000, 'x');
        QTest::newRow("header, then garbage")
            << QByteArray("SQLite format 3\0", 16) + QByteArray(8000, '\x7f');
    }
    void damagedFileSetAside()
    {
        QFETCH(QByteArray, bytes);
        const QString path = file("bad.sqlite");
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes));
        out.close();
        AthleteStore store(path);
        QVERIFY(store.isOpen());
        QVERIFY(store.notice().contains(QStringLiteral("dañada")));
        const QStringList kept =
            QDir(m_dir.path()).entryList({QStringLiteral("bad.sqlite.damaged-*")});
        QFile old(m_dir.filePath(kept.value(0)));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), bytes);
        old.remove();
        QVERIFY(store.saveSquad(numbered(1)));
    }

    void importReadsSpreadsheetText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("taken"); // name|code|sex|year per athlete
        QTest::addColumn<QList<int>>("refusedLines");
        QTest::newRow("UTF-8 mark, header, code first")
            << QByteArray("\xEF\xBB\xBF"
                          "C\xC3\xB3"
                          "digo;Nombre\r\nA03;Nuria Pe\xC3\xB1"
                          "a\r\n")
            << "Nuria Peña|A03||0" << QList<int>{};
        QTest::newRow("Windows-1252 commas, no header") << QByteArray("Nuria Pe\xF1"
                                                                      "a,A03,F,2008\n")
                                                        << "Nuria Peña|A03|F|2008" << QList<int>{};
        QTest::newRow("no header, code first, tabs") << QByteArray("A03\tAna\n\nB7\tLuis Gil\n")
                                                     << "Ana|A03||0 Luis Gil|B7||0" << QList<int>{};
        QTest::newRow("bad rows")
            << QByteArray("Nombre,C\xC3\xB3"
                          "digo,Sexo,A\xC3\xB1o\nAna,A1,X,2008\nEva,A2,F,1899\nLuz,A1,F,1900\nSol,"
                          "a1,F,2009\n,B2,,\n\"Mar, \"\"La\"\"\",B3\n\"Sin,B4\nMaximiliano "
                          "Fern\xC3\xA1ndez,B5\nPaz,B123456\n")
            << "Luz|A1|F|1900 Mar, \"La\"|B3||0" << QList<int>{2, 3, 5, 6, 8, 9, 10};
        QTest::newRow("header without a name") << QByteArray("Sexo;C\xC3\xB3"
                                                             "digo\nF;A1\n")
                                               << "" << QList<int>{};
        QTest::newRow("not text") << QByteArray("Ana;A1\x01\n") << "" << QList<int>{};
    }
    void importReadsSpreadsheetText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, taken);
        QFETCH(QList<int>, refusedLines);
        const AthleteImport read = AthleteImport::read(bytes);
        QStringList got;
        for (const Athlete &a : read.athletes)
            got << QStringList{a.name, a.code, a.sex, QString::number(a.birthYear)}.join(
                QLatin1Char('|'));
        QCOMPARE(got.join(QLatin1Char(' ')), taken);
        QList<int> lines;
        for (const AthleteImport::Refused &r : read.refused)
            lines << r.line;
        QCOMPARE(lines, refusedLines);
        QCOMPARE(read.error.isEmpty(), !taken.isEmpty());
    }

    void migratesFromFirstVersion()
    {
        const QString path = file("v1.sqlite");
        sql(path,
            {QStringLiteral("CREATE TABLE athletes (id INTEGER PRIMARY KEY, code TEXT NOT NULL "
                            "DEFAULT '', name TEXT NOT NULL DEFAULT '')"),
             QStringLiteral(
                 "CREATE TABLE squads (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)"),
             QStringLiteral("CREATE TABLE squad_members (squad INTEGER, position INTEGER, "
                            "athlete INTEGER, PRIMARY KEY (squad, position))"),
             QStringLiteral("INSERT INTO athletes VALUES (7, 'A03', 'Nuria Peña')"),
             QStringLiteral("INSERT INTO squads VALUES (1, 'Cadete')"),
             QStringLiteral("INSERT INTO squad_members VALUES (1, 0, 7)"),
             QStringLiteral("PRAGMA user_version=1")});
        {
            AthleteStore store(path);
            QVERIFY(store.isOpen());
            QCOMPARE(store.squad(QStringLiteral("Cadete"))->members.value(0).name,
                     QStringLiteral("Nuria Peña"));
            QVERIFY(store.learn(
                {{QStringLiteral("a03"), QStringLiteral("X"), QStringLiteral("F"), 2009}}));
            QCOMPARE(store.athletes().value(0).birthYear, 2009);
        }
        sql(path, {QStringLiteral("PRAGMA user_version=99")});
        AthleteStore newer(path);
        QVERIFY(!newer.isOpen());
        QVERIFY(!newer.notice().isEmpty());
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.value(1) == QLatin1String("rounds")) { // writes until killed
        AthleteStore store(args.value(2));
        for (int round = 1;; ++round) {
            if (!store.saveSquad(numbered(round)))
                return 1;
            printf("%d\n", round);
            fflush(stdout);
        }
    }
    if (args.value(1) == QLatin1String("learn")) {
        AthleteStore store(args.value(2));
        for (int i = 0; i < 100; ++i) {
            if (!store.learn({{QStringLiteral("B%1").arg(i), QStringLiteral("Bea"), {}, 0}})) {
                fprintf(stderr, "%s|%s\n", qPrintable(store.notice()),
                        qPrintable(store.errorString()));
                return 1;
            }
        }
        return 0;
    }
    TestAthleteStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_athletestore.moc"
