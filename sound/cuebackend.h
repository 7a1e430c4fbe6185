#pragma once

// What CuePlayer asks of a sound server's client: the libpulse one, or PipeWire's own. Private
// to the sound layer.

#include "cueplayer.h"
#include "cueschedule.h"

#include <functional>
#include <memory>

class CueBackend
{
public:
    // Called on the client's thread; CuePlayer passes it on to its own.
    using Post = std::function<void(Protocol::CueSink::State)>;
    // Changes the schedule; gets the first frame a change may still reach, returns the first
    // frame it changed (CueSchedule::Never if none).
    using Change = std::function<qint64(CueSchedule &, qint64 keepBefore)>;

    virtual ~CueBackend() = default;
    // Connects and opens the stream; false when there is no server or no output.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Opens the stream, or closes it so the device may rest; the connection stays.
    virtual void setStreaming(bool on) = 0;
    virtual void reschedule(const Change &change) = 0;
    virtual CuePlayer::Stats stats() const = 0;
    // The output device's name as the server shows it.
    virtual QString device() const = 0;
};

namespace CueSound {
// The cue and the alert at the given rate, laid on a schedule.
std::unique_ptr<CueSchedule> makeSchedule(int rate);
// Clock time, in engine milliseconds, of a reading of the monotonic clock.
double engineMs(const Protocol::Clock &clock, qint64 monotonicNs);
} // namespace CueSound
