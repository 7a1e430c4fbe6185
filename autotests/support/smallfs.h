#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

// A real file system of two pages, for the full-disk cases: a device like /dev/full fails
// differently from a disk that runs out of room. Mounting it needs root.
class SmallFileSystem
{
public:
    SmallFileSystem()
    {
        if (geteuid() != 0) {
            m_whyNot = QStringLiteral("mounting a small file system needs root");
            return;
        }
        const QByteArray where = QFile::encodeName(m_dir.path());
        if (::mount("tmpfs", where.constData(), "tmpfs", 0, "size=8k") != 0) {
            m_whyNot = QStringLiteral("cannot mount a tmpfs: ") +
                       QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        m_mounted = true;
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    Q_DISABLE_COPY(SmallFileSystem)

    // Empty when mounted.
    QString whyNot() const { return m_whyNot; }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    // Takes up every byte still free.
    void fill() const
    {
        QFile filler(filePath(QStringLiteral("filler")));
        if (filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            const QByteArray page(4096, 'f');
            while (filler.write(page) > 0) {
            }
        }
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_whyNot;
};

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
