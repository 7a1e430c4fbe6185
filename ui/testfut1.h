#pragma once

#include "cuesink.h"
#include "enginedriver.h"
#include "resultsmodel.h"
#include "runengine.h"
#include "sportprofile.h"

#include <QDateTime>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class Clock;
class CourseView;
class FlatButton;
class Dialogs;
class QAction;
class QMenu;
class QRadioButton;

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
    TForm1(SportVariant variant, const Clock &clock, CueSink *sound, Dialogs *dialogs,
           QWidget *parent = nullptr);
    ~TForm1() override;

    const SportProfile &profile() const { return m_profile; }
    RunEngine &engine() { return m_engine; }
    const RunEngine &engine() const { return m_engine; }
    EngineDriver &driver() { return m_driver; }
    Ui::TForm1 *form() const { return ui.get(); }
    CourseView *coursePanel() const { return m_course; }
    ResultsModel &results() { return m_results; }
    const ResultsModel &results() const { return m_results; }
    // Stop button of a slot (1..14).
    FlatButton *stopButton(int slot) const;
    QString programFolder() const { return m_programFolder; }
    bool soundAvailable() const { return m_soundAvailable; }
    TestMode testMode() const;
    // Set by a successful export, cleared by a new test.
    int resultsExported() const { return m_resultsExported; }
    QMenu *gridMenu() const { return m_popupMenu; }
    QAction *reactivateAction() const { return m_reactivate; }
    // What "A cerca de..." and the start screen's about button open (the intro window in its
    // about mode); set by the program entry.
    void setAboutHandler(std::function<void()> handler) { m_about = std::move(handler); }
    // Where the export takes the date and time from (the system clock unless a test says so).
    void setDateTimeSource(std::function<QDateTime()> source) { m_now = std::move(source); }

    // The full path of the running program's folder, ending in a separator.
    static QString getProgramFolder();

signals:
    // The operator confirmed leaving the program.
    void exitConfirmed();

public slots:
    void BitBtnNuevoClick();
    // Writes the results file; true when a file was written.
    bool BtnExportDatosClick();
    void BtnBorrarTablaClick();
    // Enables the re-activation item for the selected row, as the menu opens.
    void PopupMenu_HGPopup();
    void Volveraactivar1Click();
    void BitBtnSalirClick();
    void BitBtnEmpezarClick();
    void BitBtnAyudaClick();
    void BitBtn3Click();
    void BitBtnGrupoClick();
    void AcercadeClick();
    void BitBtnStartClick();
    void BitBtnStopClick();
    // Feeds the engine the time, as the driver's timer does.
    void pollEngine();
    // Result capture of the slot whose stop button was pressed.
    void B01Click();
    void captureSlot(int slot);
    void HyperGrid_SujetosClick();
    void HyperGrid_SujetosDblClick();
    // Selects a slot's row the way the program does: the grid then reacts as to a click.
    void selectSlot(int slot);

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void displaysChanged();
    void activateAthletes();
    void showSoundState(CueSink::State state);
    void B01MouseMove(int slot);
    void layoutAthletesPanel();
    void resultsGuard();
    bool confirmExit();
    bool askToSaveResults();
    bool unexportedResults() const;
    int selectedSlot() const;

    void FormCreate();
    void FormActivate();
    void applySportProfile();
    void applyTheme();
    void layoutWindow();

    // Set-up panel
    void FlatRadioButton1Click();
    void SpinEdit1Change(int value);
    void ComboBoxCategoriaChange();
    void hoverModeButton(QRadioButton *hovered);
    void setModeColors(QRadioButton *accented);

    std::unique_ptr<Ui::TForm1> ui;
    const SportProfile &m_profile;
    const Clock &m_clock;
    CueSink *m_sound = nullptr;
    Dialogs *m_dialogs = nullptr;
    EngineDriver m_driver;
    RunEngine &m_engine;
    ResultsModel m_results;
    QList<FlatButton *> m_stopButtons; // B01..B14
    CourseView *m_course = nullptr;
    QString m_programFolder;
    bool m_activated = false;
    bool m_soundAvailable = false;
    int m_resultsExported = 0;
    bool m_exiting = false; // confirmed once: closing the window then asks nothing more
    QMenu *m_popupMenu = nullptr;
    QAction *m_reactivate = nullptr;
    std::function<void()> m_about;
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };
};
