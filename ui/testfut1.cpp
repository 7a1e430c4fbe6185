#include "testfut1.h"

#include "athletespanel.h"
#include "clock.h"
#include "courseview.h"
#include "cuesink.h"
#include "dialogs.h"
#include "exportfile.h"
#include "formpanels.h"
#include "helppanel.h"
#include "mainwindowlayout.h"
#include "operatorquestions.h"
#include "resultstools.h"
#include "rundisplay.h"
#include "setuppanel.h"
#include "squadmenu.h"
#include "startscreen.h"
#include "theme.h"
#include "ui_athletesbox.h"
#include "ui_tablesbox.h"
#include "ui_testfut1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QStandardPaths>

using namespace Protocol;

TForm1::TForm1(SportVariant variant, const Clock &clock, CueSink *sound, Dialogs *dialogs,
               QWidget *parent, ExportPlace exportPlace)
    : QWidget(parent), ui(std::make_unique<Ui::TForm1>()), m_profile(sportProfile(variant)),
      m_clock(clock), m_sound(sound), m_dialogs(dialogs), m_driver(m_profile, clock),
      m_engine(m_driver.engine()), m_results(m_profile)
{
    m_exportPlace = exportPlace;
    ui->setupUi(this);
    connect(&m_driver, &EngineDriver::displaysChanged, this, &TForm1::displaysChanged);
    connect(&m_driver, &EngineDriver::activateAthletes, this, &TForm1::activateAthletes);
    FormCreate();
}

TForm1::~TForm1() = default;

QString TForm1::getProgramFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
}

TestMode TForm1::testMode() const
{
    return ui->PanelTipo->testMode();
}

void TForm1::FormCreate()
{
    Ui::PanelDeportistas *athletes = ui->PanelDeportistas->form();
    m_programFolder = getProgramFolder();
    // A read-only location is no reason not to open; the export reports its own failure.
    QDir().mkpath(exportFolder());

    applySportProfile();
    Theme::paintMainWindow(ui.get(), m_profile, m_athletes->stopButtons());
    MainWindowLayout::layoutWindow(ui.get(), m_course);
    m_athletes->layout(m_profile.hasVo2Max());
    // Start screen over everything, the set-up panel ready in front for the work screen.
    ui->PanelTipo->raise();
    ui->PanelInicio->setProfile(m_profile);

    connect(ui->BitBtnNuevo, &QPushButton::clicked, this, &TForm1::BitBtnNuevoClick);
    connect(ui->BitBtnStart, &QPushButton::clicked, this, &TForm1::BitBtnStartClick);
    connect(ui->BitBtnStop, &QPushButton::clicked, this, &TForm1::BitBtnStopClick);
    connect(ui->BitBtnSalir, &QPushButton::clicked, this, &TForm1::BitBtnSalirClick);
    connect(ui->BitBtnAyuda, &QPushButton::clicked, this, &TForm1::BitBtnAyudaClick);
    connect(ui->BitBtnGrupo, &QPushButton::clicked, this, &TForm1::BitBtnGrupoClick);
    connect(ui->PanelInicio, &StartScreen::aboutRequested, this, &TForm1::AcercadeClick);
    connect(ui->PanelTipo, &SetupPanel::modeClicked, this, &TForm1::BitBtnNuevoClick);
    connect(ui->PanelTipo, &SetupPanel::periodChanged, this,
            [this](int period) { m_engine.setCurrentPeriod(period); });
    connect(athletes->BtnExportDatos, &QPushButton::clicked, this, &TForm1::BtnExportDatosClick);
    connect(athletes->BtnBorrarTabla, &QPushButton::clicked, this, &TForm1::BtnBorrarTablaClick);
    m_tools = new ResultsTools(this, m_clock, m_dialogs);
    m_squads = new SquadMenu(this, m_dialogs);
    MainWindowLayout::fitAthletesCaption(athletes, m_squads->button()->x());
    displaysChanged();
}

void TForm1::applySportProfile()
{
    QCoreApplication::setApplicationName(m_profile.programTitle);
    setWindowTitle(m_profile.programTitle + QStringLiteral(": Orvelan en ") + m_profile.sportName);
    setWindowIcon(QIcon(QStringLiteral(":/icons/zenta.png")));

    CourseView *panels[] = {ui->Panel_Futbol, ui->Panel_Basket, ui->Panel_FutSal, ui->Panel_Voley};
    m_course = panels[int(m_profile.course)];
    for (CourseView *panel : panels) {
        if (panel != m_course)
            panel->hide();
    }
    m_course->setSport(m_profile.variant);

    m_course->raise();
    m_course->show();

    ui->PanelTipo->setProfile(m_profile, int(m_engine.workingTable().size()));

    // Developer aid: every table in view, the working one editable while a test runs.
    RunDisplay::showPeriodTables(ui.get(), m_engine.workingTable());
    QPlainTextEdit *working = ui->PanelParametros->form()->MemoPeriodoN;
    connect(working, &QPlainTextEdit::textChanged, this, [this, working] {
        m_driver.setWorkingTable(working->toPlainText().split(QLatin1Char('\n')));
    });

    m_athletes = new AthletesPanel(ui.get(), m_results, m_session, m_clock, this);
    ui->PanelDeportistas->form()->HyperGrid_Sujetos->applyColumnWidths(m_profile.hasVo2Max());
    connect(m_athletes, &AthletesPanel::stopPressed, this, &TForm1::captureSlot);
    connect(m_athletes, &AthletesPanel::menuOpening, this, &TForm1::PopupMenu_HGPopup);
    connect(m_athletes, &AthletesPanel::reactivateChosen, this, &TForm1::Volveraactivar1Click);
}

FlatButton *TForm1::stopButton(int slot) const
{
    return m_athletes->stopButton(slot);
}

QAction *TForm1::reactivateAction() const
{
    return m_athletes->reactivateAction();
}

void TForm1::selectSlot(int slot)
{
    m_athletes->selectSlot(slot);
}

void TForm1::expireEntryNote()
{
    m_athletes->expireEntryNote();
}

void TForm1::mouseDoubleClickEvent(QMouseEvent *event)
{
    // FormDblClick: a double-click on the window's background shows or hides the tables. Qt
    // also hands up double-clicks that a picture, caption or panel left unhandled; those are
    // not the background.
    QWidget::mouseDoubleClickEvent(event);
    if (childAt(event->position().toPoint()))
        return;
    ui->PanelParametros->setVisible(!ui->PanelParametros->isVisible());
    ui->PanelParametros->raise();
}

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        // After the window is on screen, so a message can stand over it.
        QMetaObject::invokeMethod(this, &TForm1::FormActivate, Qt::QueuedConnection);
    }
}

void TForm1::FormActivate()
{
    // Runs once: activation recurs whenever a message box closes, and must neither stop a
    // running test nor ask about the sound device again.
    m_programFolder = QDir::toNativeSeparators(QDir::currentPath());
    if (!m_programFolder.endsWith(QDir::separator()))
        m_programFolder += QDir::separator();

    const bool soundAvailable = m_sound && m_sound->available();
    if (soundAvailable) {
        // Cues go from the driver to the sound layer; the window only shows how it fares.
        m_driver.setSink(m_sound);
        connect(m_sound, &CueSink::stateChanged, this, &TForm1::showSoundState);
    }
    showSoundState(m_sound ? m_sound->state() : CueSink::State::NoDevice);
    ui->LabelSonido->installEventFilter(this);
    if (!soundAvailable && m_dialogs) {
        OperatorQuestions::noSoundDevice(*m_dialogs, this, m_profile.programTitle);
    }
}

void TForm1::BitBtnNuevoClick()
{
    ui->GaugeRec->resize(0, ui->GaugeRec->height());
    ui->BitBtnNuevo->setEnabled(false);
    ui->BitBtnStart->setEnabled(true);
    m_driver.newTest();
    // The set-up shows the speed of the period in its box, not of the one the test ended in.
    m_engine.setCurrentPeriod(ui->PanelTipo->initialPeriod());
    ui->PanelTipo->show();
    ui->PanelTipo->raise();
    ui->GaugeRec->resize(ui->PanelStart->x() - 2 * ui->GaugeRec->x(), ui->GaugeRec->height());
    displaysChanged();
    resultsGuard();
}

bool TForm1::askToSaveResults()
{
    return OperatorQuestions::saveResults(*m_dialogs, this, m_session.running());
}

void TForm1::resultsGuard()
{
    // Every row counts: results further down the table are just as much at stake.
    if (m_session.unexportedResults()) {
        if (askToSaveResults())
            BtnExportDatosClick();
        else
            m_results.clearResultColumns();
    }
    m_session.newTest();
}

QString TForm1::exportFolder() const
{
    // "Export" beside the program where it is, or can become, a folder the program writes in.
    const QFileInfo beside(m_programFolder + QStringLiteral("Export"));
    const bool usable = m_exportPlace == ExportPlace::BesideProgram &&
                        (beside.exists() ? beside.isDir() && beside.isWritable()
                                         : QFileInfo(m_programFolder).isWritable());
    return ExportFile::exportFolder(
        m_programFolder, usable,
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

bool TForm1::BtnExportDatosClick()
{
    return exportResults(false);
}

bool TForm1::exportUnderNewName()
{
    return exportResults(true);
}

bool TForm1::exportResults(bool newName)
{
    if (!m_session.exportable())
        return false;
    // Saving from the close question during a test must not offer the between-tests commands.
    if (!m_session.running())
        ui->PanelDeportistas->form()->BtnExportDatos->setEnabled(true);

    const int remembered = m_athletes->selectedSlot();
    ExportConditions conditions;
    conditions.when = m_now();
    conditions.initialPeriod = ui->PanelTipo->initialPeriod();
    conditions.initialSpeed = m_engine.initialSpeedText();
    // The highlight walks down the table as the records are written.
    for (int slot = 1; slot <= m_results.slotCount(); ++slot)
        selectSlot(slot);
    const QStringList lines =
        ExportFile::lines(m_results, m_profile.programTitle, conditions, QLocale());
    if (remembered > 0)
        selectSlot(remembered);

    const QString path = OperatorQuestions::exportPath(
        *m_dialogs, this, exportFolder(), m_profile.programTitle, conditions.when, newName);
    if (path.isEmpty())
        return false;

    QString reason;
    if (!ExportFile::save(lines, path, &reason)) {
        OperatorQuestions::exportFailed(*m_dialogs, this, m_profile.programTitle, reason, path);
        return false;
    }
    m_session.exportWritten();
    emit exported();
    return true;
}

void TForm1::BtnBorrarTablaClick()
{
    if (!OperatorQuestions::clearTable(*m_dialogs, this))
        return;
    m_session.clearTable();
    for (FlatButton *button : m_athletes->stopButtons())
        button->hide();
}

void TForm1::PopupMenu_HGPopup()
{
    const int slot = m_athletes->selectedSlot();
    m_athletes->reactivateAction()->setEnabled(
        slot > 0 && m_session.mayReactivate(slot, !m_engine.warmUpPending()));
}

void TForm1::Volveraactivar1Click()
{
    const int slot = m_athletes->selectedSlot();
    if (slot > 0)
        m_session.reactivate(slot, !m_engine.warmUpPending());
}

bool TForm1::confirmExit()
{
    // Unexported results are offered for saving first: nothing is lost unless the operator says so.
    if (m_session.unexportedResults()) {
        if (askToSaveResults())
            BtnExportDatosClick();
    }
    return OperatorQuestions::leave(*m_dialogs, this, m_profile.programTitle);
}

void TForm1::BitBtnSalirClick()
{
    if (confirmExit()) {
        m_exiting = true;
        emit exitConfirmed();
    }
}

void TForm1::closeWithoutQuestions()
{
    m_exiting = true;
    close();
}

void TForm1::resultsRestored(const TestConditions &test)
{
    emit gridRestored();
    if (test.initialPeriod > 0) {
        m_lastTest = test;
        ui->PanelTipo->setInitialPeriod(test.initialPeriod);
        m_engine.setInitialSpeedText(test.initialSpeed);
    }
    const bool exportable = m_session.mayOfferExport();
    ui->PanelDeportistas->form()->BtnExportDatos->setEnabled(exportable);
    ui->PanelDeportistas->form()->BtnBorrarTabla->setEnabled(exportable);
}

void TForm1::BitBtnAyudaClick()
{
    ui->ScrollBox1->open(m_profile);
}

void TForm1::BitBtnGrupoClick()
{
    AcercadeClick();
}

void TForm1::AcercadeClick()
{
    if (m_about)
        m_about();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (m_exiting || confirmExit()) {
        m_exiting = true;
        event->accept();
        emit exitConfirmed();
    } else {
        event->ignore();
    }
}

void TForm1::BitBtnStartClick()
{
    if (m_engine.phase() != TestPhase::Ready)
        return;
    m_session.testStarted();
    RunDisplay::showTestRunning(ui.get(), true, false);
    m_driver.start(testMode(), ui->PanelTipo->initialPeriod(), ui->PanelTipo->warmUpTicked());
    m_lastTest = {ui->PanelTipo->initialPeriod(), m_engine.initialSpeedText(),
                  ui->PanelTipo->modeName(), m_now()};
    emit testStarted(m_lastTest);
    ui->PanelDeportistas->form()->HyperGrid_Sujetos->setRowSelectionMode();
}

void TForm1::BitBtnStopClick()
{
    if (!m_engine.isRunning())
        return;
    m_driver.stop();
    // Everyone still running is captured with the same final displays, in slot order.
    if (const int last = m_session.testEnded(reading()))
        selectSlot(last);
    RunDisplay::showTestRunning(ui.get(), false, m_session.mayOfferExport());
    displaysChanged();
}

void TForm1::activateAthletes()
{
    m_session.activateAthletes();
}

bool TForm1::captureSlot(int slot)
{
    if (!m_session.capture(slot, reading()))
        return false;
    selectSlot(slot);
    return true;
}

int TForm1::reactivateLastStopped(int *refused)
{
    const int slot = m_session.reactivateLast(!m_engine.warmUpPending(), refused);
    if (slot > 0)
        selectSlot(slot);
    return slot;
}

int TForm1::restoreLastResult()
{
    const int slot = m_session.restoreLast();
    if (slot > 0)
        selectSlot(slot);
    return slot;
}

ResultReading TForm1::reading() const
{
    ResultReading r;
    r.time = m_engine.chronoText();
    r.periodsCompleted = m_engine.periodShown() - m_engine.startPeriod();
    r.distance = m_engine.distance();
    r.speed = m_engine.speedText();
    return r;
}

void TForm1::pollEngine()
{
    m_driver.poll();
}

void TForm1::showSoundState(CueSink::State state)
{
    RunDisplay::showSoundState(ui.get(), state);
    RunDisplay::showSoundOutput(ui.get(), m_sound);
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    // The latency is the server's latest word when the tip is shown.
    if (watched == ui->LabelSonido && event->type() == QEvent::ToolTip)
        RunDisplay::showSoundOutput(ui.get(), m_sound);
    return QWidget::eventFilter(watched, event);
}

void TForm1::displaysChanged()
{
    RunDisplay::show(ui.get(), m_engine, m_course);
}
