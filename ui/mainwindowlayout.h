#pragma once

class CourseView;
class FlatButton;
template <typename T> class QList;

namespace Ui {
class TForm1;
}

// Places the main window's panels once, by integer arithmetic, when the window is created:
// nothing is laid out again later.
namespace MainWindowLayout {

// Toolbar, course panel, left column, lap number, speed strip and the athletes panel's title.
void layoutWindow(Ui::TForm1 *ui, CourseView *course);
// The grid panel sized to its columns and rows and centred with the stop buttons beside it.
void layoutAthletesPanel(Ui::TForm1 *ui, const QList<FlatButton *> &stopButtons, int columnsWidth,
                         int rows, bool vo2MaxColumn);

} // namespace MainWindowLayout
