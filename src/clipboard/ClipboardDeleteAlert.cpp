#include "ClipboardDeleteAlert.h"

#include "widgets/Theme.h"

#include <QPushButton>

ClipboardDeleteAlert::ClipboardDeleteAlert(const QString &question, const QString &detail, const QString &confirmTitle,
                                           const QString &name, QWidget *parent)
    : QMessageBox(QMessageBox::NoIcon, question, question, QMessageBox::NoButton, parent)
{
    const QString capitalized = name.left(1).toUpper() + name.mid(1);
    setObjectName(name + QStringLiteral("Alert"));
    setInformativeText(detail);
    Theme::applyPalette(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    QPushButton *confirm = addButton(confirmTitle, QMessageBox::DestructiveRole);
    confirm->setObjectName(QStringLiteral("confirm") + capitalized);
    QPushButton *cancel = addButton(tr("Cancel"), QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancel") + capitalized);
    setDefaultButton(cancel);
    setEscapeButton(cancel);
    connect(this, &QDialog::finished, this, [this, confirm] {
        if (clickedButton() == confirm)
            Q_EMIT confirmed();
    });
}
