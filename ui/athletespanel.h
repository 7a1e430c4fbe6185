#pragma once

#include <QList>
#include <QObject>
#include <QTimer>

namespace Protocol {
class Clock;
} // namespace Protocol

class FlatButton;
class QAction;
class QMenu;
class ResultsModel;
class ResultsSession;

namespace Ui {
class PanelDeportistas;
class TForm1;
} // namespace Ui

// The athletes panel of the main window: the results grid and its two ways of working, the
// stop buttons beside its rows, the re-activation menu and the note about refused characters.
// It shows the results session; the window decides what a press or a menu choice does.
class AthletesPanel : public QObject
{
    Q_OBJECT
public:
    AthletesPanel(Ui::TForm1 *ui, ResultsModel &results, ResultsSession &session,
                  const Protocol::Clock &clock, QWidget *window);

    // Stop button of a slot (1..14).
    FlatButton *stopButton(int slot) const { return m_stopButtons.value(slot - 1); }
    const QList<FlatButton *> &stopButtons() const { return m_stopButtons; }
    QAction *reactivateAction() const { return m_reactivate; }
    // The grid's selected slot, 0 when none.
    int selectedSlot() const;
    // Sizes the grid panel to its columns and rows, the stop buttons beside it.
    void layout(bool vo2MaxColumn);

public slots:
    // Selects a slot's row the way the program does: the grid then reacts as to a click.
    void selectSlot(int slot);
    void HyperGrid_SujetosClick();
    void HyperGrid_SujetosDblClick();
    void showEntryNote(const QString &note);
    // Clears the note once it has been shown long enough; runs on its timer.
    void expireEntryNote();

signals:
    void stopPressed(int slot);
    // The re-activation menu is about to open over the selected row.
    void menuOpening();
    void reactivateChosen();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void B01MouseMove(int slot);

    Ui::TForm1 *m_form;       // the window's, for its layout
    Ui::PanelDeportistas *ui; // the panel's own controls
    ResultsModel &m_results;
    const Protocol::Clock &m_clock;
    QList<FlatButton *> m_stopButtons; // B01..B14
    QObject *m_viewport = nullptr;     // compared only: it may be gone while the window closes
    QMenu *m_popupMenu = nullptr;
    QAction *m_reactivate = nullptr;
    QTimer m_noteTimer;
    qint64 m_noteShownAt = 0;
};
