#include "athletestore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

namespace {

// How long a write waits for another running program's transaction before giving up.
constexpr int busyTimeoutMs = 5000;

// The steps from each schema version to the next; step i takes version i to i + 1.
const QList<QStringList> &migrations()
{
    static const QList<QStringList> steps = {
        // 0 -> 1: code and name only.
        {QStringLiteral("CREATE TABLE athletes (id INTEGER PRIMARY KEY, code TEXT NOT NULL "
                        "DEFAULT '', name TEXT NOT NULL DEFAULT '')"),
         QStringLiteral("CREATE TABLE squads (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)"),
         QStringLiteral("CREATE TABLE squad_members (squad INTEGER NOT NULL REFERENCES squads(id) "
                        "ON DELETE CASCADE, position INTEGER NOT NULL, athlete INTEGER NOT NULL "
                        "REFERENCES athletes(id), PRIMARY KEY (squad, position))")},
        // 1 -> 2: sex and year of birth, for the history and a norm; the sport of a squad.
        {QStringLiteral("ALTER TABLE athletes ADD COLUMN sex TEXT NOT NULL DEFAULT ''"),
         QStringLiteral("ALTER TABLE athletes ADD COLUMN birth_year INTEGER NOT NULL DEFAULT 0"),
         QStringLiteral("ALTER TABLE squads ADD COLUMN sport TEXT NOT NULL DEFAULT ''"),
         QStringLiteral("CREATE INDEX athletes_code ON athletes (code COLLATE NOCASE)")},
    };
    return steps;
}

enum class Opening { Ok, Damaged, Failed };

// SQLITE_CORRUPT and SQLITE_NOTADB, extended codes included; a busy or full disk is not damage.
bool isDamage(const QSqlError &error)
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == 11 || code == 26;
}

// Never a null string: Qt SQL binds that as NULL.
QString cleaned(const QString &text)
{
    const QString out = text.trimmed();
    return out.isNull() ? QStringLiteral("") : out;
}

} // namespace

AthleteStore::AthleteStore(const QString &path)
    : m_path(path),
      m_connection(QStringLiteral("athletes-%1").arg(reinterpret_cast<quintptr>(this), 0, 16))
{
    m_open = open();
}

AthleteStore::~AthleteStore()
{
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

QString AthleteStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/ZENTA/athletes.sqlite");
}

QString AthleteStore::fold(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            out.append(c);
    }
    return out.toCaseFolded();
}

bool AthleteStore::open()
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    Opening result = Opening::Failed;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        if (!db.isValid()) {
            m_notice = QStringLiteral("No se encuentra el controlador SQLite de Qt: las plantillas "
                                      "y los deportistas conocidos no están disponibles.");
            return false;
        }
        db.setDatabaseName(m_path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
        result = db.open() ? (prepare(db) ? Opening::Ok : Opening::Failed) : Opening::Failed;
        if (result == Opening::Failed && isDamage(db.lastError()))
            result = Opening::Damaged;
        if (result == Opening::Failed && m_error == QLatin1String("damaged"))
            result = Opening::Damaged;
    }
    if (result == Opening::Ok)
        return true;
    if (result == Opening::Failed) {
        if (m_notice.isEmpty())
            m_notice = QStringLiteral("No se puede abrir la base de deportistas %1: %2")
                           .arg(QDir::toNativeSeparators(m_path), m_error);
        return false;
    }
    setAside();
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    return db.open() && prepare(db);
}

bool AthleteStore::prepare(QSqlDatabase &db)
{
    QSqlQuery q(db);
    const auto run = [&](const QString &sql) {
        if (q.exec(sql))
            return true;
        m_error = isDamage(q.lastError()) ? QStringLiteral("damaged") : q.lastError().text();
        return false;
    };
    // WAL: a commit is one append and one sync of the WAL file, readers are never blocked by the
    // other program's writer, and a kill leaves a WAL that the next open rolls forward or drops
    // whole. FULL syncs the WAL on every commit, so a power cut loses nothing committed.
    if (!run(QStringLiteral("PRAGMA busy_timeout=%1").arg(busyTimeoutMs)) ||
        !run(QStringLiteral("PRAGMA journal_mode=WAL")) ||
        !run(QStringLiteral("PRAGMA synchronous=FULL")) ||
        !run(QStringLiteral("PRAGMA foreign_keys=ON")) ||
        !run(QStringLiteral("PRAGMA quick_check")))
        return false;
    if (!q.next() || q.value(0).toString() != QLatin1String("ok")) {
        m_error = QStringLiteral("damaged");
        return false;
    }
    if (!run(QStringLiteral("PRAGMA user_version")) || !q.next())
        return false;
    const int version = q.value(0).toInt();
    // A statement left open holds its read snapshot; a write from it could not wait its turn.
    q.finish();
    if (version > schemaVersion) {
        m_notice = QStringLiteral("La base de deportistas %1 es de una versión más reciente del "
                                  "programa; no se usa ni se modifica.")
                       .arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    return version == schemaVersion || migrate(db, version);
}

bool AthleteStore::migrate(QSqlDatabase &db, int from)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return fail(q);
    // Another program may have migrated while this one waited for the lock.
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return fail(q);
    const int now = q.value(0).toInt();
    if (now != from) {
        q.exec(QStringLiteral("ROLLBACK"));
        return now == schemaVersion;
    }
    for (int version = from; version < schemaVersion; ++version) {
        for (const QString &sql : migrations().at(version)) {
            if (!q.exec(sql)) {
                fail(q);
                QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
                return false;
            }
        }
    }
    if (!q.exec(QStringLiteral("PRAGMA user_version=%1").arg(schemaVersion)) ||
        !q.exec(QStringLiteral("COMMIT"))) {
        fail(q);
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return true;
}

void AthleteStore::setAside()
{
    QSqlDatabase::database(m_connection, false).close();
    const QString kept = m_path + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const bool renamed = QFile::rename(m_path, kept);
    // The WAL belongs to the damaged file: kept beside it, never rolled into the new one.
    for (const QString &suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFile::exists(m_path + suffix) && !QFile::rename(m_path + suffix, kept + suffix))
            QFile::remove(m_path + suffix);
    }
    m_notice = renamed
                   ? QStringLiteral("La base de deportistas estaba dañada. Se ha guardado aparte "
                                    "como %1 y se empieza una nueva.")
                         .arg(QDir::toNativeSeparators(kept))
                   : QStringLiteral("La base de deportistas %1 está dañada y no se puede apartar.")
                         .arg(QDir::toNativeSeparators(m_path));
    m_error.clear();
}

bool AthleteStore::begin()
{
    if (!m_open) {
        m_error = QStringLiteral("La base de deportistas no está disponible.");
        return false;
    }
    // IMMEDIATE takes the write lock at once, so the busy timeout applies; a deferred
    // transaction could fail mid-way when the other program writes first.
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    return q.exec(QStringLiteral("BEGIN IMMEDIATE")) || fail(q);
}

bool AthleteStore::commit()
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (q.exec(QStringLiteral("COMMIT")))
        return true;
    fail(q);
    QSqlQuery(QSqlDatabase::database(m_connection, false)).exec(QStringLiteral("ROLLBACK"));
    return false;
}

bool AthleteStore::fail(const QSqlQuery &query)
{
    m_error = QStringLiteral("Error de la base de deportistas: ") + query.lastError().text();
    return false;
}

bool AthleteStore::run(QSqlQuery &query, const QString &sql, const QVariantList &values)
{
    query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec() || fail(query);
}

QList<Athlete> AthleteStore::athletes() const
{
    QList<Athlete> out;
    if (!m_open)
        return out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.exec(QStringLiteral("SELECT code, name, sex, birth_year FROM athletes ORDER BY name, code"));
    while (q.next())
        out.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                    q.value(3).toInt()});
    return out;
}

qint64 AthleteStore::learnOne(const Athlete &athlete)
{
    const QString code = cleaned(athlete.code);
    const QString name = cleaned(athlete.name);
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    const auto exec = [&](const QString &sql, const QVariantList &values) {
        return run(q, sql, values);
    };
    qint64 id = 0;
    if (!code.isEmpty()) {
        if (!exec(QStringLiteral("SELECT id FROM athletes WHERE code = ? COLLATE NOCASE"), {code}))
            return 0;
        if (q.next()) {
            id = q.value(0).toLongLong();
        } else {
            // A name first seen without a code takes the code now.
            if (!exec(QStringLiteral("SELECT id FROM athletes WHERE code = '' AND name = ?"),
                      {name}))
                return 0;
            if (q.next()) {
                id = q.value(0).toLongLong();
                if (!exec(QStringLiteral("UPDATE athletes SET code = ? WHERE id = ?"), {code, id}))
                    return 0;
            }
        }
    } else {
        if (!exec(QStringLiteral("SELECT id FROM athletes WHERE name = ? ORDER BY code = '' DESC"),
                  {name}))
            return 0;
        if (q.next())
            id = q.value(0).toLongLong();
    }
    if (id == 0) {
        if (!exec(QStringLiteral("INSERT INTO athletes (code, name) VALUES (?, ?)"), {code, name}))
            return 0;
        id = q.lastInsertId().toLongLong();
    }
    // Sex and year fill what is unknown; what is on record stays.
    if (!exec(QStringLiteral("UPDATE athletes SET sex = CASE sex WHEN '' THEN ? ELSE sex END, "
                             "birth_year = CASE birth_year WHEN 0 THEN ? ELSE birth_year END "
                             "WHERE id = ?"),
              {cleaned(athlete.sex), athlete.birthYear, id}))
        return 0;
    return id;
}

bool AthleteStore::learn(const QList<Athlete> &athletes)
{
    if (!begin())
        return false;
    for (const Athlete &athlete : athletes) {
        if (cleaned(athlete.code).isEmpty() && cleaned(athlete.name).isEmpty())
            continue;
        if (learnOne(athlete) == 0) {
            QSqlQuery(QSqlDatabase::database(m_connection, false)).exec(QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    return commit();
}

QStringList AthleteStore::squadNames() const
{
    QStringList out;
    if (!m_open)
        return out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.exec(QStringLiteral("SELECT name FROM squads ORDER BY name"));
    while (q.next())
        out.append(q.value(0).toString());
    return out;
}

std::optional<Squad> AthleteStore::squad(const QString &name) const
{
    if (!m_open)
        return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT id, sport FROM squads WHERE name = ?"));
    q.addBindValue(name);
    if (!q.exec() || !q.next())
        return std::nullopt;
    Squad squad{name, q.value(1).toString(), {}};
    const qint64 id = q.value(0).toLongLong();
    q.prepare(QStringLiteral("SELECT a.code, a.name, a.sex, a.birth_year FROM squad_members m "
                             "JOIN athletes a ON a.id = m.athlete WHERE m.squad = ? "
                             "ORDER BY m.position"));
    q.addBindValue(id);
    if (!q.exec())
        return std::nullopt;
    while (q.next())
        squad.members.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                              q.value(3).toInt()});
    return squad;
}

bool AthleteStore::saveSquad(const Squad &squad)
{
    if (!begin())
        return false;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    const auto exec = [&](const QString &sql, const QVariantList &values) {
        return run(q, sql, values);
    };
    bool ok = exec(QStringLiteral("DELETE FROM squads WHERE name = ?"), {cleaned(squad.name)}) &&
              exec(QStringLiteral("INSERT INTO squads (name, sport) VALUES (?, ?)"),
                   {cleaned(squad.name), cleaned(squad.sport)});
    const qint64 squadId = ok ? q.lastInsertId().toLongLong() : 0;
    int position = 0;
    for (const Athlete &member : squad.members) {
        if (!ok)
            break;
        if (cleaned(member.code).isEmpty() && cleaned(member.name).isEmpty())
            continue;
        const qint64 athleteId = learnOne(member);
        ok = athleteId != 0 &&
             exec(QStringLiteral("INSERT INTO squad_members (squad, position, athlete) VALUES "
                                 "(?, ?, ?)"),
                  {squadId, position++, athleteId});
    }
    if (!ok) {
        QSqlQuery(QSqlDatabase::database(m_connection, false)).exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return commit();
}

bool AthleteStore::removeSquad(const QString &name)
{
    if (!begin())
        return false;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("DELETE FROM squads WHERE name = ?"));
    q.addBindValue(name);
    if (!q.exec()) {
        fail(q);
        QSqlQuery(QSqlDatabase::database(m_connection, false)).exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return commit();
}

bool AthleteStore::renameSquad(const QString &from, const QString &to)
{
    if (!begin())
        return false;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("UPDATE squads SET name = ? WHERE name = ?"));
    q.addBindValue(to);
    q.addBindValue(from);
    if (!q.exec()) {
        m_error = QStringLiteral("Ya existe una plantilla llamada «%1».").arg(to);
        QSqlQuery(QSqlDatabase::database(m_connection, false)).exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return commit();
}
