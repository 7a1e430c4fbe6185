#include "resultsgrid.h"

#include "resultsmodel.h"
#include "theme.h"
#include "widgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QValidator>

namespace {

using Theme::Gray;
using Theme::Green;
using Theme::Lime;
using Theme::Maroon;
using Theme::Navy;
using Theme::Silver;
using Theme::Teal;
const QColor Highlight(0x00, 0x80, 0xFF);
const QColor TitleRow(0x57, 0x57, 0x57);

struct ColumnStyle
{
    QColor background;
    QColor text;
};

ColumnStyle columnStyle(int column)
{
    switch (column) {
    case ResultsModel::Number:
        return {Gray, Silver};
    case ResultsModel::Name:
        return {Silver, Qt::black};
    case ResultsModel::Code:
        return {Silver, Gray};
    case ResultsModel::Time:
        return {Silver, Teal};
    case ResultsModel::Periods:
        return {Silver, Navy};
    case ResultsModel::Distance:
        return {Silver, Maroon};
    case ResultsModel::Speed:
        return {Silver, Green};
    default:
        return {Gray, Lime};
    }
}

// Room a cell's text needs besides its own width: the grid line and a pixel on either side.
constexpr int CellPadding = 3;
// A title is drawn inside its section less a pixel at the top and left and two at the bottom and
// right, where the section's lines are.
constexpr int TitleInset = 3;

// The widest text a column's cells can hold, or nothing for the name column, which takes the rest.
QString widestContent(int column, const QFontMetrics &metrics)
{
    switch (column) {
    case ResultsModel::Number:
    case ResultsModel::Periods:
        return QStringLiteral("00");
    case ResultsModel::Code: {
        QChar widest = QLatin1Char('0');
        for (const QChar c : QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789")) {
            if (metrics.horizontalAdvance(c) > metrics.horizontalAdvance(widest))
                widest = c;
        }
        return QString(ResultsModel::maxLength(column), widest);
    }
    case ResultsModel::Time:
        return QStringLiteral("00:00");
    case ResultsModel::Distance:
        return QStringLiteral("0000");
    case ResultsModel::Speed:
        return QStringLiteral("00,0");
    case ResultsModel::Vo2Max:
        return QStringLiteral("00,000");
    default:
        return {};
    }
}

// Keeps what the column may hold as the operator types or pastes: the refused characters are
// taken out at once, with a beep and a note, and remembered for the end of the edit.
class EntryValidator final : public QValidator
{
public:
    EntryValidator(int column, ResultsGrid *grid, QObject *parent)
        : QValidator(parent), m_column(column), m_grid(grid)
    {
    }
    State validate(QString &input, int &pos) const override
    {
        QString refused;
        const QString kept = ResultsModel::cleanEntry(m_column, input, &refused);
        if (kept != input) {
            pos = qMin(ResultsModel::cleanEntry(m_column, input.left(pos)).size(), kept.size());
            input = kept;
        }
        if (!refused.isEmpty()) {
            QApplication::beep();
            for (qsizetype i = 0; i < refused.size(); ++i) {
                const QString character = refused.mid(i, refused.at(i).isHighSurrogate() ? 2 : 1);
                i += character.size() - 1;
                if (!m_refused.contains(character))
                    m_refused.append(character);
            }
            if (m_grid)
                emit m_grid->entryNote(ResultsGrid::refusedNote(m_refused));
        }
        return Acceptable;
    }
    // Every character refused since the edit began.
    QString refused() const { return m_refused; }

private:
    int m_column;
    QPointer<ResultsGrid> m_grid;
    mutable QString m_refused;
};

} // namespace

ResultsGrid::ResultsGrid(QWidget *parent) : QTableView(parent)
{
    setHorizontalHeader(new ResultsHeader(this));
    setItemDelegate(new ResultsDelegate(this));
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(DataRowHeight + 1);
    horizontalHeader()->setFixedHeight(TitleRowHeight + 1);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setGridStyle(Qt::SolidLine);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(true);
    setWordWrap(false);
    setAutoScroll(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // As designed: rows are picked whole and the cells can still be edited, until the first
    // switch to one mode or the other.
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);

    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::black);
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::Highlight, Highlight);
    pal.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(pal);
    setFont(pixelFont(QStringLiteral("MS Sans Serif"), 12));
}

bool ResultsGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    // A click on the selected cell opens its editor at once: Qt waits a double-click's time,
    // and the keys typed meanwhile would go to the grid and be lost.
    if (trigger == SelectedClicked && (editTriggers() & SelectedClicked) &&
        selectionModel()->isSelected(index))
        return QTableView::edit(index, AllEditTriggers, nullptr);
    // While typing renames nobody, no key starts an edit (Backspace, Delete... included).
    if (trigger == AnyKeyPressed && m_typingStartsEdit && !m_typingStartsEdit())
        return false;
    return QTableView::edit(index, trigger, event);
}

void ResultsGrid::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    const bool typed =
        !text.isEmpty() && text.at(0).isPrint() &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (typed && state() != EditingState && m_typingStartsEdit && !m_typingStartsEdit()) {
        // A number typed to stop an athlete must never rename one: editing takes F2 or a
        // double-click.
        emit entryNote(QStringLiteral("Para editar, doble clic o F2"));
        event->accept();
        return;
    }
    // F2 edits the current name or code from either way of working.
    if (event->key() == Qt::Key_F2 && !isEditingMode())
        setEditingMode();
    QTableView::keyPressEvent(event);
}

void ResultsGrid::setRowSelectionMode()
{
    if (state() == QAbstractItemView::EditingState)
        setCurrentIndex(currentIndex()); // commits the edit in progress
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    // Selects the row around the current cell without moving the current column.
    if (currentIndex().isValid())
        selectionModel()->select(currentIndex(),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ResultsGrid::setEditingMode()
{
    // Only the design-time set moves between cells with Tab; here it leaves the grid.
    setTabKeyNavigation(false);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    if (currentIndex().isValid())
        selectionModel()->select(currentIndex(), QItemSelectionModel::ClearAndSelect);
}

int ResultsGrid::applyColumnWidths(bool vo2MaxColumn)
{
    const int gridWidth = width();
    const int base = gridWidth - 3;
    const int columns = vo2MaxColumn ? 8 : 7;
    QVector<int> widths(columns);
    widths[0] = base * (vo2MaxColumn ? 3 : 5) / 100;
    widths[2] = base * (vo2MaxColumn ? 5 : 8) / 100;
    int others = widths[0] + widths[2];
    for (int c = 3; c < columns; ++c) {
        widths[c] = base * 13 / 100;
        others += widths[c];
    }
    widths[1] = gridWidth - others - (vo2MaxColumn ? 5 : 0);
    for (int c = 0; c < columns; ++c) {
        const int needed = neededWidth(c);
        if (c != ResultsModel::Name && widths[c] < needed) {
            widths[1] -= needed - widths[c];
            widths[c] = needed;
        }
    }
    int sum = 0;
    for (int c = 0; c < columns; ++c) {
        setColumnWidth(c, widths[c]);
        sum += widths[c];
    }
    return sum;
}

int ResultsGrid::neededWidth(int column) const
{
    const QFontMetrics metrics(font());
    const QString content = widestContent(column, metrics);
    const int contentWidth =
        content.isEmpty() ? 0 : metrics.horizontalAdvance(content) + CellPadding;
    const auto *header = static_cast<const ResultsHeader *>(horizontalHeader());
    return qMax(contentWidth, header->titleWidth(column));
}

QString ResultsGrid::refusedNote(const QString &characters)
{
    QStringList shown;
    for (qsizetype i = 0; i < characters.size(); ++i) {
        const QChar c = characters.at(i);
        QString item;
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar(0x85) ||
            c == QChar(QChar::LineSeparator) || c == QChar(QChar::ParagraphSeparator))
            item = QStringLiteral("(salto de línea)");
        else if (c == QLatin1Char('\t'))
            item = QStringLiteral("(tabulador)");
        else if (c.isHighSurrogate() && i + 1 < characters.size())
            item = characters.mid(i++, 2);
        else if (c.isSpace() || !c.isPrint())
            item = QStringLiteral("(U+%1)").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
        else if (c.isMark())
            item = QChar(0x25CC) + QString(c); // a lone accent, shown on a dotted circle
        else
            item = QString(c);
        if (!shown.contains(item))
            shown.append(item);
    }
    return QStringLiteral("Carácter no admitido: ") + shown.join(QLatin1Char(' '));
}

QRect ResultsGrid::slotRect(int slot) const
{
    const int row = slot - 1;
    const QRect cell = visualRect(model()->index(row, 0));
    return QRect(0, viewport()->y() + cell.y(), width(), cell.height());
}

ResultsHeader::ResultsHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent) {}

QFont ResultsHeader::titleFont(int column)
{
    const int pixels = column == ResultsModel::Number   ? 12
                       : column == ResultsModel::Vo2Max ? 11
                                                        : 10;
    return pixelFont(QStringLiteral("Arial"), pixels);
}

int ResultsHeader::titleWidth(int column) const
{
    const QString title =
        model() ? model()->headerData(column, Qt::Horizontal).toString() : QString();
    if (title.isEmpty())
        return 0;
    // The title row's height is fixed before the header is ever laid out.
    const int height = ResultsGrid::TitleRowHeight + 1 - TitleInset;
    const QFontMetrics metrics(titleFont(column));
    const int widest = metrics.horizontalAdvance(title);
    // Two lines as drawn, with the spacing between them.
    const int twoLines = qMin(
        height,
        metrics.boundingRect(QRect(0, 0, widest, height), Qt::AlignCenter, QStringLiteral("0\n0"))
            .height());
    for (int width = 1; width < widest; ++width) {
        const QRect needed = metrics.boundingRect(QRect(0, 0, width, height),
                                                  Qt::AlignCenter | Qt::TextWordWrap, title);
        if (needed.width() <= width && needed.height() <= twoLines)
            return width + TitleInset;
    }
    return widest + TitleInset;
}

void ResultsHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    painter->save();
    painter->fillRect(rect, TitleRow);
    painter->setPen(Qt::black);
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());

    const bool white = logicalIndex == ResultsModel::Name || logicalIndex == ResultsModel::Code;
    painter->setFont(titleFont(logicalIndex));
    painter->setPen(white ? QColor(Qt::white) : Silver);
    const QString title =
        model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString() : QString();
    painter->drawText(rect.adjusted(1, 1, -2, -2), Qt::AlignCenter | Qt::TextWordWrap, title);
    painter->restore();
}

void ResultsDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    const ColumnStyle style = columnStyle(index.column());
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->fillRect(option.rect, selected ? Highlight : style.background);
    painter->setPen(selected ? QColor(Qt::white) : style.text);
    painter->setFont(option.font);
    // A name longer than its column ends in an ellipsis, so a cut is never taken for the name;
    // the whole name is in the cell's tool tip.
    const QFontMetrics metrics(option.font);
    QString text = index.data().toString();
    if (metrics.horizontalAdvance(text) > option.rect.width())
        text = metrics.elidedText(text, Qt::ElideRight, option.rect.width());
    painter->drawText(option.rect, Qt::AlignCenter, text);
    if (option.state & QStyle::State_HasFocus) {
        painter->setPen(QPen(Qt::white, 1, Qt::DotLine));
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

QWidget *ResultsDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                       const QModelIndex &index) const
{
    auto *editor =
        qobject_cast<QLineEdit *>(QStyledItemDelegate::createEditor(parent, option, index));
    if (editor) {
        // No length limit on the line itself: a paste is cleaned first and cut afterwards.
        editor->setValidator(new EntryValidator(
            index.column(), qobject_cast<ResultsGrid *>(this->parent()), editor));
        editor->setAlignment(Qt::AlignCenter);
        editor->setFrame(false);
    }
    return editor;
}

void ResultsDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                   const QModelIndex &index) const
{
    const auto *line = qobject_cast<QLineEdit *>(editor);
    const auto *validator =
        line ? dynamic_cast<const EntryValidator *>(line->validator()) : nullptr;
    if (!validator) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    // Judged on all that was typed or pasted, refused characters included: when nothing but
    // blanks is left of it, the cell keeps its old value.
    const QString refused = validator->refused();
    const ResultsModel::Entry entry =
        ResultsModel::checkEntry(index.column(), line->text() + refused);
    if (entry.accepted)
        model->setData(index, entry.kept, Qt::EditRole);
    if (auto *grid = qobject_cast<ResultsGrid *>(parent()))
        emit grid->entryNote(refused.isEmpty() ? QString() : ResultsGrid::refusedNote(refused));
}
