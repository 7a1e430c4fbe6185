#include "squadmenu.h"

#include "athleteimport.h"
#include "athletesbox.h"
#include "dialogs.h"
#include "resultsgrid.h"
#include "resultsmodel.h"
#include "resultssession.h"
#include "sportprofile.h"
#include "widgets.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace {

enum Role { NameRole = Qt::UserRole + 1, CodeRole, FoldedRole };

const QString Title = QStringLiteral("Plantillas");

QString describe(const Athlete &athlete)
{
    return athlete.code.isEmpty()
               ? athlete.name
               : athlete.name + QStringLiteral("  (") + athlete.code + QLatin1Char(')');
}

// The coach ticks who runs this time; dragging an entry changes its slot.
QList<int> checklist(QWidget *parent, const Squad &squad, int places)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Cargar plantilla"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(&dialog);
    auto *list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("ListaCorredores"));
    list->setDragDropMode(QAbstractItemView::InternalMove);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(label);
    layout->addWidget(list);
    layout->addWidget(buttons);
    for (int i = 0; i < squad.members.size(); ++i) {
        auto *item = new QListWidgetItem(describe(squad.members.at(i)), list);
        item->setData(Qt::UserRole, i);
        item->setCheckState(i < places ? Qt::Checked : Qt::Unchecked);
    }
    const auto ticked = [list] {
        QList<int> out;
        for (int row = 0; row < list->count(); ++row) {
            if (list->item(row)->checkState() == Qt::Checked)
                out.append(list->item(row)->data(Qt::UserRole).toInt());
        }
        return out;
    };
    const auto update = [&] {
        const qsizetype count = ticked().size();
        label->setText(QStringLiteral("La plantilla «%1» tiene %2 deportistas y la tabla %3 "
                                      "puestos. Marque quién corre esta vez (%4 de %3); "
                                      "arrastre para cambiar el orden.")
                           .arg(squad.name)
                           .arg(squad.members.size())
                           .arg(places)
                           .arg(count));
        buttons->button(QDialogButtonBox::Ok)->setEnabled(count > 0 && count <= places);
    };
    QObject::connect(list, &QListWidget::itemChanged, &dialog, update);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    update();
    return dialog.exec() == QDialog::Accepted ? ticked() : QList<int>();
}

} // namespace

SquadMenu::SquadMenu(AthletesBox *box, ResultsModel &results, const ResultsSession &session,
                     const Protocol::SportProfile &profile, Dialogs *dialogs, QWidget *window,
                     const QString &storePath)
    : QObject(window), m_box(box), m_results(results), m_session(session), m_profile(profile),
      m_window(window), m_dialogs(dialogs),
      m_storePath(storePath.isEmpty() ? AthleteStore::defaultPath() : storePath)
{
    pickRunners = [this](const Squad &squad, int places) {
        return checklist(m_window, squad, places);
    };
    // Left of "Historial", in its colours.
    m_button = box->addStripButton(QStringLiteral("BtnPlantillas"), Title,
                                   QStringLiteral("Plantillas de deportistas: cargar, guardar, "
                                                  "importar"));

    m_menu = new QMenu(m_button);
    m_menu->setObjectName(QStringLiteral("MenuPlantillas"));
    const auto add = [this](const char *name, const QString &text, void (SquadMenu::*slot)()) {
        QAction *action = m_menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, [this, slot] {
            if (available())
                (this->*slot)();
        });
    };
    add("ActCargarPlantilla", QStringLiteral("Cargar plantilla..."), &SquadMenu::chooseAndLoad);
    add("ActGuardarPlantilla", QStringLiteral("Guardar la tabla como plantilla..."),
        &SquadMenu::askAndSave);
    add("ActImportarDeportistas", QStringLiteral("Importar deportistas..."),
        &SquadMenu::chooseAndImport);
    add("ActGestionarPlantillas", QStringLiteral("Gestionar plantillas..."), &SquadMenu::manage);
    connect(m_menu, &QMenu::aboutToShow, this, [this] {
        for (QAction *action : m_menu->actions())
            action->setEnabled(available());
    });
    connect(&session, &ResultsSession::runningChanged, m_button,
            [this](bool running) { m_button->setEnabled(!running); });
    connect(m_button, &QPushButton::clicked, this,
            [this] { m_menu->popup(m_button->mapToGlobal(QPoint(0, m_button->height()))); });

    box->grid()->viewport()->installEventFilter(this);
    connect(&results, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                if (topLeft != bottomRight || (topLeft.column() != ResultsModel::Name &&
                                               topLeft.column() != ResultsModel::Code))
                    return;
                const QString note = conflictNote(topLeft.row() + 1);
                if (!note.isEmpty())
                    emit m_box->grid()->entryNote(note);
            });
}

SquadMenu::~SquadMenu() = default;

AthleteStore &SquadMenu::store()
{
    if (!m_store) {
        m_store = std::make_unique<AthleteStore>(m_storePath);
        if (!m_store->notice().isEmpty() && m_dialogs)
            m_dialogs->message(m_window, Title, m_store->notice(), QMessageBox::Warning);
    }
    return *m_store;
}

bool SquadMenu::available() const
{
    return !m_session.running();
}

QString SquadMenu::conflictNote(int slot)
{
    const ResultsModel &results = m_results;
    const QString name = results.cell(ResultsModel::Name, slot);
    const QString code = results.cell(ResultsModel::Code, slot);
    if (name.isEmpty() || code.isEmpty())
        return {};
    const QString foldedName = AthleteStore::fold(name);
    const QString foldedCode = AthleteStore::fold(code);
    QString codeOwner;
    QString recordCode;
    for (const Athlete &known : store().athletes()) {
        const bool sameCode = AthleteStore::fold(known.code) == foldedCode;
        const bool sameName = AthleteStore::fold(known.name) == foldedName;
        if (sameCode && sameName)
            return {};
        if (sameCode)
            codeOwner = known.name;
        else if (sameName && !known.code.isEmpty())
            recordCode = known.code;
    }
    if (!codeOwner.isEmpty())
        return QStringLiteral("El código %1 es de %2").arg(code, codeOwner);
    if (!recordCode.isEmpty())
        return QStringLiteral("%1 tiene el código %2").arg(name, recordCode);
    return {};
}

bool SquadMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ChildPolished) {
        auto *editor = qobject_cast<QLineEdit *>(static_cast<QChildEvent *>(event)->child());
        if (editor && !editor->property("zentaSuggests").toBool())
            attachCompleter(editor);
    }
    return QObject::eventFilter(watched, event);
}

void SquadMenu::attachCompleter(QLineEdit *editor)
{
    const QModelIndex cell = m_box->grid()->currentIndex();
    if (cell.column() != ResultsModel::Name && cell.column() != ResultsModel::Code)
        return;
    editor->setProperty("zentaSuggests", true);
    if (!m_known)
        m_known = new QStandardItemModel(this);
    m_known->clear();
    for (const Athlete &athlete : store().athletes()) {
        auto *item = new QStandardItem(describe(athlete));
        item->setData(athlete.name, NameRole);
        item->setData(athlete.code, CodeRole);
        item->setData(AthleteStore::fold(athlete.name + QLatin1Char(' ') + athlete.code),
                      FoldedRole);
        m_known->appendRow(item);
    }
    auto *filtered = new QSortFilterProxyModel(editor);
    filtered->setSourceModel(m_known);
    filtered->setFilterRole(FoldedRole);
    auto *completer = new QCompleter(filtered, editor);
    completer->setObjectName(QStringLiteral("SugerenciasDeportistas"));
    completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    completer->setWidget(editor);
    const int slot = cell.row() + 1;
    const bool nameCell = cell.column() == ResultsModel::Name;
    // Typed text is matched anywhere in name and code, without regard to accents or case.
    connect(editor, &QLineEdit::textEdited, completer, [completer, filtered](const QString &text) {
        filtered->setFilterFixedString(AthleteStore::fold(text.trimmed()));
        if (!text.trimmed().isEmpty() && filtered->rowCount() > 0) {
            // Wider than a narrow name cell, so a whole name and its code show.
            QAbstractItemView *popup = completer->popup();
            popup->setMinimumWidth(popup->sizeHintForColumn(0) + 2 * popup->frameWidth() + 24);
            completer->complete();
        } else
            completer->popup()->hide();
    });
    connect(completer, qOverload<const QModelIndex &>(&QCompleter::activated), editor,
            [this, editor, slot, nameCell](const QModelIndex &picked) {
                const QString name = picked.data(NameRole).toString();
                const QString code = picked.data(CodeRole).toString();
                editor->setText(nameCell ? name : code);
                m_results.setCell(nameCell ? ResultsModel::Code : ResultsModel::Name, slot,
                                  nameCell ? code : name);
            });
}

void SquadMenu::learnGrid()
{
    const ResultsModel &results = m_results;
    QList<Athlete> seen;
    for (int slot = 1; slot <= results.slotCount(); ++slot)
        seen.append({results.cell(ResultsModel::Code, slot),
                     results.cell(ResultsModel::Name, slot),
                     {},
                     0});
    if (!store().isOpen())
        return;
    if (!store().learn(seen) && m_dialogs)
        m_dialogs->message(m_window, Title, store().errorString(), QMessageBox::Warning);
}

bool SquadMenu::loadSquad(const QString &name)
{
    const std::optional<Squad> squad = store().squad(name);
    if (!squad) {
        m_dialogs->message(m_window, Title,
                           QStringLiteral("No se encuentra la plantilla «%1».").arg(name),
                           QMessageBox::Warning);
        return false;
    }
    ResultsModel &results = m_results;
    // Results on the grid: the same save question as "Nuevo Test"; they stay if not saved.
    if (results.anyResult()) {
        newTest();
        if (results.anyResult())
            return false;
    }
    QList<int> runners;
    if (squad->members.size() > results.slotCount()) {
        runners = pickRunners(*squad, results.slotCount());
        if (runners.isEmpty() || runners.size() > results.slotCount())
            return false;
    } else {
        for (int i = 0; i < squad->members.size(); ++i)
            runners.append(i);
    }
    QVector<QStringList> rows(results.slotCount(),
                              QStringList(results.columnCount(), QStringLiteral("")));
    for (int i = 0; i < runners.size(); ++i) {
        const Athlete &athlete = squad->members.at(runners.at(i));
        rows[i][ResultsModel::Name] = athlete.name;
        rows[i][ResultsModel::Code] = athlete.code;
    }
    results.restore(rows);
    return true;
}

bool SquadMenu::saveTable(const QString &name)
{
    const ResultsModel &results = m_results;
    Squad squad{name, m_profile.programTitle, {}};
    for (int slot = 1; slot <= results.slotCount(); ++slot) {
        const Athlete athlete{
            results.cell(ResultsModel::Code, slot), results.cell(ResultsModel::Name, slot), {}, 0};
        if (!athlete.name.isEmpty() || !athlete.code.isEmpty())
            squad.members.append(athlete);
    }
    if (squad.members.isEmpty()) {
        m_dialogs->message(m_window, Title, QStringLiteral("La tabla no tiene deportistas."),
                           QMessageBox::Information);
        return false;
    }
    if (store().squadNames().contains(name) &&
        m_dialogs->question(m_window, Title,
                            QStringLiteral("Ya existe la plantilla «%1». ¿Reemplazarla?").arg(name),
                            QMessageBox::Yes | QMessageBox::No,
                            QMessageBox::Question) != QMessageBox::Yes)
        return false;
    if (!store().saveSquad(squad)) {
        m_dialogs->message(m_window, Title, store().errorString(), QMessageBox::Warning);
        return false;
    }
    return true;
}

bool SquadMenu::importFile(const QString &path, const QString &squadName)
{
    const AthleteImport read = AthleteImport::readFile(path);
    const QString file = QFileInfo(path).fileName();
    if (!read.error.isEmpty()) {
        m_dialogs->message(m_window, Title,
                           QStringLiteral("No se puede importar %1: %2").arg(file, read.error),
                           QMessageBox::Warning);
        return false;
    }
    QStringList refused;
    for (const AthleteImport::Refused &row : read.refused)
        refused.append(QStringLiteral("Línea %1: %2").arg(row.line).arg(row.reason));
    if (read.athletes.isEmpty()) {
        m_dialogs->message(m_window, Title,
                           QStringLiteral("%1 no tiene ningún deportista válido.\n\n").arg(file) +
                               refused.join(QLatin1Char('\n')),
                           QMessageBox::Warning);
        return false;
    }
    // Nothing is taken until the coach has seen what is left out; then all of it at once.
    if (!refused.isEmpty() &&
        m_dialogs->question(m_window, Title,
                            QStringLiteral("Filas de %1 que no se pueden tomar:\n\n").arg(file) +
                                refused.join(QLatin1Char('\n')) +
                                QStringLiteral("\n\n¿Importar los %1 deportistas válidos?")
                                    .arg(read.athletes.size()),
                            QMessageBox::Yes | QMessageBox::No,
                            QMessageBox::Question) != QMessageBox::Yes)
        return false;
    const bool saved = squadName.isEmpty()
                           ? store().learn(read.athletes)
                           : store().saveSquad({squadName, m_profile.programTitle, read.athletes});
    if (!saved)
        m_dialogs->message(m_window, Title, store().errorString(), QMessageBox::Warning);
    return saved;
}

QString SquadMenu::askSquadName(const QString &title, const QString &proposed)
{
    bool ok = false;
    const QString name = QInputDialog::getText(m_window, title,
                                               QStringLiteral("Nombre de la "
                                                              "plantilla:"),
                                               QLineEdit::Normal, proposed, &ok)
                             .trimmed();
    return ok ? name : QString();
}

void SquadMenu::chooseAndLoad()
{
    const QStringList names = store().squadNames();
    if (names.isEmpty()) {
        m_dialogs->message(m_window, Title, QStringLiteral("No hay plantillas guardadas."),
                           QMessageBox::Information);
        return;
    }
    bool ok = false;
    const QString name = QInputDialog::getItem(m_window, QStringLiteral("Cargar plantilla"),
                                               QStringLiteral("Plantilla:"), names, 0, false, &ok);
    if (ok)
        loadSquad(name);
}

void SquadMenu::askAndSave()
{
    const QString name = askSquadName(QStringLiteral("Guardar la tabla como plantilla"), {});
    if (!name.isEmpty())
        saveTable(name);
}

void SquadMenu::chooseAndImport()
{
    const QString path = QFileDialog::getOpenFileName(
        m_window, QStringLiteral("Importar deportistas"), exportFolder(),
        QStringLiteral("Listas de deportistas (*.csv *.txt);;Todos los archivos (*)"));
    if (path.isEmpty())
        return;
    const QString name =
        askSquadName(QStringLiteral("Importar deportistas"), QFileInfo(path).completeBaseName());
    if (!name.isEmpty())
        importFile(path, name);
}

void SquadMenu::manage()
{
    QDialog dialog(m_window);
    dialog.setWindowTitle(QStringLiteral("Gestionar plantillas"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *list = new QListWidget(&dialog);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QPushButton *rename =
        buttons->addButton(QStringLiteral("Cambiar nombre..."), QDialogButtonBox::ActionRole);
    QPushButton *remove =
        buttons->addButton(QStringLiteral("Borrar"), QDialogButtonBox::ActionRole);
    layout->addWidget(list);
    layout->addWidget(buttons);
    const auto refresh = [&] {
        list->clear();
        list->addItems(store().squadNames());
    };
    refresh();
    connect(rename, &QPushButton::clicked, &dialog, [&] {
        if (!list->currentItem())
            return;
        const QString from = list->currentItem()->text();
        const QString to = askSquadName(QStringLiteral("Cambiar nombre"), from);
        if (!to.isEmpty() && to != from && !store().renameSquad(from, to))
            m_dialogs->message(&dialog, Title, store().errorString(), QMessageBox::Warning);
        refresh();
    });
    connect(remove, &QPushButton::clicked, &dialog, [&] {
        if (!list->currentItem())
            return;
        const QString name = list->currentItem()->text();
        if (m_dialogs->question(&dialog, Title,
                                QStringLiteral("¿Borrar la plantilla «%1»? Los deportistas "
                                               "siguen siendo conocidos.")
                                    .arg(name),
                                QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::Question) == QMessageBox::Yes &&
            !store().removeSquad(name))
            m_dialogs->message(&dialog, Title, store().errorString(), QMessageBox::Warning);
        refresh();
    });
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    dialog.exec();
}
