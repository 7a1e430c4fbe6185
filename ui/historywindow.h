#pragma once

#include "historyfile.h"
#include "historyseason.h"

#include <QDialog>
#include <QStringList>

#include <memory>

class Dialogs;
class QChart;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;
namespace Protocol {
struct SportProfile;
} // namespace Protocol

namespace Ui {
class HistoryWindow;
}

// The season at a glance: every test of every athlete found in the results files of some
// folders, and the progress of the athletes picked as a chart of what the coach chooses
// (distance, last completed period, maximum speed, VO2max where the sport estimates it), all
// tests or only those started at one period. It reads the files and never writes them.
class HistoryWindow : public QDialog
{
    Q_OBJECT
public:
    // Reads the folders, then the ones added earlier with "Otra carpeta...", which can be removed.
    HistoryWindow(const Protocol::SportProfile &profile, const QStringList &folders,
                  Dialogs *dialogs, QWidget *parent = nullptr, const QStringList &added = {});
    ~HistoryWindow() override;

    const History &history() const { return m_history; }
    QStringList folders() const { return m_folders; }
    QStringList addedFolders() const { return m_folders.mid(m_fixedFolders); }
    QChart *chart() const;
    // Athletes picked, in list order.
    QStringList pickedAthletes() const;
    void pickAthletes(const QStringList &athletes);

    // Reads the folders again, with one more.
    void addFolder(const QString &folder);
signals:
    // The folders added, after one was added or removed: the caller keeps them for next time.
    void addedFoldersChanged(const QStringList &added);

private slots:
    // Asks for a folder and adds it.
    void askAndAddFolder();
    // Asks which added folder to stop reading, and reads the rest again.
    void askAndRemoveFolder();
    // Saves the chart as PNG or, for a ".pdf" name, as PDF; true when a file was written.
    bool saveChart();

private:
    void reload();
    void showPicked();
    // Draws the picked athletes' values; false when there is nothing above zero to draw.
    bool drawChart(const QList<QList<HistoryResult>> &tests, HistorySeason::Measure measure);
    void showPointTip(QLineSeries *series, const QList<HistoryResult> &plotted,
                      const QPointF &point, bool hovered);

    std::unique_ptr<Ui::HistoryWindow> ui;
    const Protocol::SportProfile &m_profile;
    Dialogs *m_dialogs;
    QStringList m_folders;
    qsizetype m_fixedFolders = 0; // the leading folders that cannot be removed
    History m_history;
    // Made once: the chart keeps them from one pick to the next.
    QDateTimeAxis *m_dates = nullptr;
    QValueAxis *m_values = nullptr;
};
