#include "startup.h"

#include "introwindow.h"
#include "mainwindow.h"

#include "dialogs.h"
#include "recovery.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>

#include <cstdio>

using namespace Protocol;

namespace {

std::optional<SportVariant> s_edition;
// An edition with a menu entry is the installed program: its folder belongs to the system.
bool s_installed = false;

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// Both readings of the command line share these options; --help lists them.
struct CommandLine
{
    QCommandLineParser parser;
    // Qt's ready-made help option keeps an English description in Qt 6.4's Spanish texts.
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Muestra esta ayuda y termina.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Muestra el nombre y la versión del programa y "
                                              "termina.")};

    CommandLine()
    {
        parser.addOptions({help, version});
        const SportProfile &profile = sportProfile(buildSportVariant());
        parser.setApplicationDescription(
            profile.programTitle +
            QStringLiteral(": test de carrera intermitente, progresivo y máximo para deportistas "
                           "de ") +
            profile.sportName.toLower() +
            QStringLiteral(", con una señal sonora en cada cono.\n\n"
                           "Instalado, guarda las exportaciones en la carpeta Export de "
                           "Documentos y el diario de la sesión en ") +
            SessionGuard::defaultFolder() + QLatin1Char('.'));
    }
};

} // namespace

SportVariant buildSportVariant()
{
    static_assert(ZENTA_SPORT_VARIANT >= 0 && ZENTA_SPORT_VARIANT <= 4, "unknown sport");
    return s_edition.value_or(SportVariant(ZENTA_SPORT_VARIANT));
}

std::optional<int> answerCommandLine(int &argc, char **argv, const Edition &edition)
{
    // A core application only: asking for help needs no display and no sound server.
    QCoreApplication app(argc, argv);
    setUpApplication(app, edition);
    CommandLine line;
    // Options of Qt's own (-platform, -style) are only known once the window system is up,
    // so a mistaken option is told by checkCommandLine.
    line.parser.parse(QCoreApplication::arguments());
    if (line.parser.isSet(line.help)) {
        print(stdout, line.parser.helpText());
        return 0;
    }
    if (line.parser.isSet(line.version)) {
        print(stdout, QCoreApplication::applicationName() + QLatin1Char(' ') +
                          QCoreApplication::applicationVersion() + QLatin1Char('\n'));
        return 0;
    }
    return std::nullopt;
}

std::optional<int> checkCommandLine(const QStringList &arguments)
{
    CommandLine line;
    QString error;
    if (!line.parser.parse(arguments))
        error = line.parser.errorText();
    else if (!line.parser.positionalArguments().isEmpty())
        error = QStringLiteral("Argumento no esperado: «") +
                line.parser.positionalArguments().constFirst() + QStringLiteral("».");
    if (error.isEmpty())
        return std::nullopt;
    print(stderr, error + QStringLiteral("\nLas opciones se listan con «") +
                      QCoreApplication::applicationName() + QStringLiteral(" --help».\n"));
    return 2;
}

void setUpApplication(QCoreApplication &app, const Edition &edition)
{
    s_edition = edition.variant;
    s_installed = edition.desktopFileName && *edition.desktopFileName;
    QCoreApplication::setApplicationName(QString::fromUtf8(edition.applicationName));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZENTA_VERSION));
    QGuiApplication::setDesktopFileName(QString::fromUtf8(edition.desktopFileName));
    installQtTranslations(app);
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

std::unique_ptr<MainWindow> makeMainWindow(SportVariant variant, const Clock &clock, CueSink *sound,
                                           Dialogs *dialogs)
{
    auto window = std::make_unique<MainWindow>(
        variant, clock, sound, dialogs, nullptr,
        s_installed ? MainWindow::ExportPlace::Documents : MainWindow::ExportPlace::BesideProgram);
    window->setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::WindowStaysOnTopHint);
    window->setFixedSize(window->size());
    centreOnScreen(window.get());
    MainWindow *mainWindow = window.get();
    mainWindow->setAboutHandler([mainWindow] { IntroWindow::showAbout(mainWindow); });
    return window;
}
