// Times the history's reading of a season: 1000 results files of 14 athletes each, written by
// the program's own export into a scratch folder, then read back as the history window reads
// them. Prints the time of the first read and the median of the following ones, then the time
// the history window takes to open on the same folder (reading, listing, the first athlete's
// table and chart); exits with 1 when any of them is over the budget of one second. Then it
// changes the picked athlete 2000 times and exits with 1 when the memory grew more than 2 MB.
// Usage: history-bench [files] [runs]   (QT_QPA_PLATFORM=offscreen runs it without a display)
#include "exportfile.h"
#include "historycontrols.h"
#include "historyfile.h"
#include "historywindow.h"

#include "resultsmodel.h"
#include <QChart>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace Protocol;

namespace {

// Resident memory in kB, from /proc.
qint64 residentKb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toLongLong() * 4;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int files = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;
    const int runs = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 7;
    constexpr qint64 BudgetMs = 1000;

    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    const SportProfile &profile = sportProfile(SportVariant::Futbol);
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    const QDateTime first(QDate(2026, 1, 5), QTime(9, 0));
    for (int f = 0; f < files; ++f) {
        ResultsModel model(profile);
        for (int slot = 1; slot <= profile.stationsPerLap; ++slot) {
            const int metres = 400 + 37 * slot + f % 97;
            model.setCell(ResultsModel::Number, slot, QString::number(slot));
            model.setCell(ResultsModel::Name, slot, QStringLiteral("Deportista Nº %1").arg(slot));
            model.setCell(ResultsModel::Code, slot, QStringLiteral("C%1").arg(slot));
            model.setCell(ResultsModel::Time, slot, QStringLiteral("06:%1").arg(10 + slot));
            model.setCell(ResultsModel::Periods, slot, QString::number(slot % 9));
            model.setCell(ResultsModel::Distance, slot, QString::number(metres));
            model.setCell(ResultsModel::Speed, slot, QStringLiteral("9,6"));
        }
        const ExportConditions conditions{first.addSecs(qint64(f) * 3600), 1,
                                          QStringLiteral("4,2")};
        QByteArray bytes;
        if (!ExportFile::encode(ExportFile::lines(model, profile.programTitle, conditions, spanish),
                                &bytes) ||
            !ExportFile::write(
                dir.filePath(QStringLiteral("r%1.txt").arg(f, 4, 10, QLatin1Char('0'))), bytes))
            return 2;
    }

    QList<qint64> times;
    int results = 0;
    for (int run = 0; run < qMax(2, runs); ++run) {
        QElapsedTimer timer;
        timer.start();
        const History history = HistoryFile::readFolders({dir.path()});
        times << timer.elapsed();
        results = int(history.results.size());
        if (history.filesRead != files || !history.skipped.isEmpty())
            return 2;
    }
    const qint64 firstRun = times.takeFirst();
    std::sort(times.begin(), times.end());
    const qint64 median = times.at(times.size() / 2);
    std::printf("files %d, results %d: first read %lld ms, median of %lld further reads %lld ms "
                "(slowest %lld ms), budget %lld ms\n",
                files, results, static_cast<long long>(firstRun),
                static_cast<long long>(times.size()), static_cast<long long>(median),
                static_cast<long long>(times.last()), static_cast<long long>(BudgetMs));

    QElapsedTimer timer;
    timer.start();
    HistoryWindow window(profile, {dir.path()}, nullptr);
    const qint64 windowMs = timer.elapsed();
    std::printf("history window opened on them in %lld ms (%d athletes, %d tests of the first)\n",
                static_cast<long long>(windowMs), int(window.history().athletes().size()),
                int(window.history().resultsOf(window.pickedAthletes().value(0)).size()));
    timer.restart();
    window.pickAthletes(window.history().athletes());
    const qint64 allMs = timer.elapsed();
    std::printf("all athletes picked (%d rows, %d series) in %lld ms\n",
                HistoryControls(&window).TablaPruebas->rowCount(),
                int(window.chart()->series().size()), static_cast<long long>(allMs));

    // Every change of selection redraws the chart; nothing of it may stay behind.
    const QStringList athletes = window.history().athletes();
    constexpr int Picks = 2000;
    constexpr qint64 GrowthBudgetKb = 2048;
    for (int pick = 0; pick < 200; ++pick) // settles what the first draws allocate once
        window.pickAthletes({athletes.at(pick % athletes.size())});
    const qint64 before = residentKb();
    for (int pick = 0; pick < Picks; ++pick)
        window.pickAthletes({athletes.at(pick % athletes.size())});
    const qint64 growth = residentKb() - before;
    std::printf("%d picks: memory grew %lld kB (budget %lld kB), %d axes on the chart\n", Picks,
                static_cast<long long>(growth), static_cast<long long>(GrowthBudgetKb),
                int(window.chart()->axes().size()));
    return qMax(qMax(firstRun, median), windowMs) > BudgetMs || growth > GrowthBudgetKb ? 1 : 0;
}
