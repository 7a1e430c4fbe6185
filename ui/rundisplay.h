#pragma once

#include "cuesink.h"

#include <QStringList>

class CourseView;
namespace Protocol {
class RunEngine;
} // namespace Protocol

namespace Ui {
class TForm1;
}

// The run displays of the main window: counters, speed, lap, phase banner, progress bar, the
// phase indicator in front and the course plan, all as the engine reports them.
namespace RunDisplay {

void show(Ui::TForm1 *ui, const Protocol::RunEngine &engine, CourseView *course);

// The commands and set-up inputs as a running test or the time between tests allows them;
// the export and clear commands between tests only when there is something to export.
void showTestRunning(Ui::TForm1 *ui, bool running, bool exportable);

// How the sound fares, in words by the speed strip; a loss stands out.
void showSoundState(Ui::TForm1 *ui, Protocol::CueSink::State state);
// The output device and its latency, in the sound label's tool tip.
void showSoundOutput(Ui::TForm1 *ui, const Protocol::CueSink *sound);

// Every sport's table, and the working one, in the developer's tables panel.
void showPeriodTables(Ui::TForm1 *ui, const QStringList &workingTable);

} // namespace RunDisplay
