#include "dialogs.h"

#include <QApplication>

void MessageBoxDialogs::message(QWidget *parent, const QString &caption, const QString &text,
                                QMessageBox::Icon icon)
{
    QApplication::beep();
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}
