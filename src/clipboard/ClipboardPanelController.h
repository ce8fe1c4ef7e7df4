#pragma once

#include "ClipboardDraftFolder.h"
#include "ClipboardModels.h"
#include "PasteboardTransfer.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <QCoroTask>

#include <optional>

class ClipboardManager;

// The prefill of one opening of the entry form. A new id for every draft, so each request opens a fresh form.
struct CreateEntryDraft {
    QUuid id;
    QString initialText;
    std::optional<QUrl> attachmentURL;
};

// A paste held back until the user answers the different-patient question. One of file and text is set.
struct PendingPaste {
    std::optional<ClipboardFile> file;
    QString text;
    // The history it was meant for; an answer that comes after a switch of patient records nothing.
    QString patientID;
};

// What the clipboard panel does, apart from its widgets: the shown item, pasting into the history with the
// question before information copied under another patient goes in, delete, clear, and the entry form's
// prefill. Every item it adds or saves goes under the manager's own patient, which keeps the previous
// patient while none is selected.
class ClipboardPanelController final : public QObject
{
    Q_OBJECT

public:
    explicit ClipboardPanelController(ClipboardManager *manager, QObject *parent = nullptr);
    ClipboardPanelController(ClipboardManager *manager, const ClipboardDraftFolder &drafts, QObject *parent = nullptr);

    // The chosen item, or the first one when none is chosen or the chosen one has gone; none when empty.
    std::optional<ClipboardItem> selectedItem() const;
    // The id of selectedItem, null when none: the highlighted row.
    QUuid selectedItemID() const;
    void select(const QUuid &id);

    // Takes the clipboard's file or image, else its text; a copied file that cannot be kept takes nothing.
    // Asks first (pasteNeedsAnswer) when the clipboard still holds the application's last copy or cut and that
    // was made for another patient. A file is read and an image encoded on a worker thread; pastes are kept in
    // the order they were made, and one made for a patient no longer shown keeps nothing.
    void handlePaste();
    // A paste whose file or image is still being read.
    bool isPreparingPaste() const { return !m_pastes.isEmpty(); }
    const std::optional<PendingPaste> &pendingPaste() const { return m_pendingPaste; }
    // Why the latest paste kept nothing although the clipboard offered a file or an image; empty otherwise.
    QString pasteProblem() const { return m_pasteProblem; }
    // The question's "Allow": records the held paste. Every other way of closing it is cancelPendingPaste.
    void allowPendingPaste();
    void cancelPendingPaste();
    void performPaste(const PendingPaste &paste);

    // Deletes the items "Clear All" asked about; one recorded since stays.
    void clearAll(const QList<QUuid> &ids);
    void deleteItem(const QUuid &id);

    // A text item's text; a file item's bytes written to a draft file, with an empty text. Nothing when the
    // draft cannot be written.
    std::optional<CreateEntryDraft> makeCreateEntryDraft(const ClipboardItem &item) const;

Q_SIGNALS:
    void pasteNeedsAnswer();
    void pasteProblemChanged();
    // The shown item is another one (or none): after a choice, a paste, a delete or a clear.
    void selectedItemChanged();

private:
    // What the clipboard held when the user pasted, and what was to be asked then.
    struct PasteOffer {
        ClipboardOffer clipboard;
        QString text;
        QString patientID;
        bool asks = false;
    };

    QCoro::Task<> preparePastes();
    void finishPaste(const PasteOffer &offer, ClipboardFileRead read);
    void updateShownItem();
    void setPasteProblem(const QString &problem);
    static QString problemText(ClipboardFileProblem problem);

    ClipboardManager *m_manager = nullptr;
    ClipboardDraftFolder m_drafts;
    QUuid m_selectedItemID;
    QUuid m_shownItemID;
    std::optional<PendingPaste> m_pendingPaste;
    QList<PasteOffer> m_pastes;
    QString m_pasteProblem;
};
