#pragma once

#include <QString>

class Dialogs;
class QDateTime;
class QWidget;

// The main window's questions and failure messages, worded once. Each goes through the Dialogs
// interface, so tests answer them.
namespace OperatorQuestions {

// Offers to export results not yet written: worded for the test in progress while one runs.
bool saveResults(Dialogs &dialogs, QWidget *parent, bool testRunning);
// Asks where to export, proposing the title and date in the export folder (made again if it
// went missing), with newName the first such name no file has; empty when cancelled.
QString exportPath(Dialogs &dialogs, QWidget *parent, const QString &folder,
                   const QString &programTitle, const QDateTime &when, bool newName = false);
bool clearTable(Dialogs &dialogs, QWidget *parent);
bool leave(Dialogs &dialogs, QWidget *parent, const QString &programTitle);
void noSoundDevice(Dialogs &dialogs, QWidget *parent, const QString &programTitle);
// The failure, then the system's reason and the file's path under it.
void exportFailed(Dialogs &dialogs, QWidget *parent, const QString &programTitle,
                  const QString &reason, const QString &path);

} // namespace OperatorQuestions
