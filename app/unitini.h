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
class TFormINI;
}

// The intro card shown at start, which hands over to the main window on its second tick and
// holds the sport of the run. A fresh one, in about mode, is the about box.
class TFormINI : public QDialog
{
    Q_OBJECT
public:
    using MainWindowFactory = std::function<QWidget *()>;
    using UrlOpener = std::function<void(const QUrl &)>;

    // Only the start-up window gets a factory; about boxes never create the main window.
    explicit TFormINI(Protocol::SportVariant variant = buildSportVariant(),
                      MainWindowFactory createMainWindow = {}, Dialogs *dialogs = nullptr,
                      QWidget *parent = nullptr);
    ~TFormINI() override;

    Protocol::SportVariant sportVariant() const { return m_sportVariant; }
    int introTicks() const { return m_introTicks; }
    bool isAboutMode() const { return m_aboutMode; }
    QTimer *Timer_Inicio() const { return m_timerInicio; }

    // The program-wide references: the newest intro window, and the main window once it exists.
    static TFormINI *instance();
    static QWidget *mainWindow();

    // Opens a freshly made about box modally over parent; returns when it is closed.
    static void showAbout(QWidget *parent);

    // Web pages open through this; an empty opener restores the desktop's default browser.
    static void setUrlOpener(UrlOpener opener);

public slots:
    void Timer_InicioTimer();
    void Btn_VersionClick();
    void Btn_AutoresClick();
    void Btn_ActualizacionClick();
    void Btn_BibliografiaClick();
    void ImageKORVADblClick();
    void FlatButton4Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void reject() override;

private:
    void applyDesign();
    void FormCreate();
    void Panel_VersionResize();
    void FlatPanel_InfoResize();
    void enterAboutMode();
    void openSportPage();
    void reportMainWindowFailure(const QString &reason);
    QWidget *creditsList() const;

    std::unique_ptr<Ui::TFormINI> ui;
    QPointer<TFormINI> m_previous; // the intro window this one replaced as the reference
    MainWindowFactory m_createMainWindow;
    Dialogs *m_dialogs = nullptr;
    QTimer *m_timerInicio = nullptr;
    Protocol::SportVariant m_sportVariant = Protocol::SportVariant::Futbol;
    int m_introTicks = 0;
    bool m_aboutMode = false;
    bool m_creatingMainWindow = false;
    bool m_failureReported = false;
};
