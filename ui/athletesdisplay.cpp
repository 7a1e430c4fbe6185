#include "athletesdisplay.h"

#include "enginedriver.h"
#include "resultsmodel.h"
#include "resultssession.h"
#include "theme.h"
#include "ui_athletesdisplay.h"
#include "widgets.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWindow>

using namespace Protocol;

namespace {

// Type sizes as parts of the window's height: the figures as large as the rows allow, the
// captions and the names small enough for fourteen athletes to fit.
constexpr int FigureParts = 4;
constexpr int BannerParts = 12;
constexpr int CaptionParts = 22;
constexpr int NamesParts = 14;

QString phaseText(TestPhase phase)
{
    switch (phase) {
    case TestPhase::Ready:
        return QStringLiteral("En espera");
    case TestPhase::Ended:
        return QStringLiteral("Fin de la prueba");
    default:
        return Theme::phaseLook(phase).text;
    }
}

} // namespace

AthletesDisplay::AthletesDisplay(const EngineDriver &driver, const ResultsSession &session,
                                 QWidget *parent)
    : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::AthletesDisplay>()), m_driver(driver),
      m_session(session)
{
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/icons/zenta.png")));
    // Never the window that keeps the program open, nor the one that takes the coach's keys.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Theme::Black);
    pal.setColor(QPalette::WindowText, Theme::Silver);
    setPalette(pal);
    for (FlatPanel *figure : {ui->PanelFase, ui->EditPeriodo, ui->EditVelocidad, ui->EditCuenta}) {
        figure->setAlignment(Qt::AlignCenter);
        figure->setFaceColor(Theme::Black);
        figure->setTextColor(Theme::White);
    }
    ui->EditVelocidad->setTextColor(Theme::Lime);
    QPalette names = pal;
    names.setColor(QPalette::WindowText, Theme::White);
    ui->EditEnCarrera->setPalette(names);
    ui->GridPantalla->setRowStretch(2, 3);
    ui->GridPantalla->setRowStretch(4, 3);

    connect(&driver, &EngineDriver::displaysChanged, this, &AthletesDisplay::showDisplays);
    connect(&driver, &EngineDriver::phaseChanged, this, &AthletesDisplay::showDisplays);
    connect(&session, &ResultsSession::slotRunningChanged, this, &AthletesDisplay::showAthletes);
    connect(&session, &ResultsSession::runningChanged, this, &AthletesDisplay::showAthletes);
    connect(&session.results(), &ResultsModel::dataChanged, this, &AthletesDisplay::showAthletes);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &AthletesDisplay::screenRemoved);
    showDisplays();
    showAthletes();
    scaleFonts();
}

AthletesDisplay::~AthletesDisplay() = default;

void AthletesDisplay::open(const QScreen *coachScreen)
{
    QScreen *pitch = nullptr;
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen != coachScreen) {
            pitch = screen;
            break;
        }
    }
    if (!pitch) {
        if (!isVisible())
            showNormal();
        raise();
        return;
    }
    // The window must exist on its screen before it fills it.
    winId();
    windowHandle()->setScreen(pitch);
    setGeometry(pitch->geometry());
    showFullScreen();
}

void AthletesDisplay::showDisplays()
{
    const RunEngine &e = m_driver.engine();
    const TestPhase phase = e.phase();
    const Theme::PhaseLook look = Theme::phaseLook(phase);
    ui->PanelFase->setText(phaseText(phase));
    ui->PanelFase->setFaceColor(look.panelColor.isValid() ? look.panelColor : Theme::Gray);
    ui->PanelFase->setTextColor(look.textColor.isValid() ? look.textColor : Theme::White);
    ui->PanelFase->update();

    ui->EditPeriodo->setText(QString::number(e.periodShown()));
    ui->EditVelocidad->setText(e.speedText());
    const GaugeState gauge = e.gauge();
    const bool counting = e.isRunning();
    if (counting && gauge.pause) {
        ui->LabelCuenta->setText(QStringLiteral("Siguiente periodo en (seg.)"));
        ui->EditCuenta->setText(QString::number(gauge.maximum - gauge.position));
    } else {
        ui->LabelCuenta->setText(QStringLiteral("Estación Nº"));
        ui->EditCuenta->setText(counting ? QString::number(gauge.position) : QString());
    }
    ui->EditCuenta->setTextColor(counting && gauge.pause ? Theme::Yellow : Theme::White);
}

void AthletesDisplay::showAthletes()
{
    const ResultsModel &results = m_session.results();
    QStringList running;
    for (int slot = 1; slot <= results.slotCount(); ++slot) {
        if (!m_session.isRunning(slot))
            continue;
        const QString name = results.cell(ResultsModel::Name, slot);
        running << (name.isEmpty() ? QString::number(slot)
                                   : QStringLiteral("%1 %2").arg(slot).arg(name));
    }
    ui->LabelEnCarrera->setText(
        running.isEmpty() ? QString() : QStringLiteral("En carrera: %1").arg(running.size()));
    // Non-breaking inside an entry, so a number never parts from its name.
    for (QString &entry : running)
        entry.replace(QLatin1Char(' '), QChar(0x00A0));
    ui->EditEnCarrera->setText(running.join(QStringLiteral("    ")));
}

void AthletesDisplay::scaleFonts()
{
    const int h = qMax(height(), 1);
    const QString family = QStringLiteral("Arial");
    const QFont figures = pixelFont(family, h / FigureParts, true);
    for (FlatPanel *figure : {ui->EditPeriodo, ui->EditVelocidad, ui->EditCuenta})
        figure->setFont(figures);
    ui->PanelFase->setFont(pixelFont(family, h / BannerParts, true));
    ui->PanelFase->setMinimumHeight(h / BannerParts * 3 / 2);
    const QFont captions = pixelFont(family, h / CaptionParts, true);
    for (QLabel *caption :
         {ui->LabelPeriodo, ui->LabelVelocidad, ui->LabelCuenta, ui->LabelEnCarrera})
        caption->setFont(captions);
    ui->EditEnCarrera->setFont(pixelFont(family, h / NamesParts, true));
}

void AthletesDisplay::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    scaleFonts();
}

void AthletesDisplay::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void AthletesDisplay::screenRemoved(QScreen *screen)
{
    // The projector went away: the display goes with it rather than land on the coach's screen.
    if (isVisible() && windowHandle() && windowHandle()->screen() == screen)
        hide();
}
