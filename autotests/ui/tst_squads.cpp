#include "resultsgrid.h"
#include "squadmenu.h"
#include "windowharness.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

using namespace Protocol;

namespace {

using Harness = WindowHarness<>;

Squad squadOf(int size)
{
    Squad squad{QStringLiteral("Cadete"), {}, {}};
    for (int i = 0; i < size; ++i)
        squad.members.append(
            {QStringLiteral("C%1").arg(i), QStringLiteral("Jugador %1").arg(i), {}, 0});
    return squad;
}

} // namespace

class TestSquads : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QStandardPaths::setTestModeEnabled(true);
        QDir(QFileInfo(AthleteStore::defaultPath()).absolutePath()).removeRecursively();
    }

    void loadsSquadThroughChecklistAndSaveQuestion_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("withResults");
        QTest::addColumn<QMessageBox::StandardButton>("save");
        QTest::addColumn<QString>("firstSlot"); // "" when nothing is loaded
        QTest::newRow("fits the grid") << 3 << false << QMessageBox::NoButton << "Jugador 0";
        QTest::newRow("larger: the ticked, in their order")
            << 16 << false << QMessageBox::NoButton << "Jugador 15";
        QTest::newRow("over results, not saved") << 3 << true << QMessageBox::No << "Jugador 0";
        QTest::newRow("over results, save cancelled") << 3 << true << QMessageBox::Yes << "";
    }
    void loadsSquadThroughChecklistAndSaveQuestion()
    {
        QFETCH(int, size);
        QFETCH(bool, withResults);
        QFETCH(QMessageBox::StandardButton, save);
        QFETCH(QString, firstSlot);
        Harness h(SportVariant::Basket);
        SquadMenu *squads = h.window.squadMenu();
        QVERIFY(squads->store().saveSquad(squadOf(size)));
        h.name(1, QStringLiteral("Antes"));
        if (withResults)
            h.results().setCell(ResultsModel::Periods, 1, QStringLiteral("3"));
        h.dialogs.answers = {save};
        int offered = 0;
        squads->pickRunners = [&](const Squad &, int places) {
            offered = places;
            return QList<int>{15, 0};
        };
        QCOMPARE(squads->loadSquad(QStringLiteral("Cadete")), !firstSlot.isEmpty());
        QCOMPARE(offered, size > 12 ? 12 : 0);
        QCOMPARE(h.dialogs.questions.size(), withResults ? 1 : 0);
        QCOMPARE(h.cell(ResultsModel::Name, 1),
                 firstSlot.isEmpty() ? QStringLiteral("Antes") : firstSlot);
        QCOMPARE(h.cell(ResultsModel::Name, 2).isEmpty(), firstSlot.isEmpty());
        QCOMPARE(h.cell(ResultsModel::Name, 4), QString());
    }

    void checklistTakesAtMostTheGrid()
    {
        Harness h(SportVariant::Voley);
        QVERIFY(h.window.squadMenu()->store().saveSquad(squadOf(14)));
        bool okWithThirteen = true;
        QTimer::singleShot(0, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            auto *list = dialog->findChild<QListWidget *>(QStringLiteral("ListaCorredores"));
            auto *ok = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
            list->item(12)->setCheckState(Qt::Checked);
            okWithThirteen = ok->isEnabled();
            list->item(0)->setCheckState(Qt::Unchecked);
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        QVERIFY(h.window.squadMenu()->loadSquad(QStringLiteral("Cadete")));
        QVERIFY(!okWithThirteen);
        QCOMPARE(h.cell(ResultsModel::Name, 1), QStringLiteral("Jugador 1"));
        QCOMPARE(h.cell(ResultsModel::Name, 12), QStringLiteral("Jugador 12"));
    }

    void menuServesBetweenTestsOnly()
    {
        Harness h(SportVariant::Futbol);
        h.name(1, QStringLiteral("Ana"));
        QMenu *menu = h.window.findChild<QMenu *>(QStringLiteral("MenuPlantillas"));
        auto *button = h.window.findChild<QWidget *>(QStringLiteral("BtnPlantillas"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(menu->isVisible() && menu->actions().first()->isEnabled());
        menu->hide();
        h.press(h.ui()->FlatRadioButton1);
        h.press(h.ui()->BitBtnStart);
        QVERIFY(!button->isEnabled());
        QMetaObject::invokeMethod(menu, &QMenu::aboutToShow);
        QVERIFY(!menu->actions().first()->isEnabled());
        h.press(h.ui()->BitBtnStop);
        QVERIFY(button->isEnabled());
    }

    void suggestsKnownAthletesAndNotesConflicts()
    {
        Harness h(SportVariant::Futbol);
        QVERIFY(h.window.squadMenu()->store().learn(
            {{QStringLiteral("A03"), QStringLiteral("Nuria Peña"), {}, 0}}));
        const QModelIndex index = h.results().index(0, ResultsModel::Name);
        h.grid()->setCurrentIndex(index);
        h.grid()->edit(index);
        auto *editor = h.grid()->findChild<QLineEdit *>();
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("NURIA PEN"));
        QAbstractItemView *popup = editor->findChild<QCompleter *>()->popup();
        QTRY_VERIFY(popup->isVisible());
        QTest::keyClick(popup, Qt::Key_Down);
        QTest::keyClick(popup, Qt::Key_Return);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(h.cell(ResultsModel::Name, 1), QStringLiteral("Nuria Peña"));
        QCOMPARE(h.cell(ResultsModel::Code, 1), QStringLiteral("A03"));

        h.name(2, QStringLiteral("Luis"), QStringLiteral("a03"));
        QCOMPARE(h.ui()->LabelAviso->text(), QStringLiteral("El código a03 es de Nuria Peña"));
        QCOMPARE(h.cell(ResultsModel::Name, 2), QStringLiteral("Luis"));
        h.name(3, QStringLiteral("nuria pena"), QStringLiteral("B9"));
        QCOMPARE(h.ui()->LabelAviso->text(), QStringLiteral("nuria pena tiene el código A03"));
        QCOMPARE(h.cell(ResultsModel::Code, 3), QStringLiteral("B9"));
    }

    void exportAndImportMakeAthletesKnown()
    {
        QTemporaryDir dir;
        Harness h(SportVariant::Futbol);
        h.name(1, QStringLiteral("Eva Gil"), QStringLiteral("E1"));
        h.dialogs.saveTo = dir.filePath(QStringLiteral("r.txt"));
        h.press(h.ui()->FlatRadioButton3);
        h.press(h.ui()->BitBtnStart);
        h.press(h.ui()->BitBtnStop);
        QVERIFY(h.pressExport());
        AthleteStore &store = h.window.squadMenu()->store();
        QCOMPARE(store.athletes().value(0).name, QStringLiteral("Eva Gil"));
        h.name(2, QStringLiteral("Íñigo"), QStringLiteral("I4"));
        h.window.resultsRestored({}); // as the recovery of a journal ends
        QCOMPARE(store.athletes().size(), 2);

        QFile list(dir.filePath(QStringLiteral("lista.csv")));
        QVERIFY(list.open(QIODevice::WriteOnly) && list.write("Ana,A1\n,B2\nBea,B3\n"));
        list.close();
        h.dialogs.answers = {QMessageBox::No, QMessageBox::Yes};
        QVERIFY(!h.window.squadMenu()->importFile(list.fileName(), QStringLiteral("Lista")));
        QCOMPARE(store.athletes().size(), 2);
        QVERIFY(h.window.squadMenu()->importFile(list.fileName(), QStringLiteral("Lista")));
        QCOMPARE(store.squad(QStringLiteral("Lista"))->members.size(), 2);
    }
};

QTEST_MAIN(TestSquads)
#include "tst_squads.moc"
