#include "mainwindowlayout.h"

#include "courseview.h"
#include "formpanels.h"
#include "resultsgrid.h"
#include "ui_athletesbox.h"
#include "ui_runfiguresbox.h"
#include "ui_testfut1.h"
#include "widgets.h"

namespace MainWindowLayout {

namespace {

constexpr int ToolbarButtons = 6;
constexpr int ToolbarGap = 1;
constexpr int CourseBottomMargin = 24; // between the course panel and the window's bottom edge
constexpr int ColumnGap = 5;           // between the panels of the left column
constexpr int SpeedStripPadding = 4;   // the speed strip's height over its indicators'
constexpr int LapMargin = 2;           // the lap number inside the course panel's corner
constexpr int GridRowPitch = 20;       // a data row and its line
constexpr int GridFrame = 2;
// Width the grid panel adds to its columns: basketball's eight columns sit in a wider frame.
constexpr int GridPanelMargin = 8;
constexpr int GridPanelMarginVo2Max = 28;
constexpr int NoteLeft = 2; // a note's box in the athletes' title strip, and its gap to the caption
constexpr int NoteGap = 4;

} // namespace

void layoutWindow(Ui::TForm1 *ui, CourseView *course)
{
    Ui::PanelDeportistas *athletes = ui->PanelDeportistas->form();
    Ui::PanelDuracion *figures = ui->PanelDuracion->form();
    // Toolbar: six buttons in one row, 1 px apart, the last one filling up to the right edge.
    const int clientWidth = ui->BitBtnSalir->parentWidget()->width();
    const int clientHeight = ui->BitBtnSalir->parentWidget()->height();
    FlatButton *toolbar[] = {ui->BitBtnSalir, ui->BitBtnNuevo, ui->BitBtnStart,
                             ui->BitBtnStop,  ui->BitBtnAyuda, ui->BitBtnGrupo};
    int left = ToolbarGap;
    for (FlatButton *button : toolbar) {
        button->move(left, button->y());
        button->resize(clientWidth / ToolbarButtons, button->height());
        left += button->width() + ToolbarGap;
    }
    ui->BitBtnGrupo->resize(clientWidth - ui->BitBtnGrupo->x() - ToolbarGap,
                            ui->BitBtnGrupo->height());

    // Right column: the course panels stand above the bottom edge.
    const int courseTop = clientHeight - ui->Panel_Voley->height() - CourseBottomMargin;
    for (CourseView *panel :
         {ui->Panel_Voley, ui->Panel_Basket, ui->Panel_Futbol, ui->Panel_FutSal})
        panel->move(panel->x(), courseTop);
    const QRect plan = course->geometry();

    // Left column: set-up panel over run display and speed strip, athletes below, level with
    // the course panel's bottom.
    ui->PanelTipo->move(ui->PanelTipo->x(), courseTop);
    ui->PanelDuracion->move(ui->PanelDuracion->x(), courseTop);
    ui->PanelVelocidad->move(ui->PanelTipo->x(), ui->PanelVelocidad->y());
    ui->PanelDeportistas->move(ui->PanelTipo->x(), ui->PanelDeportistas->y());
    ui->PanelVelocidad->resize(ui->PanelVelocidad->width(),
                               ui->PanelStart->height() + SpeedStripPadding);
    ui->PanelVelocidad->move(ui->PanelVelocidad->x(),
                             ui->PanelDuracion->y() + ui->PanelDuracion->height() + ColumnGap);
    ui->PanelTipo->resize(ui->PanelTipo->width(), ui->PanelVelocidad->y() +
                                                      ui->PanelVelocidad->height() -
                                                      ui->PanelTipo->y());
    const int athletesTop = ui->PanelVelocidad->y() + ui->PanelVelocidad->height() + ColumnGap;
    ui->PanelDeportistas->setGeometry(ui->PanelDeportistas->x(), athletesTop,
                                      ui->PanelDeportistas->width(),
                                      plan.y() + plan.height() - athletesTop);

    // Lap number over the course panel's lower right corner.
    ui->EditVuelta->move(plan.x() + plan.width() - ui->EditVuelta->width() - LapMargin,
                         plan.y() + plan.height() - ui->EditVuelta->height() - LapMargin);
    ui->EditVuelta->raise();
    ui->LabelVueltaN->move(ui->EditVuelta->x() - ui->LabelVueltaN->width() + 1,
                           ui->EditVuelta->y() + ui->EditVuelta->height() / 2 -
                               ui->LabelVueltaN->height() / 2);
    ui->LabelVueltaN->raise();

    // Speed strip: indicators at its right end, full height; the banner up to them.
    const int strip = ui->PanelVelocidad->width();
    for (FlatPanel *indicator : {ui->PanelStart, ui->PanelStop})
        indicator->setGeometry(strip - indicator->width(), 0, indicator->width(),
                               ui->PanelVelocidad->height());
    ui->PanelRecVel->resize(ui->PanelStart->x() + 1, ui->PanelRecVel->height());
    figures->PanelParamtros->resize(ui->PanelDuracion->width(), figures->PanelParamtros->height());

    // Athletes panel: export button at the right end of the title strip, clear button left of
    // it, overlapping by one pixel.
    athletes->BtnExportDatos->move(
        ui->PanelDeportistas->width() - athletes->BtnExportDatos->width(), 0);
    athletes->BtnBorrarTabla->move(
        athletes->BtnExportDatos->x() - athletes->BtnBorrarTabla->width() + 1, 0);
    athletes->FlatPanel6->resize(athletes->BtnBorrarTabla->x() + 1, athletes->FlatPanel6->height());
}

void fitAthletesCaption(const Ui::PanelDeportistas *athletes, int right)
{
    FlatPanel *strip = athletes->FlatPanel6;
    const int caption = strip->fontMetrics().horizontalAdvance(strip->text());
    const int overlap = strip->width() / 2 + caption / 2 + NoteGap - (right - strip->x());
    // Drawn centred in the contents: taking twice the shift off the right moves it by the shift.
    strip->setContentsMargins(0, 0, qMax(0, 2 * overlap), 0);
}

void placeNote(const Ui::PanelDeportistas *athletes, QLabel *box, int minWidth)
{
    const FlatPanel *strip = athletes->FlatPanel6;
    const int caption = strip->fontMetrics().horizontalAdvance(strip->text());
    const QRect captionRoom = strip->contentsRect();
    const int right =
        strip->x() + (captionRoom.left() + captionRoom.right() + 1) / 2 - caption / 2 - NoteGap;
    const int room = right - NoteLeft;
    const int frame = box->width() - box->contentsRect().width() + 2 * box->margin();
    const int needed = box->fontMetrics().horizontalAdvance(box->text()) + frame + 1;
    const int width = qMin(room, qMax(minWidth, needed));
    box->setWordWrap(needed > width);
    // Never down to the first stop button: what does not fit then is cut, the tool tip has it.
    const int top = strip->y() + 1;
    const int most = athletes->B01->y() - 1 - top;
    QString text = box->text();
    while (box->wordWrap() && box->heightForWidth(width) > most && text.size() > 1) {
        text.chop(1);
        box->setText(text.trimmed() + QChar(0x2026));
    }
    const int height = box->wordWrap() ? box->heightForWidth(width) : 0;
    box->setGeometry(NoteLeft, top, width, qMax(strip->height() - 2, height));
}

void layoutAthletesPanel(Ui::TForm1 *ui, const QList<FlatButton *> &stopButtons, int columnsWidth,
                         int rows, bool vo2MaxColumn)
{
    Ui::PanelDeportistas *athletes = ui->PanelDeportistas->form();
    // The grid panel holds exactly the title row and one row per slot; with the column of stop
    // buttons on its left it is centred in the panel below the title strip.
    QWidget *panel = athletes->PanelReg_SJp;
    panel->resize(columnsWidth + (vo2MaxColumn ? GridPanelMarginVo2Max : GridPanelMargin),
                  ResultsGrid::TitleRowHeight + rows * GridRowPitch + GridFrame);
    const int below =
        ui->PanelDeportistas->height() - athletes->FlatPanel6->y() - athletes->FlatPanel6->height();
    panel->move(ui->PanelDeportistas->width() / 2 + athletes->B01->width() / 2 - panel->width() / 2,
                below / 2 + athletes->FlatPanel6->y() + athletes->FlatPanel6->height() -
                    panel->height() / 2);
    athletes->HyperGrid_Sujetos->setGeometry((panel->width() - columnsWidth) / 2, 1, columnsWidth,
                                             panel->height() - 1);

    const int rowHeight = ResultsGrid::DataRowHeight;
    int top = ResultsGrid::TitleRowHeight + panel->y() + GridFrame;
    for (FlatButton *button : stopButtons) {
        button->setGeometry(panel->x() - athletes->B01->width() - 1, top, athletes->B01->width(),
                            rowHeight);
        top += rowHeight + 1;
    }
}

} // namespace MainWindowLayout
