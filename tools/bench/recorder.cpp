#include "recorder.h"

#include "onsets.h"
#include "process.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <unistd.h>

#include <limits>

namespace Bench {

int recordTo(const QString &path, int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QFile data(path);
    QFile start(path + QStringLiteral(".start"));
    if (!data.open(QIODevice::WriteOnly) || !start.open(QIODevice::WriteOnly))
        return 1;
    QProcess parec;
    qint64 bytes = 0;
    double startMs = std::numeric_limits<double>::max();
    QObject::connect(&parec, &QProcess::readyReadStandardOutput, &app, [&] {
        const QByteArray chunk = parec.readAllStandardOutput();
        data.write(chunk);
        data.flush();
        bytes += chunk.size();
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
}

} // namespace Bench
