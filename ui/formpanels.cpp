#include "formpanels.h"

#include "ui_athletesbox.h"
#include "ui_runfiguresbox.h"
#include "ui_tablesbox.h"

AthletesBox::AthletesBox(QWidget *parent)
    : FlatPanel(parent), ui(std::make_unique<Ui::PanelDeportistas>())
{
    ui->setupUi(this);
}

AthletesBox::~AthletesBox() = default;

RunFiguresBox::RunFiguresBox(QWidget *parent)
    : FlatPanel(parent), ui(std::make_unique<Ui::PanelDuracion>())
{
    ui->setupUi(this);
}

RunFiguresBox::~RunFiguresBox() = default;

TablesBox::TablesBox(QWidget *parent)
    : FlatPanel(parent), ui(std::make_unique<Ui::PanelParametros>())
{
    ui->setupUi(this);
}

TablesBox::~TablesBox() = default;
