#include "clock.h"
#include "cueplayer.h"
#include "dialogs.h"
#include "recovery.h"
#include "signals.h"
#include "startup.h"
#include "testfut1.h"
#include "unitini.h"

#include <QApplication>

#include <memory>

using namespace Protocol;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZENTA"));
    installQtTranslations(app);
    MessageBoxDialogs dialogs;
    SessionGuard guard(dialogs);
    TerminationSignals terminate;
    QObject::connect(&terminate, &TerminationSignals::received, &guard, &SessionGuard::terminate);

    return runStartUp(dialogs, [&app, &dialogs, &guard] {
        SteadyClock clock;
        CuePlayer sound(clock);
        sound.open();
        // Between tests the device may rest; choosing a test mode opens the stream again.
        sound.rest();

        // Declared before the intro window so it outlives it; the intro only keeps a reference.
        std::unique_ptr<TForm1> window;
        const auto createMainWindow = [&]() -> QWidget * {
            window = makeMainWindow(TFormINI::instance()->sportVariant(), clock, &sound, &dialogs);
            QObject::connect(window.get(), &TForm1::exitConfirmed, &app, &QCoreApplication::quit,
                             Qt::QueuedConnection);
            guard.watch(window.get());
            return window.get();
        };

        TFormINI intro(buildSportVariant(), createMainWindow, &dialogs);
        intro.show();
        return app.exec();
    });
}
