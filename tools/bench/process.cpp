#include "process.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

namespace Bench {

namespace {

// The fields of a /proc stat line after the command name (which may itself hold spaces), the
// state first; empty when it cannot be read.
QList<QByteArray> statFields(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray stat = file.readAll();
    return stat.mid(stat.lastIndexOf(')') + 2).split(' ');
}

} // namespace

qint64 monotonicNs(clockid_t id)
{
    timespec ts{};
    clock_gettime(id, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double cpuMs()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    const auto ms = [](const timeval &tv) { return tv.tv_sec * 1000.0 + tv.tv_usec / 1000.0; };
    return ms(ru.ru_utime) + ms(ru.ru_stime);
}

qint64 statusKb(const char *field)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

bool resetPeakRss()
{
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    return file.open(QIODevice::WriteOnly) && file.write("5") == 1;
}

// Milliseconds since the kernel started this process (its start time is kept in clock ticks,
// so this is good to 1000 / CLK_TCK ms).
double msSinceProcessStart()
{
    // starttime is field 22 of the line.
    const QList<QByteArray> fields = statFields(QStringLiteral("/proc/self/stat"));
    if (fields.size() < 20)
        return -1;
    const double startS = fields[19].toDouble() / double(sysconf(_SC_CLK_TCK));
    return monotonicNs(CLOCK_BOOTTIME) / 1e6 - startS * 1000.0;
}

QString cpuModel()
{
    QFile file(QStringLiteral("/proc/cpuinfo"));
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.startsWith("model name"))
                return QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
        }
    }
    return QStringLiteral("unknown");
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        runFor(20);
    }
    return true;
}

void out(const QString &text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

double monoMs()
{
    return monotonicNs() / 1e6;
}

double serverCpuMs()
{
    // Summed over the server's processes (PipeWire runs three), from their scripts' pid files.
    const QStringList files =
        qEnvironmentVariable("ZENTA_SERVER_PIDFILES").split(QLatin1Char(' '), Qt::SkipEmptyParts);
    double ms = files.isEmpty() ? -1 : 0;
    for (const QString &file : files) {
        QFile pidFile(file);
        if (!pidFile.open(QIODevice::ReadOnly))
            return -1;
        const QList<QByteArray> fields = statFields(
            QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pidFile.readAll().trimmed())));
        if (fields.size() < 13)
            return -1;
        // utime and stime, fields 14 and 15 of the line.
        ms +=
            (fields[11].toDouble() + fields[12].toDouble()) * 1000.0 / double(sysconf(_SC_CLK_TCK));
    }
    return ms;
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly)
               ? QString::fromLatin1(file.readAll().split(' ').mid(0, 3).join(' '))
               : QStringLiteral("?");
}

} // namespace Bench
