#include "theme.h"

#include <QPainter>

using namespace Protocol;

namespace Theme {

// Phase indicator glyphs: a runner's "go" triangle for effort, two bars for a pause.
QPixmap phaseGlyph(bool effort, qreal dpr)
{
    const QSize size(24, 24);
    QPixmap pixmap(size * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(DisplayText, 1.2));
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

} // namespace Theme
