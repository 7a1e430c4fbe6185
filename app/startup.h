#pragma once

#include "sportprofile.h"

#include <functional>
#include <memory>

namespace Protocol {
class Clock;
class CueSink;
} // namespace Protocol

class Dialogs;
class QCoreApplication;
class TForm1;
class QWidget;

// The sport this build runs, fixed when the program is built.
Protocol::SportVariant buildSportVariant();

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
std::unique_ptr<TForm1> makeMainWindow(Protocol::SportVariant variant, const Protocol::Clock &clock,
                                       Protocol::CueSink *sound, Dialogs *dialogs);
