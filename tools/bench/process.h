#pragma once

#include <QString>

#include <functional>
#include <time.h>

// What the benchmark reads about processes and the machine, and the event-loop waits it runs on.
namespace Bench {

qint64 monotonicNs(clockid_t id = CLOCK_MONOTONIC);
double monoMs();
// CPU time of this process, all its threads, in ms.
double cpuMs();
// A field of /proc/self/status in kB, e.g. "VmRSS" or "VmHWM".
qint64 statusKb(const char *field);
// Resets VmHWM to the current resident size, so each part of the run gets its own peak.
bool resetPeakRss();
// Milliseconds since the kernel started this process, good to 1000 / CLK_TCK ms.
double msSinceProcessStart();
// CPU time of the sound server, all its threads, in ms; -1 when it is not known.
double serverCpuMs();
QString cpuModel();
QString loadAverage();

// An event loop for a while; QTest::qWait would sleep in between and make every timer late.
void runFor(int ms);
bool waitUntil(const std::function<bool()> &done, int timeoutMs);
void out(const QString &text);

} // namespace Bench
