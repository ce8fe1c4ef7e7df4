#pragma once

#include "net/Generation.h"
#include "records/ImageAsset.h"
#include "records/Medbit.h"

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <QCoroTask>

#include <optional>

class DocumentPreview;
class DocumentRefresher;
class DocumentStore;
class WindowState;

// The column beside the entry detail that shows one attachment, a PDF or an image, after fetching its
// stored record. A link that cannot be shown is refreshed once per load. Each load is keyed on (entry id,
// attachment name) and numbered: a reply that belongs to an older key or load is dropped, so the panel
// never shows another entry's or another attachment's document. A new key clears what was shown (aborting
// its download) at once but loads only after resting on the key for a moment, so that a selection moving
// quickly through the timeline downloads nothing for the entries it passes.
class InspectorPreviewPanel final : public QWidget
{
    Q_OBJECT

public:
    InspectorPreviewPanel(WindowState *state, QWidget *parent);

    // A new (entry id, name) starts a new load; the same key only takes the fresh entry.
    void setAttachment(const Medbit &medbit, const QString &fileToPreview);
    std::optional<ImageAsset> document() const { return m_document; }

    // The entry's document shown under `fileToPreview`: the first whose name matches, else the first.
    static std::optional<ImageAsset> documentToShow(const Medbit &medbit, const QString &fileToPreview);

    // Any width will do: the preview gives up its room before the window grows wider than the screen.
    QSize minimumSizeHint() const override;

private:
    QWidget *buildHeader();
    void clearDocument();
    QCoro::Task<> loadDocument(Generation::Token load);
    void showRefreshed(const ImageAsset &record, const QString &documentID);
    void handleLoadFailure();

    WindowState *m_state = nullptr;
    // The panel's own: closing the preview aborts its requests.
    DocumentStore *m_documents = nullptr;
    // Started afresh with every load, so each load may renew its document once.
    DocumentRefresher *m_refresher = nullptr;
    Medbit m_medbit;
    QString m_fileToPreview;
    bool m_hasKey = false;
    Generation m_loads;
    std::optional<ImageAsset> m_document;
    QTimer m_dwell;

    DocumentPreview *m_preview = nullptr;
};
