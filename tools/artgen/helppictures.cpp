// Help pictures: the course with its numbered cones and the running direction, under a title.

#include "common.h"
#include "courseplans.h"
#include "pictures.h"
#include "pitches.h"

#include <QDir>
#include <QImage>
#include <QPainter>

#include <algorithm>

using namespace Protocol;

namespace artgen {

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

} // namespace artgen
