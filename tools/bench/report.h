#pragma once

#include "display.h"
#include "pacers.h"
#include "timeline.h"
#include "voice.h"
#include "windowrun.h"

#include <QMap>
#include <QString>
#include <QVector>

// Everything one benchmark run measured; the parts left out stay empty and read 0.
namespace Bench {

struct Measurements
{
    Run run;
    QVector<Sound> timeline;
    // Start-up and memory, each launch a process of its own.
    QVector<double> launchToPaint, kernelToPaint, restRss, openSound;
    QMap<QString, QString> rest, longRun;
    QVector<QMap<QString, QString>> launches;
    // The stretch of a test, paced four ways, and the polling alone.
    WindowRunResult program;
    PartResult layer, ideal, naive, polling;
    // The program with the athletes' display open against without it.
    DisplayCost display;
    // Spoken phrases, on and off, in the sound layer alone.
    VoiceCost voice;
};

// The tables the README quotes, against the goals, on standard output.
void printReport(const Measurements &m);

} // namespace Bench
