#pragma once

#include <QHeaderView>

#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>

// The results grid: styled columns and title row, fixed row heights, no scroll bars, and the
// two ways of working with it: picking a whole row, or editing the name and code cells.
class ResultsGrid : public QTableView
{
    Q_OBJECT
public:
    static constexpr int TitleRowHeight = 31;
    static constexpr int DataRowHeight = 19;

    explicit ResultsGrid(QWidget *parent = nullptr);
    using QTableView::edit;

    // Whether a key typed with no editor open may start an edit; asked at each key.
    void setTypingStartsEdit(std::function<bool()> allowed)
    {
        m_typingStartsEdit = std::move(allowed);
    }

    void setRowSelectionMode();
    void setEditingMode();
    bool isRowSelectionMode() const { return selectionBehavior() == QAbstractItemView::SelectRows; }
    bool isEditingMode() const { return editTriggers() != QAbstractItemView::NoEditTriggers; }

    // Sizes the columns from the grid's width: number, code and result columns take fixed
    // shares, the name column the rest. A share too narrow for the column's widest content or
    // for its title on two lines is widened at the name column's expense. Returns the sum of
    // the widths.
    int applyColumnWidths(bool vo2MaxColumn);
    // Narrowest width in which a column's widest content and its title can be read.
    int neededWidth(int column) const;

    // Row k (1-based, as the slots count) in this widget's coordinates.
    QRect slotRect(int slot) const;

    // What the operator is told about refused characters ("Carácter no admitido: ...").
    static QString refusedNote(const QString &characters);

signals:
    // After an edit of a name or code: the note to show when characters were refused, or an
    // empty note when the edit went through whole.
    void entryNote(const QString &note);

protected:
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::function<bool()> m_typingStartsEdit;
};

// Title row: dark, with each column's own font and colour, titles wrapped to fit.
class ResultsHeader : public QHeaderView
{
    Q_OBJECT
public:
    explicit ResultsHeader(QWidget *parent = nullptr);

    static QFont titleFont(int column);
    // Narrowest section in which a title fits on at most two lines.
    int titleWidth(int column) const;

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
};

// Paints each column in its colours and edits names and codes through a line edit that keeps
// only what the results file can hold.
class ResultsDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
};
