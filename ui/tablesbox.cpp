#include "tablesbox.h"

#include "sportprofile.h"
#include "ui_tablesbox.h"

#include <QSignalBlocker>

using namespace Protocol;

TablesBox::TablesBox(QWidget *parent) : FlatPanel(parent), ui(std::make_unique<Ui::TablesBox>())
{
    ui->setupUi(this);
    QPlainTextEdit *working = ui->MemoPeriodoN;
    connect(working, &QPlainTextEdit::textChanged, this, [this, working] {
        emit workingTableEdited(working->toPlainText().split(QLatin1Char('\n')));
    });
}

TablesBox::~TablesBox() = default;

void TablesBox::showTables(const QStringList &workingTable)
{
    const std::pair<QPlainTextEdit *, SportVariant> sources[] = {
        {ui->MemoPeriodoN_FUTBOL_PROBST, SportVariant::Probst},
        {ui->MemoPeriodoN_FUTBOL, SportVariant::Futbol},
        {ui->MemoPeriodoN_BASKET, SportVariant::Basket},
        {ui->MemoPeriodoN_FS, SportVariant::FutSal},
        {ui->MemoPeriodoN_VOLEY, SportVariant::Voley}};
    for (const auto &[memo, variant] : sources)
        memo->setPlainText(periodTableLines(sportProfile(variant)).join(QLatin1Char('\n')));
    // Shown, not edited: the engine has this table already.
    const QSignalBlocker quiet(ui->MemoPeriodoN);
    ui->MemoPeriodoN->setPlainText(workingTable.join(QLatin1Char('\n')));
}
