#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

// Every question and message the window puts to the operator goes through here, so tests can
// answer them without a person. Each one is preceded by the system alert sound.
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // A message with an OK button.
    virtual void message(QWidget *parent, const QString &caption, const QString &text,
                         QMessageBox::Icon icon) = 0;
    // A question; returns the button pressed. Unanswered, it reads as Cancel. Enter presses
    // defaultButton, or the box's own choice when that is NoButton.
    virtual QMessageBox::StandardButton
    question(QWidget *parent, const QString &caption, const QString &text,
             QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
             QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
    {
        Q_UNUSED(parent)
        Q_UNUSED(caption)
        Q_UNUSED(text)
        Q_UNUSED(buttons)
        Q_UNUSED(icon)
        Q_UNUSED(defaultButton)
        return QMessageBox::Cancel;
    }
    // A question answered by one of options (button texts); returns the index of the one
    // pressed. The default is the one Enter presses; closing the box reads as it too.
    virtual int choice(QWidget *parent, const QString &caption, const QString &text,
                       const QStringList &options, int defaultOption, QMessageBox::Icon icon)
    {
        Q_UNUSED(parent)
        Q_UNUSED(caption)
        Q_UNUSED(text)
        Q_UNUSED(options)
        Q_UNUSED(icon)
        return defaultOption;
    }
    // A save dialog that asks before replacing a file; empty when cancelled.
    virtual QString saveFileName(QWidget *parent, const QString &title, const QString &proposedPath,
                                 const QString &filter, const QString &defaultSuffix)
    {
        Q_UNUSED(parent)
        Q_UNUSED(title)
        Q_UNUSED(proposedPath)
        Q_UNUSED(filter)
        Q_UNUSED(defaultSuffix)
        return {};
    }
    // An existing folder to read from; empty when cancelled.
    virtual QString existingFolder(QWidget *parent, const QString &title, const QString &start)
    {
        Q_UNUSED(parent)
        Q_UNUSED(title)
        Q_UNUSED(start)
        return {};
    }
};

class MessageBoxDialogs final : public Dialogs
{
public:
    void message(QWidget *parent, const QString &caption, const QString &text,
                 QMessageBox::Icon icon) override;
    QMessageBox::StandardButton
    question(QWidget *parent, const QString &caption, const QString &text,
             QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
             QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) override;
    int choice(QWidget *parent, const QString &caption, const QString &text,
               const QStringList &options, int defaultOption, QMessageBox::Icon icon) override;
    QString saveFileName(QWidget *parent, const QString &title, const QString &proposedPath,
                         const QString &filter, const QString &defaultSuffix) override;
    QString existingFolder(QWidget *parent, const QString &title, const QString &start) override;
};
