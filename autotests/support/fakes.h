#pragma once

#include "cuesink.h"
#include "dialogs.h"

#include <QList>
#include <QStringList>

// Stand-ins for the sound device and the operator, so the windows run without either.

class SilentSink final : public Protocol::CueSink
{
public:
    bool available() const override { return true; }
    void playCue(qint64) override {}
    void playAlert(qint64) override {}
};

class RecordingSink final : public Protocol::CueSink
{
public:
    bool device = true;
    qint64 lead = 0;
    QList<qint64> cues;
    QList<qint64> alerts;
    QList<Protocol::SoundPlan> plans;
    int silences = 0;
    bool available() const override { return device; }
    qint64 leadMs() const override { return lead; }
    QString output;
    double latency = -1;
    QString outputName() const override { return output; }
    double outputLatencyMs() const override { return latency; }
    void plan(const Protocol::SoundPlan &sounds) override { plans.append(sounds); }
    void silence() override { ++silences; }
    void playCue(qint64 dueMs) override { cues.append(dueMs); }
    void playAlert(qint64 dueMs) override { alerts.append(dueMs); }
    void setState(State state) { emit stateChanged(state); }
};

// Answers the window's questions from a script and remembers what it was asked.
class ScriptedDialogs final : public Dialogs
{
public:
    struct Asked
    {
        QString caption;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon;
    };
    QList<Asked> questions;
    QList<Asked> messages;
    QList<QMessageBox::StandardButton> answers; // taken in order; then Cancel
    QList<int> choices;                         // taken in order; then the default
    QList<QStringList> optionsOffered;
    QStringList proposedPaths;
    QString saveTo; // empty: the save dialog is cancelled
    QString saveTitle, saveFilter, saveSuffix;
    QString folderTo; // empty: the folder dialog is cancelled

    void message(QWidget *, const QString &caption, const QString &text,
                 QMessageBox::Icon icon) override
    {
        messages.append({caption, text, QMessageBox::Ok, icon});
    }
    QMessageBox::StandardButton
    question(QWidget *, const QString &caption, const QString &text,
             QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
             QMessageBox::StandardButton = QMessageBox::NoButton) override
    {
        questions.append({caption, text, buttons, icon});
        return answers.isEmpty() ? QMessageBox::Cancel : answers.takeFirst();
    }
    int choice(QWidget *, const QString &caption, const QString &text, const QStringList &options,
               int defaultOption, QMessageBox::Icon icon) override
    {
        questions.append({caption, text, QMessageBox::NoButton, icon});
        optionsOffered.append(options);
        return choices.isEmpty() ? defaultOption : choices.takeFirst();
    }
    QString saveFileName(QWidget *, const QString &title, const QString &proposedPath,
                         const QString &filter, const QString &defaultSuffix) override
    {
        proposedPaths.append(proposedPath);
        saveTitle = title;
        saveFilter = filter;
        saveSuffix = defaultSuffix;
        return saveTo;
    }
    QString existingFolder(QWidget *, const QString &, const QString &) override
    {
        return folderTo;
    }
};
