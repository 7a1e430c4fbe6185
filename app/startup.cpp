#include "startup.h"

#include "testfut1.h"
#include "unitini.h"

#include "dialogs.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>

using namespace Protocol;

SportVariant buildSportVariant()
{
    static_assert(ZENTA_SPORT_VARIANT >= 0 && ZENTA_SPORT_VARIANT <= 4, "unknown sport");
    return SportVariant(ZENTA_SPORT_VARIANT);
}

int runStartUp(Dialogs &dialogs, const std::function<int()> &startUp)
{
    try {
        return startUp();
    } catch (const std::exception &error) {
        dialogs.message(nullptr, QStringLiteral("Information"),
                        QStringLiteral("5: ") + QString::fromLocal8Bit(error.what()),
                        QMessageBox::Information);
    }
    return 1;
}

void centreOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.x() + area.width() / 2 - window->width() / 2,
                 area.y() + area.height() / 2 - window->height() / 2);
}

bool installQtTranslations(QCoreApplication &app)
{
    // Spanish whatever the machine's language: the whole interface is Spanish. The regional
    // settings (date and decimal separators of the export) are left to the system.
    auto *translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Spanish, QLocale::Spain), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

std::unique_ptr<TForm1> makeMainWindow(SportVariant variant, const Clock &clock, CueSink *sound,
                                       Dialogs *dialogs)
{
    auto window = std::make_unique<TForm1>(variant, clock, sound, dialogs);
    window->setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::WindowStaysOnTopHint);
    window->setFixedSize(window->size());
    centreOnScreen(window.get());
    TForm1 *mainWindow = window.get();
    mainWindow->setAboutHandler([mainWindow] { TFormINI::showAbout(mainWindow); });
    return window;
}
