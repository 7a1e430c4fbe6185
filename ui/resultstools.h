#pragma once

#include "journalformat.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <functional>

namespace Protocol {
class Clock;
class EngineDriver;
} // namespace Protocol

class AthletesBox;
class Dialogs;
class FlatButton;
class FlatPanel;
class HistoryWindow;
class KeyCapture;
class QWidget;
class ResultsSession;

// The athletes box's extra commands: stopping athletes by their typed slot numbers, the season's
// history and the printed report. What may be done is the results session's and the engine
// driver's to say; a typed stop is asked of the window as the stop buttons ask it, so each
// command obeys the same rules as its mouse twin.
class ResultsTools : public QObject
{
    Q_OBJECT
public:
    // The key field and the history and report buttons go into the box's title strip; keys are
    // read anywhere in window, which also stands under the dialogs.
    ResultsTools(AthletesBox *box, ResultsSession &session, Protocol::EngineDriver &driver,
                 std::function<QString()> exportFolder, const Protocol::Clock &clock,
                 Dialogs *dialogs, QWidget *window);

    KeyCapture *keys() const { return m_keys; }
    FlatPanel *keyField() const { return m_field; }
    FlatButton *historyButton() const { return m_history; }
    FlatButton *reportButton() const { return m_report; }
    // The open history window, if any.
    HistoryWindow *historyWindow() const;

    // The test the report names, and the date and time it is written.
    std::function<TestConditions()> reportedTest;
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };

public slots:
    // Asks to stop the athlete of a typed slot number, or notes why not.
    void stopTyped(int slot);
    // Re-activates the athlete of the latest stop that can still be taken back.
    void reactivateLast();
    // Puts back the result the latest re-activation took away.
    void restoreLast();
    void openHistory();
    // Writes the one-page report; true when a file was written.
    bool writeReport();

signals:
    // A typed slot whose athlete runs: the window captures it as its stop button would.
    void stopRequested(int slot);

private:
    void followTestState();

    AthletesBox *m_box;
    ResultsSession &m_session;
    Protocol::EngineDriver &m_driver;
    std::function<QString()> m_exportFolder;
    Dialogs *m_dialogs;
    QWidget *m_window;
    KeyCapture *m_keys = nullptr;
    FlatPanel *m_field = nullptr;
    FlatButton *m_history = nullptr;
    FlatButton *m_report = nullptr;
    QPointer<HistoryWindow> m_historyWindow;
};
