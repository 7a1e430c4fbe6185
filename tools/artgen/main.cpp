// Draws the course pictures and writes the cue sounds from the same station table and profiles
// the program uses, so a moved station or a new sport only needs a rerun of this tool. It also
// draws the maker's logo, the start-screen and help pictures and the button glyphs.
//
// Usage: artgen <resources-folder>

#include "course.h"
#include "sportprofile.h"

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace {

// The program draws the picture one pixel inside the panel's border.
constexpr int PictureWidth = CoursePanelWidth - 2;
constexpr int PictureHeight = CoursePanelHeight - 2;

constexpr double Pi = 3.14159265358979323846;

const QString FontFamily = QStringLiteral("DejaVu Sans");

QFont uiFont(double pixelSize, bool bold)
{
    QFont font(FontFamily);
    font.setPixelSize(int(std::lround(pixelSize)));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Station centre in picture pixels (the picture sits at panel offset 1,1).
QPointF stationCentre(const Station &s)
{
    return {s.topLeft.x() + s.size.width() / 2.0 - 1.0,
            s.topLeft.y() + s.size.height() / 2.0 - 1.0};
}

// ---------------------------------------------------------------------------------------------
// Geometry used to keep numbers, the runner and captions clear of the course.

double distPointSegment(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const double len2 = QPointF::dotProduct(ab, ab);
    double t = len2 > 0 ? QPointF::dotProduct(p - a, ab) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

double distPointRect(QPointF p, const QRectF &r)
{
    const double dx = std::max({r.left() - p.x(), 0.0, p.x() - r.right()});
    const double dy = std::max({r.top() - p.y(), 0.0, p.y() - r.bottom()});
    return std::hypot(dx, dy);
}

bool segmentsCross(QPointF a, QPointF b, QPointF c, QPointF d)
{
    QPointF unused;
    return QLineF(a, b).intersects(QLineF(c, d), &unused) == QLineF::BoundedIntersection;
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

struct Obstacles
{
    std::vector<std::pair<QPointF, QPointF>> segments;
    std::vector<std::pair<QPointF, double>> discs;
    std::vector<QRectF> boxes;

    // How far a box stays from everything already on the picture (negative: overlaps).
    double clearance(const QRectF &r) const
    {
        double c =
            std::min({r.left(), r.top(), PictureWidth - r.right(), PictureHeight - r.bottom()}) -
            3.0;
        for (const auto &s : segments)
            c = std::min(c, distSegmentRect(s.first, s.second, r));
        for (const auto &d : discs)
            c = std::min(c, distPointRect(d.first, r) - d.second);
        for (const QRectF &b : boxes)
            c = std::min(c, distRectRect(b, r) - 1.0);
        return c;
    }
};

// Puts a box of the given size near an anchor, on whichever side leaves it most room.
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

// ---------------------------------------------------------------------------------------------
// Backgrounds. All sizes are in picture pixels; the courses are not to scale, so the markings
// are laid out to look right around the stations rather than to the metre.

class Rng
{
public:
    explicit Rng(quint32 seed) : m_state(seed) {}
    double next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return (m_state >> 8) / double(1u << 24);
    }

private:
    quint32 m_state;
};

QPen linePen(const QColor &colour, double width)
{
    QPen pen(colour, width);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

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

void drawBackground(QPainter &p, SportVariant variant)
{
    switch (variant) {
    case SportVariant::Basket:
        drawBasketCourt(p);
        return;
    case SportVariant::FutSal:
        drawFutsalCourt(p);
        return;
    case SportVariant::Voley:
        drawVoleyCourt(p);
        return;
    case SportVariant::Probst:
    case SportVariant::Futbol:
        break;
    }
    drawFootballPitch(p);
}

// ---------------------------------------------------------------------------------------------
// Course marks.

struct Style
{
    QColor course;       // course line and arrows
    QColor courseShadow; // keeps the line readable over court markings
    QColor caption;      // caption fill
};

Style styleFor(SportVariant variant)
{
    const SportProfile &profile = sportProfile(variant);
    QColor accent = QColor::fromRgb(QRgb(profile.themeAccentColor));
    // A pale accent would not carry white text.
    if (accent.lightness() > 110)
        accent = accent.darker(150);
    switch (variant) {
    case SportVariant::Basket:
    case SportVariant::Voley:
        return {QColor(0x15, 0x24, 0x4a), QColor(255, 255, 255, 150), accent};
    case SportVariant::FutSal:
    case SportVariant::Probst:
    case SportVariant::Futbol:
        break;
    }
    return {QColor(0xff, 0xe0, 0x4a), QColor(0, 0, 0, 110), accent};
}

// Radius of the cone drawn under a station: just wider than the program's marker.
double coneRadius(const Station &s)
{
    return std::max(s.size.width(), s.size.height()) / 2.0 + 1.5;
}

// A training cone seen from above: orange base, white band, dark tip.
void drawCone(QPainter &p, QPointF c, double r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawEllipse(c + QPointF(0.8, 1.2), r, r);
    QRadialGradient body(c - QPointF(r * 0.3, r * 0.3), r * 1.4);
    body.setColorAt(0, QColor(0xff, 0x9a, 0x3c));
    body.setColorAt(1, QColor(0xe8, 0x5a, 0x0c));
    p.setBrush(body);
    p.setPen(QPen(QColor(0x5a, 0x22, 0x05), 1.0));
    p.drawEllipse(c, r, r);
    p.setPen(QPen(QColor(255, 255, 255, 235), std::max(1.2, r * 0.22)));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r * 0.55, r * 0.55);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xb3, 0x3e, 0x06));
    p.drawEllipse(c, r * 0.22, r * 0.22);
}

void drawNumberBox(QPainter &p, const QRectF &box, int number)
{
    p.setPen(QPen(QColor(0x20, 0x20, 0x20, 200), 1.0));
    p.setBrush(QColor(255, 255, 255, 235));
    p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    p.setFont(uiFont(10, true));
    p.setPen(QColor(0x1a, 0x1a, 0x1a));
    p.drawText(box, Qt::AlignCenter, QString::number(number));
}

QSizeF numberBoxSize(int number)
{
    const QFontMetricsF fm(uiFont(10, true));
    return {std::ceil(fm.horizontalAdvance(QString::number(number))) + 6, 13};
}

void drawArrowHead(QPainter &p, QPointF tip, QPointF dir, const QColor &fill, const QColor &outline)
{
    const QPointF n(-dir.y(), dir.x());
    const double len = 10;
    const double half = 5.5;
    QPolygonF head;
    head << tip << tip - dir * len + n * half << tip - dir * (len * 0.7)
         << tip - dir * len - n * half;
    p.setPen(QPen(outline, 1.0));
    p.setBrush(fill);
    p.drawPolygon(head);
}

void drawCourseLine(QPainter &p, const QVector<QPointF> &pts, const Style &style, bool dotted,
                    bool backward)
{
    QPainterPath path;
    path.moveTo(pts.first());
    for (int i = 1; i < pts.size(); ++i)
        path.lineTo(pts[i]);
    path.closeSubpath();

    if (dotted) {
        // Same period for the shadow and the dots so each shadow stays under its dot.
        const double period = 8.0;
        const auto dotPen = [period](const QColor &colour, double width) {
            QPen pen(colour, width, Qt::CustomDashLine, Qt::RoundCap);
            pen.setDashPattern({0.01, period / width - 0.01});
            return pen;
        };
        p.setBrush(Qt::NoBrush);
        p.setPen(dotPen(style.courseShadow, 5.2));
        p.drawPath(path);
        p.setPen(dotPen(style.course, 3.4));
        p.drawPath(path);
        return;
    }

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(style.courseShadow, 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(style.course, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);

    const int n = pts.size();
    for (int i = 0; i < n; ++i) {
        QPointF a = pts[i];
        QPointF b = pts[(i + 1) % n];
        if (backward)
            std::swap(a, b);
        const QPointF d = b - a;
        const double len = std::hypot(d.x(), d.y());
        if (len < 1)
            continue;
        const QPointF dir = d / len;
        // Tip a little past the middle so the head is centred on the segment.
        drawArrowHead(p, (a + b) / 2 + dir * 5.0, dir, style.course, style.courseShadow);
    }
}

// A short arrow from the start along the first leg of the coming lap.
void drawFirstLeg(QPainter &p, QPointF start, double startRadius, QPointF target,
                  const Style &style)
{
    const QPointF d = target - start;
    const double len = std::hypot(d.x(), d.y());
    if (len < 1)
        return;
    const QPointF dir = d / len;
    const QPointF from = start + dir * (startRadius + 3);
    const QPointF tip = start + dir * (startRadius + 3 + std::min(26.0, len * 0.45));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(style.courseShadow, 5.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, tip - dir * 6);
    p.setPen(QPen(style.course, 3.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, tip - dir * 6);
    drawArrowHead(p, tip, dir, style.course, style.courseShadow);
}

// A small running figure on a white disc; faces right unless told otherwise.
void drawRunner(QPainter &p, QPointF c, double radius, bool facingLeft)
{
    p.save();
    p.translate(c);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawEllipse(QPointF(0.8, 1.2), radius, radius);
    p.setPen(QPen(QColor(0x20, 0x20, 0x20, 220), 1.2));
    p.setBrush(QColor(255, 255, 255, 245));
    p.drawEllipse(QPointF(0, 0), radius, radius);

    const double s = radius / 12.0;
    p.scale(facingLeft ? -s : s, s);
    const QColor ink(0x1e, 0x3a, 0x8a);
    p.setPen(QPen(ink, 2.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QPointF neck(1.2, -4.0);
    const QPointF hip(-1.2, 2.0);
    p.drawLine(neck, hip);
    QPolygonF frontLeg, backLeg, frontArm, backArm;
    frontLeg << hip << QPointF(3.0, 4.6) << QPointF(2.2, 8.6);
    backLeg << hip << QPointF(-3.6, 5.4) << QPointF(-7.4, 4.4);
    frontArm << QPointF(0.8, -3.0) << QPointF(3.6, -0.8) << QPointF(6.0, -3.0);
    backArm << QPointF(0.8, -3.0) << QPointF(-2.6, -1.6) << QPointF(-4.6, 1.0);
    p.drawPolyline(frontLeg);
    p.drawPolyline(backLeg);
    p.drawPolyline(frontArm);
    p.drawPolyline(backArm);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QPointF(2.6, -7.2), 2.3, 2.3);
    p.restore();
}

// Caption in a corner: a title line and an optional smaller second line.
struct Caption
{
    QString title;
    QString detail;
};

QSizeF captionSize(const Caption &caption)
{
    const QFontMetricsF big(uiFont(12, true));
    const QFontMetricsF small(uiFont(10, false));
    double w = big.horizontalAdvance(caption.title);
    double h = 17;
    if (!caption.detail.isEmpty()) {
        w = std::max(w, small.horizontalAdvance(caption.detail));
        h += 12;
    }
    return {std::ceil(w) + 14, h};
}

void drawCaption(QPainter &p, const QRectF &box, const Caption &caption, const Style &style)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRoundedRect(box.translated(0.8, 1.2), 5, 5);
    p.setPen(QPen(QColor(255, 255, 255, 200), 1.0));
    QColor fill = style.caption;
    fill.setAlpha(235);
    p.setBrush(fill);
    p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    p.setPen(Qt::white);
    p.setFont(uiFont(12, true));
    p.drawText(QRectF(box.left() + 7, box.top() + 1, box.width() - 14, 16),
               Qt::AlignLeft | Qt::AlignVCenter, caption.title);
    if (!caption.detail.isEmpty()) {
        p.setFont(uiFont(10, false));
        p.drawText(QRectF(box.left() + 7, box.top() + 16, box.width() - 14, 12),
                   Qt::AlignLeft | Qt::AlignVCenter, caption.detail);
    }
}

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

Layout layoutFor(SportVariant variant, const QVector<Caption> &captions)
{
    const QVector<Station> &stations = courseStations(variant);
    Layout layout;
    Obstacles obstacles;
    for (const Station &s : stations) {
        layout.centres.append(stationCentre(s));
        layout.radii.append(coneRadius(s));
        obstacles.discs.emplace_back(layout.centres.last(), layout.radii.last() + 1.5);
    }
    const int n = layout.centres.size();
    for (int i = 0; i < n; ++i)
        obstacles.segments.emplace_back(layout.centres[i], layout.centres[(i + 1) % n]);

    // The runner first: it has to sit right beside the start.
    const double rr = layout.runnerRadius;
    const QRectF runnerBox =
        placeNear(obstacles, layout.centres[0], layout.radii[0] + 1, QSizeF(2 * rr, 2 * rr));
    layout.runner = runnerBox.center();
    obstacles.discs.emplace_back(layout.runner, rr + 1);

    for (int i = 0; i < n; ++i) {
        const QRectF box =
            placeNear(obstacles, layout.centres[i], layout.radii[i], numberBoxSize(i + 1));
        layout.numberBoxes.append(box);
        obstacles.boxes.push_back(box);
    }

    QSizeF size(0, 0);
    for (const Caption &c : captions)
        size = size.expandedTo(captionSize(c));
    const double m = 5;
    const QPointF spots[] = {
        {m, m},
        {PictureWidth - m - size.width(), m},
        {m, PictureHeight - m - size.height()},
        {PictureWidth - m - size.width(), PictureHeight - m - size.height()},
        {(PictureWidth - size.width()) / 2, m},
        {(PictureWidth - size.width()) / 2, PictureHeight - m - size.height()},
    };
    double best = -std::numeric_limits<double>::infinity();
    for (const QPointF &spot : spots) {
        const QRectF r(spot, size);
        // Clearance from the picture edge does not count against a corner caption.
        Obstacles inner = obstacles;
        double c = std::numeric_limits<double>::infinity();
        for (const auto &s : inner.segments)
            c = std::min(c, distSegmentRect(s.first, s.second, r));
        for (const auto &d : inner.discs)
            c = std::min(c, distPointRect(d.first, r) - d.second);
        for (const QRectF &b : inner.boxes)
            c = std::min(c, distRectRect(b, r));
        c = std::min(c, 8.0);
        if (c > best + 0.5) {
            best = c;
            layout.captionArea = r;
            layout.captionOnRight = spot.x() > PictureWidth / 2.0 - size.width() / 2.0 + 1;
        }
    }
    return layout;
}

QImage drawPicture(SportVariant variant, int number, const Layout &layout, const Caption &caption)
{
    QImage image(PictureWidth, PictureHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawBackground(p, variant);

    const Style style = styleFor(variant);
    const bool hasRunner = number == 1 || number == 3 || number == 5;
    if (number == 1)
        drawCourseLine(p, layout.centres, style, true, false);
    else if (number == 2 || number == 4)
        drawCourseLine(p, layout.centres, style, false, number == 4);

    for (int i = 0; i < layout.centres.size(); ++i)
        drawCone(p, layout.centres[i], layout.radii[i]);
    for (int i = 0; i < layout.numberBoxes.size(); ++i)
        drawNumberBox(p, layout.numberBoxes[i], i + 1);

    if (hasRunner) {
        // The next lap leaves the start for the second station, or for the last one when it
        // runs backward: a short arrow on that leg and the runner facing that way say which.
        const int n = layout.centres.size();
        const bool backward =
            number == 3 && coursePicture(variant, CourseSituation::PauseEnds, 1, false) == 4;
        const QPointF start = layout.centres[0];
        const QPointF target = layout.centres[backward ? n - 1 : 1];
        drawFirstLeg(p, start, layout.radii[0], target, style);
        drawRunner(p, layout.runner, layout.runnerRadius, target.x() < start.x());
    }

    QRectF box(QPointF(), captionSize(caption));
    if (layout.captionOnRight)
        box.moveTopRight(layout.captionArea.topRight());
    else
        box.moveTopLeft(layout.captionArea.topLeft());
    if (layout.captionArea.top() > PictureHeight / 2.0)
        box.moveBottom(layout.captionArea.bottom());
    drawCaption(p, box, caption, style);
    return image;
}

QVector<Caption> captionsFor(SportVariant variant)
{
    const int count = coursePictureCount(variant);
    QVector<Caption> captions = {
        {QStringLiteral("Preparados"), QString()},      {QStringLiteral("Ida"), QString()},
        {QString::fromUtf8("Recuperación"), QString()}, {QStringLiteral("Vuelta"), QString()},
        {QString::fromUtf8("Recuperación"), QString()},
    };
    captions.resize(count);
    if (count >= 5) {
        // Both pauses look alike apart from which way the next lap goes.
        const auto next = [variant](int completed) {
            return coursePicture(variant, CourseSituation::PauseEnds, completed, false) == 4
                       ? QStringLiteral("Sigue: vuelta")
                       : QStringLiteral("Sigue: ida");
        };
        captions[2].detail = next(1);
        captions[4].detail = next(2);
    }
    return captions;
}

bool writeCoursePictures(const QDir &resources)
{
    const QDir dir(resources.filePath(QStringLiteral("course")));
    if (!QDir().mkpath(dir.path()))
        return false;
    // Probst shares the football course and its pictures.
    const SportVariant variants[] = {SportVariant::Futbol, SportVariant::Basket,
                                     SportVariant::FutSal, SportVariant::Voley};
    for (SportVariant variant : variants) {
        const QVector<Caption> captions = captionsFor(variant);
        const Layout layout = layoutFor(variant, captions);
        for (int n = 1; n <= coursePictureCount(variant); ++n) {
            const QString path = dir.filePath(courseResourceStem(variant) + QString::number(n) +
                                              QStringLiteral(".jpg"));
            const QImage image = drawPicture(variant, n, layout, captions[n - 1]);
            if (!image.save(path, "JPG", 90)) {
                std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(path));
                return false;
            }
            std::printf("%s\n", qPrintable(path));
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Sounds: 8-bit unsigned mono PCM at 11025 samples/s, written byte by byte so that every size
// field is exact.

constexpr int SampleRate = 11025;

QByteArray waveFile(const QByteArray &samples)
{
    const bool pad = samples.size() % 2 != 0;
    const quint32 dataSize = quint32(samples.size());
    QByteArray out;
    const auto u32 = [&out](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    };
    const auto u16 = [&out](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        out.append(b, 2);
    };
    out.append("RIFF", 4);
    u32(4 + (8 + 16) + (8 + dataSize + (pad ? 1 : 0)));
    out.append("WAVE", 4);
    out.append("fmt ", 4);
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(SampleRate);
    u32(SampleRate); // bytes per second: one byte a sample
    u16(1);          // block align
    u16(8);          // bits per sample
    out.append("data", 4);
    u32(dataSize);
    out.append(samples);
    if (pad)
        out.append('\0');
    return out;
}

char toUnsigned8(double v)
{
    const long s = std::lround(128.0 + 127.0 * std::clamp(v, -1.0, 1.0));
    return char(quint8(std::clamp(s, 0L, 255L)));
}

// The cue: a steady 440 Hz tone that starts on a rising zero crossing at the first sample, so
// its onset is sharp and lands at the same moment every time. Only the tail fades, to avoid a
// click when it stops.
QByteArray cueSamples()
{
    const int count = 5167;
    const int fade = SampleRate * 3 / 1000;
    QByteArray samples(count, '\0');
    for (int i = 0; i < count; ++i) {
        const double gain = i >= count - fade ? double(count - 1 - i) / fade : 1.0;
        samples[i] = toUnsigned8(gain * std::sin(2.0 * Pi * 440.0 * i / SampleRate));
    }
    return samples;
}

// The pause alert: two short, higher beeps, clearly not the cue.
QByteArray alertSamples()
{
    const int beep = SampleRate * 80 / 1000;
    const int gap = SampleRate * 60 / 1000;
    const int ramp = SampleRate * 4 / 1000;
    QByteArray samples;
    for (int b = 0; b < 2; ++b) {
        if (b > 0)
            samples.append(QByteArray(gap, char(128)));
        for (int i = 0; i < beep; ++i) {
            const double gain = std::min({1.0, double(i) / ramp, double(beep - 1 - i) / ramp});
            samples.append(toUnsigned8(0.85 * gain * std::sin(2.0 * Pi * 880.0 * i / SampleRate)));
        }
    }
    return samples;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s (%lld bytes)\n", qPrintable(path), static_cast<long long>(bytes.size()));
    return true;
}

bool writeSounds(const QDir &resources)
{
    const QDir dir(resources.filePath(QStringLiteral("sounds")));
    if (!QDir().mkpath(dir.path()))
        return false;
    const QByteArray cue = waveFile(cueSamples());
    // The player and the timing tests rely on this exact layout of the cue.
    if (cue.size() != 5212 || qFromLittleEndian<quint32>(cue.constData() + 4) != 5204 ||
        qFromLittleEndian<quint32>(cue.constData() + 40) != 5167) {
        std::fprintf(stderr, "artgen: cue file layout is wrong\n");
        return false;
    }
    return writeFile(dir.filePath(QStringLiteral("sonido.wav")), cue) &&
           writeFile(dir.filePath(QStringLiteral("aviso.wav")), waveFile(alertSamples()));
}

// ---------------------------------------------------------------------------------------------
// Program icon: the runner and a cone on football green.

bool writeIcon(const QDir &resources)
{
    const QDir dir(resources.filePath(QStringLiteral("icons")));
    if (!QDir().mkpath(dir.path()))
        return false;
    const int size = 256;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF tile(8, 8, size - 16, size - 16);
    QPainterPath shape;
    shape.addRoundedRect(tile, 48, 48);
    p.setClipPath(shape);
    for (int i = 0; i < 6; ++i)
        p.fillRect(QRectF(0, i * size / 6.0, size, size / 6.0),
                   i % 2 ? QColor(0x3a, 0x8a, 0x3f) : QColor(0x44, 0x98, 0x48));
    p.setPen(linePen(QColor(255, 255, 255, 200), 5));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(0, 196), QPointF(size, 196));
    p.drawEllipse(QPointF(128, 196), 70, 70);
    p.setClipping(false);

    drawCone(p, QPointF(186, 190), 26);

    p.save();
    p.translate(108, 112);
    p.scale(8.0, 8.0);
    const QColor ink(Qt::white);
    p.setPen(QPen(QColor(0, 0, 0, 60), 3.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1)
            p.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF shift = pass == 0 ? QPointF(0.25, 0.35) : QPointF();
        const QPointF hip(-1.2, 2.0);
        p.drawLine(QPointF(1.2, -4.0) + shift, hip + shift);
        QPolygonF lines[4];
        lines[0] << hip << QPointF(3.0, 4.6) << QPointF(2.2, 8.6);
        lines[1] << hip << QPointF(-3.6, 5.4) << QPointF(-7.4, 4.4);
        lines[2] << QPointF(0.8, -3.0) << QPointF(3.6, -0.8) << QPointF(6.0, -3.0);
        lines[3] << QPointF(0.8, -3.0) << QPointF(-2.6, -1.6) << QPointF(-4.6, 1.0);
        for (QPolygonF &l : lines)
            p.drawPolyline(l.translated(shift));
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(pass == 0 ? QColor(0, 0, 0, 60) : ink);
        p.drawEllipse(QPointF(2.6, -7.2) + shift, 2.4, 2.4);
        p.restore();
    }
    p.restore();
    p.end();

    const QString path = dir.filePath(QStringLiteral("zenta.png"));
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// ---------------------------------------------------------------------------------------------
// The maker's logo: an emblem and the word mark on white, the size of the intro window's frame.

bool savePicture(const QImage &image, const QString &path, const char *format, int quality = -1)
{
    if (!image.save(path, format, quality)) {
        std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

const QColor MakerBlue(0x1b, 0x3a, 0x6b);
const QColor MakerOrange(0xf0, 0x7a, 0x1e);

// The emblem: a ring cut by a rising track, in a square of the given size at the origin.
void drawMakerEmblem(QPainter &p, double size)
{
    const QPointF c(size / 2, size / 2);
    const double r = size * 0.42;
    p.setPen(QPen(MakerBlue, size * 0.13, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 40 * 16, 280 * 16);
    QPainterPath track;
    track.moveTo(size * 0.16, size * 0.74);
    track.cubicTo(size * 0.42, size * 0.70, size * 0.62, size * 0.52, size * 0.92, size * 0.18);
    p.setPen(QPen(MakerOrange, size * 0.12, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(track);
}

bool writeMakerLogo(const QDir &pictures)
{
    QImage image(303, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QFont mark(FontFamily);
    mark.setPixelSize(26);
    mark.setWeight(QFont::Black);
    mark.setLetterSpacing(QFont::AbsoluteSpacing, 3.0);
    mark.setHintingPreference(QFont::PreferNoHinting);
    const QString word = QStringLiteral("ORVELAN");
    QFont tag = uiFont(9, false);
    tag.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    const QString tagline = QStringLiteral("SOFTWARE PARA EL DEPORTE");

    const double emblem = 32;
    const double gap = 9;
    const double wordWidth = QFontMetricsF(mark).horizontalAdvance(word) - 3.0;
    const double tagWidth = QFontMetricsF(tag).horizontalAdvance(tagline);
    const double textWidth = std::max(wordWidth, tagWidth);
    const double left = std::floor((image.width() - emblem - gap - textWidth) / 2);

    p.save();
    p.translate(left, 4);
    drawMakerEmblem(p, emblem);
    p.restore();

    const double textLeft = left + emblem + gap;
    p.setFont(mark);
    p.setPen(MakerBlue);
    p.drawText(QRectF(textLeft, 1, textWidth + 6, 28), Qt::AlignLeft | Qt::AlignVCenter, word);
    p.setFont(tag);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawText(QRectF(textLeft, 27, textWidth + 6, 11), Qt::AlignLeft | Qt::AlignVCenter, tagline);
    p.end();
    return savePicture(image, pictures.filePath(QStringLiteral("korva.png")), "PNG");
}

// ---------------------------------------------------------------------------------------------
// Start-screen pictures: the sport's own ground seen from one end, under floodlights, with the
// title's band left calm. The ground is the course picture's background in perspective.

QImage courseGround(SportVariant variant, bool withCones)
{
    const int scale = 2;
    QImage ground(PictureWidth * scale, PictureHeight * scale, QImage::Format_ARGB32_Premultiplied);
    ground.fill(Qt::transparent);
    QPainter p(&ground);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    drawBackground(p, variant);
    if (withCones) {
        for (const Station &s : courseStations(variant))
            drawCone(p, stationCentre(s), coneRadius(s) * 1.4);
    }
    return ground;
}

bool indoorSport(SportVariant variant)
{
    return variant != SportVariant::Futbol && variant != SportVariant::Probst;
}

void drawStands(QPainter &p, double horizon, int width, const QColor &tint, Rng &rng)
{
    // Tiers of seats as darker bands, with specks of spectators.
    for (int tier = 0; tier < 5; ++tier) {
        const double y0 = horizon - 26.0 * (tier + 1) - tier * 2.0;
        QColor band = tint.darker(260 + tier * 30);
        p.fillRect(QRectF(0, y0, width, 26), band);
        p.fillRect(QRectF(0, y0, width, 1.5), QColor(255, 255, 255, 18));
        for (int i = 0; i < 150; ++i) {
            const double x = rng.next() * width;
            const double y = y0 + 5 + rng.next() * 18;
            const int light = 70 + int(rng.next() * 90);
            p.fillRect(QRectF(x, y, 2.2, 2.2), QColor(light, light, light + 10, 120));
        }
    }
    // Advertising boards along the touchline.
    QLinearGradient boards(0, horizon - 9, 0, horizon);
    boards.setColorAt(0, tint.lighter(130));
    boards.setColorAt(1, tint.darker(140));
    p.fillRect(QRectF(0, horizon - 9, width, 9), boards);
}

void drawFloodlight(QPainter &p, QPointF lamp, double reach, bool indoor)
{
    QRadialGradient glow(lamp, reach);
    glow.setColorAt(0, QColor(255, 250, 230, indoor ? 150 : 210));
    glow.setColorAt(0.08, QColor(255, 245, 215, 110));
    glow.setColorAt(0.4, QColor(255, 240, 200, 28));
    glow.setColorAt(1, QColor(255, 240, 200, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(lamp, reach, reach);
    if (!indoor) {
        // The lamp bank itself: a small grid of bright cells.
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 5; ++c)
                p.fillRect(QRectF(lamp.x() - 17 + c * 7, lamp.y() - 9 + r * 6, 5, 4),
                           QColor(255, 252, 240));
        }
    } else {
        p.setBrush(QColor(255, 252, 240));
        p.drawEllipse(lamp, 6, 3);
    }
}

bool writeMainPictures(const QDir &pictures)
{
    const int w = 813;
    const int h = 586;
    const SportVariant variants[] = {SportVariant::Futbol, SportVariant::Basket,
                                     SportVariant::FutSal, SportVariant::Voley};
    for (SportVariant variant : variants) {
        const SportProfile &profile = sportProfile(variant);
        const QColor tint = QColor::fromRgb(QRgb(profile.themePanelColor));
        const bool indoor = indoorSport(variant);
        QImage image(w, h, QImage::Format_RGB32);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);

        // Night sky or arena roof.
        const double horizon = 318;
        QLinearGradient sky(0, 0, 0, horizon);
        if (indoor) {
            sky.setColorAt(0, QColor(0x0c, 0x10, 0x1a));
            sky.setColorAt(1, tint.darker(380));
        } else {
            sky.setColorAt(0, QColor(0x06, 0x0d, 0x22));
            sky.setColorAt(0.7, QColor(0x14, 0x2a, 0x52));
            sky.setColorAt(1, QColor(0x2a, 0x45, 0x6e));
        }
        p.fillRect(QRectF(0, 0, w, horizon), sky);
        Rng rng(0xC0FFEEu + quint32(variant));
        if (indoor) {
            // Roof trusses.
            p.setPen(QPen(QColor(255, 255, 255, 16), 2));
            for (int i = -6; i <= 6; ++i)
                p.drawLine(QPointF(w / 2.0 + i * 30, 0), QPointF(w / 2.0 + i * 140, 150));
            for (double y : {40.0, 85.0, 125.0})
                p.drawLine(QPointF(0, y), QPointF(w, y));
        } else {
            for (int i = 0; i < 90; ++i) {
                const int a = 60 + int(rng.next() * 150);
                p.fillRect(QRectF(rng.next() * w, rng.next() * 150, 1.3, 1.3),
                           QColor(255, 255, 255, a));
            }
        }
        drawStands(p, horizon, w, tint, rng);

        // The ground in perspective, far end at the horizon, near end below the picture.
        const QImage ground = courseGround(variant, true);
        const QPolygonF from =
            QPolygonF(QRectF(0, 0, ground.width(), ground.height())).mid(0, 4); // the four corners
        QPolygonF to;
        const double farHalf = 230;
        const double nearHalf = 1100;
        const double nearY = h + 720;
        to << QPointF(w / 2.0 - farHalf, horizon) << QPointF(w / 2.0 + farHalf, horizon)
           << QPointF(w / 2.0 + nearHalf, nearY) << QPointF(w / 2.0 - nearHalf, nearY);
        QTransform perspective;
        if (QTransform::quadToQuad(from, to, perspective)) {
            // What lies round the ground shows in the sport's surround colour.
            p.fillRect(QRectF(0, horizon, w, h - horizon),
                       ground.pixelColor(2, ground.height() / 2));
            p.save();
            p.setClipRect(QRectF(0, horizon, w, h - horizon));
            p.setTransform(perspective);
            p.drawImage(QPointF(0, 0), ground);
            p.restore();
        }

        // Haze at the far end and darkening towards the viewer keep the title and buttons clear.
        QLinearGradient haze(0, horizon - 40, 0, h);
        haze.setColorAt(0, QColor(255, 255, 255, 0));
        haze.setColorAt(0.1, QColor(230, 235, 255, 40));
        haze.setColorAt(0.35, QColor(0, 0, 0, 0));
        haze.setColorAt(1, QColor(0, 0, 0, 110));
        p.fillRect(QRectF(0, horizon - 40, w, h - horizon + 40), haze);

        p.setCompositionMode(QPainter::CompositionMode_Plus);
        if (indoor) {
            for (int i = 0; i < 5; ++i)
                drawFloodlight(p, QPointF(w * (0.1 + 0.2 * i), 34), 150, true);
        } else {
            drawFloodlight(p, QPointF(70, 70), 260, false);
            drawFloodlight(p, QPointF(w - 70, 70), 260, false);
        }
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);

        // Calm band behind the title.
        QLinearGradient band(0, 130, 0, 290);
        band.setColorAt(0, QColor(0, 0, 0, 0));
        band.setColorAt(0.5, QColor(0, 0, 0, 70));
        band.setColorAt(1, QColor(0, 0, 0, 0));
        p.fillRect(QRectF(0, 130, w, 160), band);

        // Vignette.
        QRadialGradient vignette(QPointF(w / 2.0, h / 2.0), w * 0.75);
        vignette.setColorAt(0.55, QColor(0, 0, 0, 0));
        vignette.setColorAt(1, QColor(0, 0, 0, 150));
        p.fillRect(image.rect(), vignette);
        p.end();

        const QString path = pictures.filePath(
            QStringLiteral("main_") + courseResourceStem(variant) + QStringLiteral(".jpg"));
        if (!savePicture(image, path, "JPG", 90))
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Help pictures: the course with its numbered cones and the running direction, under a title.

bool writeHelpPictures(const QDir &pictures)
{
    const SportVariant variants[] = {SportVariant::Futbol, SportVariant::Basket,
                                     SportVariant::FutSal, SportVariant::Voley};
    for (SportVariant variant : variants) {
        const int w = 290;
        const int h = variant == SportVariant::Basket ? 484 : 480;
        const Style style = styleFor(variant);
        const Layout layout = layoutFor(variant, captionsFor(variant));

        QImage course(PictureWidth, PictureHeight, QImage::Format_RGB32);
        course.fill(Qt::white); // antialiased edges blend with what is under them
        {
            QPainter p(&course);
            p.setRenderHint(QPainter::Antialiasing);
            p.setRenderHint(QPainter::TextAntialiasing);
            drawBackground(p, variant);
            drawCourseLine(p, layout.centres, style, false, false);
            for (int i = 0; i < layout.centres.size(); ++i)
                drawCone(p, layout.centres[i], layout.radii[i]);
            for (int i = 0; i < layout.numberBoxes.size(); ++i)
                drawNumberBox(p, layout.numberBoxes[i], i + 1);
        }

        QImage image(w, h, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);

        const double band = 24;
        const QRectF area(0, band, w, h - 2 * band);
        const double scale = std::min(area.width() / PictureWidth, area.height() / PictureHeight);
        const QSizeF size(PictureWidth * scale, PictureHeight * scale);
        const QRectF target(area.center().x() - size.width() / 2,
                            area.center().y() - size.height() / 2, size.width(), size.height());
        p.drawImage(target, course);
        p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(target.adjusted(-0.5, -0.5, 0.5, 0.5));

        const int cones = int(courseStations(variant).size());
        p.setPen(style.caption);
        p.setFont(uiFont(13, true));
        p.drawText(QRectF(0, 0, w, band), Qt::AlignCenter,
                   QStringLiteral("Circuito de %1 conos").arg(cones));
        p.setPen(QColor(0x50, 0x50, 0x50));
        p.setFont(uiFont(11, false));
        p.drawText(QRectF(0, h - band, w, band), Qt::AlignCenter,
                   QStringLiteral("Un deportista en cada cono, del 1 al %1").arg(cones));
        p.end();

        const QString path = pictures.filePath(
            QStringLiteral("help_") + courseResourceStem(variant) + QStringLiteral(".png"));
        if (!savePicture(image, path, "PNG"))
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Button glyphs, drawn on a 24-unit grid and written at 1x and 2x. Toolbar glyphs get a
// disabled twin, since the toolbar greys out its commands while a test runs.

using GlyphPainter = void (*)(QPainter &p, const QColor &ink);

QPen roundPen(const QColor &colour, double width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void glyphSalir(QPainter &p, const QColor &ink)
{
    p.setPen(roundPen(ink, 2.2));
    p.setBrush(Qt::NoBrush);
    QPolygonF door;
    door << QPointF(13, 6) << QPointF(13, 3.5) << QPointF(4, 3.5) << QPointF(4, 20.5)
         << QPointF(13, 20.5) << QPointF(13, 18);
    p.drawPolyline(door);
    p.drawLine(QPointF(9, 12), QPointF(20.5, 12));
    p.drawPolyline(QPolygonF() << QPointF(16.5, 8) << QPointF(20.5, 12) << QPointF(16.5, 16));
}

void glyphNuevo(QPainter &p, const QColor &ink)
{
    p.setPen(roundPen(ink, 2.0));
    p.setBrush(Qt::NoBrush);
    QPolygonF sheet;
    sheet << QPointF(14, 3) << QPointF(5, 3) << QPointF(5, 21) << QPointF(19, 21) << QPointF(19, 8)
          << QPointF(14, 3) << QPointF(14, 8) << QPointF(19, 8);
    p.drawPolyline(sheet);
    p.drawLine(QPointF(12, 11.5), QPointF(12, 17.5));
    p.drawLine(QPointF(9, 14.5), QPointF(15, 14.5));
}

void glyphStart(QPainter &p, const QColor &ink)
{
    p.setPen(roundPen(ink, 1.6));
    p.setBrush(ink);
    QPolygonF play;
    play << QPointF(7, 4.5) << QPointF(19.5, 12) << QPointF(7, 19.5);
    p.drawPolygon(play);
}

// "Fin de la prueba": a chequered finish flag, so it never reads as a check box.
void glyphStop(QPainter &p, const QColor &ink)
{
    p.setPen(roundPen(ink, 2.0));
    p.drawLine(QPointF(5.5, 3.5), QPointF(5.5, 21));
    p.setPen(roundPen(ink, 1.2));
    p.setBrush(Qt::NoBrush);
    const QRectF flag(6.5, 4, 13.5, 9);
    p.drawRect(flag);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const double cell = flag.width() / 4;
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 4; ++col) {
            if ((row + col) % 2 == 0)
                p.drawRect(QRectF(flag.left() + col * cell, flag.top() + row * flag.height() / 2,
                                  cell, flag.height() / 2));
        }
    }
}

void glyphAyuda(QPainter &p, const QColor &ink)
{
    p.setPen(roundPen(ink, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12, 12), 9.2, 9.2);
    QPainterPath hook;
    hook.moveTo(9, 9.6);
    hook.cubicTo(9, 6.4, 15, 6.4, 15, 9.6);
    hook.cubicTo(15, 11.8, 12, 12, 12, 14.2);
    p.setPen(roundPen(ink, 2.1));
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QPointF(12, 17.4), 1.3, 1.3);
}

void person(QPainter &p, const QColor &ink, QPointF head, double s)
{
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(head, 3.0 * s, 3.0 * s);
    QPainterPath body;
    const QPointF b = head + QPointF(0, 4.4 * s);
    body.moveTo(b.x() - 5.4 * s, b.y() + 7.6 * s);
    body.cubicTo(b.x() - 5.4 * s, b.y() + 1.2 * s, b.x() - 3.6 * s, b.y(), b.x(), b.y());
    body.cubicTo(b.x() + 3.6 * s, b.y(), b.x() + 5.4 * s, b.y() + 1.2 * s, b.x() + 5.4 * s,
                 b.y() + 7.6 * s);
    body.closeSubpath();
    p.drawPath(body);
}

void glyphGrupo(QPainter &p, const QColor &ink)
{
    QColor back = ink;
    back.setAlphaF(ink.alphaF() * 0.7f);
    person(p, back, QPointF(7, 7.5), 0.8);
    person(p, back, QPointF(17, 7.5), 0.8);
    person(p, ink, QPointF(12, 9), 1.0);
}

void glyphEmpezar(QPainter &p, const QColor &)
{
    QLinearGradient fill(0, 2, 0, 22);
    fill.setColorAt(0, QColor(0x4c, 0xb8, 0x4a));
    fill.setColorAt(1, QColor(0x2a, 0x86, 0x2e));
    p.setPen(QPen(QColor(0x1e, 0x5e, 0x22), 1.0));
    p.setBrush(fill);
    p.drawEllipse(QPointF(12, 12), 10.5, 10.5);
    p.setPen(roundPen(Qt::white, 2.4));
    p.drawLine(QPointF(7, 12), QPointF(16.5, 12));
    p.drawPolyline(QPolygonF() << QPointF(12.5, 7.5) << QPointF(17, 12) << QPointF(12.5, 16.5));
}

void glyphAcercade(QPainter &p, const QColor &)
{
    QLinearGradient fill(0, 2, 0, 22);
    fill.setColorAt(0, QColor(0x4a, 0x8c, 0xe0));
    fill.setColorAt(1, QColor(0x1f, 0x5a, 0xb0));
    p.setPen(QPen(QColor(0x16, 0x3f, 0x7c), 1.0));
    p.setBrush(fill);
    p.drawEllipse(QPointF(12, 12), 10.5, 10.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(12, 7.2), 1.6, 1.6);
    p.drawRoundedRect(QRectF(10.5, 10, 3, 8.5), 0.8, 0.8);
}

void glyphCerrar(QPainter &p, const QColor &)
{
    p.setPen(QPen(QColor(0x8e, 0x1c, 0x1c), 1.0));
    p.setBrush(QColor(0xd2, 0x3c, 0x3c));
    p.drawEllipse(QPointF(12, 12), 10, 10);
    p.setPen(roundPen(Qt::white, 2.6));
    p.drawLine(QPointF(8, 8), QPointF(16, 16));
    p.drawLine(QPointF(16, 8), QPointF(8, 16));
}

void glyphExport(QPainter &p, const QColor &)
{
    p.setPen(QPen(QColor(0x1e, 0x5e, 0x22), 1.4));
    p.setBrush(QColor(0xf4, 0xfa, 0xf2));
    QPolygonF sheet;
    sheet << QPointF(4, 2.5) << QPointF(14, 2.5) << QPointF(18, 6.5) << QPointF(18, 21.5)
          << QPointF(4, 21.5);
    p.drawPolygon(sheet);
    p.setPen(QPen(QColor(0x2a, 0x86, 0x2e), 1.4));
    for (double y : {9.0, 12.5, 16.0})
        p.drawLine(QPointF(7, y), QPointF(15, y));
    p.drawLine(QPointF(11, 8), QPointF(11, 19));
    p.setPen(roundPen(QColor(0x1f, 0x5a, 0xb0), 2.4));
    p.drawLine(QPointF(13, 16), QPointF(21.5, 16));
    p.drawPolyline(QPolygonF() << QPointF(18.5, 13) << QPointF(21.5, 16) << QPointF(18.5, 19));
}

void glyphBorrar(QPainter &p, const QColor &)
{
    const QColor edge(0x6e, 0x1a, 0x1a);
    p.setPen(QPen(edge, 1.3));
    p.setBrush(QColor(0xd2, 0x4a, 0x3c));
    QPolygonF bin;
    bin << QPointF(6, 7.5) << QPointF(18, 7.5) << QPointF(16.8, 21.5) << QPointF(7.2, 21.5);
    p.drawPolygon(bin);
    p.setPen(roundPen(QColor(255, 255, 255, 200), 1.3));
    for (double x : {9.6, 12.0, 14.4})
        p.drawLine(QPointF(x, 10.5), QPointF(x, 18.5));
    p.setPen(QPen(edge, 1.3));
    p.setBrush(QColor(0xe8, 0x6a, 0x5a));
    p.drawRoundedRect(QRectF(4, 4.5, 16, 3), 1, 1);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(9.5, 2.2, 5, 2.3), 0.8, 0.8);
}

void glyphReactivar(QPainter &p, const QColor &)
{
    const QColor ink(0x1f, 0x7a, 0x2e);
    p.setPen(roundPen(ink, 2.4));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4, 4, 16, 16), 60 * 16, 280 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    QPolygonF head;
    head << QPointF(13.2, 1.2) << QPointF(19.8, 5.2) << QPointF(13.4, 9.0);
    p.drawPolygon(head);
}

void glyphActualizar(QPainter &p, const QColor &)
{
    const QColor ink(0x1f, 0x5a, 0xb0);
    p.setPen(roundPen(ink, 2.3));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4, 4, 16, 16), 20 * 16, 140 * 16);
    p.drawArc(QRectF(4, 4, 16, 16), 200 * 16, 140 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    // Arrow heads at the ends of the two arcs, turning clockwise.
    p.drawPolygon(QPolygonF() << QPointF(16.6, 8.2) << QPointF(22.6, 8.2) << QPointF(19.6, 13.2));
    p.drawPolygon(QPolygonF() << QPointF(1.4, 15.8) << QPointF(7.4, 15.8) << QPointF(4.4, 10.8));
}

void glyphBibliografia(QPainter &p, const QColor &)
{
    const QColor covers[] = {QColor(0x1f, 0x5a, 0xb0), QColor(0xc0, 0x3a, 0x2b),
                             QColor(0x2a, 0x86, 0x2e)};
    const double lefts[] = {3, 8.5, 14};
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(covers[i].darker(150), 1.0));
        p.setBrush(covers[i]);
        if (i == 2) {
            p.save();
            p.translate(lefts[i] + 2.5, 21);
            p.rotate(14);
            p.drawRect(QRectF(-2.5, -16, 5, 16));
            p.restore();
        } else {
            p.drawRect(QRectF(lefts[i], 4.5 + i * 1.5, 5, 16.5 - i * 1.5));
            p.setPen(QPen(QColor(255, 255, 255, 170), 1.0));
            p.drawLine(QPointF(lefts[i] + 1.2, 8 + i * 1.5), QPointF(lefts[i] + 3.8, 8 + i * 1.5));
        }
    }
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1.4));
    p.drawLine(QPointF(1.5, 21.5), QPointF(22.5, 21.5));
}

void glyphCerrarMini(QPainter &p, const QColor &)
{
    p.setPen(roundPen(QColor(0x40, 0x40, 0x40), 2.8));
    p.drawLine(QPointF(5, 5), QPointF(19, 19));
    p.drawLine(QPointF(19, 5), QPointF(5, 19));
}

QImage renderGlyph(GlyphPainter painter, const QColor &ink, int pixels)
{
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(pixels / 24.0, pixels / 24.0);
    painter(p, ink);
    p.end();
    return image;
}

// Greyed and faded, the way a disabled command looks on any face colour.
QImage disabledGlyph(const QImage &normal)
{
    QImage image = normal.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            const int grey = (qRed(c) * 11 + qGreen(c) * 16 + qBlue(c) * 5) / 32;
            const int mixed = (grey + 0xa0) / 2;
            line[x] = qRgba(mixed, mixed, mixed, qAlpha(c) * 45 / 100);
        }
    }
    return image;
}

// The main window's glyphs go in glyphs/; the intro window's own, which it carries itself, in
// glyphs/intro/.
bool writeGlyphs(const QDir &resources)
{
    const QDir dir(resources.filePath(QStringLiteral("glyphs")));
    const QDir introDir(dir.filePath(QStringLiteral("intro")));
    if (!QDir().mkpath(dir.path()) || !QDir().mkpath(introDir.path()))
        return false;
    struct Glyph
    {
        const char *name;
        GlyphPainter painter;
        int size;
        bool disabledTwin;
        bool intro = false;
    };
    const QColor toolbarInk(Qt::white);
    const Glyph glyphs[] = {
        {"salir", glyphSalir, 24, true},
        {"nuevo", glyphNuevo, 24, true},
        {"start", glyphStart, 24, true},
        {"stop", glyphStop, 24, true},
        {"ayuda", glyphAyuda, 24, true},
        {"grupo", glyphGrupo, 24, true},
        {"empezar", glyphEmpezar, 32, true},
        {"acercade", glyphAcercade, 32, true},
        {"cerrar", glyphCerrar, 16, true},
        {"export", glyphExport, 16, true},
        {"borrar", glyphBorrar, 16, true},
        {"reactivar", glyphReactivar, 16, true},
        {"actualizar", glyphActualizar, 16, false, true},
        {"bibliografia", glyphBibliografia, 16, false, true},
        {"cerrar_mini", glyphCerrarMini, 10, false, true},
    };
    for (const Glyph &glyph : glyphs) {
        const QDir &folder = glyph.intro ? introDir : dir;
        for (int factor : {1, 2}) {
            const QString suffix = factor == 2 ? QStringLiteral("@2x.png") : QStringLiteral(".png");
            const QString name = QString::fromLatin1(glyph.name);
            const QImage normal = renderGlyph(glyph.painter, toolbarInk, glyph.size * factor);
            if (!savePicture(normal, folder.filePath(name + suffix), "PNG"))
                return false;
            if (glyph.disabledTwin &&
                !savePicture(disabledGlyph(normal),
                             folder.filePath(name + QStringLiteral("_disabled") + suffix), "PNG"))
                return false;
        }
    }
    return true;
}

bool writeShellPictures(const QDir &resources)
{
    const QDir pictures(resources.filePath(QStringLiteral("pictures")));
    if (!QDir().mkpath(pictures.path()))
        return false;
    return writeMakerLogo(pictures) && writeMainPictures(pictures) && writeHelpPictures(pictures) &&
           writeGlyphs(resources);
}

} // namespace

int main(int argc, char *argv[])
{
    // Fonts need a GUI application, but nothing is ever shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: artgen <resources-folder>\n");
        return 2;
    }
    const QDir resources(args.at(1));
    if (!resources.exists()) {
        std::fprintf(stderr, "artgen: no folder %s\n", qPrintable(args.at(1)));
        return 2;
    }
    const bool ok = writeCoursePictures(resources) && writeSounds(resources) &&
                    writeIcon(resources) && writeShellPictures(resources);
    return ok ? 0 : 1;
}
