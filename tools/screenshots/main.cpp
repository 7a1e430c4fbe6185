// Draws the main window in given states for the README, on a clock moved by hand so that every
// picture shows the same moment of the test. Run it under Xvfb (tools/screenshots.sh).
#include "clock.h"
#include "fakes.h"
#include "mainwindowcontrols.h"
#include "testfut1.h"
#include "unitini.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>
#include <QTimer>

namespace {

QString stem(SportVariant variant)
{
    static const char *const names[] = {"probst", "futbol", "basket", "futsal", "voley"};
    return QString::fromLatin1(names[int(variant)]);
}

void save(QWidget &window, const QString &path)
{
    QApplication::processEvents();
    window.grab().save(path);
    qInfo("wrote %s", qPrintable(path));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString out =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
    QDir().mkpath(out);

    for (const SportVariant variant : {SportVariant::Futbol, SportVariant::Basket}) {
        ManualClock clock(1000);
        SilentSink sound;
        ScriptedDialogs dialogs;
        TForm1 window(variant, clock, &sound, &dialogs);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qWarning("window not exposed");
        QApplication::processEvents();

        // The intro card as it opens, and the about box it doubles as.
        TFormINI intro(variant);
        intro.Timer_Inicio()->stop();
        intro.show();
        if (!QTest::qWaitForWindowExposed(&intro))
            qWarning("intro not exposed");
        save(intro, out + QStringLiteral("/%1-intro.png").arg(stem(variant)));
        intro.hide();
        QTimer::singleShot(300, [&] {
            if (QWidget *about = QApplication::activeModalWidget()) {
                save(*about, out + QStringLiteral("/%1-about.png").arg(stem(variant)));
                about->close();
            }
        });
        TFormINI::showAbout(&window);

        const MainWindowControls controls(&window);
        const MainWindowControls *ui = &controls;
        save(window, out + QStringLiteral("/%1-start.png").arg(stem(variant)));
        QTest::mouseClick(ui->BitBtnEmpezar, Qt::LeftButton);
        QTest::mouseClick(ui->BitBtnAyuda, Qt::LeftButton);
        save(window, out + QStringLiteral("/%1-help.png").arg(stem(variant)));
        QTest::mouseClick(ui->BitBtn3, Qt::LeftButton);
        const char *const names[][2] = {{"Lucía Fernández", "A01"}, {"Martín Ibáñez", "A02"},
                                        {"Nuria Peña", "A03"},      {"Íñigo Goñi", "A04"},
                                        {"Sofía Núñez", "A05"},     {"Pablo Muñoz", "A06"},
                                        {"Elena Ruiz", "A07"}};
        for (int i = 0; i < 7; ++i) {
            window.results().setCell(ResultsModel::Name, i + 1, QString::fromUtf8(names[i][0]));
            window.results().setCell(ResultsModel::Code, i + 1, QString::fromLatin1(names[i][1]));
        }
        QTest::mouseClick(ui->FlatRadioButton3, Qt::LeftButton);
        ui->CheckBox_Calentamiento->setChecked(false);
        ui->SpinEdit1->setValue(3);
        save(window, out + QStringLiteral("/%1-setup.png").arg(stem(variant)));

        QTest::mouseClick(ui->BitBtnStart, Qt::LeftButton);
        // One full period, the recovery pause, then most of a lap of the next period.
        const int interval = window.engine().currentInterval();
        clock.advance(qint64(interval) * window.profile().beepsPerPeriod + 10);
        window.pollEngine();
        clock.advance(window.profile().recoveryMs + 10);
        window.pollEngine();
        const int next = window.engine().currentInterval();
        clock.advance(qint64(next) * 5 + 20);
        window.pollEngine();
        window.stopButton(3)->click();
        clock.advance(qint64(next) * 4);
        window.pollEngine();
        window.stopButton(6)->click();
        save(window, out + QStringLiteral("/%1-running.png").arg(stem(variant)));
    }
    return 0;
}
