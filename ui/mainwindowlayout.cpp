// The main window's look: the sport's colours and the design's fonts and glyphs, and the places of
// its panels, set once by integer arithmetic when the window is created; nothing is laid out
// again later. Each box paints and lays out its own inside.

#include "mainwindow.h"

#include "athletesbox.h"
#include "courseview.h"
#include "runfiguresbox.h"
#include "setuppanel.h"
#include "theme.h"
#include "ui_mainwindow.h"
#include "widgets.h"

namespace {

constexpr int ToolbarButtons = 6;
constexpr int ToolbarGap = 1;
constexpr int CourseBottomMargin = 24; // between the course panel and the window's bottom edge
constexpr int ColumnGap = 5;           // between the panels of the left column
constexpr int SpeedStripPadding = 4;   // the speed strip's height over its indicators'
constexpr int LapMargin = 2;           // the lap number inside the course panel's corner
constexpr int DisplayButtonGap = 3;    // around the athletes' display's button

} // namespace

void MainWindow::paint()
{
    const Theme::SportColours colours = Theme::sportColours(m_profile);
    QWidget *client = ui->BitBtnSalir->parentWidget();
    client->setAutoFillBackground(true);
    QPalette pal = client->palette();
    pal.setColor(QPalette::Window, colours.back);
    client->setPalette(pal);
    // The lists, the spin box, the check box and the memos take the window's font.
    client->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));

    const QFont toolbarFont = pixelFont(QStringLiteral("Arial"), 15);
    const std::pair<FlatButton *, const char *> toolbar[] = {
        {ui->BitBtnSalir, "salir"}, {ui->BitBtnNuevo, "nuevo"}, {ui->BitBtnStart, "start"},
        {ui->BitBtnStop, "stop"},   {ui->BitBtnAyuda, "ayuda"}, {ui->BitBtnGrupo, "grupo"}};
    for (const auto &[button, glyph] : toolbar) {
        button->setFaceColor(colours.panel);
        button->setHoverColor(colours.accent);
        button->setPressedColor(colours.back);
        button->setFont(toolbarFont);
        button->setIcon(resourceGlyph(QString::fromLatin1(glyph)));
        button->setIconSize(QSize(22, 22));
    }

    ui->PanelDeportistas->paint(colours.panel, colours.accent);
    ui->PanelDuracion->paint(colours.panel, colours.accent);
    ui->PanelVelocidad->setFaceColor(colours.panel);
    ui->PanelVelocidad->setBorderColor(colours.accent);
    ui->EditVuelta->setFaceColor(colours.panel);
    ui->EditVuelta->setTextColor(Theme::White);
    ui->EditVuelta->setFont(pixelFont(QStringLiteral("Arial"), 11, true));
    ui->LabelVueltaN->setFont(pixelFont(QStringLiteral("Arial"), 11, true));
    ui->PanelRecVel->setFont(pixelFont(QStringLiteral("Arial"), 11, true));
    ui->BtnPantalla->setFaceColor(colours.panel);
    ui->BtnPantalla->setHoverColor(colours.accent);
    ui->BtnPantalla->setPressedColor(colours.back);
    ui->BtnPantalla->setBorderColor(colours.accent);
    ui->BtnPantalla->setFont(pixelFont(QStringLiteral("Arial"), 11, true));

    const qreal dpr = client->devicePixelRatioF();
    ui->PanelStart->setPixmap(Theme::phaseGlyph(true, dpr));
    ui->PanelStop->setPixmap(Theme::phaseGlyph(false, dpr));
    for (FlatPanel *indicator : {ui->PanelStart, ui->PanelStop}) {
        indicator->setFaceColor(Theme::Silver);
        indicator->setBorderColor(colours.accent);
    }
}

void MainWindow::layOut()
{
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
    const QRect plan = m_course->geometry();

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

    // The athletes' display's button over the course panel's right end, between it and the
    // toolbar.
    const int buttonTop = ui->BitBtnSalir->y() + ui->BitBtnSalir->height() + DisplayButtonGap;
    ui->BtnPantalla->setGeometry(plan.x() + plan.width() - ui->BtnPantalla->width(), buttonTop,
                                 ui->BtnPantalla->width(), plan.y() - DisplayButtonGap - buttonTop);

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
    ui->PanelDuracion->layOut();
}
