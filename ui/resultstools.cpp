#include "resultstools.h"

#include "setuppanel.h"

#include "dialogs.h"
#include "exportfile.h"
#include "formpanels.h"
#include "historywindow.h"
#include "keycapture.h"
#include "reportbuilder.h"
#include "testfut1.h"
#include "ui_athletesbox.h"
#include "ui_testfut1.h"
#include "widgets.h"

#include <QAction>
#include <QDir>
#include <QEvent>

using namespace Protocol;

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
                                       "borra, Ctrl+Z vuelve a activar al último detenido"));
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
        const int width = button->fontMetrics().horizontalAdvance(caption) + 12;
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
    connect(m_keys, &KeyCapture::textChanged, m_field, &QLabel::setText);
    connect(m_keys, &KeyCapture::slotEntered, this, &ResultsTools::stopTyped);
    connect(m_keys, &KeyCapture::reactivateRequested, this, &ResultsTools::reactivateLast);
    connect(window, &TForm1::athleteCaptured, this, [this](int slot) {
        m_stopped.removeAll(slot);
        m_stopped.append(slot);
    });

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
    if (event->type() == QEvent::EnabledChange) {
        if (watched == m_window->form()->BitBtnStop && m_window->form()->BitBtnStop->isEnabled())
            m_stopped.clear(); // a new test: nobody stopped yet
        followTestState();
    }
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
    if (m_stopped.isEmpty()) {
        m_keys->setNote(QStringLiteral("Nadie que volver a activar"));
        return;
    }
    const int slot = m_stopped.last();
    m_window->selectSlot(slot);
    m_window->PopupMenu_HGPopup();
    if (!m_window->reactivateAction()->isEnabled()) {
        m_keys->setNote(QStringLiteral("Nº %1 no se puede volver a activar").arg(slot));
        return;
    }
    m_stopped.removeLast();
    m_window->Volveraactivar1Click();
    m_keys->setNote(QStringLiteral("Nº %1 vuelve a correr").arg(slot));
}

void ResultsTools::openHistory()
{
    if (m_historyWindow) {
        m_historyWindow->raise();
        return;
    }
    const QString exportFolder = m_window->programFolder() + QStringLiteral("Export");
    m_historyWindow = new HistoryWindow(m_window->profile(), {exportFolder}, m_dialogs, m_window);
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
    content.when = m_window->now();
    content.mode = ui->PanelTipo->modeName();
    content.initialPeriod = ui->PanelTipo->initialPeriod();
    content.initialSpeed = m_window->engine().initialSpeedText();
    content.setTable(results);

    const QString folder = m_window->exportFolder();
    QDir().mkpath(folder);
    QString name = ExportFile::proposedName(content.title, content.when.date());
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
