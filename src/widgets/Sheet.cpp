#include "Sheet.h"

#include <QCloseEvent>

Sheet::Sheet(QWidget *parent) : QDialog(parent) {}

void Sheet::reject() {}

void Sheet::closeEvent(QCloseEvent *event)
{
    // The user's close is refused; the application's own (quitting) goes through.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void Sheet::dismiss()
{
    QDialog::reject();
}
