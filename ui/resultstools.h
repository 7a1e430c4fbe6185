#pragma once

#include <QObject>
#include <QPointer>

namespace Protocol {
class Clock;
} // namespace Protocol

class Dialogs;
class FlatButton;
class FlatPanel;
class HistoryWindow;
class KeyCapture;
class TForm1;

// The athletes panel's extra commands: stopping athletes by their typed slot numbers, the
// season's history and the printed report. It works through the window's own capture,
// re-activation and save paths, so each command obeys the same rules as its mouse twin.
class ResultsTools : public QObject
{
    Q_OBJECT
public:
    ResultsTools(TForm1 *window, const Protocol::Clock &clock, Dialogs *dialogs);

    KeyCapture *keys() const { return m_keys; }
    FlatPanel *keyField() const { return m_field; }
    FlatButton *historyButton() const { return m_history; }
    FlatButton *reportButton() const { return m_report; }
    // The open history window, if any.
    HistoryWindow *historyWindow() const;

    // Stops the athlete of a typed slot number, or notes why not.
    void stopTyped(int slot);
    // Re-activates the athlete of the latest stop that can still be taken back.
    void reactivateLast();
    // Puts back the result the latest re-activation took away.
    void restoreLast();
    void openHistory();
    // Writes the one-page report; true when a file was written.
    bool writeReport();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void followTestState();

    TForm1 *m_window;
    Dialogs *m_dialogs;
    KeyCapture *m_keys = nullptr;
    FlatPanel *m_field = nullptr;
    FlatButton *m_history = nullptr;
    FlatButton *m_report = nullptr;
    QPointer<HistoryWindow> m_historyWindow;
};
