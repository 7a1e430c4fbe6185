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
#include <sys/stat.h>
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

void syncPath(const QString &path, int flags = 0)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | flags);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A new or renamed file is only safe once its folder's entry is on the disk too.
void syncFolder(const QString &folder)
{
    syncPath(folder, O_DIRECTORY);
}

// Beside a journal that lacks its program's latest changes. Empty: making it needs no room.
QString outOfDateMark(const QString &journalPath)
{
    return journalPath + QStringLiteral(".outofdate");
}

std::unique_ptr<QLockFile> lockFor(const QString &journalPath)
{
    auto lock = std::make_unique<QLockFile>(journalPath + QStringLiteral(".lock"));
    // Only a dead holder makes a lock stale: a program may run for hours.
    lock->setStaleLockTime(0);
    return lock;
}

// Takes a left journal's lock. One that names no process (its contents never reached the disk
// before a power cut, or are garbage) is as stale as one naming a dead process, which Qt sees
// to itself; unless it was made a moment ago, by a program that is filling it in.
bool claim(QLockFile &lock, const QString &journalPath)
{
    if (lock.tryLock(0))
        return true;
    const QString lockPath = journalPath + QStringLiteral(".lock");
    const auto namesNoOne = [&] {
        qint64 pid = 0;
        QString host, app;
        const QDateTime written = QFileInfo(lockPath).lastModified();
        return !lock.getLockInfo(&pid, &host, &app) && written.isValid() &&
               qAbs(written.secsTo(QDateTime::currentDateTime())) > 10;
    };
    if (lock.error() != QLockFile::LockFailedError || !namesNoOne())
        return false;
    // As Qt does for a dead holder: two programs starting together never both remove it.
    QLockFile removing(lockPath + QStringLiteral(".rmlock"));
    return removing.tryLock(0) && namesNoOne() && lock.removeStaleLockFile() && lock.tryLock(0);
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
        syncPath(m_path + QStringLiteral(".lock")); // a lock that names us, after a power cut too
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

QByteArray SessionJournal::whole() const
{
    const QVector<QStringList> rows = m_model->rows();
    const int columns = m_model->columnCount();
    QByteArray bytes = header();
    if (JournalFormat::anyText(m_exportedRows))
        bytes +=
            JournalFormat::snapshotLines(m_exportedRows, columns) + JournalFormat::exportedLine();
    if (rows != m_exportedRows)
        bytes += JournalFormat::snapshotLines(rows, columns);
    return bytes;
}

void SessionJournal::setConditions(const TestConditions &test)
{
    if (!isOpen())
        return;
    m_conditions = JournalFormat::conditionsLine(test);
    save(m_conditions);
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
    // An empty grid has nothing to keep: the file starts again from its header.
    if (!JournalFormat::anyText(rows)) {
        m_exportedRows.clear();
        settle(rewrite(header()));
        return;
    }
    QStringList texts;
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        for (int column = topLeft.column(); column <= bottomRight.column(); ++column)
            texts.append(rows.at(row).at(column));
    }
    save(JournalFormat::cellsLine(topLeft.row() + 1, topLeft.column(), bottomRight.row() + 1,
                                  bottomRight.column(), texts));
}

void SessionJournal::markExported()
{
    if (!isOpen() || !m_model)
        return;
    m_exportedRows = m_model->rows();
    settle(rewrite(whole()));
}

void SessionJournal::save(const QByteArray &record)
{
    settle(m_outOfDate ? rewrite(whole()) : append(record));
}

void SessionJournal::settle(bool written)
{
    if (!written)
        m_error = systemError();
    if (written == !m_outOfDate)
        return;
    m_outOfDate = !written;
    const QByteArray mark = QFile::encodeName(outOfDateMark(m_path));
    if (written) {
        ::unlink(mark.constData());
    } else {
        const int fd = ::open(mark.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::close(fd);
    }
    syncFolder(QFileInfo(m_path).absolutePath());
    if (!written)
        emit failed(m_error);
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

LeftJournal::~LeftJournal() = default;

std::vector<std::unique_ptr<LeftJournal>> LeftJournal::claimAll(const QString &folder,
                                                                int slotCount, int columns,
                                                                const QString &except,
                                                                QStringList *skipped)
{
    std::vector<std::unique_ptr<LeftJournal>> claimed;
    const QDir dir(folder);
    const QStringList names = dir.entryList({QLatin1Char('*') + SessionJournal::fileSuffix()},
                                            QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                                            QDir::Name | QDir::Reversed);
    for (const QString &name : names) {
        const QString path = dir.filePath(name);
        if (QFileInfo(path) == QFileInfo(except))
            continue;
        // A link may lead anywhere, and opening a FIFO waits for a writer: regular files only.
        struct stat status = {};
        const QByteArray encoded = QFile::encodeName(path);
        if (::lstat(encoded.constData(), &status) != 0 || !S_ISREG(status.st_mode)) {
            if (skipped)
                skipped->append(name);
            continue;
        }
        std::unique_ptr<LeftJournal> left(new LeftJournal);
        left->m_path = path;
        left->m_lock = lockFor(path);
        if (!claim(*left->m_lock, path))
            continue;                                 // a running program's own
        QFile::remove(path + QStringLiteral(".new")); // a rewrite the holder never finished
        QFile file;
        const int fd = ::open(encoded.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            if (fd >= 0)
                ::close(fd);
            continue;
        }
        const QByteArray bytes = file.readAll();
        left->m_empty = bytes.isEmpty();
        left->m_outOfDate = QFileInfo::exists(outOfDateMark(path));
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
    QFile::remove(outOfDateMark(m_path)); // what it says has been told
    syncFolder(QFileInfo(m_path).absolutePath());
    return target;
}

bool LeftJournal::remove()
{
    if (!QFile::remove(m_path))
        return false;
    QFile::remove(outOfDateMark(m_path));
    syncFolder(QFileInfo(m_path).absolutePath());
    return true;
}
