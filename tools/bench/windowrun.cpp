#include "windowrun.h"

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

bool PaintWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && painted && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == m_window)
        painted();
    return false;
}

void configureLikeTheApp(MainWindow &window)
{
    window.setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint);
    window.setFixedSize(window.size());
}

WindowRunResult runWindow(const WindowRunPlan &plan)
{
    WindowRunResult r;
    SteadyClock clock;
    const double offsetMs = monoMs() - double(clock.nowNs()) / 1e6;
    CuePlayer player(clock);
    if (!player.open()) {
        r.error = QStringLiteral("CuePlayer could not open the default output");
        return r;
    }
    // The program opens its stream at start-up, long before anyone presses start.
    waitUntil([&] { return player.settled(); }, 5000);
    // The recorder joins the server after the program's stream, as anything else would.
    Recorder recorder(plan.recordingPath);
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
        (plan.mode == TestMode::RepeatPeriod ? ui->FlatRadioButton2 : ui->FlatRadioButton3)
            ->click();
        ui->CheckBox_Calentamiento->setChecked(false);
        ui->SpinEdit1->setValue(plan.startPeriod);
        QWidget *watched = &window;
        if (plan.display) {
            ui->BtnPantalla->click();
            watched = nullptr;
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (w->objectName() == QLatin1String("FormPantalla") && w->isVisible())
                    watched = w;
            }
            if (!watched) {
                r.error = QStringLiteral("the athletes' display did not open");
                return r;
            }
            r.displayWidth = watched->width();
            r.displayHeight = watched->height();
        }
        runFor(300);

        EngineDriver &driver = window.driver();
        QEventLoop loop;
        int awaiting = -1;
        PaintWatch watch(watched);
        watch.painted = [&] {
            if (awaiting >= 0) {
                r.paintedMs[awaiting] = monoMs();
                awaiting = -1;
            }
        };
        qApp->installEventFilter(&watch);
        double cpu0 = 0, server0 = 0;
        QObject::connect(&driver, &EngineDriver::cueDue, &loop, [&](qint64 due) {
            r.dueMs.append(double(due) + offsetMs);
            r.paintedMs.append(-1);
            const int index = int(r.dueMs.size()) - 1;
            if (index == plan.stallAfterCue) {
                QTimer::singleShot(300, &loop, [&] {
                    const double cpuBefore = cpuMs();
                    r.stallFromMs = monoMs();
                    while (monoMs() < r.stallFromMs + plan.stallMs) {
                    }
                    r.stallToMs = monoMs();
                    // The stall's own cost is the benchmark's, not the program's.
                    r.stallCpuMs = cpuMs() - cpuBefore;
                });
            }
            if (index + 1 == plan.cues) {
                const int wait = int(r.dueMs.last() + 150 - monoMs());
                QTimer::singleShot(std::max(0, wait), Qt::PreciseTimer, &loop, [&] {
                    r.stopMs = monoMs();
                    r.cpuMs = cpuMs() - cpu0 - r.stallCpuMs;
                    r.serverCpuMs = server0 < 0 ? -1 : serverCpuMs() - server0;
                    r.runMs = r.stopMs - r.clickMs;
                    ui->BitBtnStop->click();
                    QTimer::singleShot(800, &loop, &QEventLoop::quit);
                });
            }
        });
        // After the window's own handler: its widgets already show the cue.
        QObject::connect(&driver, &EngineDriver::displaysChanged, &loop, [&] {
            if (!r.paintedMs.isEmpty() && r.paintedMs.last() < 0)
                awaiting = int(r.paintedMs.size()) - 1;
        });
        cpu0 = cpuMs();
        server0 = serverCpuMs();
        r.clickMs = monoMs();
        ui->BitBtnStart->click();
        loop.exec();
        qApp->removeEventFilter(&watch);
        r.peakRssKb = statusKb("VmHWM");
        r.stats = player.stats();
    }
    player.close();
    runFor(200);
    recorder.stop();
    r.recording = recorder.data();
    r.recordingStartMs = recorder.startMs();
    r.msPerFrame = recorder.msPerFrame();
    return r;
}

InStep inStep(const WindowRunResult &r)
{
    InStep s;
    const QVector<onsets::Burst> bursts = onsets::findBursts(r.recording);
    for (int i = 0; i < r.dueMs.size(); ++i) {
        int found = -1;
        for (int b = 0; b < bursts.size(); ++b) {
            if (std::abs(r.heardMs(bursts[b].onset) - r.dueMs[i]) < 200) {
                found = b;
                break;
            }
        }
        s.burstOfCue.append(found);
        if (r.stallFromMs >= 0 && r.dueMs[i] >= r.stallFromMs && r.dueMs[i] < r.stallToMs) {
            ++s.dueDuringStall;
            s.heardDuringStall += found >= 0;
        }
        if (found < 0) {
            ++s.missing;
            continue;
        }
        if (r.paintedMs[i] >= 0)
            s.skewMs.append(r.heardMs(bursts[found].onset) - r.paintedMs[i]);
        if (i == 0)
            s.startToFirstMs = r.heardMs(bursts[found].onset) - r.clickMs;
        if (i + 1 == r.dueMs.size())
            s.stopToQuietMs = r.heardMs(bursts[found].end) - r.stopMs;
    }
    return s;
}

} // namespace Bench
