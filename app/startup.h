#pragma once

#include "sportprofile.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace Protocol {
class Clock;
class CueSink;
} // namespace Protocol

class Dialogs;
class QCoreApplication;
class MainWindow;
class QWidget;

// The sport this program runs: the edition set by setUpApplication, else the build's
// SPORT_VARIANT.
Protocol::SportVariant buildSportVariant();

// One executable of the program: the sport it runs and the name it goes by, which also names
// its folders for journals and settings, so editions run side by side never share a file.
struct Edition
{
    Protocol::SportVariant variant;
    const char *applicationName;
    const char *desktopFileName; // empty when the build has no menu entry
};

// Answers --help and --version (and a mistaken option) on the terminal, before any window or
// sound exists. The exit code when the program has nothing more to do, else nothing.
std::optional<int> answerCommandLine(int &argc, char **argv, const Edition &edition);

// After the window system has taken its own options: a mistaken option or argument is told on
// the terminal, with the exit code; else nothing.
std::optional<int> checkCommandLine(const QStringList &arguments);

// Names the application after its edition and gives it its version and Qt's Spanish texts.
void setUpApplication(QCoreApplication &app, const Edition &edition);

// Runs the program's start-up. A std::exception that escapes it is shown as "5: " and its
// message, and the program then ends with a failure code.
int runStartUp(Dialogs &dialogs, const std::function<int()> &startUp);

// Places a top-level window in the middle of its screen's available area.
void centreOnScreen(QWidget *window);

// Loads Qt's own Spanish texts (message box buttons, the save dialog) from where the system
// keeps Qt's translations, so the standard dialogs speak the program's language. False when
// they are not installed; the dialogs then stay in English.
bool installQtTranslations(QCoreApplication &app);

// The main window as the program shows it: fixed in size, centred, above other windows, with
// "A cerca de..." opening the about box. Leaving it is wired by the caller.
std::unique_ptr<MainWindow> makeMainWindow(Protocol::SportVariant variant,
                                           const Protocol::Clock &clock, Protocol::CueSink *sound,
                                           Dialogs *dialogs);
