#pragma once

#include "widgets.h"

#include <QStringList>

#include <memory>

namespace Ui {
class TablesBox;
}

// Every sport's period table and the working table, side by side: a developer's aid, shown by a
// double-click on the window's background. The working table can be edited while a test runs.
class TablesBox : public FlatPanel
{
    Q_OBJECT
public:
    explicit TablesBox(QWidget *parent = nullptr);
    ~TablesBox() override;

    void showTables(const QStringList &workingTable);

signals:
    // The working table, as the operator edited it.
    void workingTableEdited(const QStringList &lines);

private:
    std::unique_ptr<Ui::TablesBox> ui;
};
