#include "resultsgrid.h"

#include "resultsmodel.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QValidator>

namespace {

const QColor Gray(0x80, 0x80, 0x80);
const QColor Silver(0xC0, 0xC0, 0xC0);
const QColor Teal(0x00, 0x80, 0x80);
const QColor Navy(0x00, 0x00, 0x80);
const QColor Maroon(0x80, 0x00, 0x00);
const QColor Green(0x00, 0x80, 0x00);
const QColor Lime(0x00, 0xFF, 0x00);
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

// Keeps what the column may hold; a refused character is simply not taken, with a beep.
class EntryValidator final : public QValidator
{
public:
    EntryValidator(int column, QObject *parent) : QValidator(parent), m_column(column) {}
    State validate(QString &input, int &pos) const override
    {
        const QString kept = ResultsModel::cleanEntry(m_column, input);
        if (kept != input) {
            QApplication::beep();
            pos = qMax(0, pos - int(input.size() - kept.size()));
            input = kept;
        }
        return Acceptable;
    }

private:
    int m_column;
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
    QFont cellFont = font();
    cellFont.setPixelSize(12);
    setFont(cellFont);
}

void ResultsGrid::setRowSelectionMode()
{
    if (state() == QAbstractItemView::EditingState)
        setCurrentIndex(currentIndex()); // commits the edit in progress
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Selects the row around the current cell without moving the current column.
    if (currentIndex().isValid())
        selectionModel()->select(currentIndex(),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ResultsGrid::setEditingMode()
{
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
    int sum = 0;
    for (int c = 0; c < columns; ++c) {
        setColumnWidth(c, widths[c]);
        sum += widths[c];
    }
    return sum;
}

QRect ResultsGrid::slotRect(int slot) const
{
    const int row = slot - 1;
    const QRect cell = visualRect(model()->index(row, 0));
    return QRect(0, viewport()->y() + cell.y(), width(), cell.height());
}

ResultsHeader::ResultsHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent) {}

void ResultsHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    painter->save();
    painter->fillRect(rect, TitleRow);
    painter->setPen(Qt::black);
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());

    QFont font(QStringLiteral("Arial"));
    int pixels = 10;
    QColor color = Silver;
    if (logicalIndex == ResultsModel::Number)
        pixels = 12;
    else if (logicalIndex == ResultsModel::Vo2Max)
        pixels = 11;
    if (logicalIndex == ResultsModel::Name || logicalIndex == ResultsModel::Code)
        color = Qt::white;
    font.setPixelSize(pixels);
    painter->setFont(font);
    painter->setPen(color);
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
    painter->drawText(option.rect, Qt::AlignCenter, index.data().toString());
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
        editor->setMaxLength(ResultsModel::maxLength(index.column()));
        editor->setValidator(new EntryValidator(index.column(), editor));
        editor->setAlignment(Qt::AlignCenter);
        editor->setFrame(false);
    }
    return editor;
}
