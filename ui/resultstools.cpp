#include "resultstools.h"

#include "athletesbox.h"
#include "dialogs.h"
#include "enginedriver.h"
#include "exportfile.h"
#include "historywindow.h"
#include "keycapture.h"
#include "reportbuilder.h"
#include "resultsmodel.h"
#include "resultssession.h"
#include "widgets.h"

#include <QDir>
#include <QSettings>

using namespace Protocol;

namespace {

constexpr QLatin1String AddedFoldersKey("historial/carpetasAnadidas");

// One store for every sport: a folder of results files serves them all.
QSettings historySettings()
{
    return QSettings(QStringLiteral("ZENTA"), QStringLiteral("ZENTA"));
}

} // namespace

ResultsTools::ResultsTools(AthletesBox *box, ResultsSession &session, EngineDriver &driver,
                           std::function<QString()> exportFolder, const Clock &clock,
                           Dialogs *dialogs, QWidget *window)
    : QObject(window), m_box(box), m_session(session), m_driver(driver),
      m_exportFolder(std::move(exportFolder)), m_dialogs(dialogs), m_window(window)
{
    // The typed digits stand at the left end of the title strip, clear of its caption.
    m_field = new FlatPanel(box);
    m_field->setObjectName(QStringLiteral("EditTeclado"));
    m_field->setGeometry(2, 1, 132, box->titleStripHeight() - 2);
    m_field->setFaceColor(QColor(0xC0, 0xC0, 0xC0));
    m_field->setTextColor(QColor(0x80, 0, 0));
    m_field->setBorderColor(Qt::black);
    m_field->setFont(pixelFont(QStringLiteral("Arial"), 11, true));
    m_field->setToolTip(QStringLiteral("Nº del deportista tecleado: Intro lo detiene, Esc lo "
                                       "borra, Ctrl+Z vuelve a activar al último detenido, "
                                       "Ctrl+Y le devuelve su resultado"));
    m_field->hide();

    // "Historial" and "Informe" stand left of the clear button, in the export buttons' colours.
    m_report =
        box->addStripButton(QStringLiteral("BtnInforme"), QStringLiteral("Informe"),
                            QStringLiteral("Guardar un informe en PDF de la tabla de resultados"));
    m_history = box->addStripButton(QStringLiteral("BtnHistorial"), QStringLiteral("Historial"),
                                    QStringLiteral("Ver el historial de los deportistas"));
    connect(m_history, &QPushButton::clicked, this, &ResultsTools::openHistory);
    connect(m_report, &QPushButton::clicked, this, &ResultsTools::writeReport);

    // Keys count while a test runs.
    m_keys = new KeyCapture(
        window, clock, [this] { return m_driver.engine().isRunning(); }, this);
    // The digits in the field as designed; a note as wide as it needs, on more lines if long.
    const int fieldWidth = m_field->width();
    connect(m_keys, &KeyCapture::textChanged, this, [this, fieldWidth](const QString &text) {
        m_field->setText(text);
        m_box->placeNote(m_field, fieldWidth);
    });
    connect(m_keys, &KeyCapture::slotEntered, this, &ResultsTools::stopTyped);
    connect(m_keys, &KeyCapture::reactivateRequested, this, &ResultsTools::reactivateLast);
    connect(m_keys, &KeyCapture::restoreRequested, this, &ResultsTools::restoreLast);

    connect(&driver, &EngineDriver::phaseChanged, this, &ResultsTools::followTestState);
    // The report serves when the export does.
    connect(box, &AthletesBox::exportOffered, m_report, &QWidget::setEnabled);
    followTestState();
    // Off, as the export is, until there is something to export.
    m_report->setEnabled(false);
}

HistoryWindow *ResultsTools::historyWindow() const
{
    return m_historyWindow;
}

void ResultsTools::followTestState()
{
    const bool running = m_driver.engine().isRunning();
    m_field->setVisible(running);
    m_history->setEnabled(!running);
}

void ResultsTools::stopTyped(int slot)
{
    const bool exists = slot >= 1 && slot <= m_session.results().slotCount();
    if (exists && m_session.isRunning(slot)) {
        emit stopRequested(slot);
        return;
    }
    m_keys->setNote(exists ? QStringLiteral("Nº %1 no está en marcha").arg(slot)
                           : QStringLiteral("Nº %1 no existe").arg(slot));
}

void ResultsTools::reactivateLast()
{
    int refused = 0;
    const int slot = m_session.reactivateLast(!m_driver.engine().warmUpPending(), &refused);
    if (slot > 0) {
        m_box->selectSlot(slot);
        m_keys->setNote(QStringLiteral("Nº %1 vuelve a correr").arg(slot));
    } else if (refused > 0) {
        m_keys->setNote(QStringLiteral("Nº %1 no se puede volver a activar").arg(refused));
    } else {
        m_keys->setNote(QStringLiteral("Nadie que volver a activar"));
    }
}

void ResultsTools::restoreLast()
{
    const int slot = m_session.restoreLast();
    if (slot > 0)
        m_box->selectSlot(slot);
    m_keys->setNote(slot > 0 ? QStringLiteral("Nº %1: resultado restaurado").arg(slot)
                             : QStringLiteral("Nada que restaurar"));
}

void ResultsTools::openHistory()
{
    if (m_historyWindow) {
        m_historyWindow->raise();
        return;
    }
    // The history reads where the export writes, and the folders the coach added on other days.
    m_historyWindow =
        new HistoryWindow(m_driver.engine().profile(), {m_exportFolder()}, m_dialogs, m_window,
                          historySettings().value(AddedFoldersKey).toStringList());
    connect(m_historyWindow, &HistoryWindow::addedFoldersChanged, this,
            [](const QStringList &added) { historySettings().setValue(AddedFoldersKey, added); });
    m_historyWindow->setAttribute(Qt::WA_DeleteOnClose);
    m_historyWindow->open();
}

bool ResultsTools::writeReport()
{
    // Whatever the export would write: named rows, and results whose name was erased.
    const ResultsModel &results = m_session.results();
    if (!results.anyName() && !results.anyResult())
        return false;
    const SportProfile &profile = m_driver.engine().profile();
    const TestConditions test = reportedTest();
    ReportContent content;
    content.title = profile.programTitle;
    content.sport = profile.sportName;
    content.when = test.started;
    content.mode = test.mode;
    content.initialPeriod = test.initialPeriod;
    content.initialSpeed = m_driver.engine().initialSpeedText();
    content.setTable(results);

    const QString folder = m_exportFolder();
    QDir().mkpath(folder);
    QString name = ExportFile::proposedName(content.title, now().date());
    name.chop(4); // ".txt"
    const QString path =
        m_dialogs->saveFileName(m_window, QStringLiteral("Informe de Registros de ZENTA"),
                                folder + QDir::separator() + name + QStringLiteral(".pdf"),
                                QStringLiteral("Informe en PDF (*.pdf)"), QStringLiteral("pdf"));
    if (path.isEmpty())
        return false;
    QByteArray pdf;
    if (!Report::render(content, &pdf) || !ExportFile::write(path, pdf)) {
        m_dialogs->message(m_window, QStringLiteral("Información"),
                           QStringLiteral("No se ha podido guardar el informe de ") +
                               content.title + QLatin1Char('.'),
                           QMessageBox::Warning);
        return false;
    }
    return true;
}
