#include "clock.h"
#include "cueplayer.h"
#include "dialogs.h"
#include "introwindow.h"
#include "mainwindow.h"
#include "recovery.h"
#include "signals.h"
#include "startup.h"

#include <QApplication>

#include <memory>

using namespace Protocol;

// Built once per edition; ZENTA_EDITION and the names come from the build.
constexpr Edition ThisEdition{SportVariant(ZENTA_EDITION), ZENTA_APPLICATION_NAME,
                              ZENTA_DESKTOP_FILE_NAME};

int main(int argc, char *argv[])
{
    if (const std::optional<int> done = answerCommandLine(argc, argv, ThisEdition))
        return *done;
    QApplication app(argc, argv);
    setUpApplication(app, ThisEdition);
    if (const std::optional<int> done = checkCommandLine(QCoreApplication::arguments()))
        return *done;
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
        std::unique_ptr<MainWindow> window;
        const auto createMainWindow = [&]() -> QWidget * {
            window =
                makeMainWindow(IntroWindow::instance()->sportVariant(), clock, &sound, &dialogs);
            QObject::connect(window.get(), &MainWindow::exitConfirmed, &app,
                             &QCoreApplication::quit, Qt::QueuedConnection);
            guard.watch(window.get());
            return window.get();
        };

        IntroWindow intro(ThisEdition.variant, createMainWindow, &dialogs);
        intro.show();
        return app.exec();
    });
}
