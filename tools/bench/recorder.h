#pragma once

#include "onsets.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace Bench {

// parec on the sink's monitor, read by a child process of this benchmark so that reading it
// costs the measured process nothing. The child also says when the first frame was heard, on
// the monotonic clock: data arrives after it was captured, never before, so the earliest
// estimate over all arrivals is the best. The null sink hands its monitor what it renders,
// which is the device latency (printed with the results) before a card would play it.
int recordTo(const QString &path, int argc, char **argv);

// Runs recordTo in a child process of this benchmark, from start() to stop().
class Recorder
{
public:
    explicit Recorder(const QString &path)
        : m_path(path.isEmpty() ? m_temp.filePath(QStringLiteral("recording.raw")) : path)
    {
    }
    ~Recorder() { stop(); }

    // Empty when the recording runs, else why not.
    QString start();
    void stop();

    const QByteArray &data() const { return m_data; }
    double startMs() const { return m_startMs; }
    // The recording's frame length on the system clock, as its arrivals tell.
    double msPerFrame() const { return m_msPerFrame; }

private:
    void fitRate(const QByteArray &arrivals);

    QTemporaryDir m_temp;
    QString m_path;
    QProcess m_process;
    QByteArray m_data;
    double m_startMs = 0;
    double m_msPerFrame = 1000.0 / onsets::RecordRate;
};

} // namespace Bench
