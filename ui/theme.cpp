#include "theme.h"

#include "formpanels.h"
#include "ui_athletesbox.h"
#include "ui_runfiguresbox.h"
#include "ui_testfut1.h"
#include "widgets.h"

#include <QPainter>

using namespace Protocol;

namespace {

// Phase indicator glyphs: a runner's "go" triangle for effort, two bars for a pause.
QPixmap phaseGlyph(bool effort, qreal dpr)
{
    const QSize size(24, 24);
    QPixmap pixmap(size * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Theme::DisplayText, 1.2));
    if (effort) {
        p.setBrush(QColor(0x1F, 0xB0, 0x3A));
        p.drawPolygon(QPolygonF({QPointF(6, 3), QPointF(21, 12), QPointF(6, 21)}));
    } else {
        p.setBrush(QColor(0xE0, 0x30, 0x20));
        p.drawRoundedRect(QRectF(5, 4, 5, 16), 1.5, 1.5);
        p.drawRoundedRect(QRectF(14, 4, 5, 16), 1.5, 1.5);
    }
    return pixmap;
}

// Stop button glyph: a small red disc, greyed while disabled.
QIcon athleteStopGlyph(qreal dpr)
{
    QPixmap pixmap(QSize(8, 8) * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x60, 0, 0), 0.8));
    p.setBrush(QColor(0xE0, 0x20, 0x20));
    p.drawEllipse(QRectF(0.5, 0.5, 7, 7));
    return QIcon(pixmap);
}

} // namespace

namespace Theme {

SportColours sportColours(const SportProfile &profile)
{
    const auto colour = [](quint32 rgb) { return QColor::fromRgb(QRgb(rgb)); };
    return {colour(profile.themeBackColor), colour(profile.themePanelColor),
            colour(profile.themeAccentColor)};
}

PhaseLook phaseLook(TestPhase phase)
{
    const QColor pausePanel = fromDesign(9830293);
    switch (phase) {
    case TestPhase::WarmUp:
        return {QStringLiteral("CALENTAMIENTO"), White, Red};
    case TestPhase::PreTestRecovery:
        return {QStringLiteral("RECUPERACIÓN previa al Test"), Green, pausePanel};
    case TestPhase::Effort:
        return {QStringLiteral("Periodo de ESFUERZO"), White, Red};
    case TestPhase::Recovery:
        return {QStringLiteral("Periodo de RECUPERACIÓN"), Green, pausePanel};
    case TestPhase::Ready:
    case TestPhase::Ended:
        break;
    }
    return {};
}

GaugeLook gaugeLook(bool pause)
{
    if (pause)
        return {
            QString(), QStringLiteral(" seg."), {fromDesign(13565902), fromDesign(9830293), Lime}};
    return {QStringLiteral("Estación Nº: "),
            QString(),
            {fromDesign(9165301), fromDesign(1027577), fromDesign(33023)}};
}

void paintMainWindow(Ui::TForm1 *ui, const SportProfile &profile,
                     const QList<FlatButton *> &stopButtons)
{
    Ui::PanelDeportistas *athletes = ui->PanelDeportistas->form();
    Ui::PanelDuracion *figures = ui->PanelDuracion->form();
    const SportColours colours = sportColours(profile);
    QWidget *window = ui->BitBtnSalir->parentWidget();
    window->setAutoFillBackground(true);
    QPalette pal = window->palette();
    pal.setColor(QPalette::Window, colours.back);
    window->setPalette(pal);
    // The lists, the spin box, the check box and the memos take the window's font.
    window->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));

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

    for (FlatPanel *p : std::initializer_list<FlatPanel *>{ui->PanelDeportistas, ui->PanelVelocidad,
                                                           ui->PanelDuracion}) {
        p->setFaceColor(colours.panel);
        p->setBorderColor(colours.accent);
    }
    ui->EditVuelta->setFaceColor(colours.panel);

    const QFont displayFont = pixelFont(QStringLiteral("Arial"), 22, true);
    for (FlatPanel *display :
         {figures->EditCrono, figures->EditCompletados, figures->Panel_Distancia}) {
        display->setFaceColor(Silver);
        display->setTextColor(DisplayText);
        display->setBorderColor(colours.accent);
        display->setFont(displayFont);
    }
    figures->Velocidad->setFaceColor(Silver);
    figures->Velocidad->setTextColor(Green);
    figures->Velocidad->setBorderColor(colours.accent);
    figures->Velocidad->setFont(displayFont);
    const QFont captionFont = pixelFont(QStringLiteral("Arial"), 12, true);
    for (FlatPanel *caption : {figures->PanelParamtros, athletes->FlatPanel6}) {
        caption->setFaceColor(Gray);
        caption->setTextColor(White);
        caption->setFont(captionFont);
    }
    for (QLabel *label : {figures->LabelTiempo, figures->LabelCompletados, figures->LabelDistancia,
                          figures->LabelVelocidadActual}) {
        label->setFont(pixelFont(QStringLiteral("Arial"), 11, true));
        QPalette lp = label->palette();
        lp.setColor(QPalette::WindowText, White);
        label->setPalette(lp);
    }
    ui->EditVuelta->setTextColor(White);
    ui->EditVuelta->setFont(pixelFont(QStringLiteral("Arial"), 11, true));
    ui->LabelVueltaN->setFont(pixelFont(QStringLiteral("Arial"), 11, true));
    ui->PanelRecVel->setFont(pixelFont(QStringLiteral("Arial"), 11, true));

    const qreal dpr = window->devicePixelRatioF();
    ui->PanelStart->setPixmap(phaseGlyph(true, dpr));
    ui->PanelStop->setPixmap(phaseGlyph(false, dpr));
    for (FlatPanel *indicator : {ui->PanelStart, ui->PanelStop}) {
        indicator->setFaceColor(Silver);
        indicator->setBorderColor(colours.accent);
    }

    const QIcon stopGlyph = athleteStopGlyph(dpr);
    for (FlatButton *button : stopButtons) {
        button->setFaceColor(Silver);
        button->setHoverColor(TableButtonFace);
        button->setPressedColor(StopButtonPressed);
        button->setBorderColor(Green);
        button->setIcon(stopGlyph);
        button->setIconSize(QSize(8, 8));
    }
    athletes->PanelReg_SJp->setFaceColor(Black);
    for (FlatButton *button : {athletes->BtnExportDatos, athletes->BtnBorrarTabla}) {
        button->setFaceColor(TableButtonFace);
        button->setHoverColor(TableButtonHover);
        button->setPressedColor(TableButtonPressed);
        button->setBorderColor(TableButtonBorder);
        button->setIconSize(QSize(14, 14));
    }
    athletes->BtnExportDatos->setIcon(resourceGlyph(QStringLiteral("export")));
    athletes->BtnExportDatos->setGlyphRight(true);
    athletes->BtnBorrarTabla->setIcon(resourceGlyph(QStringLiteral("borrar")));
}

} // namespace Theme
