#pragma once

#include "clock.h"
#include "fakes.h"
#include "mainwindow.h"
#include "mainwindowcontrols.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

// The main window as the window tests drive it: on screen, on a clock moved by hand, with a
// stand-in sound device and scripted answers, its controls found by object name. Each test
// adds its own scenario steps in a struct deriving from it.
template <typename Sink = SilentSink> struct WindowHarness
{
    // A valid now fixes the date and time the window stamps its files with.
    explicit WindowHarness(Protocol::SportVariant variant, qint64 startMs = 0,
                           const QDateTime &now = {})
        : clock(startMs), window(variant, clock, &sound, &dialogs)
    {
        if (now.isValid())
            window.setDateTimeSource([now] { return now; });
        window.show();
        QCoreApplication::processEvents(); // lets the first activation run
    }
    const MainWindowControls *ui() const { return &controls; }
    ResultsGrid *grid() const { return controls.HyperGrid_Sujetos; }
    ResultsModel &results() { return window.results(); }
    QString cell(int column, int slot) const { return window.results().cell(column, slot); }
    void name(int slot, const QString &name, const QString &code = {})
    {
        results().setCell(ResultsModel::Name, slot, name);
        results().setCell(ResultsModel::Code, slot, code);
    }
    // Stop button of a slot (1..14).
    FlatButton *stopButton(int slot) const { return controls.PanelDeportistas->stopButton(slot); }
    // Selects a slot's row the way the program does.
    void selectSlot(int slot) { controls.PanelDeportistas->selectSlot(slot); }
    void press(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    // "Exportar datos" pressed: true when a results file was written.
    bool pressExport()
    {
        QSignalSpy written(&window, &MainWindow::exported);
        press(controls.BtnExportDatos);
        return written.count() == 1;
    }
    // The grid's menu opened over the selected row, and closed again: its item is then offered
    // or not.
    QAction *openRowMenu()
    {
        emit grid()->customContextMenuRequested(QPoint(1, 1));
        auto *menu = window.findChild<QMenu *>(QStringLiteral("PopupMenu_HG"));
        menu->close();
        return menu->findChild<QAction *>(QStringLiteral("Volveraactivar1"));
    }
    // "Volver a activar..." chosen from the grid's menu over a slot's row, if it is offered.
    void reactivateFromMenu(int slot)
    {
        selectSlot(slot);
        openRowMenu()->trigger();
    }
    void advanceTo(qint64 ms)
    {
        clock.set(ms);
        window.pollEngine();
    }

    Protocol::ManualClock clock;
    Sink sound;
    ScriptedDialogs dialogs;
    MainWindow window;
    const MainWindowControls controls{&window};
};

// A test's data: one row per sport, in a column "variant".
inline void addEverySport()
{
    QTest::addColumn<Protocol::SportVariant>("variant");
    QTest::newRow("probst") << Protocol::SportVariant::Probst;
    QTest::newRow("futbol") << Protocol::SportVariant::Futbol;
    QTest::newRow("basket") << Protocol::SportVariant::Basket;
    QTest::newRow("futsal") << Protocol::SportVariant::FutSal;
    QTest::newRow("voley") << Protocol::SportVariant::Voley;
}
