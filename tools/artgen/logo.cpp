// The maker's logo: an emblem and the word mark on white, the size of the intro window's frame.

#include "common.h"
#include "pictures.h"

#include <QColor>
#include <QDir>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace artgen {

namespace {

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

} // namespace

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

} // namespace artgen
