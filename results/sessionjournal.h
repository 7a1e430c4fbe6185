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
// cut loses nothing the operator has seen. One file per running program, locked while it
// runs. It knows nothing of windows; a finished export is reported to it.
class SessionJournal : public QObject
{
    Q_OBJECT
public:
    // Starts a new file in folder (made if missing) holding the model's present cells.
    SessionJournal(ResultsModel &model, const QString &folder, QObject *parent = nullptr);
    ~SessionJournal() override;
    Q_DISABLE_COPY(SessionJournal)

    bool isOpen() const { return m_fd >= 0; }
    QString path() const { return m_path; }
    // Why the journal could not be opened or written.
    QString errorString() const { return m_error; }
    // The grid as it is now is in a results file: only later changes count as unexported.
    void markExported();
    // A test started: the results file of what follows names this period and speed.
    void setConditions(int initialPeriod, const QString &initialSpeed);
    // Stops journalling and leaves the file as it is: the program is ending.
    void close();

    static QString fileSuffix() { return QStringLiteral(".journal"); }

    // What puts written bytes on the disk (fdatasync); a test puts in one that fails.
    using SyncFunction = int (*)(int fd);
    void setSync(SyncFunction sync) { m_sync = sync; }

signals:
    // A write failed; the journal is closed. Sent once.
    void failed(const QString &reason);

private:
    void record(const QModelIndex &topLeft, const QModelIndex &bottomRight);
    bool append(const QByteArray &bytes);
    // Replaces the file's content in one step: the old content or the new, never a mix.
    bool rewrite(const QByteArray &bytes);
    // The header, and the conditions once a test has started: how every rewrite begins.
    QByteArray header() const;
    void fail(const QString &reason);

    QPointer<ResultsModel> m_model; // the window that owns it may go first
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    int m_fd = -1;
    SyncFunction m_sync;
    qint64 m_size = 0;
    QByteArray m_conditions;
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

    // Every unheld journal in folder but except, newest first, read for a grid of this shape.
    static std::vector<std::unique_ptr<LeftJournal>>
    claimAll(const QString &folder, int slotCount, int columns, const QString &except = {});

    QString path() const { return m_path; }
    bool isEmpty() const { return m_empty; }
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
};
