#pragma once

#include "athletestore.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace Protocol {
struct SportProfile;
} // namespace Protocol

class AthletesBox;
class Dialogs;
class FlatButton;
class QLineEdit;
class QMenu;
class QStandardItemModel;
class QWidget;
class ResultsModel;
class ResultsSession;

// The "Plantillas" menu of the athletes strip and the grid's suggestions of known athletes. It
// keeps squads and every athlete the window has seen in the athlete store, opened on first use,
// and fills the grid through the results model: loading over results goes through the same
// save question as "Nuevo Test". Squad commands serve between tests only.
class SquadMenu : public QObject
{
    Q_OBJECT
public:
    // The button goes into the box's title strip, its dialogs stand over window.
    SquadMenu(AthletesBox *box, ResultsModel &results, const ResultsSession &session,
              const Protocol::SportProfile &profile, Dialogs *dialogs, QWidget *window,
              const QString &storePath = {});
    ~SquadMenu() override;

    FlatButton *button() const { return m_button; }
    QMenu *menu() const { return m_menu; }
    // The store, opened now if it was not; a damaged file set aside is said once.
    AthleteStore &store();
    // Between tests: the results session has no test running.
    bool available() const;

    // The commands once their dialogs have answered; false when nothing changed.
    bool loadSquad(const QString &name);
    bool saveTable(const QString &name);
    bool importFile(const QString &path, const QString &squadName);
    // Which members run when a squad is larger than the grid: their indexes, in slot order, or
    // none when the operator cancelled. A checklist unless a test replaces it.
    std::function<QList<int>(const Squad &squad, int places)> pickRunners;
    // "Nuevo Test", with its save question; where an import dialog opens first.
    std::function<void()> newTest;
    std::function<QString()> exportFolder;

    // The note for a slot whose code belongs to another known athlete, or whose name has
    // another code on record; empty when the record agrees or knows neither.
    QString conflictNote(int slot);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    // Every named row of the grid becomes known.
    void learnGrid();

private:
    void chooseAndLoad();
    void askAndSave();
    void chooseAndImport();
    void manage();
    void attachCompleter(QLineEdit *editor);
    QString askSquadName(const QString &title, const QString &proposed);

    AthletesBox *m_box;
    ResultsModel &m_results;
    const ResultsSession &m_session;
    const Protocol::SportProfile &m_profile;
    QWidget *m_window;
    Dialogs *m_dialogs;
    QString m_storePath;
    std::unique_ptr<AthleteStore> m_store;
    FlatButton *m_button = nullptr;
    QMenu *m_menu = nullptr;
    QStandardItemModel *m_known = nullptr;
};
