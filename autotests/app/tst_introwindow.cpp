#include "clock.h"
#include "dialogs.h"
#include "fakes.h"
#include "introcontrols.h"
#include "introtexts.h"
#include "introwindow.h"
#include "mainwindow.h"
#include "mainwindowcontrols.h"
#include "startup.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <stdexcept>

using namespace Protocol;

Q_DECLARE_METATYPE(SportVariant)

using CreditGroups = QList<QPair<QString, int>>;

namespace {

struct Message
{
    QString caption;
    QString text;
    QMessageBox::Icon icon;
};

class RecordingDialogs final : public Dialogs
{
public:
    void message(QWidget *, const QString &caption, const QString &text,
                 QMessageBox::Icon icon) override
    {
        messages.append({caption, text, icon});
    }
    QList<Message> messages;
};

// The widget a click at a point of `area` would reach: whatever is in front there.
QWidget *inFrontAt(QWidget *area, QWidget *inside)
{
    const QPoint centre = inside->mapTo(area, inside->rect().center());
    return area->childAt(centre);
}

bool isOrInside(QWidget *widget, QWidget *container)
{
    return widget && (widget == container || container->isAncestorOf(widget));
}

QColor tabTextColour(QWidget *tab)
{
    return tab->palette().color(QPalette::ButtonText);
}

const QColor Grey(0x80, 0x80, 0x80);
const QColor Silver(0xC0, 0xC0, 0xC0);

// Groups of a credits list: heading and number of lines under it.
CreditGroups groupsOf(const QListWidget *list)
{
    CreditGroups groups;
    bool startOfGroup = true;
    for (int i = 0; i < list->count(); ++i) {
        const QString line = list->item(i)->text();
        if (line.isEmpty()) {
            startOfGroup = true;
        } else if (startOfGroup) {
            groups.append({line, 0});
            startOfGroup = false;
        } else {
            ++groups.last().second;
        }
    }
    return groups;
}

// What the about box looked like while it was open.
struct AboutSnapshot
{
    QPointer<IntroWindow> box; // null once the box is closed: it lives only while shown
    const IntroWindow *identity = nullptr;
    QString title;
    bool visible = false;
    bool modal = false;
    bool aboutMode = false;
    bool closeButtonVisible = false;
    bool versionBlockInFront = false;
    bool versionPageInFront = false;
    bool updateButtonInFront = false;
    QColor versionTabText;
};

} // namespace

class TestIntroWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsWithTimerAndReference();
    void handsOverOnSecondTickOnly();
    void handsOverOnceWhateverTheTicksAndAboutBoxes();
    void tickDuringCreationDoesNotCreateTwice();
    void mainWindowFailureReportedOnce();
    void startUpFailureShowsFive();
    void introLayout();
    void layoutFollowsResize();
    void textsPerVariant_data();
    void textsPerVariant();
    void aboutBoxAlwaysOpensOnVersionTab();
    void tabsSwitchPagesAndCredits_data();
    void tabsSwitchPagesAndCredits();
    void webButtonsOpenSportPage_data();
    void webButtonsOpenSportPage();
    void logoDoubleClickOpensHomePage();
    void cursorComesBackWhenOpeningFails();
    void standardDialogsSpeakSpanish();
    void commandLineMistakes_data();
    void commandLineMistakes();
    void mainWindowAsTheProgramShowsIt_data();
    void mainWindowAsTheProgramShowsIt();
    void stripButtonsGlyphBeforeCaption();

private:
    IntroWindow *makeIntro(SportVariant variant);
    AboutSnapshot openAboutBox(QWidget *parent,
                               const std::function<void(IntroWindow *)> &whileOpen);

    RecordingDialogs m_dialogs;
    QList<QUrl> m_opened;
    std::vector<std::unique_ptr<QWidget>> m_mainWindows;
    int m_created = 0;
    std::unique_ptr<IntroWindow> m_intro;
};

void TestIntroWindow::init()
{
    m_dialogs.messages.clear();
    m_opened.clear();
    m_created = 0;
    IntroWindow::setUrlOpener([this](const QUrl &url) { m_opened.append(url); });
}

void TestIntroWindow::cleanup()
{
    m_intro.reset();
    m_mainWindows.clear();
    IntroWindow::setUrlOpener({});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

IntroWindow *TestIntroWindow::makeIntro(SportVariant variant)
{
    m_intro = std::make_unique<IntroWindow>(
        variant,
        [this]() -> QWidget * {
            ++m_created;
            m_mainWindows.push_back(std::make_unique<QWidget>());
            m_mainWindows.back()->resize(400, 300);
            return m_mainWindows.back().get();
        },
        &m_dialogs);
    m_intro->show();
    return m_intro.get();
}

// Opens the about box over parent; while it runs, records it, lets the caller act on it, then
// closes it with its own close button.
AboutSnapshot TestIntroWindow::openAboutBox(QWidget *parent,
                                            const std::function<void(IntroWindow *)> &whileOpen)
{
    AboutSnapshot snapshot;
    QTimer::singleShot(0, this, [&snapshot, &whileOpen] {
        IntroWindow *box = IntroWindow::instance();
        snapshot.box = box;
        snapshot.identity = box;
        const IntroControls formControls(box);
        const IntroControls *form = &formControls;
        snapshot.title = form->LabelEffect3->text();
        snapshot.visible = box->isVisible();
        snapshot.modal = box->isModal();
        snapshot.aboutMode = box->isAboutMode();
        snapshot.closeButtonVisible = form->FlatButton4->isVisible();
        snapshot.versionBlockInFront =
            inFrontAt(form->PanelAbout, form->Panel_Version) != nullptr &&
            isOrInside(inFrontAt(form->PanelAbout, form->Panel_Version), form->Panel_Version);
        snapshot.versionPageInFront =
            isOrInside(inFrontAt(form->Panel_Version, form->FlatPanel_Info), form->FlatPanel_Info);
        snapshot.updateButtonInFront =
            inFrontAt(form->Panel_Version, form->Btn_Actualizacion) == form->Btn_Actualizacion;
        snapshot.versionTabText = tabTextColour(form->Btn_Version);
        if (whileOpen)
            whileOpen(box);
        QTest::mouseClick(form->FlatButton4, Qt::LeftButton);
        // Never leave a test hanging in the box's modal loop.
        if (box->isVisible())
            box->done(QDialog::Rejected);
    });
    IntroWindow::showAbout(parent);
    return snapshot;
}

void TestIntroWindow::startsWithTimerAndReference()
{
    IntroWindow *intro = makeIntro(SportVariant::Futbol);
    QCOMPARE(IntroWindow::instance(), intro);
    QCOMPARE(intro->introTicks(), 0);
    QVERIFY(intro->Timer_Inicio()->isActive());
    QCOMPARE(intro->Timer_Inicio()->interval(), 1000);
    QCOMPARE(IntroWindow::mainWindow(), nullptr);

    // The timer's own timeout drives the tick handler; made due at once, so nothing waits.
    intro->Timer_Inicio()->start(0);
    for (int pass = 0; pass < 20 && intro->introTicks() == 0; ++pass)
        QCoreApplication::processEvents();
    intro->Timer_Inicio()->stop();
    QVERIFY(intro->introTicks() >= 1);

    // Every new intro window takes over the reference.
    IntroWindow other(SportVariant::Basket);
    QCOMPARE(IntroWindow::instance(), &other);
    QCOMPARE(IntroWindow::instance()->sportVariant(), SportVariant::Basket);

    IntroWindow byDefault;
    QCOMPARE(byDefault.sportVariant(), buildSportVariant());
}

void TestIntroWindow::handsOverOnSecondTickOnly()
{
    IntroWindow *intro = makeIntro(SportVariant::Futbol);
    QVERIFY(intro->isVisible());

    intro->tick();
    QCOMPARE(intro->introTicks(), 1);
    QCOMPARE(m_created, 0);
    QCOMPARE(IntroWindow::mainWindow(), nullptr);
    QVERIFY(intro->isVisible());

    intro->tick();
    QCOMPARE(intro->introTicks(), 2);
    QCOMPARE(m_created, 1);
    QWidget *window = m_mainWindows.front().get();
    QCOMPARE(IntroWindow::mainWindow(), window);
    QVERIFY(!intro->isVisible());
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowModality(), Qt::ApplicationModal);
    // The intro stays alive, hidden, and still tells the sport.
    QCOMPARE(IntroWindow::instance(), intro);
    QCOMPARE(IntroWindow::instance()->sportVariant(), SportVariant::Futbol);
}

void TestIntroWindow::handsOverOnceWhateverTheTicksAndAboutBoxes()
{
    IntroWindow *intro = makeIntro(SportVariant::Futbol);
    for (int i = 0; i < 2; ++i)
        intro->tick();
    QCOMPARE(m_created, 1);
    QWidget *window = IntroWindow::mainWindow();
    QVERIFY(window);

    for (int opening = 0; opening < 3; ++opening) {
        openAboutBox(window, [intro](IntroWindow *box) {
            for (int i = 0; i < 5; ++i) {
                box->tick();
                intro->tick();
            }
        });
    }
    for (int i = 0; i < 50; ++i)
        intro->tick();

    QCOMPARE(m_created, 1);
    QCOMPARE(IntroWindow::mainWindow(), window);
    QCOMPARE(intro->introTicks(), 2 + 3 * 5 + 50);
}

void TestIntroWindow::tickDuringCreationDoesNotCreateTwice()
{
    int created = 0;
    std::unique_ptr<QWidget> window;
    IntroWindow *intro = nullptr;
    m_intro = std::make_unique<IntroWindow>(
        SportVariant::Futbol,
        [&]() -> QWidget * {
            ++created;
            // A tick arriving while the main window is still being built.
            intro->tick();
            window = std::make_unique<QWidget>();
            return window.get();
        },
        &m_dialogs);
    intro = m_intro.get();
    intro->tick();
    intro->tick();
    QCOMPARE(created, 1);
    QCOMPARE(intro->introTicks(), 3);
    QCOMPARE(IntroWindow::mainWindow(), window.get());
    m_intro.reset();
}

void TestIntroWindow::mainWindowFailureReportedOnce()
{
    int attempts = 0;
    std::unique_ptr<QWidget> window;
    bool failing = true;
    m_intro = std::make_unique<IntroWindow>(
        SportVariant::Futbol,
        [&]() -> QWidget * {
            ++attempts;
            if (failing)
                throw std::runtime_error("sin dispositivo");
            window = std::make_unique<QWidget>();
            return window.get();
        },
        &m_dialogs);
    IntroWindow *intro = m_intro.get();
    intro->show();

    for (int i = 0; i < 10; ++i)
        intro->tick();
    QCOMPARE(m_dialogs.messages.size(), 1);
    QVERIFY(m_dialogs.messages.first().text.contains(QStringLiteral("sin dispositivo")));
    QCOMPARE(m_dialogs.messages.first().icon, QMessageBox::Critical);
    QCOMPARE(IntroWindow::mainWindow(), nullptr);
    QVERIFY(intro->isVisible());
    // Every tick from the second on tries again.
    QCOMPARE(attempts, 9);

    failing = false;
    intro->tick();
    QCOMPARE(attempts, 10);
    QCOMPARE(IntroWindow::mainWindow(), window.get());
    QVERIFY(!intro->isVisible());
    QCOMPARE(m_dialogs.messages.size(), 1);
    m_intro.reset();
}

void TestIntroWindow::startUpFailureShowsFive()
{
    RecordingDialogs dialogs;
    const int failed =
        runStartUp(dialogs, []() -> int { throw std::runtime_error("recurso no encontrado"); });
    QVERIFY(failed != 0);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages.first().text, QStringLiteral("5: recurso no encontrado"));
    QCOMPARE(dialogs.messages.first().caption, QStringLiteral("Information"));
    QCOMPARE(dialogs.messages.first().icon, QMessageBox::Information);

    RecordingDialogs quiet;
    QCOMPARE(runStartUp(quiet, [] { return 0; }), 0);
    QVERIFY(quiet.messages.isEmpty());
}

void TestIntroWindow::introLayout()
{
    IntroWindow *intro = makeIntro(SportVariant::Futbol);
    const IntroControls formControls(intro);
    const IntroControls *form = &formControls;

    QCOMPARE(intro->size(), QSize(323, 322));
    QVERIFY(intro->windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(intro->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(intro->windowTitle(), QStringLiteral("ZENTA"));
    const QRect screen = intro->screen()->availableGeometry();
    QCOMPARE(intro->pos(), QPoint(screen.x() + screen.width() / 2 - 323 / 2,
                                  screen.y() + screen.height() / 2 - 322 / 2));
    QCOMPARE(form->PanelAbout->geometry(), QRect(0, 0, 323, 322));

    // Tab block: 323 - 2 * 18 wide, split 143 / 145 with a 1-pixel overlap.
    QVERIFY(form->Panel_Version->isVisible());
    QCOMPARE(form->Panel_Version->geometry(), QRect(18, 76, 287, 144));
    QCOMPARE(form->Btn_Version->geometry(), QRect(0, 0, 143, 17));
    QCOMPARE(form->Btn_Autores->geometry(), QRect(142, 0, 145, 17));
    QCOMPARE(form->Btn_Actualizacion->geometry(), QRect(0, 120, 287, 24));
    QCOMPARE(form->Btn_Bibliografia->geometry(), QRect(0, 120, 287, 24));
    QCOMPARE(form->FlatPanel_Info->geometry(), QRect(0, 16, 287, 105));

    // Version page, 287 x 105: s = 6, h = 3, rows 15 high, values at 287 / 3.
    const struct
    {
        QLabel *caption;
        QLabel *value;
        int top;
    } rows[] = {{form->LabelTitulo1, form->LabelTitulo2, 13},
                {form->LabelVersion1, form->LabelVersion2, 34},
                {form->LabelEdicion1, form->LabelEdicion2, 55},
                {form->LabelIdiomaWin1, form->LabelIdiomaWin2, 76}};
    for (const auto &row : rows) {
        QCOMPARE(row.caption->height(), 15);
        QCOMPARE(row.caption->y(), row.top);
        QCOMPARE(row.value->y(), row.top);
        QCOMPARE(row.value->x(), 95);
        QCOMPARE(row.caption->x() + row.caption->width(), 95 - 8);
    }
    QCOMPARE(form->Panel_Autores->geometry(), QRect(0, 16, 287, 105));
    for (QListWidget *list :
         {form->ListBox_Futbol, form->ListBox_Basket, form->ListBox_FutSal, form->ListBox_Voley})
        QCOMPARE(list->geometry(), QRect(5, 5, 277, 95));

    // Logo: 303 x 40 picture in a frame 2 larger, centred, 10 above the 28-pixel notice.
    QCOMPARE(form->ImageKORVA->size(), QSize(303, 40));
    QCOMPARE(form->LabelCopyRight->height(), 28);
    QCOMPARE(form->PanelKORVA->geometry(), QRect(161 - 152, 322 - 28 - 42 - 10, 305, 42));
    QVERIFY(!form->FlatButton4->isVisible());
    QVERIFY(!form->URL_Link_Internet->isVisible());
    QVERIFY(!form->URLLabel1->isVisible());
}

void TestIntroWindow::layoutFollowsResize()
{
    IntroWindow *intro = makeIntro(SportVariant::Futbol);
    const IntroControls formControls(intro);
    const IntroControls *form = &formControls;
    form->Panel_Version->resize(300, 160);

    QCOMPARE(form->Btn_Version->geometry(), QRect(0, 0, 150, 17));
    QCOMPARE(form->Btn_Autores->geometry(), QRect(149, 0, 151, 17));
    QCOMPARE(form->Btn_Actualizacion->geometry(), QRect(0, 136, 300, 24));
    QCOMPARE(form->FlatPanel_Info->geometry(), QRect(0, 16, 300, 121));
    // 300 x 121: s = 7, h = 3, values at 100.
    QCOMPARE(form->LabelTitulo1->y(), 20);
    QCOMPARE(form->LabelVersion1->y(), 42);
    QCOMPARE(form->LabelEdicion1->y(), 63);
    QCOMPARE(form->LabelIdiomaWin1->y(), 85);
    QCOMPARE(form->LabelVersion2->x(), 100);
    QCOMPARE(form->ListBox_Voley->geometry(), QRect(5, 5, 290, 111));
}

void TestIntroWindow::textsPerVariant_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("subtitle");
    QTest::addColumn<QString>("product");

    QTest::newRow("probst") << SportVariant::Probst << QStringLiteral("Test de Probst")
                            << QString::fromUtf8("Orvelan en Fútbol") << QString();
    QTest::newRow("futbol") << SportVariant::Futbol << QString::fromUtf8("ZENTA-Fútbol 2.0")
                            << QString::fromUtf8("Orvelan en Fútbol")
                            << QString::fromUtf8("ZENTA-Fútbol");
    QTest::newRow("basket") << SportVariant::Basket << QStringLiteral("ZENTA-Basket 2.0")
                            << QStringLiteral("Orvelan en Baloncesto")
                            << QStringLiteral("ZENTA-Basket");
    QTest::newRow("futsal") << SportVariant::FutSal << QStringLiteral("ZENTA-FutSal")
                            << QString::fromUtf8("Orvelan en Fútbol Sala")
                            << QStringLiteral("ZENTA-FutSal");
    QTest::newRow("voley") << SportVariant::Voley << QStringLiteral("ZENTA-Voley")
                           << QStringLiteral("Orvelan en Voleibol")
                           << QStringLiteral("ZENTA-Voley");
}

void TestIntroWindow::textsPerVariant()
{
    QFETCH(SportVariant, variant);
    QFETCH(QString, title);
    QFETCH(QString, subtitle);
    QFETCH(QString, product);

    const QString entryName = QCoreApplication::applicationName();
    IntroWindow *intro = makeIntro(variant);
    const IntroControls formControls(intro);
    const IntroControls *form = &formControls;
    QCOMPARE(intro->sportVariant(), variant);
    QCOMPARE(form->LabelEffect3->text(), title);
    QCOMPARE(form->Label2->text(), subtitle);
    if (product.isEmpty())
        QVERIFY(form->LabelCopyRight->text().isEmpty());
    else
        QVERIFY(form->LabelCopyRight->text().contains(product));
    // The name is the entry's alone: the journal's folder follows it.
    QCOMPARE(QCoreApplication::applicationName(), entryName);

    QCOMPARE(form->LabelTitulo1->text(), QString::fromUtf8("Título:"));
    QCOMPARE(form->LabelVersion1->text(), QString::fromUtf8("Versión:"));
    QCOMPARE(form->LabelEdicion1->text(), QString::fromUtf8("Edición:"));
    QCOMPARE(form->LabelIdiomaWin1->text(), QStringLiteral("Idioma:"));
    QCOMPARE(form->LabelTitulo2->text(), title);
    QCOMPARE(form->LabelVersion2->text(), QStringLiteral("2.0.1"));
    QCOMPARE(form->LabelEdicion2->text(), QStringLiteral("2015"));
    QCOMPARE(form->LabelIdiomaWin2->text(), QString::fromUtf8("Español"));
    QCOMPARE(form->Btn_Version->text(), QString::fromUtf8("Versión"));
    QCOMPARE(form->Btn_Autores->text(), QStringLiteral("Autores"));
    QCOMPARE(form->Btn_Actualizacion->text(),
             QStringLiteral("Comprobar si hay actualizaciones..."));
    QCOMPARE(form->Btn_Bibliografia->text(), QString::fromUtf8("Consultar bibliografía..."));
    QCOMPARE(form->FlatButton4->toolTip(), QStringLiteral("Cerrar ventana"));
    QVERIFY(!form->ImageKORVA->pixmap().isNull());
}

void TestIntroWindow::aboutBoxAlwaysOpensOnVersionTab()
{
    IntroWindow *intro = makeIntro(SportVariant::Basket);
    intro->tick();
    intro->tick();
    QWidget *window = IntroWindow::mainWindow();
    QVERIFY(window);

    const AboutSnapshot first = openAboutBox(window, [](IntroWindow *box) {
        // Leave it on the authors tab.
        QTest::mouseClick(IntroControls(box).Btn_Autores, Qt::LeftButton);
    });
    QVERIFY(first.identity);
    QVERIFY(first.identity != intro);
    QVERIFY(first.visible);
    QVERIFY(first.modal);
    QVERIFY(first.aboutMode);
    QVERIFY(first.closeButtonVisible);
    QVERIFY(first.versionBlockInFront);
    QVERIFY(first.versionPageInFront);
    QVERIFY(first.updateButtonInFront);
    QCOMPARE(first.versionTabText, Grey);
    QVERIFY(!first.box); // gone with its closing
    QCOMPARE(first.title, QStringLiteral("ZENTA-Basket 2.0"));

    const AboutSnapshot second = openAboutBox(window, {});
    QVERIFY(second.identity);
    QVERIFY(!second.box);
    QVERIFY(second.versionPageInFront);
    QVERIFY(second.updateButtonInFront);
    QCOMPARE(second.versionTabText, Grey);

    // Closing the box leaves the main window as it was and the sport readable.
    QCOMPARE(IntroWindow::mainWindow(), window);
    QVERIFY(window->isVisible());
    QCOMPARE(IntroWindow::instance(), intro);
    QCOMPARE(IntroWindow::instance()->sportVariant(), SportVariant::Basket);
    QCOMPARE(m_created, 1);
}

void TestIntroWindow::tabsSwitchPagesAndCredits_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<QString>("listName");
    QTest::addColumn<CreditGroups>("groups");

    const QString software = QStringLiteral("DESARROLLO SOFTWARE:");
    const QString researchers = QStringLiteral("INVESTIGADORES PRINCIPALES:");
    const QString helpers = QStringLiteral("COLABORADORES:");
    const QString thanks = QStringLiteral("AGRADECIMIENTOS:");
    const QString authors = QStringLiteral("AUTORES:");
    const CreditGroups football = {{software, 1}, {researchers, 2}, {helpers, 3}, {thanks, 2}};
    QTest::newRow("probst") << SportVariant::Probst << QStringLiteral("ListBox_Futbol") << football;
    QTest::newRow("futbol") << SportVariant::Futbol << QStringLiteral("ListBox_Futbol") << football;
    QTest::newRow("basket") << SportVariant::Basket << QStringLiteral("ListBox_Basket")
                            << CreditGroups{
                                   {software, 1}, {researchers, 2}, {helpers, 5}, {thanks, 3}};
    QTest::newRow("futsal") << SportVariant::FutSal << QStringLiteral("ListBox_FutSal")
                            << CreditGroups{{authors, 8}, {thanks, 3}};
    QTest::newRow("voley") << SportVariant::Voley << QStringLiteral("ListBox_Voley")
                           << CreditGroups{{authors, 10}, {thanks, 3}};
}

void TestIntroWindow::tabsSwitchPagesAndCredits()
{
    QFETCH(SportVariant, variant);
    QFETCH(QString, listName);
    QFETCH(CreditGroups, groups);

    IntroWindow *intro = makeIntro(variant);
    const IntroControls formControls(intro);
    const IntroControls *form = &formControls;
    auto *list = intro->findChild<QListWidget *>(listName);
    QVERIFY(list);
    QVERIFY(list->isHidden());
    QCOMPARE(tabTextColour(form->Btn_Version), Grey);
    QCOMPARE(tabTextColour(form->Btn_Autores), Silver);

    QTest::mouseClick(form->Btn_Autores, Qt::LeftButton);
    QCOMPARE(tabTextColour(form->Btn_Autores), Grey);
    QCOMPARE(tabTextColour(form->Btn_Version), Silver);
    QVERIFY(list->isVisible());
    QVERIFY(isOrInside(inFrontAt(form->Panel_Version, form->Panel_Autores), list));
    QCOMPARE(inFrontAt(form->Panel_Version, form->Btn_Bibliografia), form->Btn_Bibliografia);
    for (QListWidget *other :
         {form->ListBox_Futbol, form->ListBox_Basket, form->ListBox_FutSal, form->ListBox_Voley}) {
        if (other != list)
            QVERIFY(other->isHidden());
    }
    QCOMPARE(groupsOf(list), groups);
    QVERIFY(!list->item(list->count() - 1)->text().isEmpty());

    QTest::mouseClick(form->Btn_Version, Qt::LeftButton);
    QCOMPARE(tabTextColour(form->Btn_Version), Grey);
    QCOMPARE(tabTextColour(form->Btn_Autores), Silver);
    QVERIFY(isOrInside(inFrontAt(form->Panel_Version, form->FlatPanel_Info), form->FlatPanel_Info));
    QCOMPARE(inFrontAt(form->Panel_Version, form->Btn_Actualizacion), form->Btn_Actualizacion);
    // The list made visible stays so, behind the version page.
    QVERIFY(!list->isHidden());
}

void TestIntroWindow::webButtonsOpenSportPage_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<QUrl>("page");

    QTest::newRow("probst") << SportVariant::Probst
                            << QUrl(QStringLiteral("https://www.example.com/"));
    QTest::newRow("futbol") << SportVariant::Futbol
                            << QUrl(QStringLiteral("https://www.example.com/zenta/futbol"));
    QTest::newRow("basket") << SportVariant::Basket
                            << QUrl(QStringLiteral("https://www.example.com/zenta/basket"));
    QTest::newRow("futsal") << SportVariant::FutSal
                            << QUrl(QStringLiteral("https://www.example.com/zenta/futsal"));
    QTest::newRow("voley") << SportVariant::Voley
                           << QUrl(QStringLiteral("https://www.example.com/zenta/voley"));
}

void TestIntroWindow::webButtonsOpenSportPage()
{
    QFETCH(SportVariant, variant);
    QFETCH(QUrl, page);

    IntroWindow *intro = makeIntro(variant);
    const IntroControls formControls(intro);
    const IntroControls *form = &formControls;
    QTest::mouseClick(form->Btn_Actualizacion, Qt::LeftButton);
    QTest::mouseClick(form->Btn_Autores, Qt::LeftButton);
    QTest::mouseClick(form->Btn_Bibliografia, Qt::LeftButton);
    QCOMPARE(m_opened, QList<QUrl>({page, page}));
    QCOMPARE(form->URL_Link_Internet->text(), page.toString());
}

void TestIntroWindow::logoDoubleClickOpensHomePage()
{
    IntroWindow *intro = makeIntro(SportVariant::Voley);
    Qt::CursorShape during = Qt::ArrowCursor;
    IntroWindow::setUrlOpener([&](const QUrl &url) {
        m_opened.append(url);
        if (QGuiApplication::overrideCursor())
            during = QGuiApplication::overrideCursor()->shape();
    });
    QTest::mouseDClick(IntroControls(intro).ImageKORVA, Qt::LeftButton);
    QCOMPARE(m_opened, QList<QUrl>({QUrl(QStringLiteral("https://www.example.com/"))}));
    QCOMPARE(during, Qt::WaitCursor);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

void TestIntroWindow::cursorComesBackWhenOpeningFails()
{
    IntroWindow *intro = makeIntro(SportVariant::Futbol);
    IntroWindow::setUrlOpener([](const QUrl &) { throw std::runtime_error("sin navegador"); });
    bool thrown = false;
    try {
        intro->openMakerPage();
    } catch (const std::runtime_error &) {
        thrown = true;
    }
    QVERIFY(thrown);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QVERIFY(intro->isVisible());
}

// The standard dialogs carry Qt's own Spanish texts, installed with the system's Qt.
void TestIntroWindow::commandLineMistakes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode"); // -1: the program goes on
    const QString zenta = QStringLiteral("zenta");
    QTest::newRow("none") << QStringList{zenta} << -1;
    QTest::newRow("version, answered earlier") << QStringList{zenta, QStringLiteral("-v")} << -1;
    QTest::newRow("unknown option") << QStringList{zenta, QStringLiteral("--bogus")} << 2;
    QTest::newRow("stray argument") << QStringList{zenta, QStringLiteral("datos.txt")} << 2;
}

void TestIntroWindow::commandLineMistakes()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QCOMPARE(checkCommandLine(arguments).value_or(-1), exitCode);
}

void TestIntroWindow::standardDialogsSpeakSpanish()
{
    QVERIFY2(installQtTranslations(*QCoreApplication::instance()),
             "Qt's Spanish translations (qt6-translations-l10n) are not installed");
    QMessageBox box(QMessageBox::Information, QStringLiteral("Guardar datos"), QString(),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    const auto caption = [&box](QMessageBox::StandardButton button) {
        return box.button(button)->text().remove(QLatin1Char('&'));
    };
    QCOMPARE(caption(QMessageBox::Yes), QStringLiteral("Sí"));
    QCOMPARE(caption(QMessageBox::No), QStringLiteral("No"));
    QCOMPARE(caption(QMessageBox::Cancel), QStringLiteral("Cancelar"));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "File &name:").remove(QLatin1Char('&')),
             QStringLiteral("Nombre de fichero:"));
}

void TestIntroWindow::mainWindowAsTheProgramShowsIt_data()
{
    QTest::addColumn<SportVariant>("variant");
    for (SportVariant v : AllSportVariants)
        QTest::newRow(qPrintable(sportProfile(v).programTitle)) << v;
}

// The program's entry: the intro hands over on its second tick to the main window of the same
// sport, which stays on top, keeps its size, and opens the about box from its toolbar.
void TestIntroWindow::mainWindowAsTheProgramShowsIt()
{
    QFETCH(SportVariant, variant);
    ManualClock clock;
    SilentSink sound;
    std::unique_ptr<MainWindow> window;
    m_intro = std::make_unique<IntroWindow>(
        variant,
        [&]() -> QWidget * {
            window =
                makeMainWindow(IntroWindow::instance()->sportVariant(), clock, &sound, &m_dialogs);
            return window.get();
        },
        &m_dialogs);
    m_intro->show();
    m_intro->tick();
    m_intro->tick();
    QVERIFY(window);
    QCOMPARE(IntroWindow::mainWindow(), window.get());
    QCOMPARE(window->profile().variant, variant);
    QVERIFY(window->isVisible());
    QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(window->minimumSize(), window->maximumSize());

    QTest::mouseClick(MainWindowControls(window.get()).BitBtnEmpezar, Qt::LeftButton);
    bool aboutMode = false;
    QTimer::singleShot(0, this, [&aboutMode] {
        IntroWindow *box = IntroWindow::instance();
        aboutMode = box->isAboutMode() && box->isModal();
        IntroControls(box).FlatButton4->click();
    });
    QTest::mouseClick(MainWindowControls(window.get()).BitBtnGrupo, Qt::LeftButton);
    QVERIFY(aboutMode);
    QVERIFY(window->isVisible());
    m_intro.reset();
    window.reset();
}

void TestIntroWindow::stripButtonsGlyphBeforeCaption()
{
    IntroWindow *intro = makeIntro(SportVariant::Futbol);
    for (FlatButton *strip :
         {IntroControls(intro).Btn_Actualizacion, IntroControls(intro).Btn_Bibliografia}) {
        QVERIFY(!strip->icon().isNull());
        QCOMPARE(strip->captionRect().left() - strip->glyphRect().right() - 1, 6);
    }
}

QTEST_MAIN(TestIntroWindow)
#include "tst_introwindow.moc"
