#include "recorder.h"

#include "onsets.h"
#include "process.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace Bench {

int recordTo(const QString &path, int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QFile data(path);
    QFile start(path + QStringLiteral(".start"));
    QFile arrivals(path + QStringLiteral(".arrivals"));
    if (!data.open(QIODevice::WriteOnly) || !start.open(QIODevice::WriteOnly) ||
        !arrivals.open(QIODevice::WriteOnly))
        return 1;
    QProcess parec;
    qint64 bytes = 0;
    double startMs = std::numeric_limits<double>::max();
    QObject::connect(&parec, &QProcess::readyReadStandardOutput, &app, [&] {
        const QByteArray chunk = parec.readAllStandardOutput();
        data.write(chunk);
        data.flush();
        bytes += chunk.size();
        arrivals.write(QByteArray::number(monoMs(), 'f', 3) + ' ' + QByteArray::number(bytes / 2) +
                       '\n');
        arrivals.flush();
        const double estimate = monoMs() - double(bytes / 2) * 1000.0 / onsets::RecordRate;
        if (estimate < startMs) {
            startMs = estimate;
            start.seek(0);
            start.write(QByteArray::number(startMs, 'f', 3).leftJustified(24, ' '));
            start.flush();
        }
    });
    QObject::connect(&parec, &QProcess::finished, &app, &QCoreApplication::quit);
    // The parent closes this process's input to end the recording.
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char byte = 0;
        if (::read(0, &byte, 1) <= 0) {
            input.setEnabled(false);
            parec.terminate();
        }
    });
    // 10 ms, or what the server's script asks for (50 ms on PipeWire, whose processing block a
    // short recorder would shrink).
    const int latencyMs = qEnvironmentVariableIntValue("ZENTA_RECORD_LATENCY_MS");
    parec.start(QStringLiteral("parec"),
                {QStringLiteral("--device=cues.monitor"), QStringLiteral("--raw"),
                 QStringLiteral("--format=s16le"),
                 QStringLiteral("--rate=%1").arg(onsets::RecordRate),
                 QStringLiteral("--channels=1"),
                 QStringLiteral("--latency-msec=%1").arg(latencyMs > 0 ? latencyMs : 10)});
    if (!parec.waitForStarted(5000))
        return 1;
    return app.exec();
}

QString Recorder::start()
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--record"), m_path});
    if (!m_process.waitForStarted(5000))
        return m_process.errorString();
    // Sound from before the capture runs would be lost; wait for its first 100 ms.
    if (!waitUntil([this] { return QFileInfo(m_path).size() >= onsets::RecordRate / 5; }, 5000))
        return QStringLiteral("parec records nothing");
    return {};
}

void Recorder::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished(1000);
    QFile data(m_path);
    if (data.open(QIODevice::ReadOnly))
        m_data = data.readAll();
    QFile start(m_path + QStringLiteral(".start"));
    if (start.open(QIODevice::ReadOnly))
        m_startMs = start.readAll().trimmed().toDouble();
    QFile arrivals(m_path + QStringLiteral(".arrivals"));
    if (arrivals.open(QIODevice::ReadOnly))
        fitRate(arrivals.readAll());
}

// The recording's rate on the system clock: a line through the earliest arrival of each two
// seconds (data arrives late by up to a fragment, never early), fitted again without the
// stretches far off it: late ones, and the last fragment, which the server hands over early
// when the recorder stops. Kept nominal for recordings too short to tell.
void Recorder::fitRate(const QByteArray &arrivals)
{
    constexpr double BinMs = 2000;
    const double nominal = 1000.0 / onsets::RecordRate;
    struct Point
    {
        double ms, frame;
    };
    QVector<Point> earliest;
    for (const QByteArray &line : arrivals.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() != 2)
            continue;
        const Point p{f[0].toDouble(), f[1].toDouble()};
        const bool sameBin = !earliest.isEmpty() &&
                             std::floor(p.ms / BinMs) == std::floor(earliest.last().ms / BinMs);
        if (!sameBin)
            earliest.append(p);
        else if (p.ms - p.frame * nominal < earliest.last().ms - earliest.last().frame * nominal)
            earliest.last() = p;
    }
    double slope = nominal, meanMs = 0, meanFrame = 0;
    const auto fit = [&](const QVector<Point> &points) {
        if (points.size() < 5)
            return false;
        meanMs = meanFrame = 0;
        for (const Point &p : points) {
            meanMs += p.ms;
            meanFrame += p.frame;
        }
        meanMs /= double(points.size());
        meanFrame /= double(points.size());
        double sxy = 0, sxx = 0;
        for (const Point &p : points) {
            sxy += (p.frame - meanFrame) * (p.ms - meanMs);
            sxx += (p.frame - meanFrame) * (p.frame - meanFrame);
        }
        if (sxx <= 0)
            return false;
        slope = sxy / sxx;
        return true;
    };
    if (!fit(earliest))
        return;
    QVector<double> residuals;
    for (const Point &p : std::as_const(earliest))
        residuals.append(p.ms - (meanMs + (p.frame - meanFrame) * slope));
    QVector<double> sorted = residuals;
    std::sort(sorted.begin(), sorted.end());
    QVector<Point> punctual;
    for (int i = 0; i < earliest.size(); ++i) {
        if (std::abs(residuals[i] - sorted[sorted.size() / 2]) <= 0.5)
            punctual.append(earliest[i]);
    }
    if (!fit(punctual))
        return;
    m_msPerFrame = slope;
    // And the start through the earliest arrival at that rate.
    double start = std::numeric_limits<double>::max();
    for (const Point &p : std::as_const(punctual))
        start = std::min(start, p.ms - p.frame * slope);
    m_startMs = start;
}

} // namespace Bench
