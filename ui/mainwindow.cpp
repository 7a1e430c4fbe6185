#include "mainwindow.h"

#include "athletesbox.h"
#include "athletesdisplay.h"
#include "clock.h"
#include "courseview.h"
#include "cuesink.h"
#include "dialogs.h"
#include "exportfile.h"
#include "helppanel.h"
#include "operatorquestions.h"
#include "resultsgrid.h"
#include "resultstools.h"
#include "runfiguresbox.h"
#include "setuppanel.h"
#include "squadmenu.h"
#include "startscreen.h"
#include "tablesbox.h"
#include "theme.h"
#include "ui_mainwindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QShortcut>
#include <QStandardPaths>

using namespace Protocol;

MainWindow::MainWindow(SportVariant variant, const Clock &clock, CueSink *sound, Dialogs *dialogs,
                       QWidget *parent, ExportPlace exportPlace)
    : QWidget(parent), ui(std::make_unique<Ui::MainWindow>()), m_profile(sportProfile(variant)),
      m_clock(clock), m_sound(sound), m_dialogs(dialogs), m_driver(m_profile, clock),
      m_engine(m_driver.engine()), m_results(m_profile)
{
    m_exportPlace = exportPlace;
    ui->setupUi(this);
    connect(&m_driver, &EngineDriver::displaysChanged, this, &MainWindow::displaysChanged);
    connect(&m_driver, &EngineDriver::activateAthletes, this, &MainWindow::activateAthletes);
    build();
}

MainWindow::~MainWindow() = default;

QString MainWindow::getProgramFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
}

TestMode MainWindow::testMode() const
{
    return ui->PanelTipo->testMode();
}

void MainWindow::build()
{
    m_programFolder = getProgramFolder();
    // A read-only location is no reason not to open; the export reports its own failure.
    QDir().mkpath(exportFolder());

    applySportProfile();
    paint();
    layOut();
    m_athletes->layOut(m_profile.hasVo2Max());
    // Start screen over everything, the set-up panel ready in front for the work screen.
    ui->PanelTipo->raise();
    ui->PanelInicio->setProfile(m_profile);

    connect(ui->BitBtnNuevo, &QPushButton::clicked, this, &MainWindow::newTest);
    connect(ui->BitBtnStart, &QPushButton::clicked, this, &MainWindow::startTest);
    connect(ui->BitBtnStop, &QPushButton::clicked, this, &MainWindow::endTest);
    connect(ui->BitBtnSalir, &QPushButton::clicked, this, &MainWindow::leave);
    connect(ui->BitBtnAyuda, &QPushButton::clicked, this, &MainWindow::openHelp);
    connect(ui->BitBtnGrupo, &QPushButton::clicked, this, &MainWindow::showAbout);
    connect(ui->BtnPantalla, &QPushButton::clicked, this, &MainWindow::openAthletesDisplay);
    connect(new QShortcut(QKeySequence(Qt::Key_F11), this), &QShortcut::activated, this,
            &MainWindow::openAthletesDisplay);
    connect(ui->PanelInicio, &StartScreen::aboutRequested, this, &MainWindow::showAbout);
    connect(ui->PanelTipo, &SetupPanel::modeClicked, this, &MainWindow::newTest);
    connect(ui->PanelTipo, &SetupPanel::periodChanged, this,
            [this](int period) { m_engine.setCurrentPeriod(period); });
    connect(ui->PanelTipo, &SetupPanel::announcingChanged, &m_driver, &EngineDriver::setAnnouncing);
    connect(ui->PanelTipo, &SetupPanel::confirmingStopsChanged, &m_driver,
            &EngineDriver::setConfirmingStops);
    connect(&m_session, &ResultsSession::athleteStopped, &m_driver, &EngineDriver::confirmStop);
    connect(m_athletes, &AthletesBox::exportPressed, this, &MainWindow::exportTable);
    connect(m_athletes, &AthletesBox::clearPressed, this, &MainWindow::clearTable);

    m_tools = new ResultsTools(
        m_athletes, m_session, m_driver, [this] { return exportFolder(); }, m_clock, m_dialogs,
        this);
    m_tools->now = [this] { return m_now(); };
    // The test the results come from, restored ones too; the set-up panel only before any.
    m_tools->reportedTest = [this] {
        if (m_lastTest.initialPeriod > 0)
            return m_lastTest;
        return TestConditions{ui->PanelTipo->initialPeriod(), m_engine.initialSpeedText(),
                              ui->PanelTipo->modeName(), m_now()};
    };
    connect(m_tools, &ResultsTools::stopRequested, this, &MainWindow::captureSlot);

    m_squads = new SquadMenu(m_athletes, m_results, m_session, m_profile, m_dialogs, this);
    m_squads->exportFolder = [this] { return exportFolder(); };
    // Loading over results goes through the same save question as "Nuevo Test".
    m_squads->newTest = [this] { newTest(); };
    connect(this, &MainWindow::exported, m_squads, &SquadMenu::learnGrid);
    connect(this, &MainWindow::gridRestored, m_squads, &SquadMenu::learnGrid);
    m_athletes->fitCaption();
    displaysChanged();
}

void MainWindow::applySportProfile()
{
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
    ui->PanelParametros->showTables(m_engine.workingTable());
    connect(ui->PanelParametros, &TablesBox::workingTableEdited, this,
            [this](const QStringList &lines) { m_driver.setWorkingTable(lines); });

    m_athletes = ui->PanelDeportistas;
    m_athletes->attach(m_results, m_session, m_clock);
    m_athletes->grid()->applyColumnWidths(m_profile.hasVo2Max());
    connect(m_athletes, &AthletesBox::stopPressed, this, &MainWindow::captureSlot);
    connect(m_athletes, &AthletesBox::reactivationMenuOpening, this,
            &MainWindow::offerReactivation);
    connect(m_athletes, &AthletesBox::reactivateChosen, this, &MainWindow::reactivate);
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A double-click on the window's background shows or hides the tables. Qt also hands up
    // double-clicks that a picture, caption or panel left unhandled; those are not the
    // background.
    QWidget::mouseDoubleClickEvent(event);
    if (childAt(event->position().toPoint()))
        return;
    ui->PanelParametros->setVisible(!ui->PanelParametros->isVisible());
    ui->PanelParametros->raise();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        // After the window is on screen, so a message can stand over it.
        QMetaObject::invokeMethod(this, &MainWindow::activate, Qt::QueuedConnection);
    }
}

void MainWindow::activate()
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
        connect(m_sound, &CueSink::stateChanged, this, &MainWindow::showSoundState);
    }
    showSoundState(m_sound ? m_sound->state() : CueSink::State::NoDevice);
    ui->PanelTipo->setSpeechProblem(soundAvailable ? m_sound->speechProblem()
                                                   : CueSink::noOutputForSpeech());
    ui->LabelSonido->installEventFilter(this);
    if (!soundAvailable && m_dialogs) {
        OperatorQuestions::noSoundDevice(*m_dialogs, this, m_profile.programTitle);
    }
}

void MainWindow::openAthletesDisplay()
{
    if (!m_display)
        m_display = std::make_unique<AthletesDisplay>(m_driver, m_session);
    m_display->open(screen());
}

void MainWindow::newTest()
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

bool MainWindow::askToSaveResults()
{
    return OperatorQuestions::saveResults(*m_dialogs, this, m_session.running());
}

void MainWindow::resultsGuard()
{
    // Every row counts: results further down the table are just as much at stake.
    if (m_session.unexportedResults()) {
        if (askToSaveResults())
            exportTable();
        else
            m_results.clearResultColumns();
    }
    m_session.newTest();
}

QString MainWindow::exportFolder() const
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

bool MainWindow::exportTable()
{
    return writeResults(false);
}

bool MainWindow::exportUnderNewName()
{
    return writeResults(true);
}

bool MainWindow::writeResults(bool newName)
{
    if (!m_session.exportable())
        return false;
    // Saving from the close question during a test must not offer the between-tests commands.
    if (!m_session.running())
        m_athletes->offerExport(true);

    const int remembered = m_athletes->selectedSlot();
    ExportConditions conditions;
    conditions.when = m_now();
    conditions.initialPeriod = ui->PanelTipo->initialPeriod();
    conditions.initialSpeed = m_engine.initialSpeedText();
    // The highlight walks down the table as the records are written.
    for (int slot = 1; slot <= m_results.slotCount(); ++slot)
        m_athletes->selectSlot(slot);
    const QStringList lines =
        ExportFile::lines(m_results, m_profile.programTitle, conditions, QLocale());
    if (remembered > 0)
        m_athletes->selectSlot(remembered);

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

void MainWindow::clearTable()
{
    if (!OperatorQuestions::clearTable(*m_dialogs, this))
        return;
    m_session.clearTable();
    m_athletes->hideStopButtons();
}

void MainWindow::offerReactivation(int slot)
{
    m_athletes->offerReactivation(slot > 0 &&
                                  m_session.mayReactivate(slot, !m_engine.warmUpPending()));
}

void MainWindow::reactivate(int slot)
{
    if (slot > 0)
        m_session.reactivate(slot, !m_engine.warmUpPending());
}

bool MainWindow::confirmExit()
{
    // Unexported results are offered for saving first: nothing is lost unless the operator says so.
    if (m_session.unexportedResults()) {
        if (askToSaveResults())
            exportTable();
    }
    return OperatorQuestions::leave(*m_dialogs, this, m_profile.programTitle);
}

void MainWindow::leave()
{
    if (confirmExit()) {
        m_exiting = true;
        emit exitConfirmed();
    }
}

void MainWindow::closeWithoutQuestions()
{
    m_exiting = true;
    close();
}

void MainWindow::resultsRestored(const TestConditions &test)
{
    emit gridRestored();
    if (test.initialPeriod > 0) {
        m_lastTest = test;
        ui->PanelTipo->setInitialPeriod(test.initialPeriod);
        m_engine.setInitialSpeedText(test.initialSpeed);
    }
    const bool exportable = m_session.mayOfferExport();
    m_athletes->offerExport(exportable);
    m_athletes->offerClearing(exportable);
}

void MainWindow::openHelp()
{
    ui->ScrollBox1->open(m_profile);
}

void MainWindow::showAbout()
{
    if (m_about)
        m_about();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_exiting || confirmExit()) {
        m_exiting = true;
        if (m_display)
            m_display->close();
        event->accept();
        emit exitConfirmed();
    } else {
        event->ignore();
    }
}

void MainWindow::startTest()
{
    if (m_engine.phase() != TestPhase::Ready)
        return;
    m_session.testStarted();
    showTestRunning(true, false);
    m_driver.start(testMode(), ui->PanelTipo->initialPeriod(), ui->PanelTipo->warmUpTicked());
    m_lastTest = {ui->PanelTipo->initialPeriod(), m_engine.initialSpeedText(),
                  ui->PanelTipo->modeName(), m_now()};
    emit testStarted(m_lastTest);
    m_athletes->grid()->setRowSelectionMode();
}

void MainWindow::endTest()
{
    if (!m_engine.isRunning())
        return;
    m_driver.stop();
    // Everyone still running is captured with the same final displays, in slot order.
    if (const int last = m_session.testEnded(reading()))
        m_athletes->selectSlot(last);
    showTestRunning(false, m_session.mayOfferExport());
    displaysChanged();
}

void MainWindow::activateAthletes()
{
    m_session.activateAthletes();
}

bool MainWindow::captureSlot(int slot)
{
    if (!m_session.capture(slot, reading()))
        return false;
    m_athletes->selectSlot(slot);
    return true;
}

ResultReading MainWindow::reading() const
{
    ResultReading r;
    r.time = m_engine.chronoText();
    r.periodsCompleted = m_engine.periodShown() - m_engine.startPeriod();
    r.distance = m_engine.distance();
    r.speed = m_engine.speedText();
    return r;
}

void MainWindow::pollEngine()
{
    m_driver.poll();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The latency is the server's latest word when the tip is shown.
    if (watched == ui->LabelSonido && event->type() == QEvent::ToolTip)
        showSoundOutput();
    return QWidget::eventFilter(watched, event);
}

void MainWindow::displaysChanged()
{
    const RunEngine &e = m_engine;
    ui->PanelDuracion->showFigures(e);
    ui->PanelTipo->showSpeed(e.speedText());

    ui->EditVuelta->setText(QString::number(e.lap()));
    ui->EditVuelta->setVisible(e.lapVisible());
    ui->LabelVueltaN->setVisible(e.lapVisible());

    const Theme::PhaseLook banner = Theme::phaseLook(e.phase());
    ui->PanelRecVel->setText(banner.text);
    ui->PanelRecVel->setTextColor(banner.textColor);
    ui->PanelRecVel->setFaceColor(banner.panelColor);
    ui->PanelRecVel->setVisible(e.isRunning());

    const GaugeState gauge = e.gauge();
    ui->GaugeRec->setMaximum(gauge.maximum);
    ui->GaugeRec->setPosition(gauge.position);
    const Theme::GaugeLook look = Theme::gaugeLook(gauge.pause);
    ui->GaugeRec->setPrefix(look.prefix);
    ui->GaugeRec->setSuffix(look.suffix);
    ui->GaugeRec->setColors(look.colors[0], look.colors[1], look.colors[2]);
    ui->GaugeRec->setVisible(e.gaugeVisible());

    if (e.isRunning())
        (e.inPause() ? ui->PanelStop : ui->PanelStart)->raise();

    if (e.phase() != TestPhase::Ended) {
        m_course->showPicture(e.picture());
        if (e.markerStation() >= 0)
            m_course->showMarker(e.markerStation(), e.markerLit());
        m_course->setRestMarkerVisible(e.restMarkerVisible());
    }
}

void MainWindow::showTestRunning(bool running, bool exportable)
{
    ui->BitBtnStop->setEnabled(running);
    for (FlatButton *command : {ui->BitBtnSalir, ui->BitBtnAyuda, ui->BitBtnGrupo})
        command->setEnabled(!running);
    ui->PanelTipo->setInputsEnabled(!running);
    ui->PanelStart->setVisible(running);
    ui->PanelStop->setVisible(running);
    if (running) {
        // "Nuevo Test" is already off: only it readies the next start.
        ui->BitBtnStart->setEnabled(false);
        ui->PanelTipo->lower();
        ui->PanelTipo->hide();
    } else {
        ui->BitBtnNuevo->setEnabled(true);
    }
    m_athletes->offerExport(!running && exportable);
    m_athletes->offerClearing(!running && exportable);
}

void MainWindow::showSoundOutput()
{
    const QString name = m_sound ? m_sound->outputName() : QString();
    if (name.isEmpty()) {
        ui->LabelSonido->setToolTip(QStringLiteral("Sin salida de sonido"));
        return;
    }
    QString tip = QStringLiteral("Salida: %1").arg(name);
    const double latency = m_sound->outputLatencyMs();
    if (latency >= 0)
        tip += QStringLiteral("\nLatencia que informa el servidor: %1 ms")
                   .arg(QLocale(QLocale::Spanish).toString(latency, 'f', 1));
    ui->LabelSonido->setToolTip(tip);
}

void MainWindow::showSoundState(CueSink::State state)
{
    switch (state) {
    case CueSink::State::NoDevice:
        ui->LabelSonido->setText(QStringLiteral("Sin sonido"));
        break;
    case CueSink::State::Active:
        ui->LabelSonido->setText(QStringLiteral("Sonido activo"));
        break;
    case CueSink::State::Lost:
        ui->LabelSonido->setText(QStringLiteral("Sonido perdido"));
        break;
    case CueSink::State::Recovered:
        ui->LabelSonido->setText(QStringLiteral("Sonido recuperado"));
        break;
    }
    // Loss stands out; the rest reads as a quiet note.
    QPalette pal = ui->LabelSonido->palette();
    pal.setColor(QPalette::WindowText, state == CueSink::State::Lost ? Theme::Red : Theme::Black);
    ui->LabelSonido->setPalette(pal);
    showSoundOutput();
}
