#include "introwindow.h"
#include "ui_introwindow.h"
#include "widgets.h"

#include "course.h"
#include "dialogs.h"
#include "introtexts.h"
#include "theme.h"

#include <QCursor>
#include <QDesktopServices>
#include <QEvent>
#include <QGuiApplication>
#include <QListWidget>
#include <QPointer>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <exception>

using namespace Protocol;

#ifndef ZENTA_SPORT_VARIANT
#define ZENTA_SPORT_VARIANT 1
#endif

namespace {

QPointer<IntroWindow> s_introWindow;
QPointer<QWidget> s_mainWindow;

IntroWindow::UrlOpener &urlOpener()
{
    static IntroWindow::UrlOpener opener;
    return opener;
}

void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

// FlatButton paints with its own text colour; the palette carries the same value so that the
// tab state can be read back.
void setTabColour(FlatButton *button, const QColor &colour)
{
    button->setTextColor(colour);
    setTextColour(button, colour);
}

using Theme::LightGrey;
using Theme::Navy;
using Theme::Silver;
const QColor &Grey = Theme::Gray;

} // namespace

IntroWindow::IntroWindow(SportVariant variant, MainWindowFactory createMainWindow, Dialogs *dialogs,
                         QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::IntroWindow>()), m_createMainWindow(std::move(createMainWindow)),
      m_dialogs(dialogs), m_sportVariant(variant)
{
    ui->setupUi(this);
    m_previous = s_introWindow;
    s_introWindow = this;
    applyDesign();

    m_timerInicio = new QTimer(this);
    m_timerInicio->setInterval(1000);
    connect(m_timerInicio, &QTimer::timeout, this, &IntroWindow::tick);
    connect(ui->Btn_Version, &QPushButton::clicked, this, &IntroWindow::showVersionTab);
    connect(ui->Btn_Autores, &QPushButton::clicked, this, &IntroWindow::showCreditsTab);
    connect(ui->Btn_Actualizacion, &QPushButton::clicked, this, &IntroWindow::openSportPage);
    connect(ui->Btn_Bibliografia, &QPushButton::clicked, this, &IntroWindow::openSportPage);
    connect(ui->FlatButton4, &QPushButton::clicked, this, &QWidget::close);
    ui->Panel_Version->installEventFilter(this);
    ui->FlatPanel_Info->installEventFilter(this);
    ui->ImageKORVA->installEventFilter(this);

    build();
    m_timerInicio->start();
}

IntroWindow::~IntroWindow()
{
    // A closed about box hands the reference back to the window it stood in for.
    if (s_introWindow == this)
        s_introWindow = m_previous;
}

IntroWindow *IntroWindow::instance()
{
    return s_introWindow;
}

QWidget *IntroWindow::mainWindow()
{
    return s_mainWindow;
}

void IntroWindow::setUrlOpener(UrlOpener opener)
{
    urlOpener() = std::move(opener);
}

// What the form cannot hold: pixel fonts, the flat widgets' colours, the credits and addresses.
void IntroWindow::applyDesign()
{
    setFixedSize(size());
    setFont(pixelFont(QStringLiteral("MS Sans Serif"), 10));

    ui->PanelAbout->setFaceColor(Qt::white);
    ui->PanelAbout->setBorderColor(Qt::black);

    ui->LabelEffect3->setFont(pixelFont(QStringLiteral("Arial Black"), 27, true, true));
    ui->LabelEffect3->setEffect(EffectLabel::Effect::Shadow);
    ui->LabelEffect3->setTextColor(Silver);
    ui->LabelEffect3->setShadowColor(Grey);

    ui->Label2->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));
    setTextColour(ui->Label2, Grey);
    ui->LabelCopyRight->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 9));
    setTextColour(ui->LabelCopyRight, Grey);

    ui->PanelKORVA->setFaceColor(Qt::white);
    ui->PanelKORVA->setBorderColor(QColor());

    ui->Panel_Version->setFaceColor(Qt::transparent);
    ui->Panel_Version->setBorderColor(Grey);
    for (FlatButton *tab : {ui->Btn_Version, ui->Btn_Autores}) {
        tab->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));
        tab->setFaceColor(Qt::white);
        tab->setHoverColor(Qt::white);
        tab->setPressedColor(Qt::white);
        tab->setBorderColor(Grey);
    }
    setTabColour(ui->Btn_Version, Grey);
    setTabColour(ui->Btn_Autores, Silver);

    for (FlatPanel *page : {ui->FlatPanel_Info, ui->Panel_Autores}) {
        page->setFaceColor(Qt::white);
        page->setBorderColor(Grey);
    }
    const QFont infoFont = pixelFont(QStringLiteral("Arial"), 12);
    for (QLabel *caption :
         {ui->LabelTitulo1, ui->LabelVersion1, ui->LabelEdicion1, ui->LabelIdiomaWin1}) {
        caption->setFont(infoFont);
        setTextColour(caption, Grey);
    }
    for (QLabel *value :
         {ui->LabelTitulo2, ui->LabelVersion2, ui->LabelEdicion2, ui->LabelIdiomaWin2})
        value->setFont(infoFont);
    setTextColour(ui->LabelTitulo2, Navy);
    setTextColour(ui->LabelVersion2, Navy);
    setTextColour(ui->LabelIdiomaWin2, Qt::black);

    const struct
    {
        QListWidget *list;
        SportVariant sport;
    } lists[] = {{ui->ListBox_Futbol, SportVariant::Futbol},
                 {ui->ListBox_Basket, SportVariant::Basket},
                 {ui->ListBox_FutSal, SportVariant::FutSal},
                 {ui->ListBox_Voley, SportVariant::Voley}};
    for (const auto &entry : lists) {
        const bool white = entry.list == ui->ListBox_Basket;
        entry.list->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 9));
        entry.list->setStyleSheet(
            QStringLiteral("QListWidget { background: %1; border: 1px solid %2; color: navy; }"
                           "QListWidget::item { height: 12px; padding: 0px; }"
                           "QListWidget::item:selected { background: gray; color: white; }")
                .arg(white ? QStringLiteral("white") : LightGrey.name(),
                     white ? QStringLiteral("white") : Silver.name()));
        entry.list->addItems(IntroTexts::credits(entry.sport));
    }

    const QIcon update(QStringLiteral(":/glyphs/intro/actualizar.png"));
    const QIcon books(QStringLiteral(":/glyphs/intro/bibliografia.png"));
    ui->Btn_Actualizacion->setIcon(update);
    ui->Btn_Bibliografia->setIcon(books);
    for (FlatButton *strip : {ui->Btn_Actualizacion, ui->Btn_Bibliografia}) {
        strip->setIconSize(QSize(16, 16));
        strip->setGlyphSpacing(6);
        strip->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));
        strip->setFaceColor(Qt::white);
        strip->setHoverColor(Qt::white);
        strip->setPressedColor(QColor::fromRgb(QRgb(fromBgr(0xF4A500))));
        strip->setBorderColor(Grey);
        strip->setTextColor(Qt::black);
    }

    ui->FlatButton4->setIcon(QIcon(QStringLiteral(":/glyphs/intro/cerrar_mini.png")));
    ui->FlatButton4->setIconSize(QSize(10, 10));
    ui->FlatButton4->setFaceColor(LightGrey);
    ui->FlatButton4->setHoverColor(Qt::white);
    ui->FlatButton4->setPressedColor(Qt::white);
    ui->FlatButton4->setBorderColor(QColor());

    ui->URL_Link_Internet->setText(IntroTexts::makerHomePage());
    ui->URLLabel1->setText(IntroTexts::makerHomePage());
    ui->ImageKORVA->setCursor(Qt::PointingHandCursor);
}

void IntroWindow::build()
{
    const SportVariant variant = m_sportVariant;
    ui->LabelEffect3->setText(IntroTexts::title(variant));
    ui->Label2->setText(IntroTexts::subtitle(variant));
    ui->LabelCopyRight->setText(IntroTexts::notice(variant));

    m_introTicks = 0;

    ui->Panel_Version->resize(ui->PanelAbout->width() - 2 * ui->Panel_Version->x(),
                              ui->Panel_Version->height());
    // A hidden panel only gets its resize event when shown; the layout is needed now.
    layOutVersionPanel();

    ui->PanelKORVA->resize(ui->ImageKORVA->width() + 2, ui->ImageKORVA->height() + 2);
    ui->PanelKORVA->move(width() / 2 - ui->PanelKORVA->width() / 2,
                         ui->PanelAbout->height() - ui->LabelCopyRight->height() -
                             ui->PanelKORVA->height() - 10);

    ui->LabelTitulo2->setText(ui->LabelEffect3->text());
    ui->LabelEdicion2->setText(IntroTexts::edition());
    ui->LabelVersion2->setText(IntroTexts::version());
    ui->LabelIdiomaWin2->setText(IntroTexts::language());

    ui->FlatPanel_Info->raise();
    ui->Btn_Actualizacion->raise();

    ui->Panel_Version->setVisible(true);
    ui->Panel_Version->raise();

    setCursor(Qt::ArrowCursor);
    centreOnScreen(this);
}

void IntroWindow::layOutVersionPanel()
{
    const int w = ui->Panel_Version->width();
    const int h = ui->Panel_Version->height();
    ui->Btn_Version->setGeometry(0, ui->Btn_Version->y(), w / 2, ui->Btn_Version->height());
    const int autoresLeft = ui->Btn_Version->width() - 1;
    ui->Btn_Autores->setGeometry(autoresLeft, ui->Btn_Autores->y(), w - autoresLeft,
                                 ui->Btn_Autores->height());

    const int stripHeight = ui->Btn_Actualizacion->height();
    ui->Btn_Actualizacion->setGeometry(0, h - stripHeight, w, stripHeight);
    ui->Btn_Actualizacion->raise();
    ui->Btn_Bibliografia->setGeometry(ui->Btn_Actualizacion->geometry());

    const int infoTop = ui->Btn_Version->height() - 1;
    ui->FlatPanel_Info->setGeometry(0, infoTop, w, ui->Btn_Actualizacion->y() - infoTop + 1);
    layOutInfoPanel();
}

void IntroWindow::layOutInfoPanel()
{
    const int w = ui->FlatPanel_Info->width();
    const int h = ui->FlatPanel_Info->height();
    const int s = h / 16;
    const int half = s / 2;
    const int rowHeight = ui->LabelVersion1->height();

    const int versionTop = h / 2 - rowHeight - half;
    const int titleTop = versionTop - rowHeight - s;
    const int editionTop = h / 2 + half;
    const int languageTop = editionTop + rowHeight + s;
    const int valueLeft = w / 3;

    const struct
    {
        QLabel *caption;
        QLabel *value;
        int top;
    } rows[] = {{ui->LabelTitulo1, ui->LabelTitulo2, titleTop},
                {ui->LabelVersion1, ui->LabelVersion2, versionTop},
                {ui->LabelEdicion1, ui->LabelEdicion2, editionTop},
                {ui->LabelIdiomaWin1, ui->LabelIdiomaWin2, languageTop}};
    for (const auto &row : rows) {
        row.caption->move(valueLeft - row.caption->width() - 8, row.top);
        row.value->move(valueLeft, row.top);
    }

    ui->Panel_Autores->setGeometry(ui->FlatPanel_Info->geometry());
    ui->ListBox_Futbol->setGeometry(5, 5, ui->Panel_Autores->width() - 10,
                                    ui->Panel_Autores->height() - 10);
    for (QListWidget *list : {ui->ListBox_Basket, ui->ListBox_FutSal, ui->ListBox_Voley})
        list->setGeometry(ui->ListBox_Futbol->geometry());
}

bool IntroWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == ui->Panel_Version)
            layOutVersionPanel();
        else if (watched == ui->FlatPanel_Info)
            layOutInfoPanel();
    } else if (event->type() == QEvent::MouseButtonDblClick && watched == ui->ImageKORVA) {
        openMakerPage();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void IntroWindow::showVersionTab()
{
    setTabColour(ui->Btn_Autores, Silver);
    setTabColour(ui->Btn_Version, Grey);
    ui->FlatPanel_Info->raise();
    ui->Btn_Actualizacion->raise();
}

QWidget *IntroWindow::creditsList() const
{
    QWidget *const lists[] = {ui->ListBox_Futbol, ui->ListBox_Basket, ui->ListBox_FutSal,
                              ui->ListBox_Voley};
    return lists[int(courseOf(m_sportVariant))];
}

void IntroWindow::showCreditsTab()
{
    setTabColour(ui->Btn_Autores, Grey);
    setTabColour(ui->Btn_Version, Silver);
    QWidget *list = creditsList();
    list->setVisible(true);
    list->raise();
    ui->Panel_Autores->raise();
    ui->Btn_Bibliografia->raise();
}

void IntroWindow::openSportPage()
{
    // Probst has no page of its own: the link keeps the maker's home page.
    const QString page = IntroTexts::sportPage(m_sportVariant);
    if (!page.isEmpty())
        ui->URL_Link_Internet->setText(page);
    const QUrl url(ui->URL_Link_Internet->text());
    if (urlOpener())
        urlOpener()(url);
    else
        QDesktopServices::openUrl(url);
}

void IntroWindow::openMakerPage()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto arrowAgain = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    const QUrl url(ui->URLLabel1->text());
    if (urlOpener())
        urlOpener()(url);
    else
        QDesktopServices::openUrl(url);
}

void IntroWindow::tick()
{
    ++m_introTicks;
    if (m_introTicks <= 1 || s_mainWindow)
        return;
    // Creating the main window may run a nested event loop (a message box); ticks arriving
    // meanwhile must not start a second one.
    if (!m_createMainWindow || m_creatingMainWindow)
        return;

    QWidget *window = nullptr;
    {
        m_creatingMainWindow = true;
        const auto done = qScopeGuard([this] { m_creatingMainWindow = false; });
        try {
            window = m_createMainWindow();
        } catch (const std::exception &error) {
            reportMainWindowFailure(QString::fromLocal8Bit(error.what()));
            return;
        }
    }
    if (!window) {
        reportMainWindowFailure(QString());
        return;
    }
    s_mainWindow = window;
    hide();
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
}

// The failure is retried on the following ticks, but told to the operator only once.
void IntroWindow::reportMainWindowFailure(const QString &reason)
{
    if (m_failureReported || !m_dialogs)
        return;
    m_failureReported = true;
    QString text = QStringLiteral("No se ha podido abrir la ventana principal.");
    if (!reason.isEmpty())
        text += QLatin1Char('\n') + reason;
    m_dialogs->message(this, ui->LabelEffect3->text(), text, QMessageBox::Critical);
}

void IntroWindow::enterAboutMode()
{
    m_aboutMode = true;
    ui->Panel_Version->setVisible(true);
    ui->Panel_Version->raise();
    ui->FlatButton4->setVisible(true);
}

void IntroWindow::showAbout(QWidget *parent)
{
    // The run's sport: the one the start-up window holds.
    const SportVariant variant = instance() ? instance()->sportVariant() : buildSportVariant();
    IntroWindow about(variant, {}, nullptr, parent);
    about.enterAboutMode();
    about.exec();
}

// Escape must not dismiss the start-up card; the about box may go as with its close button.
void IntroWindow::reject()
{
    if (m_aboutMode)
        QDialog::reject();
}
