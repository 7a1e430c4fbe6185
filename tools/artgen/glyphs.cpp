#include "glyphs.h"

#include "common.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace artgen {

namespace {

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

} // namespace

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

} // namespace artgen
