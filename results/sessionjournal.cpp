#include "sessionjournal.h"

#include "resultsmodel.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// A new or renamed file is only safe once its folder's entry is on the disk too.
void syncFolder(const QString &folder)
{
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::unique_ptr<QLockFile> lockFor(const QString &journalPath)
{
    auto lock = std::make_unique<QLockFile>(journalPath + QStringLiteral(".lock"));
    // Only a dead holder makes a lock stale: a program may run for hours.
    lock->setStaleLockTime(0);
    return lock;
}

} // namespace

SessionJournal::SessionJournal(ResultsModel &model, const QString &folder, QObject *parent)
    : QObject(parent), m_model(&model), m_sync(::fdatasync)
{
    if (!QDir().mkpath(folder)) {
        m_error = QStringLiteral("no se puede crear la carpeta");
        return;
    }
    const QString stem = QDir(folder).filePath(
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")) +
        QLatin1Char('-') + QString::number(QCoreApplication::applicationPid()));
    for (int n = 0; n < 100 && m_fd < 0; ++n) {
        m_path = stem + (n ? QLatin1Char('-') + QString::number(n) : QString()) + fileSuffix();
        m_lock = lockFor(m_path);
        if (!m_lock->tryLock(0))
            continue;
        m_fd = ::open(QFile::encodeName(m_path).constData(),
                      O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        m_error = systemError();
        m_lock.reset();
        return;
    }
    const QByteArray start =
        header() + JournalFormat::snapshotLines(m_model->rows(), m_model->columnCount());
    if (!append(start)) {
        m_error = systemError();
        ::close(m_fd);
        m_fd = -1;
        QFile::remove(m_path);
        m_lock.reset();
        return;
    }
    syncFolder(folder);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &SessionJournal::record);
}

SessionJournal::~SessionJournal()
{
    close();
}

QByteArray SessionJournal::header() const
{
    return JournalFormat::headerLine(m_model->rowCount(), m_model->columnCount()) + m_conditions;
}

void SessionJournal::setConditions(int initialPeriod, const QString &initialSpeed)
{
    if (!isOpen())
        return;
    m_conditions = JournalFormat::conditionsLine(initialPeriod, initialSpeed);
    if (!append(m_conditions))
        fail(systemError());
}

void SessionJournal::close()
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_lock.reset();
}

void SessionJournal::record(const QModelIndex &topLeft, const QModelIndex &bottomRight)
{
    if (!isOpen() || !m_model || !topLeft.isValid() || !bottomRight.isValid())
        return;
    const QVector<QStringList> rows = m_model->rows();
    QStringList texts;
    bool empty = true;
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        for (int column = topLeft.column(); column <= bottomRight.column(); ++column)
            texts.append(rows.at(row).at(column));
    }
    for (const QStringList &row : rows) {
        for (const QString &text : row)
            empty = empty && text.isEmpty();
    }
    // An empty grid has nothing to keep: the file starts again from its header.
    const bool ok =
        empty
            ? rewrite(header())
            : append(JournalFormat::cellsLine(topLeft.row() + 1, topLeft.column(),
                                              bottomRight.row() + 1, bottomRight.column(), texts));
    if (!ok)
        fail(systemError());
}

void SessionJournal::markExported()
{
    if (!isOpen() || !m_model)
        return;
    if (!rewrite(header() + JournalFormat::snapshotLines(m_model->rows(), m_model->columnCount()) +
                 JournalFormat::exportedLine()))
        fail(systemError());
}

bool SessionJournal::append(const QByteArray &bytes)
{
    if (!writeAll(m_fd, bytes) || m_sync(m_fd) != 0) {
        const int error = errno;
        // A record cut short would spoil the next one; drop what got through.
        if (::ftruncate(m_fd, m_size) == 0)
            ::fdatasync(m_fd);
        errno = error;
        return false;
    }
    m_size += bytes.size();
    return true;
}

bool SessionJournal::rewrite(const QByteArray &bytes)
{
    const QString next = m_path + QStringLiteral(".new");
    const int fd = ::open(QFile::encodeName(next).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (!writeAll(fd, bytes) || m_sync(fd) != 0 ||
        ::rename(QFile::encodeName(next).constData(), QFile::encodeName(m_path).constData()) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(QFile::encodeName(next).constData());
        errno = error;
        return false;
    }
    syncFolder(QFileInfo(m_path).absolutePath());
    ::close(m_fd);
    m_fd = fd;
    m_size = bytes.size();
    return true;
}

void SessionJournal::fail(const QString &reason)
{
    m_error = reason;
    close();
    emit failed(reason);
}

LeftJournal::~LeftJournal() = default;

std::vector<std::unique_ptr<LeftJournal>>
LeftJournal::claimAll(const QString &folder, int slotCount, int columns, const QString &except)
{
    std::vector<std::unique_ptr<LeftJournal>> claimed;
    const QDir dir(folder);
    const QStringList names = dir.entryList({QLatin1Char('*') + SessionJournal::fileSuffix()},
                                            QDir::Files, QDir::Name | QDir::Reversed);
    for (const QString &name : names) {
        const QString path = dir.filePath(name);
        if (QFileInfo(path) == QFileInfo(except))
            continue;
        std::unique_ptr<LeftJournal> left(new LeftJournal);
        left->m_path = path;
        left->m_lock = lockFor(path);
        if (!left->m_lock->tryLock(0))
            continue;                                 // a running program's own
        QFile::remove(path + QStringLiteral(".new")); // a rewrite the holder never finished
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        left->m_empty = bytes.isEmpty();
        left->m_reading = JournalReading::read(bytes, slotCount, columns);
        claimed.push_back(std::move(left));
    }
    return claimed;
}

QString LeftJournal::setAside()
{
    QString target = m_path + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = m_path + QStringLiteral(".damaged-") + QString::number(n);
    if (!QFile::rename(m_path, target))
        return {};
    syncFolder(QFileInfo(m_path).absolutePath());
    return target;
}

bool LeftJournal::remove()
{
    if (!QFile::remove(m_path))
        return false;
    syncFolder(QFileInfo(m_path).absolutePath());
    return true;
}
