#include "rundisplay.h"

#include "courseview.h"
#include "runengine.h"
#include "setuppanel.h"
#include "sportprofile.h"
#include "theme.h"
#include "ui_testfut1.h"

using namespace Protocol;

namespace RunDisplay {

void show(Ui::TForm1 *ui, const RunEngine &e, CourseView *course)
{
    ui->EditCrono->setText(e.chronoText());
    ui->EditCompletados->setText(QString::number(e.completedPeriods()));
    ui->Panel_Distancia->setText(e.distanceText());
    ui->Velocidad->setText(e.speedText());
    ui->PanelTipo->showSpeed(e.speedText());
    ui->EditPeriodo->setText(QString::number(e.periodShown()));
    ui->EditPitido->setText(QString::number(e.beepCount()));

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
        course->showPicture(e.picture());
        if (e.markerStation() >= 0)
            course->showMarker(e.markerStation(), e.markerLit());
        course->setRestMarkerVisible(e.restMarkerVisible());
    }
}

void showTestRunning(Ui::TForm1 *ui, bool running, bool exportable)
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
    ui->BtnExportDatos->setEnabled(!running && exportable);
    ui->BtnBorrarTabla->setEnabled(!running && exportable);
}

void showPeriodTables(Ui::TForm1 *ui, const QStringList &workingTable)
{
    const std::pair<QPlainTextEdit *, SportVariant> sources[] = {
        {ui->MemoPeriodoN_FUTBOL_PROBST, SportVariant::Probst},
        {ui->MemoPeriodoN_FUTBOL, SportVariant::Futbol},
        {ui->MemoPeriodoN_BASKET, SportVariant::Basket},
        {ui->MemoPeriodoN_FS, SportVariant::FutSal},
        {ui->MemoPeriodoN_VOLEY, SportVariant::Voley}};
    for (const auto &[memo, variant] : sources)
        memo->setPlainText(periodTableLines(sportProfile(variant)).join(QLatin1Char('\n')));
    ui->MemoPeriodoN->setPlainText(workingTable.join(QLatin1Char('\n')));
}

void showSoundState(Ui::TForm1 *ui, CueSink::State state)
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
}

} // namespace RunDisplay
