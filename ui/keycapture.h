#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

namespace Protocol {
class Clock;
} // namespace Protocol

class QKeyEvent;
class QWidget;

// Reads athletes' slot numbers typed on the keyboard anywhere in one window: digits, then Enter
// stops that athlete; Escape forgets the digits, and so does a pause; Ctrl+Z asks to re-activate,
// Ctrl+Y (or Ctrl+Shift+Z) to put a result back. It only reads keys: whether a slot may be
// stopped, re-activated or restored is the window's to decide. Keys go on to a text being edited
// (a grid cell, a table memo) untouched, and so does a key an editor passes up to its parents;
// an edit also forgets the digits typed before it.
class KeyCapture : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 PauseMs = 2000; // a pause this long forgets the digits
    static constexpr int MaxDigits = 2;

    // Watches the key presses of `window` and its children; `open` says whether keys count now.
    KeyCapture(QWidget *window, const Protocol::Clock &clock, std::function<bool()> open,
               QObject *parent = nullptr);
    ~KeyCapture() override;

    // What the field beside the grid shows: the digits so far, or the last note.
    QString text() const;
    QString digits() const { return m_digits; }
    // A short note in place of the digits, gone at the next key or after a pause.
    void setNote(const QString &note);
    // Forgets digits and note when the operator has paused long enough (runs on a timer).
    void expire();

signals:
    void textChanged(const QString &text);
    void slotEntered(int slot);
    void reactivateRequested();
    void restoreRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool handleKey(const QKeyEvent &key);
    void setDigits(const QString &digits);
    void touch();

    QWidget *m_window;
    const Protocol::Clock &m_clock;
    std::function<bool()> m_open;
    QString m_digits;
    QString m_note;
    qint64 m_lastKeyMs = 0;
    QTimer m_pause;
    // The press an editor got, while it goes up to the editor's parents; compared only.
    const QEvent *m_editorPress = nullptr;
    QPointer<QWidget> m_editor;
};
