#include "athletespanel.h"

#include "clock.h"
#include "formpanels.h"
#include "mainwindowlayout.h"
#include "resultsgrid.h"
#include "resultsmodel.h"
#include "resultssession.h"
#include "ui_athletesbox.h"
#include "ui_testfut1.h"
#include "widgets.h"

#include <QMenu>
#include <QMouseEvent>

using namespace Protocol;

namespace {

// How long the note about refused characters stays by the grid.
constexpr qint64 EntryNoteMs = 6000;

} // namespace

AthletesPanel::AthletesPanel(Ui::TForm1 *form, ResultsModel &results, ResultsSession &session,
                             const Clock &clock, QWidget *window)
    : QObject(window), m_form(form), ui(form->PanelDeportistas->form()), m_results(results),
      m_clock(clock)
{
    ResultsGrid *grid = ui->HyperGrid_Sujetos;
    grid->setModel(&m_results);
    grid->setTypingStartsEdit([&session] { return session.typingStartsEdit(); });
    connect(grid, &QAbstractItemView::clicked, this, &AthletesPanel::HyperGrid_SujetosClick);
    connect(grid, &QAbstractItemView::doubleClicked, this,
            &AthletesPanel::HyperGrid_SujetosDblClick);
    m_noteTimer.setSingleShot(true);
    connect(&m_noteTimer, &QTimer::timeout, this, &AthletesPanel::expireEntryNote);
    connect(grid, &ResultsGrid::entryNote, this, &AthletesPanel::showEntryNote);

    m_stopButtons = {ui->B01, ui->B02, ui->B03, ui->B04, ui->B05, ui->B06, ui->B07,
                     ui->B08, ui->B09, ui->B10, ui->B11, ui->B12, ui->B13, ui->B14};
    for (int k = 1; k <= m_stopButtons.size(); ++k) {
        FlatButton *button = m_stopButtons.at(k - 1);
        button->setProperty("tag", k);
        button->setMouseTracking(true);
        button->installEventFilter(this);
        connect(button, &QPushButton::clicked, this, [this, k] { emit stopPressed(k); });
    }
    // A stop button shows exactly while its athlete runs.
    connect(&session, &ResultsSession::slotRunningChanged, this, [this](int slot, bool running) {
        if (FlatButton *button = stopButton(slot))
            button->setVisible(running);
    });

    m_popupMenu = new QMenu(window);
    m_popupMenu->setObjectName(QStringLiteral("PopupMenu_HG"));
    m_reactivate = m_popupMenu->addAction(QStringLiteral("Volver a activar..."));
    m_reactivate->setObjectName(QStringLiteral("Volveraactivar1"));
    m_reactivate->setIcon(resourceGlyph(QStringLiteral("reactivar")));
    connect(m_reactivate, &QAction::triggered, this, &AthletesPanel::reactivateChosen);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    // A right click opens the menu for the selected row; it must not move the selection.
    m_viewport = grid->viewport();
    m_viewport->installEventFilter(this);
    connect(grid, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        emit menuOpening();
        m_popupMenu->popup(ui->HyperGrid_Sujetos->viewport()->mapToGlobal(pos));
    });
}

void AthletesPanel::layout(bool vo2MaxColumn)
{
    // A pop-up is a window of its own and inherits no font; the window has its own by now.
    m_popupMenu->setFont(m_popupMenu->parentWidget()->font());
    int columnsWidth = 0;
    for (int c = 0; c < m_results.columnCount(); ++c)
        columnsWidth += ui->HyperGrid_Sujetos->columnWidth(c);
    MainWindowLayout::layoutAthletesPanel(m_form, m_stopButtons, columnsWidth, m_results.rowCount(),
                                          vo2MaxColumn);
}

int AthletesPanel::selectedSlot() const
{
    const QModelIndex current = ui->HyperGrid_Sujetos->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void AthletesPanel::B01MouseMove(int slot)
{
    ui->HyperGrid_Sujetos->setRowSelectionMode();
    selectSlot(slot);
}

void AthletesPanel::selectSlot(int slot)
{
    ResultsGrid *grid = ui->HyperGrid_Sujetos;
    const QModelIndex current = grid->currentIndex();
    if (current.isValid() && current.row() == slot - 1)
        return;
    const int column = current.isValid() ? current.column() : 0;
    grid->setCurrentIndex(m_results.index(slot - 1, column));
    HyperGrid_SujetosClick();
}

void AthletesPanel::showEntryNote(const QString &note)
{
    QLabel *label = ui->LabelAviso;
    if (note.isEmpty()) {
        m_noteTimer.stop();
        label->clear();
        label->hide();
        return;
    }
    // Read whole on the strip, wrapped when long; the tool tip holds it too.
    label->setText(note);
    label->setToolTip(note);
    MainWindowLayout::placeNote(ui, label);
    label->show();
    label->raise();
    m_noteShownAt = m_clock.nowMs();
    m_noteTimer.start(int(EntryNoteMs));
}

void AthletesPanel::expireEntryNote()
{
    const qint64 left = m_noteShownAt + EntryNoteMs - m_clock.nowMs();
    if (left > 0)
        m_noteTimer.start(int(left));
    else
        showEntryNote(QString());
}

void AthletesPanel::HyperGrid_SujetosClick()
{
    switch (ui->HyperGrid_Sujetos->currentIndex().column()) {
    case ResultsModel::Name:
    case ResultsModel::Code:
        ui->HyperGrid_Sujetos->setEditingMode();
        break;
    case ResultsModel::Vo2Max:
        break;
    default:
        ui->HyperGrid_Sujetos->setRowSelectionMode();
        break;
    }
}

void AthletesPanel::HyperGrid_SujetosDblClick()
{
    ui->HyperGrid_Sujetos->setEditingMode();
}

bool AthletesPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_viewport && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton)
        return true;
    if (event->type() == QEvent::MouseMove) {
        const int slot = watched->property("tag").toInt();
        if (slot > 0 && m_stopButtons.contains(watched))
            B01MouseMove(slot);
    }
    return QObject::eventFilter(watched, event);
}
