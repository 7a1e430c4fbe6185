#include "historywindow.h"

#include "dialogs.h"
#include "exportfile.h"
#include "sportprofile.h"
#include "ui_historywindow.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QValueAxis>

using namespace Protocol;

namespace {

enum Column {
    Athlete,
    Date,
    Time,
    Sport,
    InitialPeriod,
    InitialSpeed,
    Periods,
    Distance,
    Speed,
    Vo2Max,
    ColumnCount
};

QString label(const HistoryResult &r)
{
    return r.code.isEmpty() || r.name.isEmpty() ? r.athlete
                                                : r.code + QStringLiteral(" · ") + r.name;
}

} // namespace

HistoryWindow::HistoryWindow(const SportProfile &profile, const QStringList &folders,
                             Dialogs *dialogs, QWidget *parent, const QStringList &added)
    : QDialog(parent), ui(std::make_unique<Ui::HistoryWindow>()), m_profile(profile),
      m_dialogs(dialogs), m_folders(folders), m_fixedFolders(folders.size())
{
    for (const QString &folder : added) {
        if (!m_folders.contains(folder))
            m_folders << folder;
    }
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Historial de los deportistas - ") + profile.programTitle);
    ui->TablaPruebas->setColumnCount(ColumnCount);
    ui->TablaPruebas->setHorizontalHeaderLabels(
        {QStringLiteral("Deportista"), QStringLiteral("Fecha"), QStringLiteral("Hora"),
         QStringLiteral("Deporte"), QStringLiteral("Periodo inicial"),
         QStringLiteral("Vel. inicial (Km/h)"), QStringLiteral("Periodos complet."),
         QStringLiteral("Distancia (m)"), QStringLiteral("Vel. Máx. (Km/h)"),
         QStringLiteral("VO2max (ml/kg/min)")});
    ui->TablaPruebas->verticalHeader()->hide();
    ui->TablaPruebas->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui->TablaPruebas->horizontalHeader()->setStretchLastSection(true);
    ui->Grafico->setRenderHint(QPainter::Antialiasing);
    ui->Grafico->chart()->legend()->setAlignment(Qt::AlignBottom);
    ui->splitterPrincipal->setStretchFactor(1, 1);
    ui->splitterDerecho->setStretchFactor(1, 2); // the chart is what the window is for
    ui->splitterDerecho->setSizes({170, 400});

    connect(ui->ListaDeportistas, &QListWidget::itemSelectionChanged, this,
            &HistoryWindow::showPicked);
    connect(ui->BtnOtraCarpeta, &QPushButton::clicked, this, &HistoryWindow::BtnOtraCarpetaClick);
    connect(ui->BtnQuitarCarpeta, &QPushButton::clicked, this,
            &HistoryWindow::BtnQuitarCarpetaClick);
    connect(ui->BtnGuardarGrafico, &QPushButton::clicked, this,
            &HistoryWindow::BtnGuardarGraficoClick);
    connect(ui->BtnCerrar, &QPushButton::clicked, this, &QDialog::close);
    reload();
}

HistoryWindow::~HistoryWindow() = default;

QChart *HistoryWindow::chart() const
{
    return ui->Grafico->chart();
}

bool HistoryWindow::chartsVo2Max() const
{
    return m_profile.hasVo2Max();
}

void HistoryWindow::addFolder(const QString &folder)
{
    if (folder.isEmpty() || m_folders.contains(folder))
        return;
    m_folders << folder;
    emit addedFoldersChanged(addedFolders());
    reload();
}

void HistoryWindow::BtnQuitarCarpetaClick()
{
    QStringList options;
    for (const QString &folder : addedFolders())
        options << QDir::toNativeSeparators(folder);
    if (options.isEmpty())
        return;
    options << QStringLiteral("Cancelar");
    const int picked = m_dialogs->choice(this, QStringLiteral("Quitar carpeta"),
                                         QStringLiteral("¿Qué carpeta deja de leerse?"), options,
                                         int(options.size()) - 1, QMessageBox::Question);
    if (picked < 0 || picked >= options.size() - 1)
        return;
    m_folders.removeAt(m_fixedFolders + picked);
    emit addedFoldersChanged(addedFolders());
    reload();
}

void HistoryWindow::BtnOtraCarpetaClick()
{
    addFolder(m_dialogs->existingFolder(this, QStringLiteral("Carpeta con archivos de resultados"),
                                        m_folders.value(0)));
}

void HistoryWindow::reload()
{
    const QStringList picked = pickedAthletes();
    m_history = HistoryFile::readFolders(m_folders);

    QStringList shown;
    for (const QString &folder : std::as_const(m_folders))
        shown << QDir::toNativeSeparators(folder);
    ui->LabelCarpetas->setText(
        QStringLiteral("Carpetas leídas: ") + shown.join(QStringLiteral("; ")) +
        QStringLiteral(" (%1 archivos de resultados)").arg(m_history.filesRead));
    ui->BtnQuitarCarpeta->setEnabled(m_folders.size() > m_fixedFolders);

    ui->ListaOmitidos->clear();
    for (const SkippedFile &skip : std::as_const(m_history.skipped))
        ui->ListaOmitidos->addItem(QFileInfo(skip.file).fileName() + QStringLiteral(": ") +
                                   skip.reason);
    ui->LabelOmitidos->setText(
        QStringLiteral("Archivos omitidos: %1").arg(m_history.skipped.size()));

    {
        const QSignalBlocker blocker(ui->ListaDeportistas);
        ui->ListaDeportistas->clear();
        for (const QString &athlete : m_history.athletes()) {
            // The latest name an athlete was listed under.
            const QList<HistoryResult> results = m_history.resultsOf(athlete);
            auto *item = new QListWidgetItem(label(results.last()), ui->ListaDeportistas);
            item->setData(Qt::UserRole, athlete);
        }
    }
    pickAthletes(picked.isEmpty() ? m_history.athletes().mid(0, 1) : picked);
}

QStringList HistoryWindow::pickedAthletes() const
{
    QStringList out;
    for (int i = 0; i < ui->ListaDeportistas->count(); ++i) {
        const QListWidgetItem *item = ui->ListaDeportistas->item(i);
        if (item->isSelected())
            out << item->data(Qt::UserRole).toString();
    }
    return out;
}

void HistoryWindow::pickAthletes(const QStringList &athletes)
{
    {
        const QSignalBlocker blocker(ui->ListaDeportistas);
        for (int i = 0; i < ui->ListaDeportistas->count(); ++i) {
            QListWidgetItem *item = ui->ListaDeportistas->item(i);
            item->setSelected(athletes.contains(item->data(Qt::UserRole).toString()));
        }
    }
    showPicked();
}

void HistoryWindow::showPicked()
{
    const QStringList picked = pickedAthletes();
    QTableWidget *table = ui->TablaPruebas;
    table->setRowCount(0);

    QChart *chart = ui->Grafico->chart();
    chart->removeAllSeries();
    for (QAbstractAxis *axis : chart->axes())
        chart->removeAxis(axis);
    const bool vo2 = chartsVo2Max();
    chart->setTitle(vo2 ? QStringLiteral("Progreso: VO2max (ml/kg/min)")
                        : QStringLiteral("Progreso: distancia (m)"));
    auto *dates = new QDateTimeAxis;
    dates->setFormat(QStringLiteral("dd/MM/yy"));
    dates->setTitleText(QStringLiteral("Fecha de la prueba"));
    auto *values = new QValueAxis;
    values->setTitleText(vo2 ? QStringLiteral("VO2max") : QStringLiteral("Distancia (m)"));
    values->setLabelFormat(vo2 ? QStringLiteral("%.1f") : QStringLiteral("%d"));
    chart->addAxis(dates, Qt::AlignBottom);
    chart->addAxis(values, Qt::AlignLeft);

    qint64 first = 0, last = 0;
    double top = 0;
    bool any = false;
    QList<QList<HistoryResult>> resultsOfPicked;
    int rows = 0;
    for (const QString &athlete : picked) {
        resultsOfPicked << m_history.resultsOf(athlete);
        rows += int(resultsOfPicked.last().size());
    }
    // Sized once: a season of many athletes would otherwise grow the table row by row.
    table->setRowCount(rows);
    int row = 0;
    for (const QList<HistoryResult> &results : std::as_const(resultsOfPicked)) {
        auto *series = new QLineSeries;
        series->setName(label(results.last()));
        series->setPointsVisible(true);
        for (const HistoryResult &r : results) {
            const QStringList cells = {label(r),
                                       r.when.date().toString(QStringLiteral("dd/MM/yyyy")),
                                       r.when.time().toString(QStringLiteral("hh:mm")),
                                       r.sport,
                                       QString::number(r.initialPeriod),
                                       r.initialSpeed,
                                       QString::number(r.periods),
                                       QString::number(r.distance),
                                       r.speed,
                                       r.vo2Max};
            for (int c = 0; c < cells.size(); ++c) {
                auto *item = new QTableWidgetItem(cells.at(c));
                item->setToolTip(QDir::toNativeSeparators(r.file));
                if (c != Athlete)
                    item->setTextAlignment(Qt::AlignCenter);
                table->setItem(row, c, item);
            }
            ++row;
            if (vo2 && !r.hasVo2Max())
                continue; // a sport without the estimate has no point on this chart
            const double value = vo2 ? r.vo2MaxValue : r.distance;
            const qint64 at = r.when.toMSecsSinceEpoch();
            series->append(double(at), value);
            first = any ? qMin(first, at) : at;
            last = any ? qMax(last, at) : at;
            top = qMax(top, value);
            any = true;
        }
        chart->addSeries(series);
        series->attachAxis(dates);
        series->attachAxis(values);
    }
    // A single day still needs a span to draw on.
    const qint64 day = 24 * 3600 * 1000;
    dates->setRange(QDateTime::fromMSecsSinceEpoch(any ? first - day : 0),
                    QDateTime::fromMSecsSinceEpoch(any ? last + day : day));
    values->setRange(0, top > 0 ? top * 1.1 : 1);
    values->applyNiceNumbers();
    ui->BtnGuardarGrafico->setEnabled(!picked.isEmpty());
}

bool HistoryWindow::BtnGuardarGraficoClick()
{
    const QString folder = m_folders.value(0);
    const QString proposed = folder + QDir::separator() + QStringLiteral("Historial_") +
                             QDate::currentDate().toString(QStringLiteral("dd-MM-yy")) +
                             QStringLiteral(".png");
    const QString path = m_dialogs->saveFileName(
        this, QStringLiteral("Guardar el gráfico del historial"), proposed,
        QStringLiteral("Imagen PNG (*.png);;Documento PDF (*.pdf)"), QStringLiteral("png"));
    if (path.isEmpty())
        return false;

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bool drawn = false;
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Landscape);
        writer.setTitle(chart()->title());
        QPainter painter;
        if (painter.begin(&writer)) {
            ui->Grafico->render(&painter);
            drawn = painter.end();
        }
    } else {
        drawn = ui->Grafico->grab().save(&buffer, "PNG");
    }
    if (!drawn || !ExportFile::write(path, buffer.data())) {
        m_dialogs->message(this, QStringLiteral("Información"),
                           QStringLiteral("No se ha podido guardar el gráfico."),
                           QMessageBox::Warning);
        return false;
    }
    return true;
}
