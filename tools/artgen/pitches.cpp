#include "pitches.h"

#include "common.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

#include <cmath>

using namespace Protocol;

namespace artgen {

namespace {

void drawFootballPitch(QPainter &p)
{
    const QColor dark(0x3a, 0x8a, 0x3f);
    const QColor light(0x44, 0x98, 0x48);
    // Mowing stripes across the pitch.
    const int stripes = 12;
    for (int i = 0; i < stripes; ++i) {
        const double y0 = PictureHeight * double(i) / stripes;
        const double y1 = PictureHeight * double(i + 1) / stripes;
        p.fillRect(QRectF(0, y0, PictureWidth, y1 - y0), i % 2 ? dark : light);
    }

    const QRectF pitch(12, 14, PictureWidth - 24, PictureHeight - 28);
    const double cx = pitch.center().x();
    const double cy = pitch.center().y();
    p.setPen(linePen(QColor(255, 255, 255, 215), 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(pitch);
    p.drawLine(QPointF(pitch.left(), cy), QPointF(pitch.right(), cy));
    p.drawEllipse(QPointF(cx, cy), 44, 44);
    p.setBrush(QColor(255, 255, 255, 215));
    p.drawEllipse(QPointF(cx, cy), 2.5, 2.5);

    for (int end = 0; end < 2; ++end) {
        const double sign = end == 0 ? 1.0 : -1.0;
        const double goalLine = end == 0 ? pitch.top() : pitch.bottom();
        const double boxDepth = 74;
        const double boxHalf = 96;
        const double smallDepth = 26;
        const double smallHalf = 44;
        const double spotDepth = 50;
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(QPointF(cx - boxHalf, goalLine),
                          QPointF(cx + boxHalf, goalLine + sign * boxDepth))
                       .normalized());
        p.drawRect(QRectF(QPointF(cx - smallHalf, goalLine),
                          QPointF(cx + smallHalf, goalLine + sign * smallDepth))
                       .normalized());
        // The arc outside the penalty area, centred on the penalty spot.
        const QPointF spot(cx, goalLine + sign * spotDepth);
        const double arcR = 40;
        const double edge = boxDepth - spotDepth;
        const double half = std::acos(edge / arcR) * 180.0 / Pi;
        const QRectF arcBox(spot.x() - arcR, spot.y() - arcR, 2 * arcR, 2 * arcR);
        if (end == 0)
            p.drawArc(arcBox, int((270 - half) * 16), int(2 * half * 16));
        else
            p.drawArc(arcBox, int((90 - half) * 16), int(2 * half * 16));
        p.setBrush(QColor(255, 255, 255, 215));
        p.drawEllipse(spot, 2, 2);
        // Goal net behind the line.
        p.setBrush(QColor(255, 255, 255, 60));
        p.drawRect(
            QRectF(QPointF(cx - 22, goalLine), QPointF(cx + 22, goalLine - sign * 9)).normalized());
    }
    // Corner arcs.
    p.setBrush(Qt::NoBrush);
    const double c = 7;
    p.drawArc(QRectF(pitch.left() - c, pitch.top() - c, 2 * c, 2 * c), 270 * 16, 90 * 16);
    p.drawArc(QRectF(pitch.right() - c, pitch.top() - c, 2 * c, 2 * c), 180 * 16, 90 * 16);
    p.drawArc(QRectF(pitch.left() - c, pitch.bottom() - c, 2 * c, 2 * c), 0, 90 * 16);
    p.drawArc(QRectF(pitch.right() - c, pitch.bottom() - c, 2 * c, 2 * c), 90 * 16, 90 * 16);
}

void drawFutsalCourt(QPainter &p)
{
    p.fillRect(QRectF(0, 0, PictureWidth, PictureHeight), QColor(0xd9, 0x7b, 0x3a));
    const QRectF court(14, 18, PictureWidth - 28, PictureHeight - 36);
    QLinearGradient floor(court.topLeft(), court.bottomRight());
    floor.setColorAt(0, QColor(0x2f, 0x74, 0xb5));
    floor.setColorAt(1, QColor(0x27, 0x66, 0xa3));
    p.fillRect(court, floor);

    const double cx = court.center().x();
    const double cy = court.center().y();
    const QColor white(255, 255, 255, 225);
    p.setPen(linePen(white, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(court);
    p.drawLine(QPointF(court.left(), cy), QPointF(court.right(), cy));
    p.drawEllipse(QPointF(cx, cy), 32, 32);
    p.setBrush(white);
    p.drawEllipse(QPointF(cx, cy), 2.5, 2.5);

    for (int end = 0; end < 2; ++end) {
        const double sign = end == 0 ? 1.0 : -1.0;
        const double goalLine = end == 0 ? court.top() : court.bottom();
        const double postHalf = 22;
        const double radius = 78;
        // Penalty area: quarter circles from each post joined by a straight line.
        QPainterPath area;
        area.moveTo(cx - postHalf - radius, goalLine);
        const QRectF left(cx - postHalf - radius, goalLine - radius, 2 * radius, 2 * radius);
        const QRectF right(cx + postHalf - radius, goalLine - radius, 2 * radius, 2 * radius);
        if (end == 0) {
            area.arcTo(left, 180, 90);
            area.lineTo(cx + postHalf, goalLine + radius);
            area.arcTo(right, 270, 90);
        } else {
            area.arcTo(left, 180, -90);
            area.lineTo(cx + postHalf, goalLine - radius);
            area.arcTo(right, 90, -90);
        }
        p.setBrush(QColor(255, 255, 255, 22));
        p.drawPath(area);
        p.setBrush(white);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(cx, goalLine + sign * 58), 2, 2);
        p.drawEllipse(QPointF(cx, goalLine + sign * 96), 2, 2);
        p.setPen(linePen(white, 2.0));
        p.setBrush(QColor(255, 255, 255, 60));
        p.drawRect(
            QRectF(QPointF(cx - postHalf, goalLine), QPointF(cx + postHalf, goalLine - sign * 10))
                .normalized());
    }
    // Substitution zone marks on one touchline.
    p.setPen(linePen(white, 2.0));
    for (double d : {-70.0, -30.0, 30.0, 70.0})
        p.drawLine(QPointF(court.left() - 5, cy + d), QPointF(court.left() + 5, cy + d));
}

void drawBasketCourt(QPainter &p)
{
    // Parquet: vertical boards of slightly varying tone with staggered joints.
    Rng rng(0x5eed);
    const double board = 11;
    for (double x = 0; x < PictureWidth; x += board) {
        double y = -rng.next() * 120;
        while (y < PictureHeight) {
            const double len = 90 + rng.next() * 90;
            const int shade = int(rng.next() * 18);
            p.fillRect(QRectF(x, y, board, len), QColor(0xdd - shade, 0xaa - shade, 0x6c - shade));
            p.fillRect(QRectF(x, y, board, 1), QColor(0x9a, 0x6b, 0x38, 110));
            y += len;
        }
        p.fillRect(QRectF(x, 0, 1, PictureHeight), QColor(0x9a, 0x6b, 0x38, 90));
    }

    const QRectF court(14, 14, PictureWidth - 28, PictureHeight - 28);
    const double cx = court.center().x();
    const double cy = court.center().y();
    const QColor white(255, 255, 255, 235);
    const QColor paint(0xb8, 0x3a, 0x2a, 150);
    const double keyHalf = 50;
    const double keyDepth = 118;
    const double ftRadius = 36;

    // Painted centre circle and keys first so the lines sit on top.
    p.setPen(Qt::NoPen);
    p.setBrush(paint);
    p.drawEllipse(QPointF(cx, cy), ftRadius, ftRadius);
    for (int end = 0; end < 2; ++end) {
        const double base = end == 0 ? court.top() : court.bottom();
        const double sign = end == 0 ? 1.0 : -1.0;
        p.drawRect(
            QRectF(QPointF(cx - keyHalf, base), QPointF(cx + keyHalf, base + sign * keyDepth))
                .normalized());
    }

    p.setPen(linePen(white, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(court);
    p.drawLine(QPointF(court.left(), cy), QPointF(court.right(), cy));
    p.drawEllipse(QPointF(cx, cy), ftRadius, ftRadius);

    for (int end = 0; end < 2; ++end) {
        const double base = end == 0 ? court.top() : court.bottom();
        const double sign = end == 0 ? 1.0 : -1.0;
        p.drawRect(
            QRectF(QPointF(cx - keyHalf, base), QPointF(cx + keyHalf, base + sign * keyDepth))
                .normalized());
        // Free-throw circle: solid half away from the basket.
        const QPointF ft(cx, base + sign * keyDepth);
        const QRectF ftBox(ft.x() - ftRadius, ft.y() - ftRadius, 2 * ftRadius, 2 * ftRadius);
        p.drawArc(ftBox, end == 0 ? 180 * 16 : 0, 180 * 16);
        // Three-point line: straight near the sidelines, then an arc about the basket.
        const QPointF basket(cx, base + sign * 30);
        const double r3 = 132;
        const double side = 16;
        const double dx = cx - court.left() - side;
        const double dy = std::sqrt(r3 * r3 - dx * dx);
        const double meet = basket.y() + sign * dy;
        p.drawLine(QPointF(court.left() + side, base), QPointF(court.left() + side, meet));
        p.drawLine(QPointF(court.right() - side, base), QPointF(court.right() - side, meet));
        const double a = std::atan2(dy, dx) * 180.0 / Pi;
        const QRectF arcBox(basket.x() - r3, basket.y() - r3, 2 * r3, 2 * r3);
        if (end == 0)
            p.drawArc(arcBox, int((270 - (90 - a)) * 16), int(2 * (90 - a) * 16));
        else
            p.drawArc(arcBox, int((90 - (90 - a)) * 16), int(2 * (90 - a) * 16));
        // Backboard and ring.
        p.drawLine(QPointF(cx - 18, base + sign * 18), QPointF(cx + 18, base + sign * 18));
        p.setPen(linePen(QColor(0xe0, 0x55, 0x1b), 2.0));
        p.drawEllipse(basket - QPointF(0, sign * 5), 6, 6);
        p.setPen(linePen(white, 2.0));
    }
}

void drawVoleyCourt(QPainter &p)
{
    p.fillRect(QRectF(0, 0, PictureWidth, PictureHeight), QColor(0x2f, 0x6d, 0xa6));
    const QRectF court(28, 16, PictureWidth - 56, PictureHeight - 32);
    p.fillRect(court, QColor(0xe8, 0xb0, 0x6a));
    const double cy = court.center().y();
    const QColor white(255, 255, 255, 240);

    // Attack lines, with the dashed extension outside the court.
    const double attack = 76;
    p.setPen(linePen(white, 2.0));
    p.setBrush(Qt::NoBrush);
    for (double s : {-1.0, 1.0}) {
        const double y = cy + s * attack;
        p.drawLine(QPointF(court.left(), y), QPointF(court.right(), y));
        QPen dashed = linePen(white, 2.0);
        dashed.setDashPattern({2.0, 2.0});
        p.setPen(dashed);
        p.drawLine(QPointF(court.left() - 16, y), QPointF(court.left(), y));
        p.drawLine(QPointF(court.right(), y), QPointF(court.right() + 16, y));
        p.setPen(linePen(white, 2.0));
    }
    p.drawRect(court);
    p.drawLine(QPointF(court.left(), cy), QPointF(court.right(), cy));

    // The net seen from above: a dark band over the centre line, posts beyond the sidelines.
    const QColor net(0x22, 0x26, 0x2e);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 45));
    p.drawRect(QRectF(court.left() - 12, cy - 1, court.width() + 24, 5));
    p.setBrush(net);
    p.drawRect(QRectF(court.left() - 12, cy - 2, court.width() + 24, 4));
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawRect(QRectF(court.left() - 12, cy - 0.5, court.width() + 24, 1));
    // Antennae at the sidelines.
    for (double x : {court.left(), court.right()}) {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(x - 1.5, cy - 4, 3, 8));
        p.setBrush(QColor(0xd3, 0x2f, 0x2f));
        p.drawRect(QRectF(x - 1.5, cy - 1.5, 3, 3));
    }
    for (double x : {court.left() - 14, court.right() + 14}) {
        p.setBrush(net);
        p.drawEllipse(QPointF(x, cy), 4, 4);
        p.setBrush(QColor(0x9a, 0xa3, 0xad));
        p.drawEllipse(QPointF(x, cy), 2, 2);
    }
}

} // namespace

void drawBackground(QPainter &p, SportVariant variant)
{
    switch (courseOf(variant)) {
    case Course::Basket:
        drawBasketCourt(p);
        return;
    case Course::FutSal:
        drawFutsalCourt(p);
        return;
    case Course::Voley:
        drawVoleyCourt(p);
        return;
    case Course::Futbol:
        break;
    }
    drawFootballPitch(p);
}

} // namespace artgen
