#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <utility>
#include <vector>

// Geometry used to keep numbers, the runner and captions clear of the course.

namespace artgen {

double distPointRect(QPointF p, const QRectF &r);
double distSegmentRect(QPointF a, QPointF b, const QRectF &r);
double distRectRect(const QRectF &a, const QRectF &b);

struct Obstacles
{
    std::vector<std::pair<QPointF, QPointF>> segments;
    std::vector<std::pair<QPointF, double>> discs;
    std::vector<QRectF> boxes;

    // How far a box stays from everything already on the picture (negative: overlaps).
    double clearance(const QRectF &r) const;
};

// Puts a box of the given size near an anchor, on whichever side leaves it most room.
QRectF placeNear(const Obstacles &obstacles, QPointF anchor, double anchorRadius, QSizeF size);

} // namespace artgen
