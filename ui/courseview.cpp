#include "courseview.h"

#include "course.h"

#include <QLabel>
#include <QPainter>

using namespace Protocol;

StationMarker::StationMarker(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void StationMarker::setColors(const QColor &pen, const QColor &brush)
{
    m_pen = pen;
    m_brush = brush;
    update();
}

void StationMarker::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(m_pen, 1));
    p.setBrush(m_brush.isValid() ? QBrush(m_brush) : Qt::NoBrush);
    p.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

CourseView::CourseView(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void CourseView::setSport(SportVariant variant)
{
    qDeleteAll(m_pictures);
    qDeleteAll(m_markers);
    delete m_rest;
    m_pictures.clear();
    m_markers.clear();
    m_sport = variant;

    // Control names follow the sport: ImageFutbol1, ShapeF1, ShapeDescansoF and so on.
    static const char *const imageNames[] = {"ImageFutbol", "ImageBasket", "ImageFutSal",
                                             "ImageVoley"};
    static const char *const shapeNames[] = {"F", "B", "FS", "V"};
    const int course = int(courseOf(variant));
    const QString imageName = QString::fromLatin1(imageNames[course]);
    const QString shapeName = QString::fromLatin1(shapeNames[course]);

    const QString stem = courseResourceStem(variant);
    for (int n = 1; n <= coursePictureCount(variant); ++n) {
        auto *label = new QLabel(this);
        label->setObjectName(imageName + QString::number(n));
        label->setGeometry(1, 1, CoursePanelWidth - 2, CoursePanelHeight - 2);
        label->setScaledContents(true);
        label->setPixmap(QPixmap(QStringLiteral(":/course/%1%2.jpg").arg(stem).arg(n)));
        m_pictures.append(label);
    }

    const QVector<Station> &stations = courseStations(variant);
    for (int i = 0; i < stations.size(); ++i) {
        auto *marker = new StationMarker(this);
        marker->setObjectName(QStringLiteral("Shape") + shapeName + QString::number(i + 1));
        marker->setGeometry(QRect(stations.at(i).topLeft, stations.at(i).size));
        marker->hide();
        m_markers.append(marker);
    }
    m_rest = new StationMarker(this);
    m_rest->setObjectName(QStringLiteral("ShapeDescanso") + shapeName);
    m_rest->setGeometry(QRect(stations.first().topLeft, stations.first().size));
    m_rest->setColors(QColor::fromRgb(QRgb(restMarkerRgb(variant))), QColor(0xC0, 0xC0, 0xC0));

    m_top = 0;
    showPicture(1);
}

void CourseView::raiseOverlays()
{
    for (StationMarker *marker : std::as_const(m_markers))
        marker->raise();
    if (m_rest)
        m_rest->raise();
}

void CourseView::showPicture(int picture)
{
    if (picture < 1 || picture > m_pictures.size())
        return;
    m_top = picture;
    m_pictures.at(picture - 1)->raise();
    raiseOverlays();
}

void CourseView::showMarker(int index, bool lit)
{
    for (int i = 0; i < m_markers.size(); ++i) {
        StationMarker *marker = m_markers.at(i);
        if (i == index) {
            marker->setColors(Qt::red, lit ? QColor(Qt::yellow) : QColor());
            marker->show();
        } else {
            marker->hide();
        }
    }
}

int CourseView::visibleMarker() const
{
    for (int i = 0; i < m_markers.size(); ++i) {
        if (!m_markers.at(i)->isHidden())
            return i;
    }
    return -1;
}

void CourseView::setRestMarkerVisible(bool visible)
{
    if (m_rest)
        m_rest->setVisible(visible);
}

bool CourseView::restMarkerShown() const
{
    return m_rest && !m_rest->isHidden();
}

void CourseView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
