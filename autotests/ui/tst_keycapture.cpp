#include "keycapture.h"
#include "resultsgrid.h"
#include "resultstools.h"
#include "widgets.h"
#include "windowharness.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using namespace Protocol;
using namespace Qt::StringLiterals;

namespace {

struct Harness : WindowHarness<>
{
    using WindowHarness::WindowHarness;
    ResultsTools *tools() const { return window.resultsTools(); }
    QString field() const { return tools()->keyField()->text(); }
    bool running(int slot) const { return !stopButton(slot)->isHidden(); }
    int slotCount() const { return window.results().slotCount(); }
    // Names every slot given and starts an effort test without warm-up.
    void start(const QList<int> &named)
    {
        for (int slot : named)
            name(slot, QStringLiteral("Atleta %1").arg(slot));
        QTest::mouseClick(ui()->BitBtnEmpezar, Qt::LeftButton);
        QTest::mouseClick(ui()->FlatRadioButton3, Qt::LeftButton);
        ui()->CheckBox_Calentamiento->setChecked(false);
        QTest::mouseClick(ui()->BitBtnStart, Qt::LeftButton);
    }
    // Keys as the operator types them, to whatever has the focus.
    void type(const QString &keys, QWidget *to = nullptr)
    {
        QWidget *target = to ? to : grid();
        for (const QChar c : keys) {
            if (c == QLatin1Char('\n'))
                QTest::keyClick(target, Qt::Key_Return);
            else
                QTest::keyClick(target, c.toLatin1());
        }
    }
    void undo(QWidget *to = nullptr)
    {
        QTest::keyClick(to ? to : grid(), Qt::Key_Z, Qt::ControlModifier);
    }
};

} // namespace

class TestKeyCapture : public QObject
{
    Q_OBJECT

private slots:
    void twoAthletesStoppedWithin200ms_data();
    void twoAthletesStoppedWithin200ms();
    void wrongNumberIsOnlyNoted_data();
    void wrongNumberIsOnlyNoted();
    void editInProgressKeepsItsKeys_data();
    void editInProgressKeepsItsKeys();
    void escapeAndPauseForgetTheDigits();
    void whatTheFieldShows_data();
    void whatTheFieldShows();
    void ctrlZReactivatesTheLastStopped();
    void ctrlZFollowsTheMenusRule();
    void undoSkipsAndRedoRestores_data();
    void undoSkipsAndRedoRestores();
    void typingIntoTheGrid_data();
    void typingIntoTheGrid();
    void keysCountOnlyWhileATestRuns();
    void buttonsBesideExportAndClear_data();
    void buttonsBesideExportAndClear();
};

void TestKeyCapture::twoAthletesStoppedWithin200ms_data()
{
    addEverySport();
}

// The last slot has two digits in every profile; the two stops are 150 ms apart and each gets
// the displays of its own moment.
void TestKeyCapture::twoAthletesStoppedWithin200ms()
{
    QFETCH(SportVariant, variant);
    Harness h(variant);
    const int last = h.slotCount();
    h.start({1, 2, last});
    h.advanceTo(59990);
    h.type(QStringLiteral("2"));
    QCOMPARE(h.field(), QStringLiteral("Nº 2"));
    h.type(QStringLiteral("\n"));
    const QString firstTime = h.cell(ResultsModel::Time, 2);
    h.advanceTo(60140);
    h.type(QString::number(last) + QLatin1Char('\n'));

    QVERIFY(!h.running(2));
    QVERIFY(!h.running(last));
    QVERIFY(h.running(1));
    QCOMPARE(firstTime, QStringLiteral("00:59"));
    QCOMPARE(h.cell(ResultsModel::Time, last), QStringLiteral("01:00"));
    QVERIFY(!h.cell(ResultsModel::Periods, 2).isEmpty());
    QCOMPARE(h.cell(ResultsModel::Periods, last),
             QString::number(h.window.engine().periodShown() - h.window.engine().startPeriod()));
    QCOMPARE(h.cell(ResultsModel::Distance, last), h.window.engine().distanceText());
    QCOMPARE(h.cell(ResultsModel::Speed, last), h.window.engine().speedText());
    QVERIFY(h.cell(ResultsModel::Periods, 1).isEmpty());
    QCOMPARE(h.grid()->currentIndex().row(), last - 1); // the capture selects the row
    QCOMPARE(h.field(), QString());
}

void TestKeyCapture::wrongNumberIsOnlyNoted_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("note");
    QTest::newRow("beyond the table, 14 slots")
        << SportVariant::Futbol << QStringLiteral("15") << QStringLiteral("Nº 15 no existe");
    QTest::newRow("beyond the table, 12 slots")
        << SportVariant::Voley << QStringLiteral("13") << QStringLiteral("Nº 13 no existe");
    QTest::newRow("zero") << SportVariant::Basket << QStringLiteral("0")
                          << QStringLiteral("Nº 0 no existe");
    QTest::newRow("empty row") << SportVariant::FutSal << QStringLiteral("4")
                               << QStringLiteral("Nº 4 no está en marcha");
    QTest::newRow("already stopped")
        << SportVariant::Probst << QStringLiteral("1") << QStringLiteral("Nº 1 no está en marcha");
    QTest::newRow("named after the start")
        << SportVariant::Futbol << QStringLiteral("3") << QStringLiteral("Nº 3 no está en marcha");
}

void TestKeyCapture::wrongNumberIsOnlyNoted()
{
    QFETCH(SportVariant, variant);
    QFETCH(QString, typed);
    QFETCH(QString, note);
    Harness h(variant);
    h.start({1, 2});
    h.advanceTo(30000);
    h.press(h.stopButton(1));
    const QString stoppedAt = h.cell(ResultsModel::Time, 1);
    h.window.results().setCell(ResultsModel::Name, 3, QStringLiteral("Tarde"));
    h.advanceTo(45000);

    h.type(typed + QLatin1Char('\n'));
    QCOMPARE(h.field(), note);
    QCOMPARE(h.cell(ResultsModel::Time, 1), stoppedAt);
    QVERIFY(h.running(2));
    for (int slot = 2; slot <= h.slotCount(); ++slot)
        QVERIFY(h.cell(ResultsModel::Periods, slot).isEmpty());
    // The next digit replaces the note.
    h.type(QStringLiteral("2"));
    QCOMPARE(h.field(), QStringLiteral("Nº 2"));
}

void TestKeyCapture::editInProgressKeepsItsKeys_data()
{
    QTest::addColumn<bool>("gridCell");
    QTest::newRow("name cell") << true;
    QTest::newRow("period table memo") << false;
}

void TestKeyCapture::editInProgressKeepsItsKeys()
{
    QFETCH(bool, gridCell);
    Harness h(SportVariant::Futbol);
    h.start({1, 3});
    h.advanceTo(20000);
    h.type(QStringLiteral("3")); // a number typed just before an edit never combines with it
    QWidget *editor = nullptr;
    if (gridCell) {
        const QModelIndex name = h.window.results().index(2, ResultsModel::Name);
        h.grid()->setEditingMode();
        h.grid()->setCurrentIndex(name);
        h.grid()->edit(name);
        editor = h.grid()->viewport()->findChild<QLineEdit *>();
    } else {
        h.ui()->PanelParametros->show();
        h.ui()->MemoPeriodoN->moveCursor(QTextCursor::End);
        editor = h.ui()->MemoPeriodoN;
    }
    QVERIFY(editor);
    const QString before = h.ui()->MemoPeriodoN->toPlainText();
    h.type(QStringLiteral("3\n"), editor);
    QCoreApplication::processEvents(); // the grid closes its editor after the key

    QVERIFY(h.running(3));
    QVERIFY(h.cell(ResultsModel::Periods, 3).isEmpty());
    QCOMPARE(h.field(), QString());
    if (gridCell)
        QVERIFY(h.cell(ResultsModel::Name, 3).endsWith(QLatin1Char('3')));
    else
        QCOMPARE(h.ui()->MemoPeriodoN->toPlainText().size(), before.size() + 2);
    // Once the edit is over, the same keys stop the athlete.
    h.type(QStringLiteral("3\n"));
    QVERIFY(!h.running(3));
}

void TestKeyCapture::escapeAndPauseForgetTheDigits()
{
    Harness h(SportVariant::Futbol);
    h.start({2, 3, 12, 13});
    h.advanceTo(10000);
    h.type(QStringLiteral("1"));
    QTest::keyClick(h.grid(), Qt::Key_Escape);
    QCOMPARE(h.field(), QString());
    h.type(QStringLiteral("2\n"));
    QVERIFY(!h.running(2));
    QVERIFY(h.running(12));

    // A pause of 2 s clears the field, and the next digit starts a new number.
    h.type(QStringLiteral("1"));
    h.clock.advance(KeyCapture::PauseMs - 1);
    h.tools()->keys()->expire();
    QCOMPARE(h.field(), QStringLiteral("Nº 1"));
    h.clock.advance(1);
    h.tools()->keys()->expire();
    QCOMPARE(h.field(), QString());
    h.type(QStringLiteral("1"));
    h.clock.advance(KeyCapture::PauseMs);
    h.type(QStringLiteral("3\n")); // 3, not 13
    QVERIFY(!h.running(3));
    QVERIFY(h.running(13));

    // Backspace takes back the last digit; a third digit is no slot and is left out.
    h.type(QStringLiteral("139"));
    QCOMPARE(h.field(), QStringLiteral("Nº 13"));
    QTest::keyClick(h.grid(), Qt::Key_Backspace);
    h.type(QStringLiteral("2\n"));
    QVERIFY(!h.running(12));
    QVERIFY(h.running(13));
}

void TestKeyCapture::whatTheFieldShows_data()
{
    QTest::addColumn<QString>("to");   // "grid", "keypad" (to the grid) or "read-only memo"
    QTest::addColumn<QString>("keys"); // digits, Enter; < Backspace, ! Escape, + 1.5 s pause
    QTest::addColumn<QString>("field");
    QTest::newRow("numeric keypad")
        << QStringLiteral("keypad") << QStringLiteral("12") << QStringLiteral("Nº 12");
    QTest::newRow("a read-only memo has the focus")
        << QStringLiteral("read-only memo") << QStringLiteral("12") << QStringLiteral("Nº 12");
    QTest::newRow("Backspace restarts the pause")
        << QStringLiteral("grid") << QStringLiteral("12+<+") << QStringLiteral("Nº 1");
    QTest::newRow("Escape clears a note")
        << QStringLiteral("grid") << QStringLiteral("15\n!") << QString();
}

void TestKeyCapture::whatTheFieldShows()
{
    QFETCH(QString, to);
    QFETCH(QString, keys);
    QFETCH(QString, field);
    Harness h(SportVariant::Futbol);
    h.start({1, 12});
    h.advanceTo(10000);
    QWidget *target = h.grid();
    if (to == QLatin1String("read-only memo")) {
        h.ui()->MemoPeriodoN->setReadOnly(true);
        target = h.ui()->MemoPeriodoN;
    }
    for (const QChar c : keys) {
        if (c == QLatin1Char('+'))
            h.clock.advance(KeyCapture::PauseMs * 3 / 4);
        else if (c == QLatin1Char('<') || c == QLatin1Char('!'))
            QTest::keyClick(target, c == QLatin1Char('<') ? Qt::Key_Backspace : Qt::Key_Escape);
        else if (to == QLatin1String("keypad"))
            QTest::keyClick(target, Qt::Key(Qt::Key_0 + c.digitValue()), Qt::KeypadModifier);
        else
            h.type(c, target);
    }
    h.tools()->keys()->expire();
    QCOMPARE(h.field(), field);
}

void TestKeyCapture::ctrlZReactivatesTheLastStopped()
{
    Harness h(SportVariant::Basket);
    h.start({2, 5, 7});
    h.advanceTo(20000);
    h.type(QStringLiteral("5\n"));
    h.advanceTo(21000);
    h.type(QStringLiteral("2\n"));
    QTest::mouseClick(h.stopButton(7), Qt::LeftButton);
    QVERIFY(!h.running(7));

    h.undo();
    QVERIFY(h.running(7));
    QVERIFY(h.cell(ResultsModel::Vo2Max, 7).isEmpty());
    QCOMPARE(h.field(), QStringLiteral("Nº 7 vuelve a correr"));
    h.undo();
    QVERIFY(h.running(2));
    QVERIFY(h.cell(ResultsModel::Time, 2).isEmpty());
    QCOMPARE(h.cell(ResultsModel::Number, 2), QStringLiteral("2"));
    h.undo();
    QVERIFY(h.running(5));
    h.undo();
    QCOMPARE(h.field(), QStringLiteral("Nadie que volver a activar"));

    // Re-activated athletes are captured anew.
    h.advanceTo(25000);
    h.type(QStringLiteral("5\n"));
    QCOMPARE(h.cell(ResultsModel::Time, 5), QStringLiteral("00:25"));
}

// Ctrl+Z refuses what the pop-up menu would refuse: here a name erased after the stop.
void TestKeyCapture::ctrlZFollowsTheMenusRule()
{
    Harness h(SportVariant::Voley);
    h.start({4});
    h.advanceTo(20000);
    h.type(QStringLiteral("4\n"));
    h.window.results().setCell(ResultsModel::Name, 4, QString());
    h.undo();
    QVERIFY(!h.running(4));
    QVERIFY(!h.cell(ResultsModel::Periods, 4).isEmpty());
    QCOMPARE(h.field(), QStringLiteral("Nº 4 no se puede volver a activar"));
}

void TestKeyCapture::undoSkipsAndRedoRestores_data()
{
    // Steps a second apart (s<n> types n Enter, m<n> re-activates n from the menu, or keys),
    // then the note and the athletes running; each stopped one keeps its own last stop's result.
    QTest::addColumn<QString>("script");
    QTest::newRow("menu's re-activation skipped") << u"s1 s2 m2 Ctrl+Z|Nº 1 vuelve a correr|123"_s;
    QTest::newRow("Ctrl+Z put back") << u"s1 s2 Ctrl+Z Ctrl+Y|Nº 2: resultado restaurado|3"_s;
    QTest::newRow("menu's put back") << u"s1 s2 m1 Ctrl+Shift+Z|Nº 1: resultado restaurado|3"_s;
    QTest::newRow("stopped again") << u"s1 Ctrl+Z s1 Ctrl+Y|Nada que restaurar|23"_s;
}

void TestKeyCapture::undoSkipsAndRedoRestores()
{
    QFETCH(QString, script);
    const QStringList parts = script.split(QLatin1Char('|'));
    Harness h(SportVariant::Futbol);
    h.start({1, 2, 3});
    QMap<int, QString> stoppedAt;
    for (const QString &step : parts.at(0).split(QLatin1Char(' '))) {
        h.advanceTo(h.clock.nowMs() + 1000);
        const int slot = step.mid(1).toInt();
        if (step.startsWith(QLatin1Char('s'))) {
            h.type(QString::number(slot) + QLatin1Char('\n'));
            stoppedAt[slot] = h.cell(ResultsModel::Time, slot);
        } else if (step.startsWith(QLatin1Char('m'))) {
            h.reactivateFromMenu(slot);
        } else
            QTest::keySequence(h.grid(), QKeySequence(step));
    }
    QCOMPARE(h.field(), parts.at(1));
    for (int slot = 1; slot <= 3; ++slot) {
        QCOMPARE(h.running(slot), parts.at(2).contains(QString::number(slot)));
        QCOMPARE(h.cell(ResultsModel::Time, slot), h.running(slot) ? QString() : stoppedAt[slot]);
    }
}

void TestKeyCapture::typingIntoTheGrid_data()
{
    // When (before or after the test), how an edit is asked for, the keys, the name then.
    QTest::addColumn<QString>("script");
    QTest::newRow("before a test, a number") << u"before||6\n|6"_s;
    QTest::newRow("a click on the selected cell, then typing")
        << u"before|click|Nombre1\n|Nombre1"_s;
    QTest::newRow("after the end, a number") << u"after||6\n|Atleta 1"_s;
    QTest::newRow("after the end, F2 first") << u"after|f2|6\n|6"_s;
}

// From the start of a test until "Nuevo Test" a key typed with no editor open renames nobody,
// and says how to edit; whatever asks for an edit, every key typed after it lands in the editor.
void TestKeyCapture::typingIntoTheGrid()
{
    QFETCH(QString, script);
    const QStringList parts = script.split(QLatin1Char('|'));
    Harness h(SportVariant::Futbol);
    h.name(1, QStringLiteral("Atleta 1"));
    if (parts.at(0) != u"before"_s)
        h.start({1});
    if (parts.at(0) == u"after"_s)
        QTest::mouseClick(h.ui()->BitBtnStop, Qt::LeftButton);
    const QPoint name = h.grid()->visualRect(h.results().index(0, ResultsModel::Name)).center();
    QTest::mouseClick(h.grid()->viewport(), Qt::LeftButton, {}, name);
    if (parts.at(1) == u"click"_s)
        QTest::mouseClick(h.grid()->viewport(), Qt::LeftButton, {}, name);
    else if (parts.at(1) == u"f2"_s)
        QTest::keyClick(h.grid(), Qt::Key_F2);
    for (const QChar c : parts.at(2))
        h.type(QString(c), QApplication::focusWidget()); // keys go where the focus is
    QCoreApplication::processEvents();
    QCOMPARE(h.cell(ResultsModel::Name, 1), parts.at(3));
    QCOMPARE(h.ui()->LabelAviso->isVisible(), parts.at(3) == u"Atleta 1"_s);
}

void TestKeyCapture::keysCountOnlyWhileATestRuns()
{
    Harness h(SportVariant::Futbol);
    h.window.results().setCell(ResultsModel::Name, 1, QStringLiteral("Ana"));
    QVERIFY(!h.tools()->keyField()->isVisible());
    h.type(QStringLiteral("1\n"));
    QCOMPARE(h.tools()->keys()->digits(), QString());

    h.start({1, 2});
    QVERIFY(h.tools()->keyField()->isVisible());
    h.advanceTo(5000);
    QTest::mouseClick(h.ui()->BitBtnStop, Qt::LeftButton);
    QVERIFY(!h.tools()->keyField()->isVisible());
    const QString time = h.cell(ResultsModel::Time, 1);
    h.type(QStringLiteral("1\n"));
    h.undo();
    QCOMPARE(h.cell(ResultsModel::Time, 1), time);
    QVERIFY(!h.running(1));
    QCOMPARE(h.tools()->keys()->digits(), QString());
}

void TestKeyCapture::buttonsBesideExportAndClear_data()
{
    addEverySport();
}

// The new buttons stand in the title strip left of the clear button, covering neither it, the
// export button nor the strip's caption; the typed-digits field keeps clear of them all.
void TestKeyCapture::buttonsBesideExportAndClear()
{
    QFETCH(SportVariant, variant);
    Harness h(variant);
    const MainWindowControls *ui = h.ui();
    QTest::mouseClick(ui->BitBtnEmpezar, Qt::LeftButton);
    const QRect strip = ui->FlatPanel6->geometry();
    const int caption = ui->FlatPanel6->fontMetrics().horizontalAdvance(ui->FlatPanel6->text());
    const int middle = strip.x() + ui->FlatPanel6->contentsRect().center().x();
    const QRect captionRect(middle - caption / 2, strip.y(), caption, strip.height());
    FlatButton *history = h.tools()->historyButton();
    FlatButton *report = h.tools()->reportButton();
    QLabel *field = h.tools()->keyField();
    auto *squads = h.window.findChild<QWidget *>(QStringLiteral("BtnPlantillas"));
    const QList<QWidget *> all = {history,           report, field, squads, ui->BtnBorrarTabla,
                                  ui->BtnExportDatos};
    for (QWidget *a : all) {
        QVERIFY(strip.united(ui->BtnExportDatos->geometry()).contains(a->geometry()));
        QVERIFY(!a->geometry().intersects(captionRect));
        for (QWidget *b : all) {
            // The clear button overlaps the export button by one pixel, by design.
            const bool designed = (a == ui->BtnBorrarTabla && b == ui->BtnExportDatos) ||
                                  (b == ui->BtnBorrarTabla && a == ui->BtnExportDatos);
            if (a != b && !designed)
                QVERIFY2(!a->geometry().intersects(b->geometry()),
                         qPrintable(a->objectName() + QLatin1Char('/') + b->objectName()));
        }
    }
    h.tools()->keys()->setNote(u"Nº 12 no se puede volver a activar"_s); // read whole, wrapped
    QVERIFY(field->wordWrap() && field->heightForWidth(field->width()) <= field->height());
    QVERIFY(field->geometry().right() < captionRect.left());
    QVERIFY(history->x() < report->x());
    QVERIFY(report->x() < ui->BtnBorrarTabla->x());
    QCOMPARE(history->text(), QStringLiteral("Historial"));
    QCOMPARE(report->text(), QStringLiteral("Informe"));

    // The history serves between tests; the report whenever the export does.
    QVERIFY(history->isEnabled());
    QCOMPARE(report->isEnabled(), ui->BtnExportDatos->isEnabled());
    h.start({1});
    QVERIFY(!history->isEnabled());
    QVERIFY(!report->isEnabled());
    QTest::mouseClick(ui->BitBtnStop, Qt::LeftButton);
    QVERIFY(history->isEnabled());
    QVERIFY(report->isEnabled());
}

QTEST_MAIN(TestKeyCapture)
#include "tst_keycapture.moc"
