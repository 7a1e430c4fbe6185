#pragma once

#include "onsets.h"
#include "sportprofile.h"

#include <QPair>
#include <QVector>

// The ideal timeline of a stretch of a test, built from the table alone, and what was heard
// against it.
namespace Bench {

struct Run
{
    Protocol::SportProfile profile;
    int startPeriod = 0;
    int periods = 0;
};

struct Sound
{
    double ms = 0; // ideal time after the run's first cue
    bool alert = false;
    bool endsPeriod = false; // the last cue of a period, which begins the pause
    int period = 0;
};

// Three seconds before the end of a pause, on the whole second, as the engine gives it.
int alertOffsetMs(int pauseMs);
// The start cue at 0, every cue one interval after the one before, a pause of its length after
// a period's last cue; not from what the engine reports.
QVector<Sound> idealTimeline(const Run &run);
double runLengthMs(const Run &run);

struct Analysis
{
    int cues = 0;
    int missingCues = 0;
    int alerts = 0;
    int missingAlerts = 0;
    int extraSounds = 0;
    double offsetMs = 0;       // constant removed: first cue heard minus its ideal time
    double medianOffsetMs = 0; // for comparison
    QVector<double> cueErrors; // signed, ms, after removing the offset
    QVector<QPair<int, double>> periodEndDrift;
    double meanAbs = 0, p95Abs = 0, maxAbs = 0;
};

// Onsets are timed on the system clock: msPerFrame is the recording's own rate against it
// (a sink's clock may run a few ppm off, and the sound is due on the system clock).
Analysis analyse(const QVector<Sound> &sounds, const QVector<onsets::Burst> &bursts,
                 double msPerFrame);

// The value at rank ceil(p·n), -1 for no values.
double percentile(QVector<double> v, double p);

} // namespace Bench
