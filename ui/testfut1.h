#pragma once

#include "cuesink.h"
#include "enginedriver.h"
#include "resultsmodel.h"
#include "resultssession.h"
#include "runengine.h"
#include "sportprofile.h"

#include <QDateTime>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class AthletesPanel;
namespace Protocol {
class Clock;
} // namespace Protocol

class CourseView;
class FlatButton;
class Dialogs;
class QAction;
class QMenu;
class ResultsTools;
class SquadMenu;

namespace Ui {
class TForm1;
}

// The main test window. It owns the widgets and forwards the operator's commands and the
// timer's ticks to the run engine, then shows what the engine reports. It holds no count of
// its own: every number on screen comes from the engine.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    TForm1(Protocol::SportVariant variant, const Protocol::Clock &clock, Protocol::CueSink *sound,
           Dialogs *dialogs, QWidget *parent = nullptr);
    ~TForm1() override;

    const Protocol::SportProfile &profile() const { return m_profile; }
    // The window's form, for the ui layer's own helpers; tests find controls by name.
    Ui::TForm1 *form() const { return ui.get(); }
    Protocol::RunEngine &engine() { return m_engine; }
    const Protocol::RunEngine &engine() const { return m_engine; }
    Protocol::EngineDriver &driver() { return m_driver; }
    CourseView *coursePanel() const { return m_course; }
    ResultsModel &results() { return m_results; }
    const ResultsModel &results() const { return m_results; }
    // Stop button of a slot (1..14).
    FlatButton *stopButton(int slot) const;
    QString programFolder() const { return m_programFolder; }
    Protocol::TestMode testMode() const;
    // Set by a successful export; cleared by a new test and by any change to the grid after it.
    int resultsExported() const { return m_session.exported() ? 1 : 0; }
    // Where the results file is proposed, and the history and the report look first; depends on
    // whether "Export" beside the program is, or can become, a folder the program writes in.
    QString exportFolder() const;
    QAction *reactivateAction() const;
    // What "A cerca de..." and the start screen's about button open (the intro window in its
    // about mode); set by the program entry.
    void setAboutHandler(std::function<void()> handler) { m_about = std::move(handler); }
    // Where the export takes the date and time from (the system clock unless a test says so).
    void setDateTimeSource(std::function<QDateTime()> source) { m_now = std::move(source); }
    QDateTime now() const { return m_now(); }
    Dialogs *dialogs() const { return m_dialogs; }
    // Typed stops, the history and the report of the athletes panel.
    ResultsTools *resultsTools() const { return m_tools; }
    // The "Plantillas" menu and the grid's suggestions of known athletes.
    SquadMenu *squadMenu() const { return m_squads; }
    // What the grid allows between and during tests.
    const ResultsSession &session() const { return m_session; }

    // The full path of the running program's folder, ending in a separator.
    static QString getProgramFolder();

signals:
    // The operator confirmed leaving the program.
    void exitConfirmed();
    // An athlete's result was captured, by its button, a typed number or the end of the test.
    void athleteCaptured(int slot);
    // A results file holding the whole grid was written.
    void exported();
    // A test started from this period, at this speed: what its results file will name.
    void testStarted(int initialPeriod, const QString &initialSpeed);
    // Names and results were put back into the grid from an earlier run.
    void gridRestored();

public slots:
    // Leaves as a confirmed exit does, asking nothing: the program is being ended from outside.
    void closeWithoutQuestions();
    // Names and results were put back into the grid: they can be exported or cleared, and
    // their file names the period and speed their test started at (0: not known).
    void resultsRestored(int initialPeriod, const QString &initialSpeed);
    void BitBtnNuevoClick();
    // Writes the results file; true when a file was written.
    bool BtnExportDatosClick();
    void BtnBorrarTablaClick();
    // Enables the re-activation item for the selected row, as the menu opens.
    void PopupMenu_HGPopup();
    void Volveraactivar1Click();
    void BitBtnSalirClick();
    void BitBtnAyudaClick();
    void BitBtnGrupoClick();
    void AcercadeClick();
    void BitBtnStartClick();
    void BitBtnStopClick();
    // Feeds the engine the time, as the driver's timer does.
    void pollEngine();
    // Captures a running athlete's result, as its stop button does; false when none runs there.
    bool captureSlot(int slot);
    // Selects a slot's row the way the program does: the grid then reacts as to a click.
    void selectSlot(int slot);
    // Clears the note by the grid once it has been shown long enough; runs on its timer.
    void expireEntryNote();

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void displaysChanged();
    void activateAthletes();
    void showSoundState(Protocol::CueSink::State state);
    // What the run shows now, as a result is recorded.
    ResultReading reading() const;
    void resultsGuard();
    bool confirmExit();
    bool askToSaveResults();

    void FormCreate();
    void FormActivate();
    void applySportProfile();

    std::unique_ptr<Ui::TForm1> ui;
    const Protocol::SportProfile &m_profile;
    const Protocol::Clock &m_clock;
    Protocol::CueSink *m_sound = nullptr;
    Dialogs *m_dialogs = nullptr;
    Protocol::EngineDriver m_driver;
    Protocol::RunEngine &m_engine;
    ResultsModel m_results;
    ResultsSession m_session{m_results};
    AthletesPanel *m_athletes = nullptr;
    CourseView *m_course = nullptr;
    QString m_programFolder;
    bool m_activated = false;
    bool m_exiting = false; // confirmed once: closing the window then asks nothing more
    ResultsTools *m_tools = nullptr;
    SquadMenu *m_squads = nullptr;
    std::function<void()> m_about;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };
};
