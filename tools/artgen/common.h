#pragma once

#include "course.h"

#include <QFont>
#include <QPen>
#include <QString>
#include <QtGlobal>

class QByteArray;
class QColor;
class QImage;

// What several of the generator's drawings share: the course picture's size, the fonts, a
// repeatable random sequence and the writers that report each file they make.

namespace artgen {

// The program draws the picture one pixel inside the panel's border.
constexpr int PictureWidth = Protocol::CoursePanelWidth - 2;
constexpr int PictureHeight = Protocol::CoursePanelHeight - 2;

constexpr double Pi = 3.14159265358979323846;

extern const QString FontFamily;

QFont uiFont(double pixelSize, bool bold);

// Seeded by the caller, so every run draws the same speckles and boards.
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

QPen linePen(const QColor &colour, double width);

// Both print the path written, or say which file could not be written.
bool writeFile(const QString &path, const QByteArray &bytes);
bool savePicture(const QImage &image, const QString &path, const char *format, int quality = -1);

} // namespace artgen
