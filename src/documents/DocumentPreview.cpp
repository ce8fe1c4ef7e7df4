#include "documents/DocumentPreview.h"

#include "documents/DocumentGridModel.h"
#include "documents/PDFKitView.h"
#include "widgets/BusyIndicator.h"
#include "widgets/FormKit.h"
#include "widgets/RemoteImageView.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

DocumentPreview::DocumentPreview(Look look, QWidget *parent) : QStackedWidget(parent), m_look(look)
{
    const QString prefix = look == Look::attachment ? QStringLiteral("preview") : QStringLiteral("document");
    m_spinner = new BusyIndicator(24, this);
    m_pdf = new PDFKitView(this);
    m_pdf->setObjectName(prefix + QStringLiteral("PDF"));
    addWidget(m_spinner);
    addWidget(buildFailurePage(look, prefix));
    addWidget(m_pdf);
    addWidget(buildImagePage(look, prefix));
    if (look == Look::attachment) {
        m_pdf->setAccessibleName(tr("Attachment Preview"));
        m_imageScroll->setAccessibleName(tr("Attachment Preview"));
    }
    connect(m_pdf, &PDFKitView::loadFinished, this, [this](bool failed) {
        if (failed && currentWidget() == m_pdf)
            failLoad();
    });
    connect(m_image, &RemoteImageView::phaseChanged, this, [this](RemoteImageView::Phase phase) {
        if (phase == RemoteImageView::Phase::failed && currentWidget() == m_imageScroll)
            failLoad();
    });
}

QWidget *DocumentPreview::buildFailurePage(Look look, const QString &prefix)
{
    m_failure = new QWidget(this);
    auto *column = new QVBoxLayout(m_failure);
    column->setSpacing(8);
    column->addStretch(1);
    m_failureText = new QLabel(m_failure);
    m_failureText->setObjectName(prefix + QStringLiteral("Failure"));
    m_failureText->setTextFormat(Qt::PlainText);
    m_failureText->setWordWrap(true);
    m_failureText->setAlignment(Qt::AlignCenter);
    FormKit::setSecondary(m_failureText);
    if (look == Look::attachment) {
        auto *icon = new QLabel(m_failure);
        icon->setPixmap(SymbolIcons::tinted(QStringLiteral("exclamationmark.triangle"), 32, Theme::secondaryColor(this),
                                            devicePixelRatioF()));
        icon->setAlignment(Qt::AlignCenter);
        column->addWidget(icon);
        m_failureText->setContentsMargins(12, 0, 12, 0);
    }
    column->addWidget(m_failureText);
    column->addStretch(1);
    return m_failure;
}

QWidget *DocumentPreview::buildImagePage(Look look, const QString &prefix)
{
    m_imageScroll = new QScrollArea(this);
    m_imageScroll->setObjectName(prefix + QStringLiteral("ImageScroll"));
    m_imageScroll->setFrameShape(QFrame::NoFrame);
    m_imageScroll->setWidgetResizable(true);
    m_image = new RemoteImageView;
    m_image->setObjectName(prefix + QStringLiteral("Image"));
    // As wide as the preview, scrolled when taller: a tall scan stays readable.
    m_imageScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_image->setScaling(RemoteImageView::Scaling::fitWidth);
    if (look == Look::attachment) {
        m_imageScroll->setWidget(m_image);
        return m_imageScroll;
    }
    auto *holder = new QWidget;
    auto *margin = new QVBoxLayout(holder);
    margin->setContentsMargins(24, 24, 24, 24);
    margin->addWidget(m_image, 0, Qt::AlignTop);
    m_imageScroll->setWidget(holder);
    return m_imageScroll;
}

void DocumentPreview::showLoading()
{
    setCurrentWidget(m_spinner);
    m_pdf->setUrl(QUrl());
    m_image->setUrl(QUrl());
}

void DocumentPreview::showDocument(const ImageAsset &document)
{
    const QUrl url = DocumentGridModel::linkOf(document.uri);
    const bool isPDF = document.isPDF();
    // The page comes first: an image can fail while its link is being set.
    if (url.isEmpty())
        showFailure(tr("Couldn’t load this document."));
    else
        setCurrentWidget(isPDF ? static_cast<QWidget *>(m_pdf) : m_imageScroll);
    m_pdf->setUrl(isPDF ? url : QUrl());
    m_image->setUrl(isPDF ? QUrl() : url);
    // Beside an entry the preview keeps its own name; in the documents panel it is named after its document.
    if (m_look == Look::detailColumn) {
        m_pdf->setAccessibleName(DocumentGridModel::nameOf(document));
        m_imageScroll->setAccessibleName(DocumentGridModel::nameOf(document));
    }
}

void DocumentPreview::showFailure(const QString &text)
{
    m_failureText->setText(text);
    setCurrentWidget(m_failure);
}

bool DocumentPreview::showsFailure() const
{
    return currentWidget() == m_failure;
}

void DocumentPreview::failLoad()
{
    showFailure(tr("Couldn’t load this document."));
    Q_EMIT loadFailed();
}
