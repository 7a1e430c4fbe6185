#include "geometry.h"

#include "common.h"

#include <QLineF>

#include <algorithm>
#include <cmath>
#include <limits>

namespace artgen {

namespace {

double distPointSegment(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const double len2 = QPointF::dotProduct(ab, ab);
    double t = len2 > 0 ? QPointF::dotProduct(p - a, ab) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

bool segmentsCross(QPointF a, QPointF b, QPointF c, QPointF d)
{
    QPointF unused;
    return QLineF(a, b).intersects(QLineF(c, d), &unused) == QLineF::BoundedIntersection;
}

} // namespace

double distPointRect(QPointF p, const QRectF &r)
{
    const double dx = std::max({r.left() - p.x(), 0.0, p.x() - r.right()});
    const double dy = std::max({r.top() - p.y(), 0.0, p.y() - r.bottom()});
    return std::hypot(dx, dy);
}

double distSegmentRect(QPointF a, QPointF b, const QRectF &r)
{
    if (r.contains(a) || r.contains(b))
        return 0.0;
    const QPointF corners[4] = {r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()};
    double best = std::min(distPointRect(a, r), distPointRect(b, r));
    for (int i = 0; i < 4; ++i) {
        if (segmentsCross(a, b, corners[i], corners[(i + 1) % 4]))
            return 0.0;
        best = std::min(best, distPointSegment(corners[i], a, b));
    }
    return best;
}

double distRectRect(const QRectF &a, const QRectF &b)
{
    const double dx = std::max({b.left() - a.right(), 0.0, a.left() - b.right()});
    const double dy = std::max({b.top() - a.bottom(), 0.0, a.top() - b.bottom()});
    return std::hypot(dx, dy);
}

double Obstacles::clearance(const QRectF &r) const
{
    double c =
        std::min({r.left(), r.top(), PictureWidth - r.right(), PictureHeight - r.bottom()}) - 3.0;
    for (const auto &s : segments)
        c = std::min(c, distSegmentRect(s.first, s.second, r));
    for (const auto &d : discs)
        c = std::min(c, distPointRect(d.first, r) - d.second);
    for (const QRectF &b : boxes)
        c = std::min(c, distRectRect(b, r) - 1.0);
    return c;
}

QRectF placeNear(const Obstacles &obstacles, QPointF anchor, double anchorRadius, QSizeF size)
{
    const double half = std::hypot(size.width(), size.height()) / 2.0;
    QRectF best;
    double bestScore = -std::numeric_limits<double>::infinity();
    for (double extra : {1.0, 3.0, 6.0, 10.0}) {
        for (int k = 0; k < 24; ++k) {
            const double a = k * 2.0 * Pi / 24.0;
            const QPointF dir(std::cos(a), std::sin(a));
            // Distance so that the box edge, not its centre, sits just off the anchor.
            const double along = std::min(size.width() / 2.0 / std::max(std::abs(dir.x()), 1e-6),
                                          size.height() / 2.0 / std::max(std::abs(dir.y()), 1e-6));
            const QPointF c = anchor + dir * (anchorRadius + std::min(along, half) + extra);
            QRectF r(QPointF(), size);
            r.moveCenter(c);
            // Close to the anchor reads best; only move away for real room.
            const double score = std::min(obstacles.clearance(r), 4.0) - 0.5 * extra;
            if (score > bestScore) {
                bestScore = score;
                best = r;
            }
        }
    }
    return best;
}

} // namespace artgen
