#include "display.h"

#include "clock.h"
#include "enginedriver.h"
#include "mainwindow.h"
#include "mainwindowcontrols.h"
#include "process.h"
#include "recorder.h"
#include "standins.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cmath>

using namespace Protocol;

namespace Bench {

namespace {

DisplayRun runOnce(const WindowRunPlan &plan, bool display)
{
    DisplayRun r;
    SteadyClock clock;
    const double offsetMs = monoMs() - double(clock.nowNs()) / 1e6;
    CuePlayer player(clock);
    if (!player.open()) {
        r.error = QStringLiteral("CuePlayer could not open the default output");
        return r;
    }
    waitUntil([&] { return player.settled(); }, 5000);
    Recorder recorder(plan.recordingPath +
                      (display ? QStringLiteral(".with") : QStringLiteral(".without")));
    if (const QString error = recorder.start(); !error.isEmpty()) {
        r.error = error;
        return r;
    }
    resetPeakRss();
    {
        SilentDialogs dialogs;
        MainWindow window(plan.variant, clock, &player, &dialogs);
        configureLikeTheApp(window);
        window.show();
        runFor(500);
        const MainWindowControls controls(&window);
        const MainWindowControls *ui = &controls;
        ui->BitBtnEmpezar->click();
        ui->FlatRadioButton3->click();
        ui->CheckBox_Calentamiento->setChecked(false);
        ui->SpinEdit1->setValue(plan.startPeriod);
        QWidget *shown = nullptr;
        if (display) {
            ui->BtnPantalla->click();
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (w->objectName() == QLatin1String("FormPantalla") && w->isVisible())
                    shown = w;
            }
            if (!shown) {
                r.error = QStringLiteral("the athletes' display did not open");
                return r;
            }
            r.displayWidth = shown->width();
            r.displayHeight = shown->height();
        }
        runFor(300);

        EngineDriver &driver = window.driver();
        QEventLoop loop;
        int awaiting = -1;
        PaintWatch watch(shown);
        watch.painted = [&] {
            if (awaiting >= 0) {
                r.paintedMs[awaiting] = monoMs();
                awaiting = -1;
            }
        };
        if (shown)
            qApp->installEventFilter(&watch);
        double cpu0 = 0;
        QObject::connect(&driver, &EngineDriver::cueDue, &loop, [&](qint64 due) {
            r.dueMs.append(double(due) + offsetMs);
            r.paintedMs.append(-1);
            if (r.dueMs.size() == plan.cues) {
                const int wait = int(r.dueMs.last() + 150 - monoMs());
                QTimer::singleShot(std::max(0, wait), Qt::PreciseTimer, &loop, [&] {
                    r.cpuMs = cpuMs() - cpu0;
                    r.runMs = monoMs() - r.runMs;
                    ui->BitBtnStop->click();
                    QTimer::singleShot(800, &loop, &QEventLoop::quit);
                });
            }
        });
        // After the display's own handler: its labels already show the cue.
        QObject::connect(&driver, &EngineDriver::displaysChanged, &loop, [&] {
            if (!r.paintedMs.isEmpty() && r.paintedMs.last() < 0)
                awaiting = int(r.paintedMs.size()) - 1;
        });
        cpu0 = cpuMs();
        r.runMs = monoMs();
        ui->BitBtnStart->click();
        loop.exec();
        qApp->removeEventFilter(&watch);
        r.peakRssKb = statusKb("VmHWM");
    }
    player.close();
    runFor(200);
    recorder.stop();
    r.recording = recorder.data();
    r.recordingStartMs = recorder.startMs();
    r.msPerFrame = recorder.msPerFrame();
    return r;
}

} // namespace

DisplayCost measureDisplay(const WindowRunPlan &plan)
{
    DisplayCost c;
    c.without = runOnce(plan, false);
    if (!c.without.error.isEmpty())
        return c;
    c.with = runOnce(plan, true);
    const DisplayRun &r = c.with;
    const QVector<onsets::Burst> bursts = onsets::findBursts(r.recording);
    const auto heardMs = [&](qint64 frame) {
        return r.recordingStartMs + double(frame) * r.msPerFrame;
    };
    for (int i = 0; i < r.dueMs.size(); ++i) {
        const auto burst = std::find_if(bursts.cbegin(), bursts.cend(), [&](const auto &b) {
            return std::abs(heardMs(b.onset) - r.dueMs[i]) < 200;
        });
        if (burst == bursts.cend() || r.paintedMs[i] < 0) {
            ++c.missing;
            continue;
        }
        c.skewMs.append(heardMs(burst->onset) - r.paintedMs[i]);
    }
    return c;
}

} // namespace Bench
