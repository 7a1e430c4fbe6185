#pragma once

#include "sportprofile.h"
#include "startup.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>

class Dialogs;
class QLabel;
class QTimer;
class QUrl;

namespace Ui {
class IntroWindow;
}

// The intro card shown at start, which hands over to the main window on its second tick and
// holds the sport of the run. A fresh one, in about mode, is the about box.
class IntroWindow : public QDialog
{
    Q_OBJECT
public:
    using MainWindowFactory = std::function<QWidget *()>;
    using UrlOpener = std::function<void(const QUrl &)>;

    // Only the start-up window gets a factory; about boxes never create the main window.
    explicit IntroWindow(Protocol::SportVariant variant = buildSportVariant(),
                         MainWindowFactory createMainWindow = {}, Dialogs *dialogs = nullptr,
                         QWidget *parent = nullptr);
    ~IntroWindow() override;

    Protocol::SportVariant sportVariant() const { return m_sportVariant; }
    int introTicks() const { return m_introTicks; }
    bool isAboutMode() const { return m_aboutMode; }
    QTimer *Timer_Inicio() const { return m_timerInicio; }

    // The program-wide references: the newest intro window, and the main window once it exists.
    static IntroWindow *instance();
    static QWidget *mainWindow();

    // Opens a freshly made about box modally over parent; returns when it is closed.
    static void showAbout(QWidget *parent);

    // Web pages open through this; an empty opener restores the desktop's default browser.
    static void setUrlOpener(UrlOpener opener);

public slots:
    // One tick of the start-up timer: the second creates and shows the main window.
    void tick();
    // Opens the maker's page, as a double-click on the logo does.
    void openMakerPage();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void reject() override;

private slots:
    void showVersionTab();
    void showCreditsTab();
    void openSportPage();

private:
    void applyDesign();
    void build();
    void layOutVersionPanel();
    void layOutInfoPanel();
    void enterAboutMode();
    void reportMainWindowFailure(const QString &reason);
    QWidget *creditsList() const;

    std::unique_ptr<Ui::IntroWindow> ui;
    QPointer<IntroWindow> m_previous; // the intro window this one replaced as the reference
    MainWindowFactory m_createMainWindow;
    Dialogs *m_dialogs = nullptr;
    QTimer *m_timerInicio = nullptr;
    Protocol::SportVariant m_sportVariant = Protocol::SportVariant::Futbol;
    int m_introTicks = 0;
    bool m_aboutMode = false;
    bool m_creatingMainWindow = false;
    bool m_failureReported = false;
};
