#pragma once

#include <QMessageBox>

// The question before items leave the clipboard history: what goes, that only the history loses it, a
// destructive button that confirms and "Cancel", which Return and Escape press. Window-modal over its parent's
// window; it deletes itself once answered, and goes with its parent.
class ClipboardDeleteAlert final : public QMessageBox
{
    Q_OBJECT

public:
    // `name` ("deleteItem") names the alert "deleteItemAlert" and its buttons "confirmDeleteItem" and
    // "cancelDeleteItem".
    ClipboardDeleteAlert(const QString &question, const QString &detail, const QString &confirmTitle,
                         const QString &name, QWidget *parent);

Q_SIGNALS:
    void confirmed();
};
