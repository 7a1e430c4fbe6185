#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>

class ResultsModel;
struct ResultReading;

// What the results on the grid allow between and during tests: whether they are safely written,
// whether a test is running, and so whether the between-tests commands may be offered. It only
// reads the grid, apart from the clearing it is asked for.
class ResultsSession : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ResultsSession)
public:
    explicit ResultsSession(ResultsModel &results, QObject *parent = nullptr);

    // The grid holds nothing that the last export did not write: any later change to a cell
    // (a capture, a re-activation, an edited name or code) takes it back.
    bool exported() const { return m_exported; }
    const ResultsModel &results() const { return m_results; }
    bool running() const { return m_running; }

    void testStarted();
    // Ends the test: everyone still running is captured with the same reading, in slot order.
    // Returns the last slot captured, 0 when nobody was running.
    int testEnded(const ResultReading &reading);

    // Athletes on the course. Only a running athlete can be captured.
    bool isRunning(int slot) const { return m_runningSlots.contains(slot); }
    // The first real effort period begins: every named athlete starts running.
    void activateAthletes();
    // An athlete drops out; false when that slot has no athlete running.
    bool capture(int slot, const ResultReading &reading);
    // A stopped athlete may run again while the test runs, once the warm-up is over.
    bool mayReactivate(int slot, bool warmUpOver) const;
    // Runs the athlete again (its results emptied, and kept for restoreLast()); a slot that may
    // not run is stopped instead.
    void reactivate(int slot, bool warmUpOver);
    // Re-activates the athlete of the latest stop that can still be taken back, dropping the
    // later ones that no longer can. Returns that slot, 0 when none; refused is then the latest
    // athlete dropped while still stopped (0 when none was).
    int reactivateLast(bool warmUpOver, int *refused = nullptr);
    // Puts back exactly the result the latest re-activation took away, as long as that athlete
    // has not been stopped again since; the ones stopped again are dropped. Returns the slot,
    // 0 when nothing can be put back.
    int restoreLast();
    // From the start of a test until "Nuevo Test" the grid holds that test's athletes: typing
    // with no editor open never starts an edit of a name or a code.
    bool typingStartsEdit() const { return !m_testShown; }

    // Something worth writing: a named row, or a row holding a result whose name was erased.
    bool exportable() const;
    // The export and the clearing of the table serve between tests only.
    bool mayOfferExport() const { return !m_running && exportable(); }
    // Results that would be lost if the grid were reset now.
    bool unexportedResults() const;

    void exportWritten() { m_exported = true; }
    // Empties every cell; an empty grid holds nothing unwritten, so the flag stays as it was.
    void clearTable();
    // The end of "Nuevo Test": written results make room for the next test.
    void newTest();

signals:
    void slotRunningChanged(int slot, bool running);
    // The operator stopped an athlete during the test, or set one running again (back); the
    // captures that end the test are no such stops.
    void athleteStopped(int slot, bool back);
    // A test began or ended: what may only be done between tests follows it.
    void runningChanged(bool running);

private:
    void setRunning(int slot, bool running);

    ResultsModel &m_results;
    struct TakenResult
    {
        int slot;
        QStringList cells;
    };

    QSet<int> m_runningSlots;
    QList<int> m_stops;         // this test's stops, latest last
    QList<TakenResult> m_taken; // results re-activations took away, latest last
    bool m_testShown = false;
    bool m_exported = false;
    bool m_running = false;
    bool m_clearing = false;
};
