#pragma once

#include <QPlainTextEdit>

class ClipboardManager;

// A plain multi-line editor for text that is saved for one patient. A paste asks first when it may carry
// another patient's information: of the clipboard (the Paste keys, the context menu's Paste, a screen
// reader's paste through the editor's accessible interface, see PasteCheckedAccessible) or of the selection
// buffer (a middle click). "Allow" pastes what was there when asked. Nothing of it is recorded in the
// clipboard history. Drops are no pastes and are not checked.
class PasteCheckedTextEdit final : public QPlainTextEdit
{
    Q_OBJECT

public:
    // The text is `patientID`'s, whichever patient is current at a paste. Without a manager every paste goes in
    // at once.
    PasteCheckedTextEdit(ClipboardManager *manager, const QString &patientID, QWidget *parent = nullptr);

    // A screen reader's insert at `position`; what the clipboard holds goes in as its paste would.
    void insertAccessibly(int position, const QString &text);

protected:
    void insertFromMimeData(const QMimeData *source) override;

private:
    bool asksBeforePasting(const QMimeData *source) const;

    ClipboardManager *m_manager = nullptr;
    QString m_patientID;
};
