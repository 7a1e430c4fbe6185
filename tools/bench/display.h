#pragma once

#include "windowrun.h"

#include <QVector>

// The athletes' display: what the program costs running a test with it open against without it,
// and how its paint follows the sound.
namespace Bench {

struct DisplayCost
{
    WindowRunResult without, with;
    QVector<double> skewMs; // heard onset minus the display's paint of the same cue
    int missing = 0;        // cues with no onset heard, or no paint seen
};

// Two runs of the program from the same period, the second with the display open.
DisplayCost measureDisplay(const WindowRunPlan &plan);

} // namespace Bench
