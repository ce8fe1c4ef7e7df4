#pragma once

#include "records/ImageAsset.h"
#include "records/Medbit.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <QCoroTask>

#include <optional>

class PDFKitView;
class QLabel;
class QStackedWidget;
class RemoteImageView;
class BusyIndicator;
class WindowState;

// The column beside the entry detail that shows one attachment, a PDF or an image, after fetching its
// stored record. A link that cannot be shown is refreshed once per load. Each load is keyed on (entry id,
// attachment name) and numbered: a reply that belongs to an older key or load is dropped, so the panel
// never shows another entry's or another attachment's document.
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

private:
    QWidget *buildHeader();
    QWidget *buildFailurePage();
    QCoro::Task<> loadDocument(quint64 generation);
    QCoro::Task<> refreshDocument(quint64 generation, QString documentID);
    void showDocument();
    void showFailure(const QString &text);
    void handleLoadFailure();

    WindowState *m_state = nullptr;
    Medbit m_medbit;
    QString m_fileToPreview;
    bool m_hasKey = false;
    quint64 m_generation = 0;
    std::optional<ImageAsset> m_document;
    bool m_didForceRefresh = false;

    QStackedWidget *m_pages = nullptr;
    BusyIndicator *m_spinner = nullptr;
    QWidget *m_failure = nullptr;
    QLabel *m_failureText = nullptr;
    PDFKitView *m_pdf = nullptr;
    RemoteImageView *m_image = nullptr;
};
