#include "courseplans.h"

#include "common.h"
#include "geometry.h"
#include "pitches.h"

#include <QDir>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

using namespace Protocol;

namespace artgen {

namespace {

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

} // namespace

Style styleFor(SportVariant variant)
{
    const SportProfile &profile = sportProfile(variant);
    QColor accent = QColor::fromRgb(QRgb(profile.themeAccentColor));
    // A pale accent would not carry white text.
    if (accent.lightness() > 110)
        accent = accent.darker(150);
    switch (courseOf(variant)) {
    case Course::Basket:
    case Course::Voley:
        return {QColor(0x15, 0x24, 0x4a), QColor(255, 255, 255, 150), accent};
    case Course::FutSal:
    case Course::Futbol:
        break;
    }
    return {QColor(0xff, 0xe0, 0x4a), QColor(0, 0, 0, 110), accent};
}

QPointF stationCentre(const Station &s)
{
    return {s.topLeft.x() + s.size.width() / 2.0 - 1.0,
            s.topLeft.y() + s.size.height() / 2.0 - 1.0};
}

double coneRadius(const Station &s)
{
    return std::max(s.size.width(), s.size.height()) / 2.0 + 1.5;
}

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

} // namespace artgen
