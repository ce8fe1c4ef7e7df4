#include "ClipboardPanelController.h"

#include "ClipboardManager.h"
#include "Pasteboard.h"

#include <QPointer>

#include <algorithm>
#include <utility>

namespace
{

const QString pasteSource = QStringLiteral("Clipboard");

} // namespace

ClipboardPanelController::ClipboardPanelController(ClipboardManager *manager, QObject *parent)
    : ClipboardPanelController(manager, ClipboardDraftFolder(), parent)
{
}

ClipboardPanelController::ClipboardPanelController(ClipboardManager *manager, const ClipboardDraftFolder &drafts,
                                                   QObject *parent)
    : QObject(parent), m_manager(manager), m_drafts(drafts)
{
    m_shownItemID = selectedItemID();
    connect(m_manager, &ClipboardManager::itemsChanged, this, &ClipboardPanelController::updateShownItem);
}

std::optional<ClipboardItem> ClipboardPanelController::selectedItem() const
{
    const QList<ClipboardItem> &items = m_manager->items();
    if (items.isEmpty())
        return std::nullopt;
    const auto chosen = std::find_if(items.cbegin(), items.cend(),
                                     [this](const ClipboardItem &item) { return item.id == m_selectedItemID; });
    return chosen != items.cend() ? *chosen : items.first();
}

QUuid ClipboardPanelController::selectedItemID() const
{
    const std::optional<ClipboardItem> item = selectedItem();
    return item ? item->id : QUuid();
}

void ClipboardPanelController::select(const QUuid &id)
{
    m_selectedItemID = id;
    updateShownItem();
}

void ClipboardPanelController::handlePaste()
{
    Pasteboard *pasteboard = m_manager->pasteboard();
    PasteOffer offer{clipboardOffer(pasteboard->mimeData()), pasteboard->text().value_or(QString()),
                     m_manager->patientID(), m_manager->clipboardHoldsAnotherPatientsCopy()};
    // Text alone is kept at once, unless an earlier paste is still being read.
    if (offer.clipboard.isEmpty() && m_pastes.isEmpty()) {
        finishPaste(offer, {});
        return;
    }
    m_pastes.append(std::move(offer));
    if (m_pastes.size() == 1)
        preparePastes();
}

QCoro::Task<> ClipboardPanelController::preparePastes()
{
    QPointer<ClipboardPanelController> self(this);
    while (!m_pastes.isEmpty()) {
        ClipboardOffer clipboard = m_pastes.first().clipboard;
        ClipboardFileRead read;
        if (!clipboard.isEmpty()) {
            read = co_await readClipboardFileInBackground(std::move(clipboard));
            // The panel went, and its pastes with it.
            if (!self)
                co_return;
        }
        finishPaste(m_pastes.takeFirst(), std::move(read));
    }
}

void ClipboardPanelController::finishPaste(const PasteOffer &offer, ClipboardFileRead read)
{
    // Made for another patient's history than the one shown now.
    if (offer.patientID != m_manager->patientID())
        return;
    PendingPaste paste{std::move(read.file), QString(), offer.patientID};
    // A copied file comes with its link as text: a file that cannot be kept refuses the paste, or the link
    // would stand in for it. An image left out gives way to text that came with it, which is its own content.
    const bool fileRefused =
        read.problem == ClipboardFileProblem::FileTooLarge || read.problem == ClipboardFileProblem::FileUnreadable;
    if (!paste.file && !fileRefused)
        paste.text = offer.text;
    const bool keepsNothing = !paste.file && paste.text.isEmpty();
    // A file or image left out is told only when nothing is kept instead.
    setPasteProblem(keepsNothing ? problemText(read.problem) : QString());
    if (keepsNothing)
        return;
    if (!offer.asks) {
        performPaste(paste);
        return;
    }
    m_pendingPaste = std::move(paste);
    Q_EMIT pasteNeedsAnswer();
}

void ClipboardPanelController::allowPendingPaste()
{
    const std::optional<PendingPaste> paste = std::exchange(m_pendingPaste, std::nullopt);
    // Asked for one patient's history; another one's is shown now.
    if (paste && paste->patientID == m_manager->patientID())
        performPaste(*paste);
}

void ClipboardPanelController::cancelPendingPaste()
{
    m_pendingPaste.reset();
}

void ClipboardPanelController::performPaste(const PendingPaste &paste)
{
    if (paste.file)
        m_manager->recordFile(ClipboardActionType::Paste, *paste.file, pasteSource);
    else
        m_manager->record(ClipboardActionType::Paste, paste.text, pasteSource);
}

void ClipboardPanelController::clearAll(const QList<QUuid> &ids)
{
    m_selectedItemID = QUuid();
    m_manager->deleteItems(QSet<QUuid>(ids.cbegin(), ids.cend()));
}

void ClipboardPanelController::deleteItem(const QUuid &id)
{
    m_manager->deleteItems({id});
}

std::optional<CreateEntryDraft> ClipboardPanelController::makeCreateEntryDraft(const ClipboardItem &item) const
{
    if (!item.file)
        return CreateEntryDraft{QUuid::createUuid(), item.text, std::nullopt};
    const std::optional<QString> path = m_drafts.write(*item.file);
    if (!path)
        return std::nullopt;
    return CreateEntryDraft{QUuid::createUuid(), QString(), QUrl::fromLocalFile(*path)};
}

void ClipboardPanelController::setPasteProblem(const QString &problem)
{
    if (problem == m_pasteProblem)
        return;
    m_pasteProblem = problem;
    Q_EMIT pasteProblemChanged();
}

QString ClipboardPanelController::problemText(ClipboardFileProblem problem)
{
    switch (problem) {
    case ClipboardFileProblem::None:
        return {};
    case ClipboardFileProblem::FileTooLarge:
        return tr("The copied file is over 25 MB and can't be kept.");
    case ClipboardFileProblem::FileUnreadable:
        return tr("The copied file can't be read; it may have been moved or deleted.");
    case ClipboardFileProblem::ImageTooLarge:
        return tr("The image is over 25 MB as PNG and can't be kept.");
    }
    return {};
}

void ClipboardPanelController::updateShownItem()
{
    const QUuid shown = selectedItemID();
    if (shown == m_shownItemID)
        return;
    m_shownItemID = shown;
    Q_EMIT selectedItemChanged();
}
