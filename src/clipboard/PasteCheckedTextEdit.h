#pragma once

#include <QPlainTextEdit>

class ClipboardManager;

// A plain multi-line editor for text that is saved for the current patient. A paste of the clipboard (the
// Paste keys or the context menu's Paste) asks first when it may carry another patient's information;
// "Allow" pastes what the clipboard held when asked. Nothing of it is recorded in the clipboard history.
// Drops and the selection buffer's middle-click are no clipboard pastes and are not checked.
class PasteCheckedTextEdit final : public QPlainTextEdit
{
    Q_OBJECT

public:
    // Without a manager every paste goes in at once.
    explicit PasteCheckedTextEdit(ClipboardManager *manager, QWidget *parent = nullptr);

protected:
    void insertFromMimeData(const QMimeData *source) override;

private:
    ClipboardManager *m_manager = nullptr;
};
