#include "dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>

void MessageBoxDialogs::message(QWidget *parent, const QString &caption, const QString &text,
                                QMessageBox::Icon icon)
{
    QApplication::beep();
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

QMessageBox::StandardButton MessageBoxDialogs::question(QWidget *parent, const QString &caption,
                                                        const QString &text,
                                                        QMessageBox::StandardButtons buttons,
                                                        QMessageBox::Icon icon,
                                                        QMessageBox::StandardButton defaultButton)
{
    QApplication::beep();
    QMessageBox box(icon, caption, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    const int answer = box.exec();
    return QMessageBox::StandardButton(answer);
}

int MessageBoxDialogs::choice(QWidget *parent, const QString &caption, const QString &text,
                              const QStringList &options, int defaultOption, QMessageBox::Icon icon)
{
    QApplication::beep();
    QMessageBox box(icon, caption, text, QMessageBox::NoButton, parent);
    QList<QPushButton *> buttons;
    for (const QString &option : options)
        buttons.append(box.addButton(option, QMessageBox::AcceptRole));
    if (QPushButton *preferred = buttons.value(defaultOption)) {
        box.setDefaultButton(preferred);
        box.setEscapeButton(preferred);
    }
    box.exec();
    const int chosen = int(buttons.indexOf(qobject_cast<QPushButton *>(box.clickedButton())));
    return chosen >= 0 ? chosen : defaultOption;
}

QString MessageBoxDialogs::saveFileName(QWidget *parent, const QString &title,
                                        const QString &proposedPath, const QString &filter,
                                        const QString &defaultSuffix)
{
    QFileDialog dialog(parent, title, QFileInfo(proposedPath).absolutePath(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.selectFile(proposedPath);
    // Asking before overwriting is the dialog's default; a read-only box is never offered.
    dialog.setOption(QFileDialog::ReadOnly, false);
    // With several formats on offer, a name typed without its ending gets the chosen format's.
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &chosen) {
            const qsizetype star = chosen.indexOf(QStringLiteral("*."));
            if (star >= 0)
                dialog.setDefaultSuffix(chosen.mid(star + 2).section(QLatin1Char(')'), 0, 0));
        });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString MessageBoxDialogs::existingFolder(QWidget *parent, const QString &title,
                                          const QString &start)
{
    return QFileDialog::getExistingDirectory(parent, title, start);
}
