#include "documents/DocumentDetailColumn.h"

#include "documents/DocumentGridModel.h"
#include "documents/PDFKitView.h"
#include "widgets/FormKit.h"
#include "widgets/RemoteImageView.h"
#include "widgets/Theme.h"

#include <QFrame>
#include <QLabel>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

DocumentDetailColumn::DocumentDetailColumn(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("documentDetailColumn"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("documentTitle"));
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(Theme::headlineFont());
    m_title->setContentsMargins(24, 16, 24, 12);
    // One line: a long name is cut at the column's edge.
    m_title->setMinimumWidth(1);
    auto *divider = FormKit::divider(this, QPalette::Midlight);
    m_pages = new QStackedWidget(this);
    m_failure = new QLabel(tr("Couldn’t load this document."), m_pages);
    m_failure->setObjectName(QStringLiteral("documentFailure"));
    m_failure->setAlignment(Qt::AlignCenter);
    m_failure->setWordWrap(true);
    Theme::setTextColor(m_failure, Theme::secondaryColor(this));
    m_pdf = new PDFKitView(m_pages);
    m_pdf->setObjectName(QStringLiteral("documentPDF"));
    m_imageArea = new QScrollArea(m_pages);
    m_imageArea->setWidgetResizable(true);
    m_imageArea->setFrameShape(QFrame::NoFrame);
    auto *imageHolder = new QWidget;
    auto *imageLayout = new QVBoxLayout(imageHolder);
    imageLayout->setContentsMargins(24, 24, 24, 24);
    m_image = new RemoteImageView(imageHolder);
    m_image->setObjectName(QStringLiteral("documentImage"));
    imageLayout->addWidget(m_image);
    m_imageArea->setWidget(imageHolder);
    m_pages->addWidget(m_failure);
    m_pages->addWidget(m_pdf);
    m_pages->addWidget(m_imageArea);
    layout->addWidget(m_title);
    layout->addWidget(divider);
    layout->addWidget(m_pages, 1);
    connect(m_pdf, &PDFKitView::loadFinished, this, [this](bool failed) {
        if (failed && m_isPDF && !m_url.isEmpty() && m_pdf->url() == m_url && !showsFailure()) {
            showFailure();
            Q_EMIT loadFailed();
        }
    });
    connect(m_image, &RemoteImageView::phaseChanged, this, [this](RemoteImageView::Phase phase) {
        if (phase == RemoteImageView::Phase::failed && !m_isPDF && !m_url.isEmpty() && m_image->url() == m_url) {
            showFailure();
            Q_EMIT loadFailed();
        }
    });
}

void DocumentDetailColumn::setDocument(const ImageAsset &document, const QString &key)
{
    m_title->setText(DocumentGridModel::nameOf(document));
    const QUrl url = DocumentGridModel::linkOf(document.uri);
    if (m_hasDocument && key == m_key && url == m_url && document.isPDF() == m_isPDF)
        return;
    m_hasDocument = true;
    m_key = key;
    m_url = url;
    m_isPDF = document.isPDF();
    // Only the view that shows the document keeps a link; the other one lets its download go.
    m_pdf->setUrl(m_isPDF ? url : QUrl());
    m_image->setUrl(m_isPDF ? QUrl() : url);
    if (url.isEmpty())
        showFailure();
    else
        m_pages->setCurrentWidget(m_isPDF ? static_cast<QWidget *>(m_pdf) : m_imageArea);
}

bool DocumentDetailColumn::showsFailure() const
{
    return m_pages->currentWidget() == m_failure;
}

void DocumentDetailColumn::showFailure()
{
    m_pages->setCurrentWidget(m_failure);
}
