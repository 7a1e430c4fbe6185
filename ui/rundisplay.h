#pragma once

class CourseView;
class RunEngine;

namespace Ui {
class TForm1;
}

// The run displays of the main window: counters, speed, lap, phase banner, progress bar, the
// phase indicator in front and the course plan, all as the engine reports them.
namespace RunDisplay {

void show(Ui::TForm1 *ui, const RunEngine &engine, CourseView *course);

} // namespace RunDisplay
