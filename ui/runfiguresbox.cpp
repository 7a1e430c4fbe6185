#include "runfiguresbox.h"

#include "runengine.h"
#include "theme.h"
#include "ui_runfiguresbox.h"

RunFiguresBox::RunFiguresBox(QWidget *parent)
    : FlatPanel(parent), ui(std::make_unique<Ui::RunFiguresBox>())
{
    ui->setupUi(this);
}

RunFiguresBox::~RunFiguresBox() = default;

void RunFiguresBox::showFigures(const Protocol::RunEngine &e)
{
    ui->EditCrono->setText(e.chronoText());
    ui->EditCompletados->setText(QString::number(e.completedPeriods()));
    ui->Panel_Distancia->setText(e.distanceText());
    ui->Velocidad->setText(e.speedText());
    ui->EditPeriodo->setText(QString::number(e.periodShown()));
    ui->EditPitido->setText(QString::number(e.beepCount()));
}

void RunFiguresBox::paint(const QColor &panel, const QColor &accent)
{
    setFaceColor(panel);
    setBorderColor(accent);
    const QFont displayFont = pixelFont(QStringLiteral("Arial"), 22, true);
    for (FlatPanel *display : {ui->EditCrono, ui->EditCompletados, ui->Panel_Distancia}) {
        display->setFaceColor(Theme::Silver);
        display->setTextColor(Theme::DisplayText);
        display->setBorderColor(accent);
        display->setFont(displayFont);
    }
    ui->Velocidad->setFaceColor(Theme::Silver);
    ui->Velocidad->setTextColor(Theme::Green);
    ui->Velocidad->setBorderColor(accent);
    ui->Velocidad->setFont(displayFont);
    ui->PanelParamtros->setFaceColor(Theme::Gray);
    ui->PanelParamtros->setTextColor(Theme::White);
    ui->PanelParamtros->setFont(pixelFont(QStringLiteral("Arial"), 12, true));
    for (QLabel *label :
         {ui->LabelTiempo, ui->LabelCompletados, ui->LabelDistancia, ui->LabelVelocidadActual}) {
        label->setFont(pixelFont(QStringLiteral("Arial"), 11, true));
        QPalette lp = label->palette();
        lp.setColor(QPalette::WindowText, Theme::White);
        label->setPalette(lp);
    }
}

void RunFiguresBox::layOut()
{
    ui->PanelParamtros->resize(width(), ui->PanelParamtros->height());
}
