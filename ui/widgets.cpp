#include "widgets.h"

#include "sportprofile.h"

#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QStyleOptionButton>

using namespace Protocol;

FlatButton::FlatButton(QWidget *parent)
    // The toolbar's design colours, pressed in the design background as the theme does it.
    : QPushButton(parent), m_face(QColor::fromRgb(QRgb(fromBgr(4749672)))),
      m_hover(QColor::fromRgb(QRgb(fromBgr(3364169)))),
      m_pressed(QColor::fromRgb(QRgb(fromBgr(8171935))))
{
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
}

void FlatButton::setFaceColor(const QColor &color)
{
    m_face = color;
    update();
}

void FlatButton::setHoverColor(const QColor &color)
{
    m_hover = color;
    update();
}

void FlatButton::setPressedColor(const QColor &color)
{
    m_pressed = color;
    update();
}

void FlatButton::setBorderColor(const QColor &color)
{
    m_border = color;
    update();
}

void FlatButton::setTextColor(const QColor &color)
{
    m_text = color;
    update();
}

void FlatButton::setGlyphRight(bool right)
{
    m_glyphRight = right;
    update();
}

void FlatButton::setGlyphSpacing(int pixels)
{
    m_glyphSpacing = pixels;
    update();
}

QRect FlatButton::glyphRect() const
{
    const QSize glyph = icon().isNull() ? QSize() : iconSize();
    const QString caption = text().remove(QLatin1Char('&'));
    const int captionWidth = fontMetrics().horizontalAdvance(caption);
    const int gap = caption.isEmpty() || glyph.isEmpty() ? 0 : m_glyphSpacing;
    const int x = (width() - (glyph.width() + gap + captionWidth)) / 2;
    return QRect(m_glyphRight ? x + captionWidth + gap : x, (height() - glyph.height()) / 2,
                 glyph.width(), glyph.height());
}

QRect FlatButton::captionRect() const
{
    const QString caption = text().remove(QLatin1Char('&'));
    const int captionWidth = fontMetrics().horizontalAdvance(caption);
    const QRect glyph = glyphRect();
    const int gap = caption.isEmpty() || glyph.isEmpty() ? 0 : m_glyphSpacing;
    const int x = glyph.isEmpty() ? (width() - captionWidth) / 2
                  : m_glyphRight  ? glyph.left() - gap - captionWidth
                                  : glyph.right() + 1 + gap;
    return QRect(x, 0, captionWidth + 1, height());
}

void FlatButton::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QPushButton::enterEvent(event);
}

void FlatButton::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QPushButton::leaveEvent(event);
}

void FlatButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool enabled = isEnabled();
    QColor face = m_face;
    if (enabled && isDown())
        face = m_pressed;
    else if (enabled && m_hovered)
        face = m_hover;
    p.fillRect(rect(), face);
    if (m_border.isValid()) {
        p.setPen(m_border);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }

    const QRect glyph = glyphRect();
    const QString caption = text().remove(QLatin1Char('&'));
    if (!glyph.isEmpty())
        icon().paint(&p, glyph, Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
    if (!caption.isEmpty()) {
        QColor text = m_text;
        if (!enabled)
            text = QColor::fromRgbF(text.redF(), text.greenF(), text.blueF(), 0.45f);
        p.setPen(text);
        p.setFont(font());
        p.drawText(captionRect(), Qt::AlignVCenter | Qt::AlignLeft, caption);
    }
    if (hasFocus() && enabled) {
        p.setPen(QPen(m_text, 1, Qt::DotLine));
        p.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

FlatPanel::FlatPanel(QWidget *parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
}

void FlatPanel::setFaceColor(const QColor &color)
{
    m_face = color;
    update();
}

void FlatPanel::setTextColor(const QColor &color)
{
    m_text = color;
    update();
}

void FlatPanel::setBorderColor(const QColor &color)
{
    m_border = color;
    update();
}

void FlatPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), m_face);
    if (m_border.isValid()) {
        p.setPen(m_border);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (!pixmap().isNull()) {
        const QPixmap pm = pixmap();
        const QSize size = pm.deviceIndependentSize().toSize();
        p.drawPixmap(
            QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size), pm);
    }
    if (!text().isEmpty()) {
        p.setPen(m_text);
        p.setFont(font());
        p.drawText(contentsRect().adjusted(margin(), 0, -margin(), 0),
                   int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0), text());
    }
}

QFont pixelFont(const QString &family, int pixels, bool bold, bool italic)
{
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QIcon resourceGlyph(const QString &name)
{
    QIcon icon;
    const QString base = QStringLiteral(":/glyphs/") + name;
    for (const auto &[suffix, mode] : {std::pair{QStringLiteral(""), QIcon::Normal},
                                       std::pair{QStringLiteral("_disabled"), QIcon::Disabled}}) {
        for (const QString &scale : {QStringLiteral(""), QStringLiteral("@2x")}) {
            const QString file = base + suffix + scale + QStringLiteral(".png");
            if (QFile::exists(file))
                icon.addFile(file, QSize(), mode);
        }
    }
    return icon;
}

EffectLabel::EffectLabel(QWidget *parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
}

void EffectLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font());
    const QRect r = contentsRect();
    const int flags = int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0);
    if (m_effect == Effect::Shadow) {
        p.setPen(m_shadow);
        p.drawText(r.translated(m_depth, m_depth), flags, text());
    } else {
        p.setPen(m_highlight);
        p.drawText(r.translated(1, 1), flags, text());
        p.setPen(m_shadow);
        p.drawText(r.translated(-1, -1), flags, text());
    }
    p.setPen(m_text);
    p.drawText(r, flags, text());
}

ColorGauge::ColorGauge(QWidget *parent) : QWidget(parent) {}

void ColorGauge::setMaximum(int maximum)
{
    m_maximum = qMax(0, maximum);
    if (m_position > m_maximum)
        m_position = m_maximum;
    update();
}

void ColorGauge::setPosition(int position)
{
    if (position < 0 || position > m_maximum)
        return;
    m_position = position;
    update();
}

void ColorGauge::setPrefix(const QString &prefix)
{
    m_prefix = prefix;
    update();
}

void ColorGauge::setSuffix(const QString &suffix)
{
    m_suffix = suffix;
    update();
}

void ColorGauge::setColors(const QColor &first, const QColor &second, const QColor &third)
{
    m_colors[0] = first;
    m_colors[1] = second;
    m_colors[2] = third;
    update();
}

QString ColorGauge::text() const
{
    return m_prefix + QString::number(m_position) + m_suffix;
}

void ColorGauge::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    p.fillRect(rect(), QColor(0xEF, 0xEF, 0xEF));
    if (m_maximum > 0 && m_position > 0) {
        const QRect inner = rect().adjusted(1, 1, -1, -1);
        const int filled = int(qint64(inner.width()) * m_position / m_maximum);
        QLinearGradient gradient(inner.topLeft(), inner.bottomLeft());
        gradient.setColorAt(0.0, m_colors[0]);
        gradient.setColorAt(0.5, m_colors[1]);
        gradient.setColorAt(1.0, m_colors[2]);
        p.fillRect(QRect(inner.topLeft(), QSize(filled, inner.height())), gradient);
    }
    p.setPen(Qt::black);
    p.drawRect(frame);
    p.drawText(rect(), Qt::AlignCenter, text());
}
