#pragma once

#include "journalformat.h"
#include "resultsmodel.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

class QLockFile;
class QModelIndex;

// This run's journal of the results: every change of the results model is appended to a file
// of its own and flushed to the disk before the change returns, so a crash, a kill or a power
// cut loses nothing the operator has seen. One file per running program, locked for as long as
// the program runs, even when it cannot be written. It knows nothing of windows; a finished
// export is reported to it.
class SessionJournal : public QObject
{
    Q_OBJECT
public:
    // Starts a new file in folder (made if missing) holding the model's present cells.
    SessionJournal(ResultsModel &model, const QString &folder, QObject *parent = nullptr);
    ~SessionJournal() override;
    Q_DISABLE_COPY(SessionJournal)

    bool isOpen() const { return m_fd >= 0; }
    // False from a failed write until a later one has put the whole grid on the disk again.
    bool upToDate() const { return !m_outOfDate; }
    QString path() const { return m_path; }
    // Why the journal could not be opened or written.
    QString errorString() const { return m_error; }
    // The grid as it is now is in a results file: only later changes count as unexported.
    void markExported();
    // A test started: the results file and report of what follows name its conditions.
    void setConditions(const TestConditions &test);
    // Stops journalling and leaves the file as it is: the program is ending.
    void close();

    static QString fileSuffix() { return QStringLiteral(".journal"); }

    // What puts written bytes on the disk (fdatasync); a test puts in one that fails.
    using SyncFunction = int (*)(int fd);
    void setSync(SyncFunction sync) { m_sync = sync; }

signals:
    // A write failed: the file lacks the latest changes, each of which tries again to write the
    // whole grid. Sent as the file goes out of date, not at every failure after that.
    void failed(const QString &reason);

private:
    void record(const QModelIndex &topLeft, const QModelIndex &bottomRight);
    // One change: record appended, or the whole grid again while the file is out of date.
    void save(const QByteArray &record);
    // After a write: a file brought up to date loses its mark, a failed write gives it one.
    void settle(bool written);
    bool append(const QByteArray &bytes);
    // Replaces the file's content in one step: the old content or the new, never a mix.
    bool rewrite(const QByteArray &bytes);
    // The header, and the conditions once a test has started: how every rewrite begins.
    QByteArray header() const;
    // The header, the grid as last exported with its mark, and the grid now.
    QByteArray whole() const;

    QPointer<ResultsModel> m_model; // the window that owns it may go first
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    int m_fd = -1;
    SyncFunction m_sync;
    qint64 m_size = 0;
    QByteArray m_conditions;
    QVector<QStringList> m_exportedRows;
    bool m_outOfDate = false;
    QString m_error;
};

// A journal that an earlier run left in the folder and no running program holds. Claiming it
// locks it, so two programs starting together never both take it; the lock goes with the
// object.
class LeftJournal
{
public:
    ~LeftJournal();
    Q_DISABLE_COPY(LeftJournal)

    // Every unheld journal in folder but except, newest first, read for a grid of this shape. A
    // journal is held while its lock names a live process of this machine. Only regular files
    // are read; the names of the others go to skipped.
    static std::vector<std::unique_ptr<LeftJournal>> claimAll(const QString &folder, int slotCount,
                                                              int columns,
                                                              const QString &except = {},
                                                              QStringList *skipped = nullptr);

    QString path() const { return m_path; }
    bool isEmpty() const { return m_empty; }
    // Its program could not write some of its last changes.
    bool outOfDate() const { return m_outOfDate; }
    const JournalReading &reading() const { return m_reading; }
    // Renames the file so it is kept but never read as a journal again; the new path, or
    // empty when it could not be renamed.
    QString setAside();
    // Deletes the file: what it held is safe elsewhere, or the operator let it go.
    bool remove();

private:
    LeftJournal() = default;

    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    JournalReading m_reading;
    bool m_empty = false;
    bool m_outOfDate = false;
};
