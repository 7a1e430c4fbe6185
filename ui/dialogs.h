#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Every question and message the window puts to the operator goes through here, so tests can
// answer them without a person.
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // A message with an OK button, after the system alert sound.
    virtual void message(QWidget *parent, const QString &caption, const QString &text,
                         QMessageBox::Icon icon) = 0;
};

class MessageBoxDialogs final : public Dialogs
{
public:
    void message(QWidget *parent, const QString &caption, const QString &text,
                 QMessageBox::Icon icon) override;
};
