#pragma once

#include "cuesink.h"
#include "enginedriver.h"
#include "journalformat.h"
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
    // Where the results go: beside the program (as a program unpacked into a folder of its own
    // keeps them), or always in the user's documents folder (an installed program, whose folder
    // belongs to the system whoever runs it).
    enum class ExportPlace { BesideProgram, Documents };

    TForm1(Protocol::SportVariant variant, const Protocol::Clock &clock, Protocol::CueSink *sound,
           Dialogs *dialogs, QWidget *parent = nullptr,
           ExportPlace exportPlace = ExportPlace::BesideProgram);
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
    // The test the grid's results come from: the last one started, or the one restored.
    const TestConditions &lastTest() const { return m_lastTest; }
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
    // A results file holding the whole grid was written.
    void exported();
    // A test started: what its results file and report will name.
    void testStarted(const TestConditions &test);
    // Names and results were put back into the grid from an earlier run.
    void gridRestored();

public slots:
    // Leaves as a confirmed exit does, asking nothing: the program is being ended from outside.
    void closeWithoutQuestions();
    // Names and results were put back into the grid: they can be exported or cleared, and
    // their file and report name the test they come from (period 0: not known).
    void resultsRestored(const TestConditions &test);
    void BitBtnNuevoClick();
    // Writes the results file; true when a file was written.
    bool BtnExportDatosClick();
    // The same, proposing a name that no file in the folder has yet.
    bool exportUnderNewName();
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
    // Ctrl+Z and Ctrl+Y: re-activates the latest stop that can still be taken back, or puts
    // back the result the latest re-activation took; the slot, selected, or 0 (see
    // ResultsSession).
    int reactivateLastStopped(int *refused);
    int restoreLastResult();
    // Selects a slot's row the way the program does: the grid then reacts as to a click.
    void selectSlot(int slot);
    // Clears the note by the grid once it has been shown long enough; runs on its timer.
    void expireEntryNote();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
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
    bool exportResults(bool newName);

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
    TestConditions m_lastTest;
    AthletesPanel *m_athletes = nullptr;
    CourseView *m_course = nullptr;
    QString m_programFolder;
    ExportPlace m_exportPlace = ExportPlace::BesideProgram;
    bool m_activated = false;
    bool m_exiting = false; // confirmed once: closing the window then asks nothing more
    ResultsTools *m_tools = nullptr;
    SquadMenu *m_squads = nullptr;
    std::function<void()> m_about;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };
};
