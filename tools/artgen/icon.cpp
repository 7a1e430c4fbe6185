// Program icon: the runner and a cone on football green.

#include "common.h"
#include "courseplans.h"
#include "pictures.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cstdio>

namespace artgen {

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

} // namespace artgen
