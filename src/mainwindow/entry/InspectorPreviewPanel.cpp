#include "mainwindow/entry/InspectorPreviewPanel.h"

#include "documents/DocumentPreview.h"
#include "documents/DocumentRefresher.h"
#include "net/APIError.h"
#include "records/DocumentStore.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"
#include "window/WindowState.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

QString nameOf(const ImageAsset &document)
{
    return document.fileName.value_or(QStringLiteral("Document"));
}

// How long the panel must keep one attachment before it loads it.
constexpr int previewDwellMilliseconds = 200;

} // namespace

InspectorPreviewPanel::InspectorPreviewPanel(WindowState *state, QWidget *parent)
    : QWidget(parent), m_state(state), m_documents(new DocumentStore(QString(), this)),
      m_refresher(new DocumentRefresher(m_documents, this))
{
    setObjectName(QStringLiteral("inspectorPreviewPanel"));
    // Wider as the window widens: a document read in a narrow strip beside an entry's empty space is hard
    // to read. The divider beside it moves the share.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    layout->addWidget(buildHeader());
    m_preview = new DocumentPreview(DocumentPreview::Look::attachment, this);
    m_preview->setObjectName(QStringLiteral("previewArea"));
    layout->addWidget(m_preview, 1);
    m_dwell.setSingleShot(true);
    m_dwell.setInterval(previewDwellMilliseconds);
    connect(&m_dwell, &QTimer::timeout, this, [this] { loadDocument(m_loads.current()); });
    connect(m_preview, &DocumentPreview::loadFailed, this, &InspectorPreviewPanel::handleLoadFailure);
    connect(m_refresher, &DocumentRefresher::refreshed, this, &InspectorPreviewPanel::showRefreshed);
}

QSize InspectorPreviewPanel::minimumSizeHint() const
{
    return QSize(0, QWidget::minimumSizeHint().height());
}

QWidget *InspectorPreviewPanel::buildHeader()
{
    auto *header = new QWidget(this);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    auto *icon = new QLabel(header);
    icon->setPixmap(SymbolIcons::icon(QStringLiteral("eye")).pixmap(16, 16));
    auto *title = new QLabel(tr("Detail View"), header);
    title->setFont(Theme::headlineFont());
    auto *close = new QToolButton(header);
    close->setObjectName(QStringLiteral("closePreview"));
    close->setAccessibleName(tr("Close Preview"));
    close->setAutoRaise(true);
    close->setIcon(SymbolIcons::icon(QStringLiteral("xmark.circle.fill")));
    Theme::showFocusRing(close);
    connect(close, &QToolButton::clicked, this, [this] { m_state->setActiveDocumentName(std::nullopt); });
    row->addWidget(icon);
    row->addWidget(title);
    row->addStretch(1);
    row->addWidget(close);
    return header;
}

std::optional<ImageAsset> InspectorPreviewPanel::documentToShow(const Medbit &medbit, const QString &fileToPreview)
{
    if (medbit.documents.isEmpty())
        return std::nullopt;
    for (const ImageAsset &document : medbit.documents) {
        if (nameOf(document) == fileToPreview)
            return document;
    }
    return medbit.documents.first();
}

void InspectorPreviewPanel::setAttachment(const Medbit &medbit, const QString &fileToPreview)
{
    const bool sameKey = m_hasKey && medbit.id == m_medbit.id && fileToPreview == m_fileToPreview;
    m_medbit = medbit;
    if (sameKey)
        return;
    m_hasKey = true;
    m_fileToPreview = fileToPreview;
    m_loads.next();
    clearDocument();
    // Only a download is worth deferring; "No attachment found." shows at once.
    const std::optional<ImageAsset> chosen = documentToShow(m_medbit, m_fileToPreview);
    if (chosen && chosen->_id)
        m_dwell.start();
    else
        loadDocument(m_loads.current());
}

void InspectorPreviewPanel::clearDocument()
{
    m_document.reset();
    m_refresher->startAfresh();
    m_preview->showLoading();
}

QCoro::Task<> InspectorPreviewPanel::loadDocument(Generation::Token load)
{
    const std::optional<ImageAsset> chosen = documentToShow(m_medbit, m_fileToPreview);
    if (!chosen || !chosen->_id) {
        m_preview->showFailure(tr("No attachment found."));
        co_return;
    }
    QPointer<InspectorPreviewPanel> self(this);
    const QString documentID = *chosen->_id;
    std::optional<ImageAsset> fetched;
    try {
        fetched = co_await m_documents->fetchDocument(documentID);
    } catch (const APIError &error) {
        if (error.isCanceled())
            co_return;
        // The entry's own record is shown instead.
    }
    if (!self || !m_loads.isCurrent(load))
        co_return;
    m_document = fetched.value_or(*chosen);
    m_preview->showDocument(*m_document);
}

void InspectorPreviewPanel::handleLoadFailure()
{
    if (m_document && m_document->_id)
        m_refresher->refreshOnce(*m_document->_id);
}

void InspectorPreviewPanel::showRefreshed(const ImageAsset &record, const QString &documentID)
{
    // Only a record of the document still shown replaces it.
    if (record._id != documentID)
        return;
    m_document = record;
    m_preview->showDocument(record);
}
