#include "recovery.h"

#include "dialogs.h"
#include "exportfile.h"
#include "journalformat.h"
#include "mainwindow.h"
#include "sessionjournal.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

namespace {

enum Choice { Restore = 0, ExportNow, Discard };

QString fileName(const QString &path)
{
    return QFileInfo(path).fileName();
}

// "Test de esfuerzo, periodo inicial 28 a 20,4 Km/h, empezado el 05/12/2026 a las 18:30; ", or
// what of it the journal holds.
QString testText(const TestConditions &test)
{
    if (test.initialPeriod <= 0)
        return {};
    const QLocale locale;
    QString text = test.mode.isEmpty() ? QString() : test.mode + QStringLiteral(", ");
    text += QStringLiteral("periodo inicial %1 a %2 Km/h")
                .arg(test.initialPeriod)
                .arg(test.initialSpeed);
    if (test.started.isValid())
        text += test.started.toString(
            QStringLiteral("', empezado el 'dd'%1'MM'%1'yyyy' a las 'hh'%2'mm")
                .arg(ExportFile::dateSeparator(locale), ExportFile::timeSeparator(locale)));
    return text + QStringLiteral("; ");
}

} // namespace

SessionGuard::SessionGuard(Dialogs &dialogs, const QString &folder, QObject *parent)
    : QObject(parent), m_dialogs(dialogs), m_folder(folder)
{
}

SessionGuard::~SessionGuard() = default;

QString SessionGuard::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/journals");
}

QString SessionGuard::sportFolder() const
{
    return m_folder + QLatin1Char('/') + (m_window ? m_window->profile().programTitle : QString());
}

void SessionGuard::watch(MainWindow *window)
{
    m_window = window;
    m_journal = std::make_unique<SessionJournal>(window->results(), sportFolder());
    connect(window, &MainWindow::exported, m_journal.get(), &SessionJournal::markExported);
    connect(window, &MainWindow::testStarted, m_journal.get(), &SessionJournal::setConditions);
    // Told after the change that failed has run its course, never from inside it.
    connect(m_journal.get(), &SessionJournal::failed, this, &SessionGuard::reportJournalFailure,
            Qt::QueuedConnection);
    if (window->isVisible())
        QMetaObject::invokeMethod(this, &SessionGuard::offerLeftResults, Qt::QueuedConnection);
    else
        window->installEventFilter(this);
}

bool SessionGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Show) {
        m_window->removeEventFilter(this);
        // Two turns of the loop: what the window itself does once it is on screen comes first.
        QMetaObject::invokeMethod(
            this,
            [this] {
                QMetaObject::invokeMethod(this, &SessionGuard::offerLeftResults,
                                          Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void SessionGuard::message(const QString &text)
{
    if (m_window)
        m_dialogs.message(m_window, m_window->profile().programTitle, text, QMessageBox::Warning);
}

void SessionGuard::reportJournalFailure(const QString &reason)
{
    if (m_failureReported || m_terminating)
        return;
    m_failureReported = true;
    message(QStringLiteral("No se puede guardar el diario de resultados en «") +
            QDir::toNativeSeparators(sportFolder()) + QStringLiteral("» (") + reason +
            (m_journal->isOpen()
                 ? QStringLiteral("). Se volverá a intentar con cada cambio; hasta que se pueda, "
                                  "los últimos cambios solo están en la tabla: expórtelos para "
                                  "no perderlos.")
                 : QStringLiteral("). Desde ahora los nombres y resultados solo están en la "
                                  "tabla: expórtelos para no perderlos.")));
}

void SessionGuard::offerLeftResults()
{
    if (!m_window || m_terminating)
        return;
    // After a message the window opened as it appeared (no sound device), not on top of it.
    if (qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
        QTimer::singleShot(100, this, [this] { offerLeftResults(); });
        return;
    }
    if (!m_journal->isOpen())
        reportJournalFailure(m_journal->errorString());

    ResultsModel &results = m_window->results();
    QStringList skipped;
    auto left = LeftJournal::claimAll(sportFolder(), results.rowCount(), results.columnCount(),
                                      m_journal->path(), &skipped);
    if (!skipped.isEmpty()) {
        message(QStringLiteral("En la carpeta de los diarios de resultados «") +
                QDir::toNativeSeparators(sportFolder()) +
                QStringLiteral("» no se ha leído lo que no es un archivo normal: «") +
                skipped.join(QStringLiteral("», «")) + QStringLiteral("»."));
        if (m_terminating)
            return;
    }
    for (const auto &journal : left) {
        const JournalReading &reading = journal->reading();
        const bool nothingToOffer =
            journal->isEmpty() || (reading.intact() && !reading.unexported());
        // One earlier run at a time in the grid; the others stay for the next start.
        if (!nothingToOffer && JournalFormat::anyText(results.rows()))
            break;
        if (journal->outOfDate()) {
            message(QStringLiteral("El diario de resultados «") + fileName(journal->path()) +
                    QStringLiteral("» no estaba al día: su programa no pudo guardar sus últimos "
                                   "cambios, así que pueden faltar nombres o resultados.") +
                    (nothingToOffer
                         ? QString()
                         : QStringLiteral(" Lo que sí guardó se ofrece a continuación.")));
            if (m_terminating)
                return;
        }
        if (nothingToOffer) {
            journal->remove(); // nothing in it that an export does not hold
            continue;
        }

        // A damaged file is kept whatever the answer: renamed, or where it is if it cannot be.
        const bool removable = reading.intact();
        if (!removable) {
            const QString aside = journal->setAside();
            QString text = QStringLiteral("El diario de resultados «") + fileName(journal->path());
            if (reading.foreign)
                text += QStringLiteral("» no es de esta versión ni de esta tabla");
            else if (reading.records == 0)
                text += QStringLiteral("» no se puede leer");
            else
                text += QStringLiteral("» estaba dañado: ") +
                        QString::number(reading.damagedLines) +
                        QStringLiteral(" línea(s) ilegible(s)");
            text += aside.isEmpty() ? QStringLiteral(" y no se ha podido apartar.")
                                    : QStringLiteral(". Se ha apartado, sin borrarlo, como «") +
                                          fileName(aside) + QStringLiteral("».");
            if (reading.unexported())
                text += QStringLiteral(" Lo que estaba completo se ofrece a continuación.");
            message(text);
            if (m_terminating)
                return;
        }
        if (!reading.unexported())
            continue;

        int choice = Restore;
        for (;;) {
            choice = m_dialogs.choice(
                m_window, QStringLiteral("Recuperar registros"),
                QStringLiteral("La sesión anterior terminó sin exportar sus registros (") +
                    testText(reading.test) + QStringLiteral("deportistas con nombre: ") +
                    QString::number(reading.namedSlots()) + QStringLiteral("; con resultado: ") +
                    QString::number(reading.slotsWithResults()) +
                    QStringLiteral("). ¿Qué desea hacer con ellos?"),
                {QStringLiteral("Recuperar en la tabla"), QStringLiteral("Exportar ahora"),
                 QStringLiteral("Descartar")},
                Restore, QMessageBox::Question);
            if (m_terminating)
                return;
            if (choice != Discard)
                break;
            const auto sure = m_dialogs.question(
                m_window, QStringLiteral("Descartar registros"),
                QStringLiteral("¿Realmente desea descartar los registros no exportados de la "
                               "sesión anterior? No se podrán recuperar."),
                QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Warning, QMessageBox::Cancel);
            if (m_terminating)
                return;
            if (sure == QMessageBox::Ok)
                break;
        }
        if (choice == Discard) {
            if (removable)
                journal->remove();
            continue;
        }
        if (reading.test.initialPeriod > 0)
            m_journal->setConditions(reading.test);
        results.restore(reading.rows);
        // Ours holds them now; without it, the old file is their only copy on the disk.
        if (removable && m_journal->isOpen())
            journal->remove();
        m_window->resultsRestored(reading.test);
        // Under a name of its own: that day's earlier export may hold other results.
        if (choice == ExportNow)
            m_window->exportUnderNewName();
    }
    emit leftResultsOffered();
}

void SessionGuard::terminate()
{
    if (m_terminating)
        return;
    m_terminating = true;
    if (m_journal)
        m_journal->close();
    if (m_window)
        m_window->closeWithoutQuestions();
    // A box already open returns when its loop ends; one opened on the way out is dismissed.
    auto *dismiss = new QTimer(this);
    connect(dismiss, &QTimer::timeout, this, [] {
        if (auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            box->reject();
        QCoreApplication::exit(0);
    });
    dismiss->start(10);
    QCoreApplication::exit(0);
}
