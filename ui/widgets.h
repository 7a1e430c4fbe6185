#pragma once

#include <QColor>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

// The flat widget set: plain faces in settable colours, so each sport can theme the window.

// A font sized in pixels, the way the window designs give their sizes. Where the family is not
// installed, a sans-serif one stands in.
QFont pixelFont(const QString &family, int pixels, bool bold = false, bool italic = false);

// A two-state glyph from the program's resources: <name>.png (and @2x), greyed as
// <name>_disabled.png where the resources hold one.
QIcon resourceGlyph(const QString &name);

// A flat push button with face, hover and pressed colours, a border and a glyph beside the
// caption. The glyph greys out with the button.
class FlatButton : public QPushButton
{
    Q_OBJECT
public:
    explicit FlatButton(QWidget *parent = nullptr);

    void setFaceColor(const QColor &color);
    void setHoverColor(const QColor &color);
    void setPressedColor(const QColor &color);
    void setBorderColor(const QColor &color);
    void setTextColor(const QColor &color);
    QColor faceColor() const { return m_face; }
    QColor hoverColor() const { return m_hover; }
    QColor pressedColor() const { return m_pressed; }
    // Glyph to the right of the caption instead of the left.
    void setGlyphRight(bool right);
    // Pixels between the glyph and the caption.
    void setGlyphSpacing(int pixels);
    // Where the glyph and the caption are painted; glyph and caption together are centred.
    QRect glyphRect() const;
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QColor m_face;
    QColor m_hover;
    QColor m_pressed;
    QColor m_border{Qt::black};
    QColor m_text{Qt::white};
    bool m_hovered = false;
    bool m_glyphRight = false;
    int m_glyphSpacing = 5;
};

// A flat panel: a face colour, an optional 1-pixel border and a centred caption.
class FlatPanel : public QLabel
{
    Q_OBJECT
public:
    explicit FlatPanel(QWidget *parent = nullptr);

    void setFaceColor(const QColor &color);
    void setTextColor(const QColor &color);
    void setBorderColor(const QColor &color); // invalid colour: no border
    QColor faceColor() const { return m_face; }
    QColor textColor() const { return m_text; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_face{Qt::lightGray};
    QColor m_text{Qt::black};
    QColor m_border;
};

// A label whose text stands out from its background: a drop shadow below and to the right, or
// sunken (a highlight below and to the right, a shadow above and to the left).
class EffectLabel : public QLabel
{
    Q_OBJECT
public:
    enum class Effect { Shadow, Sunken };
    explicit EffectLabel(QWidget *parent = nullptr);

    void setEffect(Effect effect)
    {
        m_effect = effect;
        update();
    }
    Effect effect() const { return m_effect; }
    void setTextColor(const QColor &color)
    {
        m_text = color;
        update();
    }
    void setShadowColor(const QColor &color)
    {
        m_shadow = color;
        update();
    }
    void setHighlightColor(const QColor &color)
    {
        m_highlight = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Effect m_effect = Effect::Shadow;
    QColor m_text{Qt::lightGray};
    QColor m_shadow{Qt::gray};
    QColor m_highlight{Qt::white};
    int m_depth = 2;
};

// A progress bar in three colours (light to dark from top to bottom) whose text is
// prefix + position + suffix. A position above the maximum is ignored.
class ColorGauge : public QWidget
{
    Q_OBJECT
public:
    explicit ColorGauge(QWidget *parent = nullptr);

    void setMaximum(int maximum);
    void setPosition(int position);
    void setPrefix(const QString &prefix);
    void setSuffix(const QString &suffix);
    void setColors(const QColor &first, const QColor &second, const QColor &third);
    int maximum() const { return m_maximum; }
    int position() const { return m_position; }
    QString text() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_maximum = 100;
    int m_position = 0;
    QString m_prefix;
    QString m_suffix;
    QColor m_colors[3] = {QColor(0xF5, 0xD9, 0x8B), QColor(0xF9, 0xAD, 0x0F),
                          QColor(0xFF, 0x80, 0x00)};
};
