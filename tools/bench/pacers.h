#pragma once

#include "cueplayer.h"
#include "timeline.h"

#include <QByteArray>
#include <QString>

// The stretch of a test paced without the window: the sound layer as the program drives it, and
// the baselines it is compared with.
namespace Bench {

struct PartResult
{
    QString name;
    QString sound;
    QString error; // why the part could not run
    double runMs = 0;
    double cpuMs = 0;
    double serverCpuMs = -1;
    qint64 peakRssKb = 0;
    QByteArray recording;
    double msPerFrame = 1000.0 / onsets::RecordRate; // of the recording, on the system clock
    CuePlayer::Stats stats;                          // the sound layer's stream
};

// The sound layer as the program drives it, without the window: the engine driver hands the
// cue player its plan; the driver's own timer polls the engine.
PartResult runSoundLayer(const Run &run, const QString &recordingPath);
// A baseline: the naive pacer, or the engine's ideal timeline; either plays each cue as a
// one-shot sound when its timer fires.
PartResult runBaseline(const Run &run, const QString &recordingPath, bool useSoundEffect,
                       bool idealTimeline);
// The same pacing with the sound left out: what the polling alone costs.
PartResult runPollingOnly(const Run &run);

} // namespace Bench
