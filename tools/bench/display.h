#pragma once

#include "windowrun.h"

#include <QVector>

// The athletes' display: what the program costs running a test with it open against without it,
// and how its paint follows the sound.
namespace Bench {

struct DisplayRun
{
    QString error;
    double runMs = 0, cpuMs = 0;
    qint64 peakRssKb = 0;
    int displayWidth = 0, displayHeight = 0;
    // The display's first paint after it took each cue; -1 when none came.
    QVector<double> dueMs, paintedMs;
    QByteArray recording;
    double recordingStartMs = 0;
    double msPerFrame = 0;
};

struct DisplayCost
{
    DisplayRun without, with;
    QVector<double> skewMs; // heard onset minus the display's paint of the same cue
    int missing = 0;        // cues with no onset heard, or no paint seen
};

// Two runs of the program from the same period, the second with the display open.
DisplayCost measureDisplay(const WindowRunPlan &plan);

} // namespace Bench
