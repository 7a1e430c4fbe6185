#pragma once

#include "clock.h"
#include "fakes.h"
#include "mainwindowcontrols.h"
#include "testfut1.h"

#include <QCoreApplication>
#include <QDateTime>
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
    void advanceTo(qint64 ms)
    {
        clock.set(ms);
        window.pollEngine();
    }

    Protocol::ManualClock clock;
    Sink sound;
    ScriptedDialogs dialogs;
    TForm1 window;
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
