#pragma once

class QCoreApplication;

// Loads Qt's own Spanish texts (message box buttons, the save dialog) from where the system
// keeps Qt's translations, so the standard dialogs speak the program's language. False when
// they are not installed; the dialogs then stay in English.
bool installQtTranslations(QCoreApplication &app);
