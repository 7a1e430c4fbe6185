// Start-screen pictures: the sport's own ground seen from one end, under floodlights, with the
// title's band left calm. The ground is the course picture's background in perspective.

#include "common.h"
#include "courseplans.h"
#include "pictures.h"
#include "pitches.h"

#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTransform>

using namespace Protocol;

namespace artgen {

namespace {

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

} // namespace

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

} // namespace artgen
