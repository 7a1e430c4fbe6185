#pragma once

#include "widgets.h"

#include <QList>
#include <QTimer>

#include <memory>

namespace Protocol {
class Clock;
} // namespace Protocol

class QAction;
class QLabel;
class QMenu;
class ResultsGrid;
class ResultsModel;
class ResultsSession;

namespace Ui {
class AthletesBox;
}

// The athletes' box of the main window: the results grid and its two ways of working, the stop
// buttons beside its rows, the re-activation menu, the note about refused characters, and the
// title strip with its commands. It shows the results session; what a press or a menu choice
// does is the window's to decide.
class AthletesBox : public FlatPanel
{
    Q_OBJECT
public:
    explicit AthletesBox(QWidget *parent = nullptr);
    ~AthletesBox() override;

    // The grid shows the results; stop buttons follow the session's running athletes.
    void attach(ResultsModel &results, ResultsSession &session, const Protocol::Clock &clock);
    // The sport's panel colours and the design's glyphs; before layOut(), which measures text.
    void paint(const QColor &panel, const QColor &accent);
    // The title strip's commands at its right end, the grid panel sized to its columns and rows
    // and centred with the stop buttons beside it.
    void layOut(bool vo2MaxColumn);

    ResultsGrid *grid() const;
    // Stop button of a slot (1..14).
    FlatButton *stopButton(int slot) const { return m_stopButtons.value(slot - 1); }
    void hideStopButtons();
    // The grid's selected slot, 0 when none.
    int selectedSlot() const;
    // Whether the menu over the selected row offers its re-activation.
    void offerReactivation(bool offered);
    // The export and clear commands; the report follows the export.
    void offerExport(bool offered);
    void offerClearing(bool offered);

    // A command button of the title strip, in the export button's colours, added left of the
    // ones already there.
    FlatButton *addStripButton(const QString &name, const QString &caption, const QString &tip);
    int titleStripHeight() const;
    // Keeps the caption in the middle of the strip, moved left only as far as the leftmost
    // strip button needs, so no button stands over it.
    void fitCaption();
    // Fits a note box, with its text set, into the free left end of the title strip, clear of
    // the caption and the buttons: at least minWidth wide, as wide as the text needs up to the
    // caption, and wrapped onto more lines, growing downwards, when that is not wide enough.
    void placeNote(QLabel *box, int minWidth = 0) const;

public slots:
    // Selects a slot's row the way the program does: the grid then reacts as to a click.
    void selectSlot(int slot);
    void showEntryNote(const QString &note);
    // Clears the note once it has been shown long enough; runs on its timer.
    void expireEntryNote();

signals:
    void stopPressed(int slot);
    // The re-activation menu is about to open over the selected row (0: none selected).
    void reactivationMenuOpening(int slot);
    void reactivateChosen(int slot);
    void exportPressed();
    void clearPressed();
    void exportOffered(bool offered);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void followClickedCell();
    void editCell();
    void selectHovered(int slot);

    std::unique_ptr<Ui::AthletesBox> ui;
    ResultsModel *m_results = nullptr;
    const Protocol::Clock *m_clock = nullptr;
    QList<FlatButton *> m_stopButtons;  // B01..B14
    QList<FlatButton *> m_stripButtons; // right to left, from the clear button
    QObject *m_viewport = nullptr;      // compared only: it may be gone while the window closes
    QMenu *m_popupMenu = nullptr;
    QAction *m_reactivate = nullptr;
    QTimer m_noteTimer;
    qint64 m_noteShownAt = 0;
};
