#pragma once

#include "sportprofile.h"

#include <QMap>
#include <QString>
#include <QStringList>

// Measurements that need a process of their own (start-up, memory, one launch's timing): the
// benchmark starts itself with a probe's arguments and reads back one tagged line of values.
namespace Bench {

// A short run in a process of its own: skew, start and stop of one launch.
int probeInStep(Protocol::SportVariant variant, int argc, char **argv);
// The program at rest, as main.cpp leaves it, ready for a test: CPU of it and of the server.
int probeRest(Protocol::SportVariant variant, int argc, char **argv);
// The app's own start: clock, player opened, then the window, shown.
int probeStartup(Protocol::SportVariant variant, int argc, char **argv);
// A whole test from period 1 on a clock moved by hand, the window painting as it goes.
int probeLongRun(Protocol::SportVariant variant, int periods, int argc, char **argv);

// Runs the benchmark as a probe and returns the values it printed; launchNs is when it was
// started, on the monotonic clock.
QMap<QString, QString> runProbe(const QStringList &args, qint64 *launchNs);

} // namespace Bench
