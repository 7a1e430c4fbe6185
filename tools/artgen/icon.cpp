// Program icons: the runner and a cone on the sport's floor, football green for the program.

#include "common.h"
#include "courseplans.h"
#include "pictures.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cstdio>

using namespace Protocol;

namespace artgen {

namespace {

// The floor of the icon's tile in the colours of the sport's own course pictures, with its
// halfway line and centre circle; Probst runs between two cones on the football pitch.
void drawFloor(QPainter &p, SportVariant variant, int size)
{
    QColor stripe[2] = {QColor(0x44, 0x98, 0x48), QColor(0x3a, 0x8a, 0x3f)};
    if (variant == SportVariant::Basket) {
        stripe[0] = QColor(0xdd, 0xaa, 0x6c);
        stripe[1] = QColor(0xd3, 0xa0, 0x62);
    } else if (variant == SportVariant::FutSal) {
        stripe[0] = QColor(0x2f, 0x74, 0xb5);
        stripe[1] = QColor(0x27, 0x66, 0xa3);
    } else if (variant == SportVariant::Voley) {
        stripe[0] = stripe[1] = QColor(0x2f, 0x6d, 0xa6);
    }
    for (int i = 0; i < 6; ++i)
        p.fillRect(QRectF(0, i * size / 6.0, size, size / 6.0), stripe[i % 2]);
    if (variant == SportVariant::Voley)
        p.fillRect(QRectF(44, 56, size - 88, size), QColor(0xe8, 0xb0, 0x6a));
    p.setPen(linePen(QColor(255, 255, 255, 200), 5));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(0, 196), QPointF(size, 196));
    if (variant == SportVariant::Voley) {
        // The net across the court rather than a centre circle.
        p.setPen(linePen(QColor(0x22, 0x26, 0x2e), 7));
        p.drawLine(QPointF(0, 196), QPointF(size, 196));
    } else {
        p.drawEllipse(QPointF(128, 196), 70, 70);
    }
    if (variant == SportVariant::Basket) {
        p.setPen(linePen(QColor(0xe0, 0x55, 0x1b), 6));
        p.drawEllipse(QPointF(128, 196), 30, 30);
    }
}

QImage drawIcon(SportVariant variant, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 256-pixel grid at every size, so small icons stay sharp rather than shrunk.
    p.scale(size / 256.0, size / 256.0);
    const int grid = 256;

    const QRectF tile(8, 8, grid - 16, grid - 16);
    QPainterPath shape;
    shape.addRoundedRect(tile, 48, 48);
    p.setClipPath(shape);
    drawFloor(p, variant, grid);
    p.setClipping(false);

    drawCone(p, QPointF(186, 190), 26);
    if (variant == SportVariant::Probst)
        drawCone(p, QPointF(52, 190), 26);

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
    return image;
}

bool saveIcon(const QImage &image, const QString &path)
{
    if (!QDir().mkpath(QFileInfo(path).path()) || !image.save(path, "PNG")) {
        std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

bool writeIcon(const QDir &resources)
{
    const QDir dir(resources.filePath(QStringLiteral("icons")));
    if (!saveIcon(drawIcon(SportVariant::Futbol, 256), dir.filePath(QStringLiteral("zenta.png"))))
        return false;
    // The menu's icons, one per installed edition, at the desktop theme's usual sizes; the
    // package names them after the edition's command.
    static const char *const keys[] = {"probst", "futbol", "basket", "futsal", "voley"};
    for (const SportVariant variant : AllSportVariants) {
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString path = dir.filePath(QStringLiteral("hicolor/%1x%1/zenta-%2.png")
                                                  .arg(size)
                                                  .arg(QLatin1String(keys[int(variant)])));
            if (!saveIcon(drawIcon(variant, size), path))
                return false;
        }
    }
    return true;
}

} // namespace artgen
