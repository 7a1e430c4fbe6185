#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class Dialogs;
class SessionJournal;
class MainWindow;

// What the running program adds around its main window so that results outlive it: this run's
// journal of the grid, the offer of what earlier runs left unexported, and a quiet exit when
// the program is told to end from outside.
class SessionGuard : public QObject
{
    Q_OBJECT
public:
    // folder holds one subfolder of journals per sport.
    explicit SessionGuard(Dialogs &dialogs, const QString &folder = defaultFolder(),
                          QObject *parent = nullptr);
    ~SessionGuard() override;
    Q_DISABLE_COPY(SessionGuard)

    // The user's data folder of the program. Read it before the main window exists: the window
    // renames the application after its sport.
    static QString defaultFolder();

    // Journals the window's results from now on. Once the window is on screen, says when no
    // journal can be kept and offers back what earlier runs left.
    void watch(MainWindow *window);
    SessionJournal *journal() const { return m_journal.get(); }

    // Each journal that no running program holds: a damaged one is set aside and said so; what
    // is whole and unexported is offered back into the grid, for export, or to be discarded.
    // Stops once the grid holds something; the rest waits for the next start.
    void offerLeftResults();

    // Ends the program now, asking nothing: the journal is on disk already and is left as it
    // is, so whatever the window does on the way out changes nothing in it.
    void terminate();

signals:
    void leftResultsOffered();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString sportFolder() const;
    void message(const QString &text);
    void reportJournalFailure(const QString &reason);

    Dialogs &m_dialogs;
    QString m_folder;
    QPointer<MainWindow> m_window;
    std::unique_ptr<SessionJournal> m_journal;
    bool m_failureReported = false;
    bool m_terminating = false;
};
