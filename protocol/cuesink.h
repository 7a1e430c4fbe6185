#pragma once

#include <QtGlobal>

// Where the run's sounds go. The window talks to this, so tests can listen in without a
// sound device.
class CueSink
{
public:
    virtual ~CueSink() = default;
    // Whether the system has an output device to play on.
    virtual bool available() const = 0;
    // The segment cue, to be heard at dueMs on the engine clock.
    virtual void playCue(qint64 dueMs) = 0;
    // The short alert three seconds before the end of a pause.
    virtual void playAlert(qint64 dueMs) = 0;
};
