#include "rundisplay.h"

#include "courseview.h"
#include "formpanels.h"
#include "runengine.h"
#include "setuppanel.h"
#include "sportprofile.h"
#include "theme.h"
#include "ui_athletesbox.h"
#include "ui_runfiguresbox.h"
#include "ui_tablesbox.h"
#include "ui_testfut1.h"

#include <QLocale>

using namespace Protocol;

namespace RunDisplay {

void show(Ui::TForm1 *ui, const RunEngine &e, CourseView *course)
{
    Ui::PanelDuracion *figures = ui->PanelDuracion->form();
    figures->EditCrono->setText(e.chronoText());
    figures->EditCompletados->setText(QString::number(e.completedPeriods()));
    figures->Panel_Distancia->setText(e.distanceText());
    figures->Velocidad->setText(e.speedText());
    ui->PanelTipo->showSpeed(e.speedText());
    figures->EditPeriodo->setText(QString::number(e.periodShown()));
    figures->EditPitido->setText(QString::number(e.beepCount()));

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
    Ui::PanelDeportistas *athletes = ui->PanelDeportistas->form();
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
    athletes->BtnExportDatos->setEnabled(!running && exportable);
    athletes->BtnBorrarTabla->setEnabled(!running && exportable);
}

void showPeriodTables(Ui::TForm1 *ui, const QStringList &workingTable)
{
    Ui::PanelParametros *tables = ui->PanelParametros->form();
    const std::pair<QPlainTextEdit *, SportVariant> sources[] = {
        {tables->MemoPeriodoN_FUTBOL_PROBST, SportVariant::Probst},
        {tables->MemoPeriodoN_FUTBOL, SportVariant::Futbol},
        {tables->MemoPeriodoN_BASKET, SportVariant::Basket},
        {tables->MemoPeriodoN_FS, SportVariant::FutSal},
        {tables->MemoPeriodoN_VOLEY, SportVariant::Voley}};
    for (const auto &[memo, variant] : sources)
        memo->setPlainText(periodTableLines(sportProfile(variant)).join(QLatin1Char('\n')));
    tables->MemoPeriodoN->setPlainText(workingTable.join(QLatin1Char('\n')));
}

void showSoundOutput(Ui::TForm1 *ui, const CueSink *sound)
{
    const QString name = sound ? sound->outputName() : QString();
    if (name.isEmpty()) {
        ui->LabelSonido->setToolTip(QStringLiteral("Sin salida de sonido"));
        return;
    }
    QString tip = QStringLiteral("Salida: %1").arg(name);
    const double latency = sound->outputLatencyMs();
    if (latency >= 0)
        tip += QStringLiteral("\nLatencia que informa el servidor: %1 ms")
                   .arg(QLocale(QLocale::Spanish).toString(latency, 'f', 1));
    ui->LabelSonido->setToolTip(tip);
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
