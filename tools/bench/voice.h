#pragma once

#include "timeline.h"

#include <QString>

// The cost of the spoken phrases: the sound layer run twice over the same stretch, announcements
// and stop confirmations off, then on.
namespace Bench {

struct VoiceRun
{
    double runMs = 0;
    double cpuMs = 0;
    qint64 peakRssKb = 0;
    int phrases = 0; // phrases planned
};

struct VoiceCost
{
    QString error; // why it could not run, or why nothing was said
    VoiceRun off, on;
    double speechSetUpMs = 0; // the synthesiser's set-up, once per process
    qint64 speechSetUpKb = 0; // and the memory it takes
    bool ran() const { return off.runMs > 0 && on.runMs > 0; }
};

// The stretch: the run's periods, through the pause after the last one (its announcement
// included); three stops confirmed in the first period.
VoiceCost runVoiceCost(const Run &run);
// The table the README quotes.
void printVoiceReport(const VoiceCost &v);

} // namespace Bench
