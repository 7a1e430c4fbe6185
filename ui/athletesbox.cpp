#include "athletesbox.h"

#include "clock.h"
#include "resultsgrid.h"
#include "resultsmodel.h"
#include "resultssession.h"
#include "theme.h"
#include "ui_athletesbox.h"

#include <QMenu>
#include <QMouseEvent>

using namespace Protocol;

namespace {

// How long the note about refused characters stays by the grid.
constexpr qint64 EntryNoteMs = 6000;
constexpr int GridRowPitch = 20; // a data row and its line
constexpr int GridFrame = 2;
// Width the grid panel adds to its columns: basketball's eight columns sit in a wider frame.
constexpr int GridPanelMargin = 8;
constexpr int GridPanelMarginVo2Max = 28;
constexpr int NoteLeft = 2; // a note's box in the title strip, and its gap to the caption
constexpr int NoteGap = 4;
// Room beside a strip button's caption: slim, so the strip's own caption keeps its room.
constexpr int StripButtonPadding = 8;

} // namespace

AthletesBox::AthletesBox(QWidget *parent)
    : FlatPanel(parent), ui(std::make_unique<Ui::AthletesBox>())
{
    ui->setupUi(this);
    connect(ui->BtnExportDatos, &QPushButton::clicked, this, &AthletesBox::exportPressed);
    connect(ui->BtnBorrarTabla, &QPushButton::clicked, this, &AthletesBox::clearPressed);
    m_stripButtons = {ui->BtnBorrarTabla};
}

AthletesBox::~AthletesBox() = default;

void AthletesBox::attach(ResultsModel &results, ResultsSession &session, const Clock &clock)
{
    m_results = &results;
    m_clock = &clock;
    ResultsGrid *grid = ui->HyperGrid_Sujetos;
    grid->setModel(&results);
    grid->setTypingStartsEdit([&session] { return session.typingStartsEdit(); });
    connect(grid, &QAbstractItemView::clicked, this, &AthletesBox::followClickedCell);
    connect(grid, &QAbstractItemView::doubleClicked, this, &AthletesBox::editCell);
    m_noteTimer.setSingleShot(true);
    connect(&m_noteTimer, &QTimer::timeout, this, &AthletesBox::expireEntryNote);
    connect(grid, &ResultsGrid::entryNote, this, &AthletesBox::showEntryNote);

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

    m_popupMenu = new QMenu(this);
    m_popupMenu->setObjectName(QStringLiteral("PopupMenu_HG"));
    m_reactivate = m_popupMenu->addAction(QStringLiteral("Volver a activar..."));
    m_reactivate->setObjectName(QStringLiteral("Volveraactivar1"));
    m_reactivate->setIcon(resourceGlyph(QStringLiteral("reactivar")));
    connect(m_reactivate, &QAction::triggered, this,
            [this] { emit reactivateChosen(selectedSlot()); });
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    // A right click opens the menu for the selected row; it must not move the selection.
    m_viewport = grid->viewport();
    m_viewport->installEventFilter(this);
    connect(grid, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        emit reactivationMenuOpening(selectedSlot());
        m_popupMenu->popup(ui->HyperGrid_Sujetos->viewport()->mapToGlobal(pos));
    });
}

void AthletesBox::paint(const QColor &panel, const QColor &accent)
{
    setFaceColor(panel);
    setBorderColor(accent);
    ui->FlatPanel6->setFaceColor(Theme::Gray);
    ui->FlatPanel6->setTextColor(Theme::White);
    ui->FlatPanel6->setFont(pixelFont(QStringLiteral("Arial"), 12, true));

    const QIcon stopGlyph = Theme::athleteStopGlyph(devicePixelRatioF());
    for (FlatButton *button : std::as_const(m_stopButtons)) {
        button->setFaceColor(Theme::Silver);
        button->setHoverColor(Theme::TableButtonFace);
        button->setPressedColor(Theme::StopButtonPressed);
        button->setBorderColor(Theme::Green);
        button->setIcon(stopGlyph);
        button->setIconSize(QSize(8, 8));
    }
    ui->PanelReg_SJp->setFaceColor(Theme::Black);
    for (FlatButton *button : {ui->BtnExportDatos, ui->BtnBorrarTabla}) {
        button->setFaceColor(Theme::TableButtonFace);
        button->setHoverColor(Theme::TableButtonHover);
        button->setPressedColor(Theme::TableButtonPressed);
        button->setBorderColor(Theme::TableButtonBorder);
        button->setIconSize(QSize(14, 14));
    }
    ui->BtnExportDatos->setIcon(resourceGlyph(QStringLiteral("export")));
    ui->BtnExportDatos->setGlyphRight(true);
    ui->BtnBorrarTabla->setIcon(resourceGlyph(QStringLiteral("borrar")));
}

void AthletesBox::layOut(bool vo2MaxColumn)
{
    // A pop-up is a window of its own and inherits no font; the window has its own by now.
    m_popupMenu->setFont(window()->font());

    // Title strip: export button at its right end, clear button left of it, overlapping by one
    // pixel.
    ui->BtnExportDatos->move(width() - ui->BtnExportDatos->width(), 0);
    ui->BtnBorrarTabla->move(ui->BtnExportDatos->x() - ui->BtnBorrarTabla->width() + 1, 0);
    ui->FlatPanel6->resize(ui->BtnBorrarTabla->x() + 1, ui->FlatPanel6->height());

    // The grid panel holds exactly the title row and one row per slot; with the column of stop
    // buttons on its left it is centred in the box below the title strip.
    int columnsWidth = 0;
    for (int c = 0; c < m_results->columnCount(); ++c)
        columnsWidth += ui->HyperGrid_Sujetos->columnWidth(c);
    QWidget *panel = ui->PanelReg_SJp;
    const QWidget *strip = ui->FlatPanel6;
    panel->resize(columnsWidth + (vo2MaxColumn ? GridPanelMarginVo2Max : GridPanelMargin),
                  ResultsGrid::TitleRowHeight + m_results->rowCount() * GridRowPitch + GridFrame);
    const int below = height() - strip->y() - strip->height();
    panel->move(width() / 2 + ui->B01->width() / 2 - panel->width() / 2,
                below / 2 + strip->y() + strip->height() - panel->height() / 2);
    ui->HyperGrid_Sujetos->setGeometry((panel->width() - columnsWidth) / 2, 1, columnsWidth,
                                       panel->height() - 1);

    const int rowHeight = ResultsGrid::DataRowHeight;
    const int buttonWidth = ui->B01->width();
    int top = ResultsGrid::TitleRowHeight + panel->y() + GridFrame;
    for (FlatButton *button : std::as_const(m_stopButtons)) {
        button->setGeometry(panel->x() - buttonWidth - 1, top, buttonWidth, rowHeight);
        top += rowHeight + 1;
    }
}

ResultsGrid *AthletesBox::grid() const
{
    return ui->HyperGrid_Sujetos;
}

void AthletesBox::hideStopButtons()
{
    for (FlatButton *button : std::as_const(m_stopButtons))
        button->hide();
}

int AthletesBox::selectedSlot() const
{
    const QModelIndex current = ui->HyperGrid_Sujetos->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void AthletesBox::offerReactivation(bool offered)
{
    m_reactivate->setEnabled(offered);
}

void AthletesBox::offerExport(bool offered)
{
    ui->BtnExportDatos->setEnabled(offered);
    emit exportOffered(offered);
}

void AthletesBox::offerClearing(bool offered)
{
    ui->BtnBorrarTabla->setEnabled(offered);
}

FlatButton *AthletesBox::addStripButton(const QString &name, const QString &caption,
                                        const QString &tip)
{
    auto *button = new FlatButton(this);
    button->setObjectName(name);
    button->setText(caption);
    button->setToolTip(tip);
    button->setFont(pixelFont(QStringLiteral("Arial"), 11, true));
    button->setFaceColor(ui->BtnExportDatos->faceColor());
    button->setHoverColor(ui->BtnExportDatos->hoverColor());
    button->setPressedColor(ui->BtnExportDatos->pressedColor());
    button->setBorderColor(QColor(0, 0, 0xA0));
    button->setFocusPolicy(Qt::NoFocus);
    const int width = button->fontMetrics().horizontalAdvance(caption) + StripButtonPadding;
    const FlatButton *leftmost = m_stripButtons.constLast();
    button->resize(width, leftmost->height());
    button->move(leftmost->x() - width - 1, leftmost->y());
    m_stripButtons.append(button);
    return button;
}

int AthletesBox::titleStripHeight() const
{
    return ui->FlatPanel6->height();
}

void AthletesBox::fitCaption()
{
    FlatPanel *strip = ui->FlatPanel6;
    const int right = m_stripButtons.constLast()->x();
    const int caption = strip->fontMetrics().horizontalAdvance(strip->text());
    const int overlap = strip->width() / 2 + caption / 2 + NoteGap - (right - strip->x());
    // Drawn centred in the contents: taking twice the shift off the right moves it by the shift.
    strip->setContentsMargins(0, 0, qMax(0, 2 * overlap), 0);
}

void AthletesBox::placeNote(QLabel *box, int minWidth) const
{
    const FlatPanel *strip = ui->FlatPanel6;
    const int caption = strip->fontMetrics().horizontalAdvance(strip->text());
    const QRect captionRoom = strip->contentsRect();
    const int right =
        strip->x() + (captionRoom.left() + captionRoom.right() + 1) / 2 - caption / 2 - NoteGap;
    const int room = right - NoteLeft;
    const int frame = box->width() - box->contentsRect().width() + 2 * box->margin();
    const int needed = box->fontMetrics().horizontalAdvance(box->text()) + frame + 1;
    const int width = qMin(room, qMax(minWidth, needed));
    box->setWordWrap(needed > width);
    // Never down to the first stop button: what does not fit then is cut, the tool tip has it.
    const int top = strip->y() + 1;
    const int most = ui->B01->y() - 1 - top;
    QString text = box->text();
    while (box->wordWrap() && box->heightForWidth(width) > most && text.size() > 1) {
        text.chop(1);
        box->setText(text.trimmed() + QChar(0x2026));
    }
    const int height = box->wordWrap() ? box->heightForWidth(width) : 0;
    box->setGeometry(NoteLeft, top, width, qMax(strip->height() - 2, height));
}

void AthletesBox::selectHovered(int slot)
{
    ui->HyperGrid_Sujetos->setRowSelectionMode();
    selectSlot(slot);
}

void AthletesBox::selectSlot(int slot)
{
    ResultsGrid *grid = ui->HyperGrid_Sujetos;
    const QModelIndex current = grid->currentIndex();
    if (current.isValid() && current.row() == slot - 1)
        return;
    const int column = current.isValid() ? current.column() : 0;
    grid->setCurrentIndex(m_results->index(slot - 1, column));
    followClickedCell();
}

void AthletesBox::showEntryNote(const QString &note)
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
    placeNote(label);
    label->show();
    label->raise();
    m_noteShownAt = m_clock->nowMs();
    m_noteTimer.start(int(EntryNoteMs));
}

void AthletesBox::expireEntryNote()
{
    const qint64 left = m_noteShownAt + EntryNoteMs - m_clock->nowMs();
    if (left > 0)
        m_noteTimer.start(int(left));
    else
        showEntryNote(QString());
}

void AthletesBox::followClickedCell()
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

void AthletesBox::editCell()
{
    ui->HyperGrid_Sujetos->setEditingMode();
}

bool AthletesBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_viewport && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent *>(event)->button() == Qt::RightButton)
        return true;
    if (event->type() == QEvent::MouseMove) {
        const int slot = watched->property("tag").toInt();
        if (slot > 0 && m_stopButtons.contains(watched))
            selectHovered(slot);
    }
    return FlatPanel::eventFilter(watched, event);
}
