#pragma once

#include <QMessageBox>

#include <functional>

// The question before a paste that may carry another patient's information into the current one's record
// (ClipboardManager::clipboardHoldsAnotherPatientsCopy): "Cancel" or "Allow". Window-modal over its parent's
// window; every way of closing it but "Allow" is "Cancel". It deletes itself once answered, and goes with its
// parent, so an answer never reaches a field that is gone.
class CrossPatientPasteAlert final : public QMessageBox
{
    Q_OBJECT

public:
    explicit CrossPatientPasteAlert(QWidget *parent);

    // Every way of pasting into `field` ends here: `insert` runs at once when the paste does not ask, else
    // once the user allows it. `insert` must hold what it pastes, since the clipboard may change meanwhile.
    static void insertAfterAsking(QWidget *field, bool asks, const std::function<void()> &insert);

Q_SIGNALS:
    void allowed();
    void cancelled();
};
