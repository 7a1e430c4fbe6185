// Times one change of the results grid as the program makes it: the model changes, the
// session journal appends the record and flushes it to the disk (fdatasync), and only then
// does the change return. Each sample is one operator action: a name typed, a result
// captured, a result emptied by re-activation, in turn over the fourteen slots.
//
//   journal-bench [folder] [changes]     folder: where the journal is written (default: the
//                                        user's data folder, as the program uses); changes: 600
#include "resultsmodel.h"
#include "sessionjournal.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

using namespace Protocol;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ZENTA"));
    const QStringList args = QCoreApplication::arguments();
    const QString parent = args.size() > 1
                               ? args.at(1)
                               : QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const int changes = args.size() > 2 ? args.at(2).toInt() : 600;
    QTextStream out(stdout);

    QDir().mkpath(parent);
    QTemporaryDir folder(parent + QStringLiteral("/journal-bench-XXXXXX"));
    ResultsModel results(sportProfile(SportVariant::Futbol));
    SessionJournal journal(results, folder.path());
    if (!journal.isOpen()) {
        out << "cannot open a journal in " << folder.path() << ": " << journal.errorString()
            << Qt::endl;
        return 1;
    }

    QList<double> ms;
    QElapsedTimer timer;
    for (int n = 0; n < changes; ++n) {
        const int slot = n % 14 + 1;
        timer.start();
        switch (n / 14 % 3) {
        case 0:
            results.setData(results.index(slot - 1, ResultsModel::Name),
                            QStringLiteral("Atleta %1").arg(n));
            break;
        case 1:
            results.capture(slot, {QStringLiteral("12:34"), n % 20, n * 9, QStringLiteral("13,8")});
            break;
        default:
            results.clearResults(slot);
            break;
        }
        ms.append(timer.nsecsElapsed() / 1e6);
    }
    if (!journal.isOpen()) {
        out << "the journal failed: " << journal.errorString() << Qt::endl;
        return 1;
    }
    // The floor: the same number of bare appends of a record's size, each flushed, on the same
    // disk. What the journal adds is the difference.
    QList<double> floor;
    const int fd = ::open(QFile::encodeName(folder.filePath(QStringLiteral("floor"))).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const QByteArray record(60, 'x');
    for (int n = 0; fd >= 0 && n < changes; ++n) {
        timer.start();
        if (::write(fd, record.constData(), size_t(record.size())) != record.size() ||
            ::fdatasync(fd) != 0)
            break;
        floor.append(timer.nsecsElapsed() / 1e6);
    }
    if (fd >= 0)
        ::close(fd);

    const auto line = [](QList<double> samples) {
        std::sort(samples.begin(), samples.end());
        const auto at = [&](double q) {
            return samples.at(qMin(samples.size() - 1, qsizetype(q * samples.size())));
        };
        return QStringLiteral("median %1 ms, p90 %2 ms, p99 %3 ms, max %4 ms")
            .arg(at(0.5), 0, 'f', 2)
            .arg(at(0.9), 0, 'f', 2)
            .arg(at(0.99), 0, 'f', 2)
            .arg(samples.last(), 0, 'f', 2);
    };
    out << "journal folder: " << parent << "\n"
        << "changes: " << ms.size() << "\n"
        << "journalled change: " << line(ms) << "\n"
        << "bare append + fdatasync: " << (floor.isEmpty() ? QStringLiteral("failed") : line(floor))
        << Qt::endl;
    return 0;
}
