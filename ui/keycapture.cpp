#include "keycapture.h"

#include "clock.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

using namespace Protocol;

namespace {

// Widgets that take typed text for themselves: an open grid cell editor is a line edit.
bool takesText(const QObject *receiver)
{
    if (qobject_cast<const QLineEdit *>(receiver) ||
        qobject_cast<const QAbstractSpinBox *>(receiver))
        return true;
    if (const auto *plain = qobject_cast<const QPlainTextEdit *>(receiver))
        return !plain->isReadOnly();
    if (const auto *rich = qobject_cast<const QTextEdit *>(receiver))
        return !rich->isReadOnly();
    if (const auto *combo = qobject_cast<const QComboBox *>(receiver))
        return combo->isEditable();
    return false;
}

} // namespace

KeyCapture::KeyCapture(QWidget *window, const Clock &clock, std::function<bool()> open,
                       QObject *parent)
    : QObject(parent), m_window(window), m_clock(clock), m_open(std::move(open))
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(int(PauseMs));
    connect(&m_pause, &QTimer::timeout, this, &KeyCapture::expire);
    // Key presses go to whichever control has the focus; the application sees them all first.
    qApp->installEventFilter(this);
}

KeyCapture::~KeyCapture()
{
    qApp->removeEventFilter(this);
}

QString KeyCapture::text() const
{
    if (!m_note.isEmpty())
        return m_note;
    return m_digits.isEmpty() ? QString() : QStringLiteral("Nº ") + m_digits;
}

void KeyCapture::setNote(const QString &note)
{
    m_note = note;
    touch();
    emit textChanged(text());
}

void KeyCapture::expire()
{
    if (m_digits.isEmpty() && m_note.isEmpty())
        return;
    const qint64 left = m_lastKeyMs + PauseMs - m_clock.nowMs();
    if (left > 0) {
        // The timer ran early against the clock the window keeps: try again when it is due.
        m_pause.start(int(qMin(left, PauseMs)));
        return;
    }
    m_note.clear();
    setDigits(QString());
}

void KeyCapture::setDigits(const QString &digits)
{
    m_digits = digits;
    emit textChanged(text());
}

void KeyCapture::touch()
{
    m_lastKeyMs = m_clock.nowMs();
    m_pause.start();
}

bool KeyCapture::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyRelease)
        m_editorPress = nullptr;
    if ((type != QEvent::KeyPress && type != QEvent::FocusIn) || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (widget->window() != m_window)
        return false;
    if (takesText(watched)) {
        // An edit and a number being typed never combine into a stop.
        if (!m_digits.isEmpty())
            setDigits(QString());
        if (type == QEvent::KeyPress) {
            m_editorPress = event;
            m_editor = widget;
        }
        return false;
    }
    // A key the editor left unhandled (Enter ending the edit) goes on to its parents: it was
    // the editor's all the same.
    if (type != QEvent::KeyPress ||
        (event == m_editorPress && m_editor && widget->isAncestorOf(m_editor)))
        return false;
    if (!m_open())
        return false;
    return handleKey(*static_cast<QKeyEvent *>(event));
}

bool KeyCapture::handleKey(const QKeyEvent &key)
{
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    // What was typed before a pause no longer belongs to the number being typed now.
    if ((!m_digits.isEmpty() || !m_note.isEmpty()) && m_clock.nowMs() - m_lastKeyMs >= PauseMs) {
        m_note.clear();
        m_digits.clear();
    }
    const bool undo = key.key() == Qt::Key_Z && mods == Qt::ControlModifier;
    const bool redo = (key.key() == Qt::Key_Y && mods == Qt::ControlModifier) ||
                      (key.key() == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier));
    if (undo || redo) {
        m_note.clear();
        setDigits(QString());
        if (undo)
            emit reactivateRequested();
        else
            emit restoreRequested();
        return true;
    }
    if (mods != Qt::NoModifier && mods != Qt::ShiftModifier)
        return false;
    const QString typed = key.text();
    if (typed.size() == 1 && typed.at(0) >= QLatin1Char('0') && typed.at(0) <= QLatin1Char('9')) {
        m_note.clear();
        touch();
        // A number has at most two digits; more are not a slot and are left out.
        setDigits(m_digits.size() < MaxDigits ? m_digits + typed : m_digits);
        return true;
    }
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_digits.isEmpty())
            return false;
        {
            const int slot = m_digits.toInt();
            setDigits(QString());
            emit slotEntered(slot);
        }
        return true;
    case Qt::Key_Escape:
        if (m_digits.isEmpty() && m_note.isEmpty())
            return false;
        m_note.clear();
        setDigits(QString());
        return true;
    case Qt::Key_Backspace:
        if (m_digits.isEmpty())
            return false;
        touch();
        setDigits(m_digits.chopped(1));
        return true;
    default:
        return false;
    }
}
