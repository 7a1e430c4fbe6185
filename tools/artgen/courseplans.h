#pragma once

#include "course.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVector>

class QDir;
class QPainter;

// The course pictures: cones, numbers, the course line, the runner and a caption over the
// sport's ground. The start-screen and help pictures and the icon reuse their parts.

namespace artgen {

struct Style
{
    QColor course;       // course line and arrows
    QColor courseShadow; // keeps the line readable over court markings
    QColor caption;      // caption fill
};

Style styleFor(Protocol::SportVariant variant);

// Station centre in picture pixels (the picture sits at panel offset 1,1).
QPointF stationCentre(const Protocol::Station &s);

// Radius of the cone drawn under a station: just wider than the program's marker.
double coneRadius(const Protocol::Station &s);

// A training cone seen from above: orange base, white band, dark tip.
void drawCone(QPainter &p, QPointF c, double r);

void drawNumberBox(QPainter &p, const QRectF &box, int number);

void drawCourseLine(QPainter &p, const QVector<QPointF> &pts, const Style &style, bool dotted,
                    bool backward);

// Caption in a corner: a title line and an optional smaller second line.
struct Caption
{
    QString title;
    QString detail;
};

// Where the numbers, the runner and the caption go for one sport. Worked out once so that they
// stay put when the program switches between the sport's pictures.
struct Layout
{
    QVector<QPointF> centres;
    QVector<double> radii;
    QVector<QRectF> numberBoxes;
    QPointF runner;
    double runnerRadius = 12;
    QRectF captionArea;
    bool captionOnRight = false;
};

Layout layoutFor(Protocol::SportVariant variant, const QVector<Caption> &captions);
QVector<Caption> captionsFor(Protocol::SportVariant variant);

bool writeCoursePictures(const QDir &resources);

} // namespace artgen
