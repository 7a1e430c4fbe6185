#pragma once

#include "cueplayer.h"
#include "onsets.h"
#include "runengine.h"
#include "sportprofile.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

class QWidget;
class MainWindow;

namespace Bench {

// Calls painted at every paint of the window or of its children. Installed on the whole
// application: the window itself may get no paint event of its own when its children cover it.
class PaintWatch final : public QObject
{
public:
    explicit PaintWatch(QWidget *window) : m_window(window) {}
    std::function<void()> painted;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
};

// The window with the frame and size app/main.cpp gives it.
void configureLikeTheApp(MainWindow &window);

// The program as app/main.cpp wires it: the cue player opened at start-up, the main window and
// its engine driver, the operator's clicks. What was heard is recorded; when the window painted
// each cue's displays is seen by an application-wide event filter.

struct WindowRunPlan
{
    Protocol::SportVariant variant = Protocol::SportVariant::Futbol;
    Protocol::TestMode mode = Protocol::TestMode::EffortTest;
    int startPeriod = 29;
    int cues = 58;          // "Fin de la prueba" is pressed 150 ms into the last of these
    int stallAfterCue = -1; // the window's thread is then kept busy for stallMs
    int stallMs = 1000;
    // "Pantalla de deportistas" opened before the start; its paints are watched, not the
    // window's.
    bool display = false;
    QString recordingPath;
};

struct WindowRunResult
{
    QString error;
    double clickMs = 0; // "Iniciar prueba", monotonic
    double stopMs = 0;  // "Fin de la prueba"
    double stallFromMs = -1, stallToMs = -1, stallCpuMs = 0;
    QVector<double> dueMs;     // each cue the engine reported, monotonic
    QVector<double> paintedMs; // the window's first paint after its displays took that cue
    int displayWidth = 0, displayHeight = 0; // of the athletes' display, when opened
    double runMs = 0, cpuMs = 0, serverCpuMs = -1;
    qint64 peakRssKb = 0;
    CuePlayer::Stats stats;
    QByteArray recording;
    double recordingStartMs = 0;
    double msPerFrame = 1000.0 / onsets::RecordRate; // of the recording, on the system clock

    double heardMs(qint64 frame) const { return recordingStartMs + double(frame) * msPerFrame; }
};

WindowRunResult runWindow(const WindowRunPlan &plan);

// What the window run sounded like against what it showed.
struct InStep
{
    QVector<double> skewMs; // heard onset minus the paint of the same cue's displays
    QVector<int> burstOfCue;
    int missing = 0;
    double startToFirstMs = -1;
    double stopToQuietMs = -1;
    int heardDuringStall = 0, dueDuringStall = 0;
};

InStep inStep(const WindowRunResult &r);

} // namespace Bench
