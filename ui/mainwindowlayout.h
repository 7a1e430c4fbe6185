#pragma once

class CourseView;
class FlatButton;
class QLabel;
template <typename T> class QList;

namespace Ui {
class PanelDeportistas;
class TForm1;
} // namespace Ui

// Places the main window's panels once, by integer arithmetic, when the window is created:
// nothing is laid out again later.
namespace MainWindowLayout {

// Toolbar, course panel, left column, lap number, speed strip and the athletes panel's title.
void layoutWindow(Ui::TForm1 *ui, CourseView *course);
// The grid panel sized to its columns and rows and centred with the stop buttons beside it.
void layoutAthletesPanel(Ui::TForm1 *ui, const QList<FlatButton *> &stopButtons, int columnsWidth,
                         int rows, bool vo2MaxColumn);
// Fits a note box, with its text set, into the free left end of the athletes' title strip, clear
// of the caption and the buttons: at least minWidth wide, as wide as the text needs up to the
// caption, and wrapped onto more lines, growing downwards, when that is not wide enough.
// The athletes' caption kept in the middle of the strip, moved left only as far as the first
// button at the strip's right end (at x = right) needs, so no button stands over it.
void fitAthletesCaption(const Ui::PanelDeportistas *athletes, int right);

void placeNote(const Ui::PanelDeportistas *athletes, QLabel *box, int minWidth = 0);

} // namespace MainWindowLayout
