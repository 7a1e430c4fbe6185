#pragma once

#include "runengine.h"
#include "sportprofile.h"

#include <QColor>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QString>

// Every colour the windows paint with, by name, and the look of each phase of a run. Design
// values given as 0x00BBGGRR are turned into colours here, once.
namespace Theme {

inline QColor fromDesign(quint32 bgr)
{
    return QColor::fromRgb(QRgb(Protocol::fromBgr(bgr)));
}

// The toolkit's named colours.
inline const QColor White(0xFF, 0xFF, 0xFF);
inline const QColor Black(0x00, 0x00, 0x00);
inline const QColor Silver(0xC0, 0xC0, 0xC0);
inline const QColor Gray(0x80, 0x80, 0x80);
inline const QColor Navy(0x00, 0x00, 0x80);
inline const QColor Teal(0x00, 0x80, 0x80);
inline const QColor Maroon(0x80, 0x00, 0x00);
inline const QColor Green(0x00, 0x80, 0x00);
inline const QColor Lime(0x00, 0xFF, 0x00);
inline const QColor Red(0xFF, 0x00, 0x00);
inline const QColor Yellow(0xFF, 0xFF, 0x00);

inline const QColor LightGrey = fromDesign(0xE4E4E4);
inline const QColor DisplayText(0x20, 0x20, 0x20);
// The export, clear and stop buttons of the athletes panel.
inline const QColor TableButtonFace = fromDesign(16744448);
inline const QColor TableButtonHover = fromDesign(16751157);
inline const QColor TableButtonPressed = fromDesign(12615680);
inline const QColor TableButtonBorder = fromDesign(10485760);
inline const QColor StopButtonPressed = fromDesign(16434548);
// The help panel's close button.
inline const QColor HelpCloseFace = fromDesign(14540253);
inline const QColor HelpCloseBorder = fromDesign(11184810);
// The start screen's buttons.
inline const QColor StartButtonHover(0xFF, 0xF4, 0xE0);
inline const QColor StartButtonPressed(0xF0, 0x98, 0x13);
inline const QColor StartButtonBorder(0xB9, 0xB9, 0xB9);

// The sport's three theme colours.
struct SportColours
{
    QColor back;
    QColor panel;
    QColor accent;
};
SportColours sportColours(const Protocol::SportProfile &profile);

// The banner over the progress bar in each phase; empty text where no banner shows.
struct PhaseLook
{
    QString text;
    QColor textColor;
    QColor panelColor;
};
PhaseLook phaseLook(Protocol::TestPhase phase);

// The progress bar's texts and colours, for an effort period or for a pause.
struct GaugeLook
{
    QString prefix;
    QString suffix;
    QColor colors[3];
};
GaugeLook gaugeLook(bool pause);

// The phase indicators' glyphs: a runner's "go" triangle for effort, two bars for a pause.
QPixmap phaseGlyph(bool effort, qreal dpr);
// The athletes' stop buttons' glyph: a small red disc, greyed while disabled.
QIcon athleteStopGlyph(qreal dpr);

} // namespace Theme
