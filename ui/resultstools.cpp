#include "resultstools.h"

#include "setuppanel.h"

#include "dialogs.h"
#include "exportfile.h"
#include "formpanels.h"
#include "historywindow.h"
#include "keycapture.h"
#include "mainwindowlayout.h"
#include "reportbuilder.h"
#include "testfut1.h"
#include "ui_athletesbox.h"
#include "ui_testfut1.h"
#include "widgets.h"

#include <QDir>
#include <QEvent>
#include <QSettings>

using namespace Protocol;

namespace {

// Room beside a strip button's caption: slim, so the strip's own caption keeps its room.
constexpr int StripButtonPadding = 8;
constexpr QLatin1String AddedFoldersKey("historial/carpetasAnadidas");

// One store for every sport: a folder of results files serves them all.
QSettings historySettings()
{
    return QSettings(QStringLiteral("ZENTA"), QStringLiteral("ZENTA"));
}

} // namespace

ResultsTools::ResultsTools(TForm1 *window, const Clock &clock, Dialogs *dialogs)
    : QObject(window), m_window(window), m_dialogs(dialogs)
{
    Ui::TForm1 *ui = window->form();
    Ui::PanelDeportistas *athletes = ui->PanelDeportistas->form();
    QWidget *panel = ui->PanelDeportistas;

    // The typed digits stand at the left end of the title strip, clear of its caption.
    m_field = new FlatPanel(panel);
    m_field->setObjectName(QStringLiteral("EditTeclado"));
    m_field->setGeometry(2, 1, 132, athletes->FlatPanel6->height() - 2);
    m_field->setFaceColor(QColor(0xC0, 0xC0, 0xC0));
    m_field->setTextColor(QColor(0x80, 0, 0));
    m_field->setBorderColor(Qt::black);
    m_field->setFont(pixelFont(QStringLiteral("Arial"), 11, true));
    m_field->setToolTip(QStringLiteral("Nº del deportista tecleado: Intro lo detiene, Esc lo "
                                       "borra, Ctrl+Z vuelve a activar al último detenido, "
                                       "Ctrl+Y le devuelve su resultado"));
    m_field->hide();

    // "Historial" and "Informe" stand left of the clear button, in the export buttons' colours.
    const auto makeButton = [&](const QString &name, const QString &caption, const QString &tip) {
        auto *button = new FlatButton(panel);
        button->setObjectName(name);
        button->setText(caption);
        button->setToolTip(tip);
        button->setFont(pixelFont(QStringLiteral("Arial"), 11, true));
        button->setFaceColor(athletes->BtnExportDatos->faceColor());
        button->setHoverColor(athletes->BtnExportDatos->hoverColor());
        button->setPressedColor(athletes->BtnExportDatos->pressedColor());
        button->setBorderColor(QColor(0, 0, 0xA0));
        button->setFocusPolicy(Qt::NoFocus);
        const int width = button->fontMetrics().horizontalAdvance(caption) + StripButtonPadding;
        button->resize(width, athletes->BtnBorrarTabla->height());
        return button;
    };
    m_report = makeButton(QStringLiteral("BtnInforme"), QStringLiteral("Informe"),
                          QStringLiteral("Guardar un informe en PDF de la tabla de resultados"));
    m_history = makeButton(QStringLiteral("BtnHistorial"), QStringLiteral("Historial"),
                           QStringLiteral("Ver el historial de los deportistas"));
    m_report->move(athletes->BtnBorrarTabla->x() - m_report->width() - 1,
                   athletes->BtnBorrarTabla->y());
    m_history->move(m_report->x() - m_history->width() - 1, m_report->y());
    connect(m_history, &QPushButton::clicked, this, &ResultsTools::openHistory);
    connect(m_report, &QPushButton::clicked, this, &ResultsTools::writeReport);

    m_keys = new KeyCapture(
        window, clock,
        [window] {
            return window->form()->BitBtnStop->isEnabled() && window->engine().isRunning();
        },
        this);
    // The digits in the field as designed; a note as wide as it needs, on more lines if long.
    const int fieldWidth = m_field->width();
    connect(m_keys, &KeyCapture::textChanged, this,
            [this, athletes, fieldWidth](const QString &text) {
                m_field->setText(text);
                MainWindowLayout::placeNote(athletes, m_field, fieldWidth);
            });
    connect(m_keys, &KeyCapture::slotEntered, this, &ResultsTools::stopTyped);
    connect(m_keys, &KeyCapture::reactivateRequested, this, &ResultsTools::reactivateLast);
    connect(m_keys, &KeyCapture::restoreRequested, this, &ResultsTools::restoreLast);

    // A test runs exactly while "Fin de la prueba" is enabled; the report serves when the export
    // does.
    ui->BitBtnStop->installEventFilter(this);
    athletes->BtnExportDatos->installEventFilter(this);
    followTestState();
}

HistoryWindow *ResultsTools::historyWindow() const
{
    return m_historyWindow;
}

bool ResultsTools::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        followTestState();
    return QObject::eventFilter(watched, event);
}

void ResultsTools::followTestState()
{
    Ui::TForm1 *ui = m_window->form();
    Ui::PanelDeportistas *athletes = ui->PanelDeportistas->form();
    const bool running = ui->BitBtnStop->isEnabled();
    m_field->setVisible(running);
    m_history->setEnabled(!running);
    m_report->setEnabled(athletes->BtnExportDatos->isEnabled());
}

void ResultsTools::stopTyped(int slot)
{
    const bool exists = slot >= 1 && slot <= m_window->results().slotCount();
    if (exists && !m_window->stopButton(slot)->isHidden()) {
        m_window->captureSlot(slot);
        return;
    }
    m_keys->setNote(exists ? QStringLiteral("Nº %1 no está en marcha").arg(slot)
                           : QStringLiteral("Nº %1 no existe").arg(slot));
}

void ResultsTools::reactivateLast()
{
    int refused = 0;
    const int slot = m_window->reactivateLastStopped(&refused);
    if (slot > 0)
        m_keys->setNote(QStringLiteral("Nº %1 vuelve a correr").arg(slot));
    else if (refused > 0)
        m_keys->setNote(QStringLiteral("Nº %1 no se puede volver a activar").arg(refused));
    else
        m_keys->setNote(QStringLiteral("Nadie que volver a activar"));
}

void ResultsTools::restoreLast()
{
    const int slot = m_window->restoreLastResult();
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
        new HistoryWindow(m_window->profile(), {m_window->exportFolder()}, m_dialogs, m_window,
                          historySettings().value(AddedFoldersKey).toStringList());
    connect(m_historyWindow, &HistoryWindow::addedFoldersChanged, this,
            [](const QStringList &added) { historySettings().setValue(AddedFoldersKey, added); });
    m_historyWindow->setAttribute(Qt::WA_DeleteOnClose);
    m_historyWindow->open();
}

bool ResultsTools::writeReport()
{
    // Whatever the export would write: named rows, and results whose name was erased.
    const ResultsModel &results = m_window->results();
    if (!results.anyName() && !results.anyResult())
        return false;
    Ui::TForm1 *ui = m_window->form();
    ReportContent content;
    content.title = m_window->profile().programTitle;
    content.sport = m_window->profile().sportName;
    // The test the results come from, restored ones too; the set-up panel only before any.
    const TestConditions &test = m_window->lastTest();
    const bool known = test.initialPeriod > 0;
    content.when = known ? test.started : m_window->now();
    content.mode = known ? test.mode : ui->PanelTipo->modeName();
    content.initialPeriod = known ? test.initialPeriod : ui->PanelTipo->initialPeriod();
    content.initialSpeed = m_window->engine().initialSpeedText();
    content.setTable(results);

    const QString folder = m_window->exportFolder();
    QDir().mkpath(folder);
    QString name = ExportFile::proposedName(content.title, m_window->now().date());
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
