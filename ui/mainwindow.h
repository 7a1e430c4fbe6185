#pragma once

#include "cuesink.h"
#include "enginedriver.h"
#include "journalformat.h"
#include "resultsmodel.h"
#include "resultssession.h"
#include "runengine.h"
#include "sportprofile.h"

#include <QDateTime>
#include <QWidget>

#include <functional>
#include <memory>

namespace Protocol {
class Clock;
} // namespace Protocol

class AthletesBox;
class AthletesDisplay;
class CourseView;
class Dialogs;
class ResultsTools;
class SquadMenu;

namespace Ui {
class MainWindow;
}

// The main test window. It owns the widgets and forwards the operator's commands and the
// timer's ticks to the run engine, then shows what the engine reports. It holds no count of
// its own: every number on screen comes from the engine.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    // Where the results go: beside the program (as a program unpacked into a folder of its own
    // keeps them), or always in the user's documents folder (an installed program, whose folder
    // belongs to the system whoever runs it).
    enum class ExportPlace { BesideProgram, Documents };

    MainWindow(Protocol::SportVariant variant, const Protocol::Clock &clock,
               Protocol::CueSink *sound, Dialogs *dialogs, QWidget *parent = nullptr,
               ExportPlace exportPlace = ExportPlace::BesideProgram);
    ~MainWindow() override;

    const Protocol::SportProfile &profile() const { return m_profile; }
    Protocol::RunEngine &engine() { return m_engine; }
    const Protocol::RunEngine &engine() const { return m_engine; }
    Protocol::EngineDriver &driver() { return m_driver; }
    CourseView *coursePanel() const { return m_course; }
    ResultsModel &results() { return m_results; }
    const ResultsModel &results() const { return m_results; }
    QString programFolder() const { return m_programFolder; }
    Protocol::TestMode testMode() const;
    // Set by a successful export; cleared by a new test and by any change to the grid after it.
    int resultsExported() const { return m_session.exported() ? 1 : 0; }
    // Where the results file is proposed, and the history and the report look first; depends on
    // whether "Export" beside the program is, or can become, a folder the program writes in.
    QString exportFolder() const;
    // What "A cerca de..." and the start screen's about button open (the intro window in its
    // about mode); set by the program entry.
    void setAboutHandler(std::function<void()> handler) { m_about = std::move(handler); }
    // Where the export takes the date and time from (the system clock unless a test says so).
    void setDateTimeSource(std::function<QDateTime()> source) { m_now = std::move(source); }
    QDateTime now() const { return m_now(); }
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
    // Writes the results file under a name that no file in the folder has yet; true when a file
    // was written.
    bool exportUnderNewName();
    // Feeds the engine the time, as the driver's timer does.
    void pollEngine();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private slots:
    // "Nuevo Test", and choosing a test mode: readies the next start, offering to save results.
    void newTest();
    void startTest();
    void endTest();
    // Writes the results file; true when a file was written.
    bool exportTable();
    void clearTable();
    // Whether the menu over a slot's row offers to run its athlete again.
    void offerReactivation(int slot);
    void reactivate(int slot);
    // Captures a running athlete's result; false when none runs there.
    bool captureSlot(int slot);
    void leave();
    void openHelp();
    void showAbout();
    // "Pantalla de deportistas" and F11: the athletes' display, on the second screen if any.
    void openAthletesDisplay();

private:
    void build();
    void applySportProfile();
    void paint();
    void layOut();
    void activate();
    void displaysChanged();
    // The commands and set-up inputs as a running test or the time between tests allows them;
    // the export and clear commands between tests only when there is something to export.
    void showTestRunning(bool running, bool exportable);
    // How the sound fares, in words by the speed strip (a loss stands out), and the output
    // device with its latency in the label's tool tip.
    void showSoundState(Protocol::CueSink::State state);
    void showSoundOutput();
    void activateAthletes();
    // What the run shows now, as a result is recorded.
    ResultReading reading() const;
    bool confirmExit();
    bool askToSaveResults();
    void resultsGuard();
    bool writeResults(bool newName);

    std::unique_ptr<Ui::MainWindow> ui;
    const Protocol::SportProfile &m_profile;
    const Protocol::Clock &m_clock;
    Protocol::CueSink *m_sound = nullptr;
    Dialogs *m_dialogs = nullptr;
    Protocol::EngineDriver m_driver;
    Protocol::RunEngine &m_engine;
    ResultsModel m_results;
    ResultsSession m_session{m_results};
    TestConditions m_lastTest;
    AthletesBox *m_athletes = nullptr;
    CourseView *m_course = nullptr;
    QString m_programFolder;
    ExportPlace m_exportPlace = ExportPlace::BesideProgram;
    bool m_activated = false;
    bool m_exiting = false; // confirmed once: closing the window then asks nothing more
    ResultsTools *m_tools = nullptr;
    SquadMenu *m_squads = nullptr;
    std::function<void()> m_about;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };
    // Made when first opened; last, so it goes before the driver and the session it follows.
    std::unique_ptr<AthletesDisplay> m_display;
};
