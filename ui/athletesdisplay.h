#pragma once

#include <QWidget>

#include <memory>

namespace Protocol {
class EngineDriver;
} // namespace Protocol

class QScreen;
class ResultsSession;

namespace Ui {
class AthletesDisplay;
}

// What the athletes on the pitch read, in type sized to the window: the period, its speed, the
// phase in its colour with the station reached or the seconds left of the pause, and who is still
// running. A window of its own that follows the engine driver and the results session directly,
// so it changes in the same step as the main window; closing it, or losing its screen, leaves the
// test alone.
class AthletesDisplay : public QWidget
{
    Q_OBJECT
public:
    AthletesDisplay(const Protocol::EngineDriver &driver, const ResultsSession &session,
                    QWidget *parent = nullptr);
    ~AthletesDisplay() override;

    // Full screen on a screen other than the coach's, when there is one; else an ordinary window
    // the coach can drag to a projector. The coach's window keeps the keyboard either way.
    void open(const QScreen *coachScreen);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showDisplays();
    void showAthletes();
    void screenRemoved(QScreen *screen);
    void scaleFonts();

    std::unique_ptr<Ui::AthletesDisplay> ui;
    const Protocol::EngineDriver &m_driver;
    const ResultsSession &m_session;
};
