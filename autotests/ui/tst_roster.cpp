#include "resultsgrid.h"
#include "widgets.h"
#include "windowharness.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

using namespace Protocol;

namespace {

using Harness = WindowHarness<>;

// A mouse move without buttons, as the window system delivers it to a tracking widget.
void hover(QWidget *widget, QPoint pos = QPoint(2, 2))
{
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// Types any text, one key event per character, as a keyboard layout would send it.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        const Qt::Key key = c == QLatin1Char('\t') ? Qt::Key_Tab : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::KeyAction::Press, widget, key, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::KeyAction::Release, widget, key, QString(c), Qt::NoModifier);
    }
}

enum class Route { Typed, Pasted };

// Edits a cell through the grid's editor, typed key by key or pasted at once, and commits it.
void editCell(Harness &h, int column, const QString &text, Route route = Route::Typed)
{
    const QModelIndex index = h.window.results().index(0, column);
    ResultsGrid *grid = h.grid();
    grid->setCurrentIndex(index);
    grid->edit(index);
    auto *editor = grid->findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->selectAll();
    if (route == Route::Typed)
        typeText(editor, text);
    else
        editor->insert(text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The view commits on the next turn of the loop and deletes the editor later.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestRoster : public QObject
{
    Q_OBJECT

private slots:
    void gridShape_data();
    void gridShape();
    void stopButtonsBesideTheirRows_data();
    void stopButtonsBesideTheirRows();
    void startPeriodRule_data();
    void startPeriodRule();
    void periodSelectsCategory_data();
    void periodSelectsCategory();
    void spinBoundsAndTypedKeys();
    void periodBoxStepsByOneOnly_data();
    void periodBoxStepsByOneOnly();
    void hoverColoursUntilAModeIsPicked();
    void repeatPeriodHidesButKeepsTheWarmUpTick();
    void activationNumbersNamedRowsOnly();
    void captureInEffortRecoveryAndAtTheEnd();
    void basketballVo2Max();
    void hoverSelectsTheAthletesRow_data();
    void hoverSelectsTheAthletesRow();
    void nameAndCodeCellsRefuseWhatTheFileCannotHold();
    void endOfTestCapturesEverySlot_data();
    void endOfTestCapturesEverySlot();
    void reactivationNeedsANameAndAResult_data();
    void reactivationNeedsANameAndAResult();
    void gridColumnsFitTheirContent_data();
    void gridColumnsFitTheirContent();
    void tabMovesBetweenCellsOnlyInTheDesignSet_data();
    void tabMovesBetweenCellsOnlyInTheDesignSet();
    void editsAreComposedCleanedThenCut_data();
    void editsAreComposedCleanedThenCut();
    void refusalNoteByTheGrid_data();
    void refusalNoteByTheGrid();
};

void TestRoster::gridShape_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::newRow("futbol") << SportVariant::Futbol << 14 << 7;
    QTest::newRow("basket") << SportVariant::Basket << 12 << 8;
    QTest::newRow("futsal") << SportVariant::FutSal << 14 << 7;
    QTest::newRow("voley") << SportVariant::Voley << 12 << 7;
}

void TestRoster::gridShape()
{
    QFETCH(SportVariant, variant);
    QFETCH(int, rows);
    QFETCH(int, columns);
    Harness h(variant);
    QCOMPARE(h.window.results().rowCount(), rows);
    QCOMPARE(h.window.results().columnCount(), columns);
}

void TestRoster::stopButtonsBesideTheirRows_data()
{
    gridShape_data();
}

void TestRoster::stopButtonsBesideTheirRows()
{
    QFETCH(SportVariant, variant);
    QFETCH(int, rows);
    Harness h(variant);
    for (int slot = 1; slot <= rows; ++slot) {
        FlatButton *button = h.stopButton(slot);
        const QRect row = h.grid()->slotRect(slot);
        const QPoint rowTop = h.grid()->mapTo(h.ui()->PanelDeportistas, row.topLeft());
        QCOMPARE(button->y(), rowTop.y());
        QCOMPARE(button->height(), row.height());
        QCOMPARE(button->x() + button->width() + 1, h.ui()->PanelReg_SJp->x());
    }
}

void TestRoster::startPeriodRule_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<int>("sex");
    QTest::addColumn<int>("category");
    QTest::addColumn<int>("period");
    QTest::addColumn<QString>("speed");
    QTest::newRow("futbol F juvenil")
        << SportVariant::Futbol << 1 << 1 << 5 << QStringLiteral("6,6");
    QTest::newRow("probst M senior")
        << SportVariant::Probst << 0 << 2 << 12 << QStringLiteral("10,8");
    QTest::newRow("probst F senior")
        << SportVariant::Probst << 1 << 2 << 10 << QStringLiteral("9,6");
    QTest::newRow("basket M juvenil")
        << SportVariant::Basket << 0 << 1 << 4 << QStringLiteral("7,2");
    QTest::newRow("basket F senior")
        << SportVariant::Basket << 1 << 2 << 5 << QStringLiteral("7,8");
    QTest::newRow("futsal M senior")
        << SportVariant::FutSal << 0 << 2 << 6 << QStringLiteral("7,2");
    QTest::newRow("voley F senior") << SportVariant::Voley << 1 << 2 << 5 << QStringLiteral("6,6");
}

void TestRoster::startPeriodRule()
{
    QFETCH(SportVariant, variant);
    QFETCH(int, sex);
    QFETCH(int, category);
    QFETCH(int, period);
    QFETCH(QString, speed);
    Harness h(variant);
    const MainWindowControls *ui = h.ui();
    QTest::mouseClick(ui->FlatRadioButton3, Qt::LeftButton);
    QVERIFY(ui->FlatPanel15->isVisible());
    // Picking the sex before any category proposes nothing.
    ui->ComboBoxSexo->setCurrentIndex(1 - sex);
    ui->ComboBoxSexo->setCurrentIndex(sex);
    QCOMPARE(ui->SpinEdit1->value(), 1);
    ui->ComboBoxCategoria->setCurrentIndex(category);
    QCOMPARE(ui->SpinEdit1->value(), period);
    QCOMPARE(h.window.engine().currentPeriod(), period);
    QCOMPARE(ui->Velocidad->text(), speed);
    QCOMPARE(ui->LabelVelocidad->text(), speed + QStringLiteral(" Km/h"));
    QCOMPARE(ui->ComboBoxCategoria->currentIndex(), category);
}

void TestRoster::periodSelectsCategory_data()
{
    QTest::addColumn<SportVariant>("variant");
    QTest::addColumn<int>("sex");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("category");
    QTest::newRow("futbol M 5->6 juvenil") << SportVariant::Futbol << 0 << 5 << 6 << 1;
    QTest::newRow("futbol M 8->9 senior") << SportVariant::Futbol << 0 << 8 << 9 << 2;
    QTest::newRow("futbol F 4->5 juvenil") << SportVariant::Futbol << 1 << 4 << 5 << 1;
    QTest::newRow("probst M 11->12 senior") << SportVariant::Probst << 0 << 11 << 12 << 2;
    QTest::newRow("futsal M 20->21 stays senior") << SportVariant::FutSal << 0 << 20 << 21 << 2;
    QTest::newRow("voley F 2->3 juvenil") << SportVariant::Voley << 1 << 2 << 3 << 1;
    // Basketball has no ranges: the category picked stays whatever the period.
    QTest::newRow("basket keeps senior") << SportVariant::Basket << 0 << 6 << 1 << 2;
}

void TestRoster::periodSelectsCategory()
{
    QFETCH(SportVariant, variant);
    QFETCH(int, sex);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, category);
    Harness h(variant);
    const MainWindowControls *ui = h.ui();
    QTest::mouseClick(ui->FlatRadioButton3, Qt::LeftButton);
    ui->ComboBoxSexo->setCurrentIndex(sex);
    ui->ComboBoxCategoria->setCurrentIndex(2);
    ui->SpinEdit1->setValue(from);
    ui->SpinEdit1->setFocus();
    const int steps = to - from;
    for (int i = 0; i < qAbs(steps); ++i)
        QTest::keyClick(ui->SpinEdit1, steps > 0 ? Qt::Key_Up : Qt::Key_Down);
    QCOMPARE(ui->SpinEdit1->value(), to);
    QCOMPARE(ui->ComboBoxCategoria->currentIndex(), category);
    QCOMPARE(ui->Velocidad->text(), periodSpeedText(variant, to));
}

void TestRoster::spinBoundsAndTypedKeys()
{
    Harness h(SportVariant::Voley);
    const MainWindowControls *ui = h.ui();
    QTest::mouseClick(ui->FlatRadioButton3, Qt::LeftButton);
    ui->SpinEdit1->setFocus();
    QTest::keyClick(ui->SpinEdit1, Qt::Key_Down);
    QCOMPARE(ui->SpinEdit1->value(), 1);
    QTest::keyClicks(ui->SpinEdit1, QStringLiteral("29"));
    QCOMPARE(ui->SpinEdit1->value(), 1);
    ui->SpinEdit1->setValue(25);
    QTest::keyClick(ui->SpinEdit1, Qt::Key_Up);
    QCOMPARE(ui->SpinEdit1->value(), 25);

    ui->ComboBoxCategoria->setCurrentIndex(0);
    ui->ComboBoxCategoria->setFocus();
    QTest::keyClicks(ui->ComboBoxCategoria, QStringLiteral("Senior"));
    QCOMPARE(ui->ComboBoxCategoria->currentIndex(), 0);
    QTest::keyClicks(ui->ComboBoxSexo, QStringLiteral("Femenina"));
    QCOMPARE(ui->ComboBoxSexo->currentIndex(), 0);
    QTest::keyClick(ui->ComboBoxCategoria, Qt::Key_Down);
    QCOMPARE(ui->ComboBoxCategoria->currentIndex(), 1);
}

void TestRoster::periodBoxStepsByOneOnly_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("expected"); // from 12

    QTest::newRow("End, Backspace") << QStringLiteral("end backspace") << 12;
    QTest::newRow("Home, Delete") << QStringLiteral("home delete") << 12;
    QTest::newRow("Page Up") << QStringLiteral("pageup") << 12;
    QTest::newRow("Page Down") << QStringLiteral("pagedown") << 12;
    QTest::newRow("paste") << QStringLiteral("paste") << 12;
    QTest::newRow("cut") << QStringLiteral("cut") << 12;
    QTest::newRow("Up") << QStringLiteral("up") << 13;
    QTest::newRow("Down") << QStringLiteral("down") << 11;
    QTest::newRow("wheel up") << QStringLiteral("wheel") << 13;
    QTest::newRow("Ctrl + wheel up") << QStringLiteral("ctrl wheel") << 13;
    QTest::newRow("fast wheel down") << QStringLiteral("fast wheel") << 11;
}

// The period changes only in steps of one, through the arrows or the wheel; the engine and the
// speed follow only such steps.
void TestRoster::periodBoxStepsByOneOnly()
{
    QFETCH(QString, input);
    QFETCH(int, expected);
    Harness h(SportVariant::Futbol);
    const MainWindowControls *ui = h.ui();
    QTest::mouseClick(ui->FlatRadioButton3, Qt::LeftButton);
    ui->SpinEdit1->setValue(12);
    ui->SpinEdit1->setFocus();
    QApplication::clipboard()->setText(QStringLiteral("25"));
    QSpinBox *box = ui->SpinEdit1;
    const auto wheel = [box](int delta, Qt::KeyboardModifiers modifiers) {
        const QPointF at(box->width() / 2, box->height() / 2);
        QWheelEvent event(at, box->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(box, &event);
    };
    if (input == QLatin1String("end backspace")) {
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_Backspace);
    } else if (input == QLatin1String("home delete")) {
        QTest::keyClick(box, Qt::Key_Home);
        QTest::keyClick(box, Qt::Key_Delete);
    } else if (input == QLatin1String("pageup")) {
        QTest::keyClick(box, Qt::Key_PageUp);
    } else if (input == QLatin1String("pagedown")) {
        QTest::keyClick(box, Qt::Key_PageDown);
    } else if (input == QLatin1String("paste")) {
        box->selectAll();
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    } else if (input == QLatin1String("cut")) {
        box->selectAll();
        QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
    } else if (input == QLatin1String("up")) {
        QTest::keyClick(box, Qt::Key_Up);
    } else if (input == QLatin1String("down")) {
        QTest::keyClick(box, Qt::Key_Down);
    } else if (input == QLatin1String("wheel")) {
        wheel(120, Qt::NoModifier);
    } else if (input == QLatin1String("ctrl wheel")) {
        wheel(120, Qt::ControlModifier);
    } else if (input == QLatin1String("fast wheel")) {
        wheel(-360, Qt::NoModifier);
    }
    box->clearFocus(); // an edit would be committed now
    QCOMPARE(box->value(), expected);
    QCOMPARE(box->text(), QString::number(expected));
    QCOMPARE(h.window.engine().currentPeriod(), expected);
    QCOMPARE(ui->Velocidad->text(), periodSpeedText(SportVariant::Futbol, expected));
}

void TestRoster::hoverColoursUntilAModeIsPicked()
{
    Harness h(SportVariant::FutSal);
    const MainWindowControls *ui = h.ui();
    const QColor back = QColor::fromRgb(QRgb(h.window.profile().themeBackColor));
    const QColor accent = QColor::fromRgb(QRgb(h.window.profile().themeAccentColor));
    const auto colour = [](QWidget *w) { return w->palette().color(QPalette::WindowText); };

    hover(ui->FlatRadioButton3);
    QCOMPARE(colour(ui->FlatRadioButton3), accent);
    QCOMPARE(colour(ui->FlatRadioButton2), back);
    hover(ui->FlatRadioButton2);
    QCOMPARE(colour(ui->FlatRadioButton2), accent);
    QCOMPARE(colour(ui->FlatRadioButton3), back);
    hover(ui->PanelTipo, QPoint(400, 130));
    QCOMPARE(colour(ui->FlatRadioButton2), back);
    QCOMPARE(colour(ui->FlatRadioButton3), back);

    QTest::mouseClick(ui->FlatRadioButton2, Qt::LeftButton);
    QCOMPARE(colour(ui->FlatRadioButton2), accent);
    hover(ui->FlatRadioButton3);
    hover(ui->PanelTipo, QPoint(400, 130));
    QCOMPARE(colour(ui->FlatRadioButton2), accent);
    QCOMPARE(colour(ui->FlatRadioButton3), back);
}

void TestRoster::repeatPeriodHidesButKeepsTheWarmUpTick()
{
    Harness h(SportVariant::Futbol);
    const MainWindowControls *ui = h.ui();
    QTest::mouseClick(ui->FlatRadioButton2, Qt::LeftButton);
    QVERIFY(!ui->CheckBox_Calentamiento->isVisible());
    QVERIFY(!ui->FlatPanel15->isVisible());
    QVERIFY(ui->FlatPanel23->isVisible());
    QVERIFY(ui->CheckBox_Calentamiento->isChecked());
    QTest::mouseClick(ui->FlatRadioButton3, Qt::LeftButton);
    QVERIFY(ui->CheckBox_Calentamiento->isVisible());
    QVERIFY(ui->CheckBox_Calentamiento->isChecked());
    QTest::mouseClick(ui->FlatRadioButton2, Qt::LeftButton);

    h.name(1, QStringLiteral("Ana"));
    QTest::mouseClick(ui->BitBtnStart, Qt::LeftButton);
    QCOMPARE(h.window.engine().phase(), TestPhase::Effort);
    QVERIFY(h.stopButton(1)->isVisible()); // no warm-up: running at once
}

void TestRoster::activationNumbersNamedRowsOnly()
{
    Harness h(SportVariant::Futbol);
    const MainWindowControls *ui = h.ui();
    h.name(1, QStringLiteral("Ana"), QStringLiteral("C1"));
    h.name(2, QString(), QStringLiteral("C2")); // a code alone is no athlete
    h.window.results().setCell(ResultsModel::Number, 2, QStringLiteral("2"));
    h.name(14, QStringLiteral("Zoe"));
    QTest::mouseClick(ui->FlatRadioButton3, Qt::LeftButton);
    QTest::mouseClick(ui->BitBtnStart, Qt::LeftButton); // warm-up ticked: nobody runs yet
    for (int slot = 1; slot <= 14; ++slot)
        QVERIFY(!h.stopButton(slot)->isVisible());

    // End of the warm-up pause: 28 * 7843 ms + 180 s.
    for (qint64 t = 1000; t <= 28 * 7843 + 180001; t += 1000)
        h.advanceTo(t);
    h.advanceTo(28 * 7843 + 180001);
    QCOMPARE(h.window.engine().phase(), TestPhase::Effort);
    for (int slot = 1; slot <= 14; ++slot)
        QCOMPARE(h.stopButton(slot)->isVisible(), slot == 1 || slot == 14);
    QCOMPARE(h.cell(ResultsModel::Number, 1), QStringLiteral("1"));
    QCOMPARE(h.cell(ResultsModel::Number, 2), QString());
    QCOMPARE(h.cell(ResultsModel::Number, 14), QStringLiteral("14"));
}

void TestRoster::captureInEffortRecoveryAndAtTheEnd()
{
    Harness h(SportVariant::Futbol);
    const MainWindowControls *ui = h.ui();
    for (int slot = 1; slot <= 4; ++slot)
        h.name(slot, QStringLiteral("Atleta %1").arg(slot));
    QTest::mouseClick(ui->FlatRadioButton3, Qt::LeftButton);
    ui->CheckBox_Calentamiento->setChecked(false);
    ui->SpinEdit1->setValue(3); // 6100 ms, "5,4"
    QTest::mouseClick(ui->BitBtnStart, Qt::LeftButton);

    // Effort period 3, beep 10: 61,0 s, 10 * 9,15 = 91,5 -> 92 m.
    h.advanceTo(61001);
    QTest::mouseClick(h.stopButton(2), Qt::LeftButton);
    QVERIFY(!h.stopButton(2)->isVisible());
    QCOMPARE(h.cell(ResultsModel::Time, 2), QStringLiteral("01:01"));
    QCOMPARE(h.cell(ResultsModel::Periods, 2), QStringLiteral("0"));
    QCOMPARE(h.cell(ResultsModel::Distance, 2), QStringLiteral("92"));
    QCOMPARE(h.cell(ResultsModel::Speed, 2), QStringLiteral("5,4"));
    QCOMPARE(h.grid()->currentIndex().row(), 1);

    // Recovery after period 3: the period already reads 4 and the speed is the coming one.
    h.advanceTo(28 * 6100 + 5000);
    QCOMPARE(h.window.engine().phase(), TestPhase::Recovery);
    QTest::mouseClick(h.stopButton(4), Qt::LeftButton);
    QCOMPARE(h.cell(ResultsModel::Time, 4), QStringLiteral("02:55"));
    QCOMPARE(h.cell(ResultsModel::Periods, 4), QStringLiteral("1"));
    QCOMPARE(h.cell(ResultsModel::Distance, 4), QStringLiteral("256"));
    QCOMPARE(h.cell(ResultsModel::Speed, 4), QStringLiteral("6,0"));

    // The end of the test captures everyone still running, with the same displays.
    h.advanceTo(28 * 6100 + 30000 + 3 * 5490 + 1);
    QTest::mouseClick(ui->BitBtnStop, Qt::LeftButton);
    for (int slot : {1, 3}) {
        QVERIFY(!h.stopButton(slot)->isVisible());
        QCOMPARE(h.cell(ResultsModel::Time, slot), QStringLiteral("03:37"));
        QCOMPARE(h.cell(ResultsModel::Periods, slot), QStringLiteral("1"));
        QCOMPARE(h.cell(ResultsModel::Distance, slot), QStringLiteral("284"));
        QCOMPARE(h.cell(ResultsModel::Speed, slot), QStringLiteral("6,0"));
    }
    QCOMPARE(h.grid()->currentIndex().row(), 2); // the last one captured
    QCOMPARE(h.cell(ResultsModel::Time, 2), QStringLiteral("01:01"));
    QVERIFY(ui->BtnExportDatos->isEnabled());
    QVERIFY(ui->BtnBorrarTabla->isEnabled());
    QCOMPARE(h.window.results().columnCount(), 7);
}

void TestRoster::basketballVo2Max()
{
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    Harness h(SportVariant::Basket);
    h.name(1, QStringLiteral("Ana"));
    h.name(2, QStringLiteral("Bea"));
    QTest::mouseClick(h.ui()->FlatRadioButton3, Qt::LeftButton);
    h.ui()->CheckBox_Calentamiento->setChecked(false);
    QTest::mouseClick(h.ui()->BitBtnStart, Qt::LeftButton);
    QTest::mouseClick(h.stopButton(1), Qt::LeftButton);
    QCOMPARE(h.cell(ResultsModel::Distance, 1), QStringLiteral("0"));
    QCOMPARE(h.cell(ResultsModel::Vo2Max, 1), ResultsModel::vo2MaxText(0));
    QLocale::setDefault(QLocale::c());
}

void TestRoster::hoverSelectsTheAthletesRow_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("editing");
    QTest::newRow("name column: back to editing") << 1 << true;
    QTest::newRow("code column: back to editing") << 2 << true;
    QTest::newRow("time column: rows") << 3 << false;
}

void TestRoster::hoverSelectsTheAthletesRow()
{
    QFETCH(int, column);
    QFETCH(bool, editing);
    Harness h(SportVariant::Futbol);
    for (int slot = 1; slot <= 5; ++slot)
        h.name(slot, QStringLiteral("Atleta %1").arg(slot));
    QTest::mouseClick(h.ui()->FlatRadioButton2, Qt::LeftButton);
    QTest::mouseClick(h.ui()->BitBtnStart, Qt::LeftButton);
    QVERIFY(h.grid()->isRowSelectionMode());

    const QRect cell = h.grid()->visualRect(h.window.results().index(0, column));
    QTest::mouseClick(h.grid()->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(h.grid()->isEditingMode(), column == 1 || column == 2);

    hover(h.stopButton(4));
    QCOMPARE(h.grid()->currentIndex().row(), 3);
    QCOMPARE(h.grid()->currentIndex().column(), column);
    QCOMPARE(h.grid()->isEditingMode(), editing);
    QCOMPARE(h.grid()->isRowSelectionMode(), !editing);

    // Moving again over the same button leaves row-selection mode in place.
    hover(h.stopButton(4), QPoint(3, 3));
    QVERIFY(h.grid()->isRowSelectionMode());
}

void TestRoster::nameAndCodeCellsRefuseWhatTheFileCannotHold()
{
    Harness h(SportVariant::Futbol);
    ResultsGrid *grid = h.grid();
    const auto type = [&](int column, const QString &text) {
        const QModelIndex index = h.window.results().index(0, column);
        grid->setCurrentIndex(index);
        grid->edit(index);
        auto *editor = grid->findChild<QLineEdit *>();
        QVERIFY(editor);
        editor->selectAll();
        typeText(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The view commits on the next turn of the loop and deletes the editor later.
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    type(1, QStringLiteral("Ana;Peñaº"));
    QCOMPARE(h.cell(ResultsModel::Name, 1), QStringLiteral("AnaPeñaº"));
    type(2, QStringLiteral("A;1€Ω"));
    QCOMPARE(h.cell(ResultsModel::Code, 1), QStringLiteral("A1€"));
    type(2, QStringLiteral("ABCDEFG"));
    QCOMPARE(h.cell(ResultsModel::Code, 1), QStringLiteral("ABCDE"));

    // Pasted text loses the same characters and is cut to the column's length.
    const QModelIndex name = h.window.results().index(0, 1);
    grid->setCurrentIndex(name);
    grid->edit(name);
    auto *editor = grid->findChild<QLineEdit *>();
    QVERIFY(editor);
    editor->selectAll();
    editor->insert(QStringLiteral("José\nMaría;Ñandú 漢 de los Santos Inocentes"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    const QString kept = h.cell(ResultsModel::Name, 1);
    QVERIFY(kept.size() <= 20);
    QVERIFY(!kept.contains(QLatin1Char(';')) && !kept.contains(QLatin1Char('\n')));
    QVERIFY(kept.startsWith(QStringLiteral("JoséMaríaÑandú")));

    // Whatever route a value takes, the model keeps only what the file can hold.
    QVERIFY(h.window.results().setData(h.window.results().index(2, 2),
                                       QStringLiteral("x;\r\ny\t漢z12345")));
    QCOMPARE(h.cell(ResultsModel::Code, 3), QStringLiteral("xyz12"));
    QVERIFY(!h.window.results().setData(h.window.results().index(2, 3), QStringLiteral("99:99")));
}

void TestRoster::endOfTestCapturesEverySlot_data()
{
    gridShape_data();
}

// "Fin de la prueba" captures every athlete still running, the last slot included.
void TestRoster::endOfTestCapturesEverySlot()
{
    QFETCH(SportVariant, variant);
    QFETCH(int, rows);
    Harness h(variant);
    for (int slot = 1; slot <= rows; ++slot)
        h.name(slot, QStringLiteral("Atleta %1").arg(slot));
    QTest::mouseClick(h.ui()->FlatRadioButton3, Qt::LeftButton);
    h.ui()->CheckBox_Calentamiento->setChecked(false);
    QTest::mouseClick(h.ui()->BitBtnStart, Qt::LeftButton);
    h.advanceTo(65000);
    QTest::mouseClick(h.stopButton(1), Qt::LeftButton);
    h.advanceTo(125000);
    QTest::mouseClick(h.ui()->BitBtnStop, Qt::LeftButton);
    QCOMPARE(h.cell(ResultsModel::Time, 1), QStringLiteral("01:05"));
    for (int slot = 2; slot <= rows; ++slot) {
        QVERIFY2(h.stopButton(slot)->isHidden(), qPrintable(QString::number(slot)));
        QCOMPARE(h.cell(ResultsModel::Time, slot), QStringLiteral("02:05"));
        QCOMPARE(h.cell(ResultsModel::Periods, slot), QStringLiteral("0"));
        QCOMPARE(h.cell(ResultsModel::Distance, slot), h.window.engine().distanceText());
    }
}

void TestRoster::reactivationNeedsANameAndAResult_data()
{
    QTest::addColumn<bool>("stopped");    // captured by its button
    QTest::addColumn<bool>("nameErased"); // name erased afterwards
    QTest::addColumn<bool>("offered");
    QTest::newRow("name, still running") << false << false << false;
    QTest::newRow("name and result") << true << false << true;
    QTest::newRow("result, name erased") << true << true << false;
}

// Re-activation is offered for a stopped athlete only: a name without a result is still
// running, and a result without a name belongs to nobody.
void TestRoster::reactivationNeedsANameAndAResult()
{
    QFETCH(bool, stopped);
    QFETCH(bool, nameErased);
    QFETCH(bool, offered);
    Harness h(SportVariant::Futbol);
    h.name(3, QStringLiteral("Luis"));
    QTest::mouseClick(h.ui()->FlatRadioButton3, Qt::LeftButton);
    h.ui()->CheckBox_Calentamiento->setChecked(false);
    QTest::mouseClick(h.ui()->BitBtnStart, Qt::LeftButton);
    h.advanceTo(20000);
    if (stopped)
        QTest::mouseClick(h.stopButton(3), Qt::LeftButton);
    if (nameErased)
        h.window.results().setCell(ResultsModel::Name, 3, QString());
    h.selectSlot(3);
    QAction *item = h.openRowMenu();
    QCOMPARE(item->isEnabled(), offered);
    item->trigger();
    QCOMPARE(h.stopButton(3)->isVisible(), offered || (!stopped && !nameErased));
    QCOMPARE(h.cell(ResultsModel::Periods, 3).isEmpty(), offered || !stopped);
}

void TestRoster::gridColumnsFitTheirContent_data()
{
    addEverySport();
}

// Every cell can show the widest text its column can hold, and every title fits its section on
// at most two lines; the grid keeps its place and its columns' order and titles.
void TestRoster::gridColumnsFitTheirContent()
{
    QFETCH(SportVariant, variant);
    Harness h(variant);
    ResultsGrid *grid = h.grid();
    const QStringList titles = {QStringLiteral("Nº"),
                                QStringLiteral("Sujeto"),
                                QStringLiteral("Cod."),
                                QStringLiteral("Tiempo (mm:ss)"),
                                QStringLiteral("Periodos complet."),
                                QStringLiteral("Distancia (m)"),
                                QStringLiteral("Vel. Máx. (Km/h)"),
                                QStringLiteral("VO2max (ml/kg/min)")};
    const QStringList widest = {QStringLiteral("14"),    QString(),
                                QStringLiteral("WWWWW"), QStringLiteral("00:00"),
                                QStringLiteral("30"),    QStringLiteral("0000"),
                                QStringLiteral("00,0"),  QStringLiteral("00,000")};
    const QFontMetrics cells(grid->font());
    const int titleHeight = grid->horizontalHeader()->height() - 1; // less the line below
    int sum = 0;
    for (int c = 0; c < h.window.results().columnCount(); ++c) {
        const int width = grid->columnWidth(c);
        sum += width;
        QCOMPARE(h.window.results().headerData(c, Qt::Horizontal).toString(), titles.at(c));
        // Each cell loses one pixel to the grid line at its right.
        if (c != ResultsModel::Name)
            QVERIFY2(cells.horizontalAdvance(widest.at(c)) <= width - 1, qPrintable(titles.at(c)));
        const QFontMetrics title(ResultsHeader::titleFont(c));
        const QRect needed = title.boundingRect(QRect(0, 0, width - 1, titleHeight),
                                                Qt::AlignCenter | Qt::TextWordWrap, titles.at(c));
        QVERIFY2(needed.width() <= width - 1, qPrintable(titles.at(c)));
        const int twoLines = title
                                 .boundingRect(QRect(0, 0, width, titleHeight), Qt::AlignCenter,
                                               QStringLiteral("Ag\nAg"))
                                 .height();
        QVERIFY2(needed.height() <= qMin(titleHeight, twoLines), qPrintable(titles.at(c)));
    }
    QCOMPARE(sum, grid->width());
    // A name cut short on screen can still be read whole.
    h.name(1, QStringLiteral("Maximiliano Fernández"));
    QCOMPARE(h.window.results().index(0, 1).data(Qt::ToolTipRole).toString(),
             h.cell(ResultsModel::Name, 1));
    const QRect inPanel(grid->mapTo(h.ui()->PanelDeportistas, QPoint(0, 0)), grid->size());
    QVERIFY(h.ui()->PanelDeportistas->rect().contains(inPanel));
    QVERIFY(inPanel.left() > h.stopButton(1)->geometry().right());
}

void TestRoster::tabMovesBetweenCellsOnlyInTheDesignSet_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("column");
    QTest::newRow("design set: next cell") << QStringLiteral("design") << 2;
    QTest::newRow("row selection: stays") << QStringLiteral("rows") << 1;
    QTest::newRow("editing: stays") << QStringLiteral("editing") << 1;
}

void TestRoster::tabMovesBetweenCellsOnlyInTheDesignSet()
{
    QFETCH(QString, mode);
    QFETCH(int, column);
    Harness h(SportVariant::Futbol);
    ResultsGrid *grid = h.grid();
    grid->setCurrentIndex(h.window.results().index(0, 1));
    if (mode == QLatin1String("rows"))
        grid->setRowSelectionMode();
    else if (mode == QLatin1String("editing"))
        grid->setEditingMode();
    QTest::keyClick(grid, Qt::Key_Tab);
    QCOMPARE(grid->currentIndex().row(), 0);
    QCOMPARE(grid->currentIndex().column(), column);
}

void TestRoster::editsAreComposedCleanedThenCut_data()
{
    QTest::addColumn<Route>("route");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QString>("note");
    const QString decomposed = QStringLiteral("Jose") + QChar(0x0301);
    const QString separators = QString(25, QLatin1Char(';')) + QStringLiteral("Juan");
    const QString refusedHan = QStringLiteral("Carácter no admitido: 李 雷");
    const QString refusedCyrillic = QStringLiteral("Carácter no admitido: И в а н П е т р о");
    const QString refusedSemicolon = QStringLiteral("Carácter no admitido: ;");
    for (const auto &[route, name] :
         {std::pair{Route::Typed, "typed"}, std::pair{Route::Pasted, "pasted"}}) {
        const auto row = [name = name](const char *what) -> QTestData & {
            return QTest::newRow(
                qPrintable(QLatin1String(name) + QLatin1Char(' ') + QLatin1String(what)));
        };
        row("combining accent kept")
            << route << 1 << decomposed << QStringLiteral("José") << QString();
        row("chinese refused") << route << 1 << QStringLiteral("李雷") << QStringLiteral("Ana")
                               << refusedHan;
        row("cyrillic refused") << route << 1 << QStringLiteral("Иван Петров")
                                << QStringLiteral("Ana") << refusedCyrillic;
        row("separators dropped before the cut")
            << route << 1 << separators << QStringLiteral("Juan") << refusedSemicolon;
        row("code cut after cleaning") << route << 2 << QStringLiteral(";;;;;;AB1234")
                                       << QStringLiteral("AB123") << refusedSemicolon;
        if (route != Route::Typed) // a typed Tab moves on, it is no character
            row("line break and tab")
                << route << 1 << QStringLiteral("Eva\nMaría\tPérez")
                << QStringLiteral("EvaMaríaPérez")
                << QStringLiteral("Carácter no admitido: (salto de línea) (tabulador)");
        row("blank erases") << route << 1 << QStringLiteral(" ") << QString() << QString();
    }
}

// Whatever the route, a name or code is composed, then loses what the results file cannot hold,
// then is cut; an edit of which nothing but blanks would be left keeps the old value, and the
// operator reads why by the grid.
void TestRoster::editsAreComposedCleanedThenCut()
{
    QFETCH(Route, route);
    QFETCH(int, column);
    QFETCH(QString, input);
    QFETCH(QString, kept);
    QFETCH(QString, note);
    Harness h(SportVariant::Futbol);
    h.name(1, QStringLiteral("Ana"), QStringLiteral("C1"));
    editCell(h, column, input, route);
    QCOMPARE(h.cell(column, 1), kept);
    const auto *label = h.ui()->LabelAviso;
    QCOMPARE(label->isVisible(), !note.isEmpty());
    if (!note.isEmpty())
        QCOMPARE(label->text(), note);
}

void TestRoster::refusalNoteByTheGrid_data()
{
    QTest::addColumn<qint64>("later");
    QTest::addColumn<QString>("nextEdit");
    QTest::addColumn<bool>("shown");
    QTest::newRow("a second later") << qint64(1000) << QString() << true;
    QTest::newRow("ten seconds later") << qint64(10000) << QString() << false;
    QTest::newRow("next edit goes through") << qint64(0) << QStringLiteral("Bea") << false;
    QTest::newRow("next edit refused too") << qint64(0) << QStringLiteral("Bea;") << true;
}

// The note stands on the athletes panel, clear of the grid, the stop buttons and the table's
// buttons, until it has been read or a clean edit makes it stale.
void TestRoster::refusalNoteByTheGrid()
{
    QFETCH(qint64, later);
    QFETCH(QString, nextEdit);
    QFETCH(bool, shown);
    Harness h(SportVariant::Futbol);
    QLabel *label = h.ui()->LabelAviso;
    editCell(h, 1, QStringLiteral("Ana;"));
    QVERIFY(label->isVisible());
    QCOMPARE(label->parentWidget(), h.ui()->PanelDeportistas);
    QVERIFY(h.ui()->PanelDeportistas->rect().contains(label->geometry()));
    // Read whole: on one line, or wrapped onto lines that all show.
    QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <=
                label->contentsRect().width() ||
            (label->wordWrap() && label->heightForWidth(label->width()) <= label->height()));
    QVERIFY(label->text() == label->toolTip());
    QList<QWidget *> clear = {h.ui()->PanelReg_SJp,
                              h.ui()->BtnBorrarTabla,
                              h.ui()->BtnExportDatos,
                              h.window.findChild<QWidget *>(QStringLiteral("BtnHistorial")),
                              h.window.findChild<QWidget *>(QStringLiteral("BtnInforme")),
                              h.window.findChild<QWidget *>(QStringLiteral("BtnPlantillas"))};
    for (int slot = 1; slot <= 14; ++slot)
        clear.append(h.stopButton(slot));
    for (QWidget *w : std::as_const(clear))
        QVERIFY2(!label->geometry().intersects(w->geometry()), qPrintable(w->objectName()));

    h.clock.advance(later);
    h.ui()->PanelDeportistas->expireEntryNote();
    if (!nextEdit.isEmpty())
        editCell(h, 1, nextEdit);
    QCOMPARE(label->isVisible(), shown);
}

QTEST_MAIN(TestRoster)
#include "tst_roster.moc"
