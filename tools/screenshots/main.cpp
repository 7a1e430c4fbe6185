// Draws the main window in given states for the README, on a clock moved by hand so that every
// picture shows the same moment of the test. Run it under Xvfb (tools/screenshots.sh).
#include "clock.h"
#include "exportfile.h"
#include "fakes.h"
#include "historycontrols.h"
#include "historywindow.h"
#include "introwindow.h"
#include "mainwindow.h"
#include "mainwindowcontrols.h"
#include "resultsgrid.h"
#include "squadmenu.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace Protocol;

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

// A season of monthly tests as the export writes them, each athlete a little further every time,
// and one stray file the history refuses.
void writeSeason(const QString &folder, SportVariant variant, const char *const names[][2],
                 int athletes)
{
    const SportProfile &profile = sportProfile(variant);
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    for (int test = 0; test < 6; ++test) {
        ResultsModel model(profile);
        for (int i = 0; i < athletes; ++i) {
            const int slot = i + 1;
            const int metres = 900 + 60 * i + 45 * test + ((test * 7 + i * 5) % 4) * 25;
            model.setCell(ResultsModel::Number, slot, QString::number(slot));
            model.setCell(ResultsModel::Name, slot, QString::fromUtf8(names[i][0]));
            model.setCell(ResultsModel::Code, slot, QString::fromLatin1(names[i][1]));
            model.setCell(ResultsModel::Time, slot,
                          QStringLiteral("0%1:%2").arg(6 + test).arg(10 + i));
            model.setCell(ResultsModel::Periods, slot, QString::number(4 + test / 2));
            model.setCell(ResultsModel::Distance, slot, QString::number(metres));
            model.setCell(ResultsModel::Speed, slot, QStringLiteral("9,0"));
            if (profile.hasVo2Max())
                model.setCell(ResultsModel::Vo2Max, slot,
                              ResultsModel::vo2MaxText(metres, spanish));
        }
        const QDateTime when(QDate(2026, 1 + 2 * test, 12), QTime(18, 30));
        QByteArray bytes;
        ExportFile::encode(ExportFile::lines(model, profile.programTitle,
                                             {when, 3, QStringLiteral("5,4")}, spanish),
                           &bytes);
        ExportFile::write(folder + QLatin1Char('/') +
                              ExportFile::proposedName(profile.programTitle, when.date()),
                          bytes);
    }
    QFile stray(folder + QStringLiteral("/notas.txt"));
    if (stray.open(QIODevice::WriteOnly))
        stray.write("Comprar conos\r\n");
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString out =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
    QDir().mkpath(out);
    // A scratch athlete store, not the user's.
    QStandardPaths::setTestModeEnabled(true);

    for (const SportVariant variant : {SportVariant::Futbol, SportVariant::Basket}) {
        ManualClock clock(1000);
        SilentSink sound;
        ScriptedDialogs dialogs;
        MainWindow window(variant, clock, &sound, &dialogs);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qWarning("window not exposed");
        QApplication::processEvents();

        // The intro card as it opens, and the about box it doubles as.
        IntroWindow intro(variant);
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
        IntroWindow::showAbout(&window);

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

        // The grid suggests the squad's athletes as a name is typed; the list is a pop-up of its
        // own, so the screen is grabbed where the window is.
        QDir(QFileInfo(AthleteStore::defaultPath()).absolutePath()).removeRecursively();
        window.squadMenu()->saveTable(QStringLiteral("Primer equipo"));
        const QModelIndex cell = window.results().index(7, ResultsModel::Name);
        ui->HyperGrid_Sujetos->setCurrentIndex(cell);
        ui->HyperGrid_Sujetos->edit(cell);
        if (auto *editor = ui->HyperGrid_Sujetos->findChild<QLineEdit *>()) {
            QTest::keyClicks(editor, QStringLiteral("nu"));
            QTest::qWait(200);
            window.screen()
                ->grabWindow(0, window.frameGeometry().x(), window.frameGeometry().y(),
                             window.frameGeometry().width(), window.frameGeometry().height())
                .save(out + QStringLiteral("/%1-squads.png").arg(stem(variant)));
            qInfo("wrote %s-squads.png", qPrintable(stem(variant)));
            QTest::keyClick(editor, Qt::Key_Escape);
            QTest::keyClick(editor, Qt::Key_Escape);
        }
        QApplication::processEvents();

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
        ui->B03->click();
        clock.advance(qint64(next) * 4);
        window.pollEngine();
        ui->B06->click();
        // The operator has begun typing the number of the next athlete to stop.
        QTest::keyClick(ui->HyperGrid_Sujetos, Qt::Key_1);
        save(window, out + QStringLiteral("/%1-running.png").arg(stem(variant)));

        // The athletes' display at the same moment, the size of a small projector. Found before
        // anything is done with it: a pass of the event loop may delete other top-level widgets.
        QTest::mouseClick(ui->BtnPantalla, Qt::LeftButton);
        const QWidgetList windows = QApplication::topLevelWidgets();
        const auto found = std::find_if(windows.cbegin(), windows.cend(), [](QWidget *w) {
            return w->objectName() == QLatin1String("FormPantalla") && w->isVisible();
        });
        if (found != windows.cend()) {
            QWidget *display = *found;
            display->showNormal();
            display->resize(1024, 576);
            if (!QTest::qWaitForWindowExposed(display))
                qWarning("display not exposed");
            save(*display, out + QStringLiteral("/%1-display.png").arg(stem(variant)));
            display->close();
        }

        // The season's history of three athletes.
        QTemporaryDir season;
        writeSeason(season.path(), variant, names, 7);
        HistoryWindow history(window.profile(), {season.path()}, &dialogs);
        history.pickAthletes({QStringLiteral("A01"), QStringLiteral("A03"), QStringLiteral("A04")});
        history.show();
        if (!QTest::qWaitForWindowExposed(&history))
            qWarning("history not exposed");
        // The folder shown is the program's own, not the scratch one.
        HistoryControls(&history).LabelCarpetas->setText(
            QStringLiteral("Carpetas leídas: Export (6 archivos de resultados)"));
        save(history, out + QStringLiteral("/%1-history.png").arg(stem(variant)));
    }
    return 0;
}
