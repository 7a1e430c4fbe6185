#pragma once

#include <QObject>
#include <QString>
#include <QVector>

namespace Protocol {

// One sound of the run as the engine plans it: a cue, the alert before a pause ends, or a
// spoken phrase (the announcements and the stop confirmations).
struct PlannedSound
{
    PlannedSound() = default;
    PlannedSound(qint64 due, bool isAlert) : dueMs(due), alert(isAlert) {}
    PlannedSound(qint64 due, const QString &said, bool quietly)
        : dueMs(due), phrase(said), quiet(quietly)
    {
    }

    qint64 dueMs = 0; // on the engine clock
    bool alert = false;
    QString phrase;     // spoken when not empty
    bool quiet = false; // a phrase for the coach, at a lower gain
    bool spoken() const { return !phrase.isEmpty(); }
    friend bool operator==(const PlannedSound &a, const PlannedSound &b)
    {
        return a.dueMs == b.dueMs && a.alert == b.alert && a.phrase == b.phrase &&
               a.quiet == b.quiet;
    }
};
using SoundPlan = QVector<PlannedSound>;

// Where the run's sounds go. The engine driver talks to this, so the window and its tests need
// no sound library, and tests can listen in without a device.
class CueSink : public QObject
{
    Q_OBJECT
public:
    enum class State { NoDevice, Active, Lost, Recovered };
    Q_ENUM(State)

    using QObject::QObject;

    // Whether the system has an output device to play on.
    virtual bool available() const = 0;
    virtual State state() const { return available() ? State::Active : State::NoDevice; }
    // How long before its due time a sound must be known to land on its own sample.
    virtual qint64 leadMs() const { return 0; }
    // The output device as the sound server names it, and its latency as the server reports
    // it (negative while unknown).
    virtual QString outputName() const { return {}; }
    virtual double outputLatencyMs() const { return -1; }

    // The sounds due from now on, as far ahead as the engine can tell; replaces the plan given
    // before. Sounds that are already playing finish.
    virtual void plan(const SoundPlan &sounds) { Q_UNUSED(sounds) }
    // Everything queued goes quiet at once: the test stopped, a new one is prepared, or the
    // program is left.
    virtual void silence() {}
    // A test is being prepared: the output is opened now, so the first cue is on time.
    virtual void prepare() {}
    // No test under way: the output is let go, so the device may rest.
    virtual void rest() {}
    // A cue or alert fell due at dueMs. Usually already planned; a sink may rely on this alone.
    virtual void playCue(qint64 dueMs) = 0;
    virtual void playAlert(qint64 dueMs) = 0;

    // Why phrases cannot be spoken, in the operator's words; empty when they can.
    virtual QString speechProblem() const { return noOutputForSpeech(); }
    static QString noOutputForSpeech()
    {
        return QStringLiteral("No hay salida de sonido para la voz.");
    }
    // How long a phrase sounds; -1 while it is not ready, in which case it is got ready and
    // phrasesReady() follows.
    virtual qint64 phraseMs(const QString &text)
    {
        Q_UNUSED(text)
        return -1;
    }
    // How long the cue or the alert sounds.
    virtual qint64 soundMs(bool alert) const
    {
        Q_UNUSED(alert)
        return 0;
    }

signals:
    void stateChanged(CueSink::State state);
    void phrasesReady();
};

} // namespace Protocol
