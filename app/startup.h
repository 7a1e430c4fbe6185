#pragma once

#include "sportprofile.h"

#include <memory>

class Clock;
class CueSink;
class Dialogs;
class QCoreApplication;
class TForm1;

// Loads Qt's own Spanish texts (message box buttons, the save dialog) from where the system
// keeps Qt's translations, so the standard dialogs speak the program's language. False when
// they are not installed; the dialogs then stay in English.
bool installQtTranslations(QCoreApplication &app);

// The main window as the program shows it: fixed in size, centred, above other windows, with
// "A cerca de..." opening the about box. Leaving it is wired by the caller.
std::unique_ptr<TForm1> makeMainWindow(SportVariant variant, const Clock &clock, CueSink *sound,
                                       Dialogs *dialogs);
