#pragma once

#include "sportprofile.h"

#include <QVector>
#include <QWidget>

class QLabel;

// A station cone drawn as a small circle: a red outline, filled yellow while it is the
// station the athletes must reach.
class StationMarker : public QWidget
{
    Q_OBJECT
public:
    explicit StationMarker(QWidget *parent = nullptr);
    void setColors(const QColor &pen, const QColor &brush); // invalid brush: outline only
    QColor brushColor() const { return m_brush; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_pen{Qt::red};
    QColor m_brush;
};

// The course panel of one sport: its stacked plan pictures, a marker per station and the
// rest marker over the start station. It only shows what it is told.
class CourseView : public QWidget
{
    Q_OBJECT
public:
    explicit CourseView(QWidget *parent = nullptr);

    void setSport(Protocol::SportVariant variant);
    Protocol::SportVariant sport() const { return m_sport; }

    void showPicture(int picture); // 1-based
    int pictureOnTop() const { return m_top; }
    // Shows only the marker of station index (0-based), filled or as an outline; -1 hides all.
    void showMarker(int index, bool lit);
    int visibleMarker() const;
    void setRestMarkerVisible(bool visible);
    bool restMarkerShown() const;

    StationMarker *marker(int index) const { return m_markers.value(index); }
    StationMarker *restMarker() const { return m_rest; }
    QLabel *picture(int number) const { return m_pictures.value(number - 1); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void raiseOverlays();

    Protocol::SportVariant m_sport = Protocol::SportVariant::Futbol;
    QVector<QLabel *> m_pictures;
    QVector<StationMarker *> m_markers;
    StationMarker *m_rest = nullptr;
    int m_top = 1;
};
