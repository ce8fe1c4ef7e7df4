#include "CrossPatientPasteAlert.h"

#include "widgets/Theme.h"

#include <QPushButton>

CrossPatientPasteAlert::CrossPatientPasteAlert(QWidget *parent)
    : QMessageBox(QMessageBox::NoIcon,
                  tr("You are pasting information from a different patient. Do you want to proceed?"),
                  tr("You are pasting information from a different patient. Do you want to proceed?"),
                  QMessageBox::NoButton, parent)
{
    setObjectName(QStringLiteral("crossPatientPasteAlert"));
    Theme::applyPalette(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    QPushButton *cancel = addButton(tr("Cancel"), QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelPaste"));
    QPushButton *allow = addButton(tr("Allow"), QMessageBox::AcceptRole);
    allow->setObjectName(QStringLiteral("allowPaste"));
    setDefaultButton(cancel);
    setEscapeButton(cancel);
    connect(this, &QDialog::finished, this, [this, allow] {
        if (clickedButton() == allow)
            Q_EMIT allowed();
        else
            Q_EMIT cancelled();
    });
}

void CrossPatientPasteAlert::insertAfterAsking(QWidget *field, bool asks, const std::function<void()> &insert)
{
    if (!asks) {
        insert();
        return;
    }
    auto *alert = new CrossPatientPasteAlert(field);
    connect(alert, &CrossPatientPasteAlert::allowed, field, insert);
    alert->open();
}
