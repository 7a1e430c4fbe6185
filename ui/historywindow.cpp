#include "historywindow.h"

#include "dialogs.h"
#include "exportfile.h"
#include "sportprofile.h"
#include "ui_historywindow.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDateTimeAxis>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QToolTip>
#include <QValueAxis>

#include <cmath>

using namespace Protocol;
using HistorySeason::Measure;

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

struct MeasureText
{
    Measure measure;
    QString choice; // in the list and the chart's title
    QString axis;
    bool whole; // whole numbers only
};

const QList<MeasureText> &measureTexts()
{
    static const QList<MeasureText> texts = {
        {Measure::Distance, QStringLiteral("Distancia (m)"), QStringLiteral("Distancia (m)"), true},
        {Measure::LastPeriod, QStringLiteral("Último periodo completado"),
         QStringLiteral("Último periodo completado"), true},
        {Measure::Speed, QStringLiteral("Velocidad máxima (Km/h)"),
         QStringLiteral("Vel. Máx. (Km/h)"), false},
        {Measure::Vo2Max, QStringLiteral("VO2max (ml/kg/min)"), QStringLiteral("VO2max"), false}};
    return texts;
}

const MeasureText &textOf(Measure measure)
{
    for (const MeasureText &t : measureTexts()) {
        if (t.measure == measure)
            return t;
    }
    return measureTexts().first();
}

// Every file a test was found in, for a tool tip.
QString filesOf(const HistoryResult &r)
{
    if (r.sameTestIn.isEmpty())
        return QDir::toNativeSeparators(r.file);
    QStringList lines = {QStringLiteral("La misma prueba está en %1 archivos; cuenta una vez:")
                             .arg(r.sameTestIn.size() + 1),
                         QDir::toNativeSeparators(r.file)};
    for (const QString &file : r.sameTestIn)
        lines << QDir::toNativeSeparators(file);
    return lines.join(QLatin1Char('\n'));
}

// A chart's first letter in lower case, but not an abbreviation's.
QString inTitle(const QString &choice)
{
    return choice.at(1).isLower() ? choice.at(0).toLower() + choice.mid(1) : choice;
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
    QChart *chart = ui->Grafico->chart();
    chart->legend()->setAlignment(Qt::AlignBottom);
    m_dates = new QDateTimeAxis;
    m_dates->setFormat(QStringLiteral("dd/MM/yy"));
    m_dates->setTitleText(QStringLiteral("Fecha de la prueba"));
    m_values = new QValueAxis;
    chart->addAxis(m_dates, Qt::AlignBottom);
    chart->addAxis(m_values, Qt::AlignLeft);
    ui->splitterPrincipal->setStretchFactor(1, 1);
    // A taller window shows more tests and a taller chart, the chart a little more.
    ui->splitterDerecho->setStretchFactor(0, 2);
    ui->splitterDerecho->setStretchFactor(1, 3);
    ui->splitterDerecho->setSizes({170, 400});

    for (const MeasureText &t : measureTexts()) {
        if (t.measure != Measure::Vo2Max || profile.hasVo2Max())
            ui->ComboMagnitud->addItem(t.choice, int(t.measure));
    }
    // VO2max where the sport estimates it, the distance elsewhere.
    ui->ComboMagnitud->setCurrentIndex(ui->ComboMagnitud->findData(
        int(profile.hasVo2Max() ? Measure::Vo2Max : Measure::Distance)));
    connect(ui->ComboMagnitud, &QComboBox::currentIndexChanged, this, &HistoryWindow::showPicked);
    connect(ui->ComboPeriodoInicial, &QComboBox::currentIndexChanged, this,
            &HistoryWindow::showPicked);

    connect(ui->ListaDeportistas, &QListWidget::itemSelectionChanged, this,
            &HistoryWindow::showPicked);
    connect(ui->BtnOtraCarpeta, &QPushButton::clicked, this, &HistoryWindow::askAndAddFolder);
    connect(ui->BtnQuitarCarpeta, &QPushButton::clicked, this, &HistoryWindow::askAndRemoveFolder);
    connect(ui->BtnGuardarGrafico, &QPushButton::clicked, this, &HistoryWindow::saveChart);
    connect(ui->BtnCerrar, &QPushButton::clicked, this, &QDialog::close);
    reload();
}

HistoryWindow::~HistoryWindow() = default;

QChart *HistoryWindow::chart() const
{
    return ui->Grafico->chart();
}

void HistoryWindow::addFolder(const QString &folder)
{
    if (folder.isEmpty() || m_folders.contains(folder))
        return;
    m_folders << folder;
    emit addedFoldersChanged(addedFolders());
    reload();
}

void HistoryWindow::askAndRemoveFolder()
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

void HistoryWindow::askAndAddFolder()
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
            auto *item = new QListWidgetItem(results.last().label(), ui->ListaDeportistas);
            item->setData(Qt::UserRole, athlete);
        }
    }
    {
        const QSignalBlocker blocker(ui->ComboPeriodoInicial);
        const int period = ui->ComboPeriodoInicial->currentData().toInt();
        ui->ComboPeriodoInicial->clear();
        ui->ComboPeriodoInicial->addItem(QStringLiteral("Todos"), 0);
        for (const int p : m_history.initialPeriods())
            ui->ComboPeriodoInicial->addItem(QString::number(p), p);
        ui->ComboPeriodoInicial->setCurrentIndex(
            qMax(0, ui->ComboPeriodoInicial->findData(period)));
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
    const int period = ui->ComboPeriodoInicial->currentData().toInt();
    QList<QList<HistoryResult>> tests;
    int rows = 0;
    for (const QString &athlete : picked) {
        tests << m_history.resultsOf(athlete, period);
        rows += int(tests.last().size());
    }
    QTableWidget *table = ui->TablaPruebas;
    table->setRowCount(0);
    // Sized once: a season of many athletes would otherwise grow the table row by row.
    table->setRowCount(rows);
    int row = 0;
    for (const QList<HistoryResult> &results : std::as_const(tests)) {
        for (const HistoryResult &r : results) {
            const QStringList cells = {r.label(),
                                       r.when.date().toString(QStringLiteral("dd/MM/yyyy")),
                                       r.when.time().toString(QStringLiteral("hh:mm")),
                                       r.sport,
                                       QString::number(r.initialPeriod),
                                       r.initialSpeed,
                                       QString::number(r.periods),
                                       QString::number(r.distance),
                                       r.speed,
                                       r.vo2Max};
            const QString files = filesOf(r);
            for (int c = 0; c < cells.size(); ++c) {
                auto *item = new QTableWidgetItem(cells.at(c));
                item->setToolTip(files);
                if (c != Athlete)
                    item->setTextAlignment(Qt::AlignCenter);
                table->setItem(row, c, item);
            }
            ++row;
        }
    }

    const Measure measure = Measure(ui->ComboMagnitud->currentData().toInt());
    const bool drawn = drawChart(tests, measure);
    QChart *chart = ui->Grafico->chart();
    if (!drawn) {
        chart->removeAllSeries();
        chart->setTitle(picked.isEmpty()
                            ? QStringLiteral("Elija uno o varios deportistas")
                            : QStringLiteral("Elija uno o varios deportistas con valores de «") +
                                  inTitle(textOf(measure).choice) +
                                  QStringLiteral("» que mostrar"));
    }
    m_dates->setVisible(drawn);
    m_values->setVisible(drawn);
    chart->legend()->setVisible(drawn);
    ui->BtnGuardarGrafico->setEnabled(drawn);
}

bool HistoryWindow::drawChart(const QList<QList<HistoryResult>> &tests, Measure measure)
{
    QChart *chart = ui->Grafico->chart();
    chart->removeAllSeries();
    const MeasureText &text = textOf(measure);
    chart->setTitle(QStringLiteral("Progreso: ") + inTitle(text.choice));
    m_values->setTitleText(text.axis);
    m_values->setLabelFormat(text.whole ? QStringLiteral("%d") : QStringLiteral("%.1f"));

    qint64 first = 0, last = 0;
    double low = 0, high = 0;
    bool any = false;
    for (const QList<HistoryResult> &results : tests) {
        if (results.isEmpty())
            continue;
        auto *series = new QLineSeries;
        series->setName(m_history.resultsOf(results.first().athlete).last().label());
        series->setPointsVisible(true);
        QList<HistoryResult> plotted;
        for (const HistoryResult &r : results) {
            double value = 0;
            if (!HistorySeason::value(r, measure, &value))
                continue; // a sport without the estimate, a test with no period completed
            const qint64 at = r.when.toMSecsSinceEpoch();
            series->append(double(at), value);
            plotted << r;
            first = any ? qMin(first, at) : at;
            last = any ? qMax(last, at) : at;
            low = any ? qMin(low, value) : value;
            high = any ? qMax(high, value) : value;
            any = true;
        }
        chart->addSeries(series);
        series->attachAxis(m_dates);
        series->attachAxis(m_values);
        connect(series, &QLineSeries::hovered, this,
                [this, series, plotted](const QPointF &point, bool hovered) {
                    showPointTip(series, plotted, point, hovered);
                });
    }
    if (!any || high <= 0)
        return false;

    // A single day still needs a span to draw on.
    const qint64 day = 24 * 3600 * 1000;
    m_dates->setRange(QDateTime::fromMSecsSinceEpoch(first - day),
                      QDateTime::fromMSecsSinceEpoch(last + day));
    // The span of the values, not from zero: tests started at other periods stay readable.
    const double margin = high > low ? (high - low) * 0.15 : qMax(1.0, high * 0.1);
    m_values->setTickType(QValueAxis::TicksFixed);
    m_values->setRange(qMax(0.0, low - margin), high + margin);
    m_values->applyNiceNumbers();
    const double step = (m_values->max() - m_values->min()) / (m_values->tickCount() - 1);
    if (text.whole && step != std::floor(step)) {
        // Ticks between whole numbers would all read the same.
        m_values->setTickType(QValueAxis::TicksDynamic);
        m_values->setTickAnchor(0);
        m_values->setTickInterval(std::ceil(step));
    }
    return true;
}

void HistoryWindow::showPointTip(QLineSeries *series, const QList<HistoryResult> &plotted,
                                 const QPointF &point, bool hovered)
{
    const QList<QPointF> points = series->points();
    if (!hovered || points.isEmpty()) {
        QToolTip::hideText();
        return;
    }
    // The test nearest in time to where the line is touched.
    qsizetype nearest = 0;
    for (qsizetype i = 1; i < points.size(); ++i) {
        if (std::abs(points.at(i).x() - point.x()) < std::abs(points.at(nearest).x() - point.x()))
            nearest = i;
    }
    const HistoryResult &r = plotted.at(nearest);
    const Measure measure = Measure(ui->ComboMagnitud->currentData().toInt());
    const double value = points.at(nearest).y();
    const QString shown = measure == Measure::Speed    ? r.speed
                          : measure == Measure::Vo2Max ? r.vo2Max
                                                       : QString::number(qRound(value));
    const QString tip =
        r.label() + QLatin1Char('\n') + r.when.toString(QStringLiteral("dd/MM/yyyy hh:mm")) +
        QLatin1Char('\n') +
        QStringLiteral("Periodo inicial: %1 (%2 Km/h)").arg(r.initialPeriod).arg(r.initialSpeed) +
        QLatin1Char('\n') + textOf(measure).choice + QStringLiteral(": ") + shown;
    QToolTip::showText(QCursor::pos(), tip, ui->Grafico);
}

bool HistoryWindow::saveChart()
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
