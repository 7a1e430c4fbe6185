// The program as the journal tests run it in a process of its own: the same main window,
// session guard and signal handling as the real entry, on a hand-moved clock and answering
// from a script, so a test can kill it and start it again.
//   session_child run [ask]   names five athletes, captures two mid-test and prints the grid;
//                             with "ask", ends the test and waits on the real save question
//   session_child recover N   answers the recovery question with option N, prints the grid
#include "clock.h"
#include "fakes.h"
#include "mainwindow.h"
#include "mainwindowcontrols.h"
#include "recovery.h"
#include "signals.h"
#include "startup.h"
#include "widgets.h"

#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTextStream>
#include <QTimer>

using namespace Protocol;

namespace {

void printGrid(QTextStream &out, const MainWindow &window)
{
    for (const QStringList &row : window.results().rows())
        out << "GRID " << row.join(QLatin1Char('|')) << '\n';
    out << "GRID started at "
        << MainWindowControls(const_cast<MainWindow *>(&window)).SpinEdit1->value() << ' '
        << window.engine().initialSpeedText() << '\n';
    out.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZENTA"));
    const QStringList args = QApplication::arguments();
    const bool run = args.value(1) == QLatin1String("run");
    const bool ask = args.contains(QStringLiteral("ask"));
    QTextStream out(stdout);

    ScriptedDialogs scripted;
    MessageBoxDialogs boxes;
    if (!run)
        scripted.choices = {args.value(2).toInt()};
    Dialogs &dialogs = ask ? static_cast<Dialogs &>(boxes) : scripted;

    SessionGuard guard(dialogs);
    TerminationSignals terminate;
    QObject::connect(&terminate, &TerminationSignals::received, &guard, &SessionGuard::terminate);

    ManualClock clock;
    SilentSink sound;
    auto window = makeMainWindow(SportVariant::Futbol, clock, &sound, &dialogs);
    QObject::connect(window.get(), &MainWindow::exitConfirmed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QSignalSpy offered(&guard, &SessionGuard::leftResultsOffered);
    guard.watch(window.get());
    window->show();
    if (!offered.wait(20000))
        return 3;
    for (const auto &asked : std::as_const(scripted.questions))
        out << "ASKED " << asked.caption << '\n';
    for (const auto &told : std::as_const(scripted.messages))
        out << "TOLD " << told.caption << '\n';
    if (!run) {
        printGrid(out, *window);
        return 0;
    }

    const MainWindowControls controls(window.get());
    const MainWindowControls *ui = &controls;
    for (int slot = 1; slot <= 5; ++slot) {
        window->results().setData(window->results().index(slot - 1, ResultsModel::Name),
                                  QStringLiteral("Atleta Núñez %1").arg(slot));
        window->results().setData(window->results().index(slot - 1, ResultsModel::Code),
                                  QStringLiteral("C%1").arg(slot));
    }
    QTest::mouseClick(ui->FlatRadioButton3, Qt::LeftButton);
    ui->CheckBox_Calentamiento->setChecked(false);
    ui->SpinEdit1->setValue(3);
    QTest::mouseClick(ui->BitBtnStart, Qt::LeftButton);
    clock.set(61001);
    window->pollEngine();
    QTest::mouseClick(ui->B02, Qt::LeftButton);
    clock.set(28 * 6100 + 5000);
    window->pollEngine();
    QTest::mouseClick(ui->B04, Qt::LeftButton);

    const auto ready = [&] {
        printGrid(out, *window);
        out << "READY" << Qt::endl;
    };
    QTimer questionOpen;
    if (ask) {
        // The test ends, and a new one asks about the unexported results: the signal comes
        // while that question is open, so the grid is printed from inside its loop.
        QTest::mouseClick(ui->BitBtnStop, Qt::LeftButton);
        QObject::connect(&questionOpen, &QTimer::timeout, &app, [&] {
            if (qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                questionOpen.stop();
                ready();
            }
        });
        questionOpen.start(10);
        QTimer::singleShot(0, ui->BitBtnNuevo,
                           [ui] { QTest::mouseClick(ui->BitBtnNuevo, Qt::LeftButton); });
    } else {
        ready();
    }
    const int code = app.exec();
    out << "QUESTIONS " << scripted.questions.size() + scripted.messages.size() << Qt::endl;
    return code;
}
