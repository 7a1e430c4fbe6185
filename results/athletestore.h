#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

class QSqlDatabase;
class QSqlQuery;

// An athlete the program has seen: in a squad, an import, an export or a recovered journal.
struct Athlete
{
    QString code;      // as typed; compared without regard to case
    QString name;      // the grid's name cell
    QString sex;       // "M", "F" or empty
    int birthYear = 0; // 0 when unknown
};

// A named list of athletes in slot order; sport is the program title it was saved from, or
// empty.
struct Squad
{
    QString name;
    QString sport;
    QList<Athlete> members;
};

// The athletes and squads kept from one test day to the next, in one SQLite file shared by every
// sport's edition. Every change is one transaction, written ahead into SQLite's WAL file and
// synced on commit, so a kill or a power cut leaves the last committed state. A second running
// program waits its turn on SQLite's lock. A file SQLite reports as damaged is renamed, kept,
// and a new one started; notice() says so once.
class AthleteStore
{
public:
    static constexpr int schemaVersion = 2;

    explicit AthleteStore(const QString &path = defaultPath());
    ~AthleteStore();
    AthleteStore(const AthleteStore &) = delete;
    AthleteStore &operator=(const AthleteStore &) = delete;

    // The generic data folder's "ZENTA" subfolder: the application name differs per edition.
    static QString defaultPath();
    // Lower case, accents dropped: how typed names and codes are matched.
    static QString fold(const QString &text);

    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }
    // What the operator should be told about opening the store (a damaged file set aside, a
    // store that cannot be used), or empty.
    QString notice() const { return m_notice; }
    // Why the last operation failed.
    QString errorString() const { return m_error; }

    QList<Athlete> athletes() const;
    // Makes every athlete known, in one transaction. A known code keeps its name on record; a
    // name without code already known is not added again.
    bool learn(const QList<Athlete> &athletes);

    QStringList squadNames() const;
    std::optional<Squad> squad(const QString &name) const;
    // Writes the squad whole, replacing one of the same name; its members become known.
    bool saveSquad(const Squad &squad);
    bool removeSquad(const QString &name);
    bool renameSquad(const QString &from, const QString &to);

private:
    bool open();
    bool prepare(QSqlDatabase &db);
    bool migrate(QSqlDatabase &db, int from);
    void setAside();
    bool begin();
    bool commit();
    bool fail(const QSqlQuery &query);
    // Prepares, binds in order and runs; false with the error kept.
    bool run(QSqlQuery &query, const QString &sql, const QVariantList &values);
    // The id of the athlete on record for this one, added or completed as needed; 0 on error.
    qint64 learnOne(const Athlete &athlete);

    QString m_path;
    QString m_connection;
    QString m_notice;
    QString m_error;
    bool m_open = false;
};
