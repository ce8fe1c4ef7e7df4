#include "documents/DocumentDetailColumn.h"

#include "documents/DocumentGridModel.h"
#include "documents/DocumentPreview.h"
#include "documents/ElidedLabel.h"
#include "widgets/FormKit.h"
#include "widgets/Theme.h"

#include <QVBoxLayout>

DocumentDetailColumn::DocumentDetailColumn(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("documentDetailColumn"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_title = new ElidedLabel(this);
    m_title->setObjectName(QStringLiteral("documentTitle"));
    m_title->setFont(Theme::headlineFont());
    m_title->setContentsMargins(24, 16, 24, 12);
    m_preview = new DocumentPreview(DocumentPreview::Look::detailColumn, this);
    layout->addWidget(m_title);
    layout->addWidget(FormKit::divider(this, QPalette::Midlight));
    layout->addWidget(m_preview, 1);
    connect(m_preview, &DocumentPreview::loadFailed, this, &DocumentDetailColumn::loadFailed);
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
    m_preview->showDocument(document);
}

QSize DocumentDetailColumn::minimumSizeHint() const
{
    return QSize(0, QWidget::minimumSizeHint().height());
}

bool DocumentDetailColumn::showsFailure() const
{
    return m_preview->showsFailure();
}
