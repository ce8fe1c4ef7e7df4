#include "mainwindow/entry/InspectorPreviewPanel.h"

#include "documents/PDFKitView.h"
#include "net/APIError.h"
#include "records/DocumentStore.h"
#include "widgets/BusyIndicator.h"
#include "widgets/FormKit.h"
#include "widgets/RemoteImageView.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"
#include "window/WindowState.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

QString unreadable()
{
    return InspectorPreviewPanel::tr("Couldn’t load this document.");
}

QString nameOf(const ImageAsset &document)
{
    return document.fileName.value_or(QStringLiteral("Document"));
}

// How long the panel must keep one attachment before it loads it.
constexpr int previewDwellMilliseconds = 200;

} // namespace

InspectorPreviewPanel::InspectorPreviewPanel(WindowState *state, QWidget *parent)
    : QWidget(parent), m_state(state), m_documents(new DocumentStore(QString(), this))
{
    setObjectName(QStringLiteral("inspectorPreviewPanel"));
    // 320 wide when it opens; the divider beside it can widen it.
    setMinimumWidth(320);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    layout->addWidget(buildHeader());
    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("previewArea"));
    m_spinner = new BusyIndicator(24, m_pages);
    m_pdf = new PDFKitView(m_pages);
    m_pdf->setObjectName(QStringLiteral("previewPDF"));
    m_pdf->setAccessibleName(tr("Attachment Preview"));
    // An image as wide as the column, scrolled when taller: a tall scan stays readable.
    m_imageScroll = new QScrollArea(m_pages);
    m_imageScroll->setObjectName(QStringLiteral("previewImageScroll"));
    m_imageScroll->setAccessibleName(tr("Attachment Preview"));
    m_imageScroll->setFrameShape(QFrame::NoFrame);
    m_imageScroll->setWidgetResizable(true);
    m_imageScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_image = new RemoteImageView(m_imageScroll);
    m_image->setObjectName(QStringLiteral("previewImage"));
    m_image->setScaling(RemoteImageView::Scaling::fitWidth);
    m_imageScroll->setWidget(m_image);
    m_pages->addWidget(m_spinner);
    m_pages->addWidget(buildFailurePage());
    m_pages->addWidget(m_pdf);
    m_pages->addWidget(m_imageScroll);
    layout->addWidget(m_pages, 1);
    m_dwell.setSingleShot(true);
    m_dwell.setInterval(previewDwellMilliseconds);
    connect(&m_dwell, &QTimer::timeout, this, [this] { loadDocument(m_loads.current()); });
    connect(m_pdf, &PDFKitView::loadFinished, this, [this](bool failed) {
        if (failed && m_pages->currentWidget() == m_pdf) {
            showFailure(unreadable());
            handleLoadFailure();
        }
    });
    connect(m_image, &RemoteImageView::phaseChanged, this, [this](RemoteImageView::Phase phase) {
        if (phase == RemoteImageView::Phase::failed && m_pages->currentWidget() == m_imageScroll) {
            showFailure(unreadable());
            handleLoadFailure();
        }
    });
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

QWidget *InspectorPreviewPanel::buildFailurePage()
{
    m_failure = new QWidget(m_pages);
    auto *column = new QVBoxLayout(m_failure);
    column->setSpacing(8);
    column->addStretch(1);
    auto *icon = new QLabel(m_failure);
    icon->setPixmap(SymbolIcons::tinted(QStringLiteral("exclamationmark.triangle"), 32, Theme::secondaryColor(this),
                                        devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    m_failureText = new QLabel(m_failure);
    m_failureText->setObjectName(QStringLiteral("previewFailure"));
    m_failureText->setTextFormat(Qt::PlainText);
    m_failureText->setWordWrap(true);
    m_failureText->setAlignment(Qt::AlignCenter);
    m_failureText->setContentsMargins(12, 0, 12, 0);
    FormKit::setSecondary(m_failureText);
    column->addWidget(icon);
    column->addWidget(m_failureText);
    column->addStretch(1);
    return m_failure;
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
    m_didForceRefresh = false;
    // An empty link aborts the views' downloads and lets go of their bytes.
    m_pdf->setUrl(QUrl());
    m_image->setUrl(QUrl());
    m_pages->setCurrentWidget(m_spinner);
}

QCoro::Task<> InspectorPreviewPanel::loadDocument(Generation::Token load)
{
    const std::optional<ImageAsset> chosen = documentToShow(m_medbit, m_fileToPreview);
    if (!chosen || !chosen->_id) {
        showFailure(tr("No attachment found."));
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
    showDocument();
}

void InspectorPreviewPanel::showDocument()
{
    const QUrl url = m_document && m_document->uri ? QUrl(*m_document->uri, QUrl::StrictMode) : QUrl();
    if (!url.isValid() || url.isRelative()) {
        showFailure(unreadable());
        return;
    }
    if (m_document->isPDF()) {
        m_pages->setCurrentWidget(m_pdf);
        m_pdf->setUrl(url);
    } else {
        m_pages->setCurrentWidget(m_imageScroll);
        m_image->setUrl(url);
    }
}

void InspectorPreviewPanel::showFailure(const QString &text)
{
    m_failureText->setText(text);
    m_pages->setCurrentWidget(m_failure);
}

void InspectorPreviewPanel::handleLoadFailure()
{
    if (m_didForceRefresh || !m_document || !m_document->_id)
        return;
    m_didForceRefresh = true;
    refreshDocument(m_loads.current(), *m_document->_id);
}

QCoro::Task<> InspectorPreviewPanel::refreshDocument(Generation::Token load, QString documentID)
{
    QPointer<InspectorPreviewPanel> self(this);
    std::optional<ImageAsset> refreshed;
    try {
        refreshed = co_await m_documents->refreshDocument(documentID);
    } catch (const APIError &) {
        // A failed or aborted refresh leaves the failure shown.
        co_return;
    }
    // Only a record of the document still shown, in the load that asked for it, replaces it.
    if (!self || !m_loads.isCurrent(load) || !refreshed || refreshed->_id != documentID)
        co_return;
    m_document = refreshed;
    showDocument();
}
