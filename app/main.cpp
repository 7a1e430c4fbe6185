#include "clock.h"
#include "cueplayer.h"
#include "dialogs.h"
#include "testfut1.h"

#include <QApplication>

#ifndef ZENTA_SPORT_VARIANT
#define ZENTA_SPORT_VARIANT 1
#endif

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    const SportVariant variant = SportVariant(ZENTA_SPORT_VARIANT);
    SteadyClock clock;
    CuePlayer sound(clock);
    sound.open();
    MessageBoxDialogs dialogs;

    TForm1 window(variant, clock, &sound, &dialogs);
    window.setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint);
    window.setFixedSize(window.size());
    window.show();
    return app.exec();
}
