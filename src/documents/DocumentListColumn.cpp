#include "documents/DocumentListColumn.h"

#include "documents/DocumentGridModel.h"
#include "documents/DocumentGridView.h"
#include "documents/DocumentThumbnailCard.h"
#include "documents/ThumbnailCache.h"
#include "widgets/BusyIndicator.h"
#include "widgets/FormKit.h"
#include "widgets/Theme.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace
{

QLabel *secondaryText(const QString &text, const char *name, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    label->setContentsMargins(24, 0, 24, 0);
    Theme::setTextColor(label, Theme::secondaryColor(parent));
    return label;
}

} // namespace

DocumentListColumn::DocumentListColumn(DocumentGridModel *model, ThumbnailCache *thumbnails, QWidget *parent)
    : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("documentListColumn"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *title = new QLabel(tr("Health Documents"), this);
    title->setObjectName(QStringLiteral("documentsTitle"));
    title->setFont(Theme::title2Font());
    title->setContentsMargins(24, 16, 24, 12);
    auto *divider = FormKit::divider(this, QPalette::Midlight);
    m_pages = new QStackedWidget(this);
    // The indicator keeps its size; its page centres it.
    m_progressPage = new QWidget(m_pages);
    m_progress = new BusyIndicator(24, m_progressPage);
    m_progress->setObjectName(QStringLiteral("documentsProgress"));
    m_progress->setAccessibleName(tr("Loading documents"));
    auto *centred = new QVBoxLayout(m_progressPage);
    centred->addWidget(m_progress, 0, Qt::AlignCenter);
    m_errorPage = buildErrorPage();
    m_empty = FormKit::emptyState(QStringLiteral("doc.text"), 36, tr("No documents yet. Import one from the sidebar."),
                                  QStringLiteral("documentsEmpty"), m_pages);
    m_grid = new DocumentGridView(m_pages);
    m_grid->setObjectName(QStringLiteral("documentsGrid"));
    m_grid->setAccessibleName(tr("Health Documents"));
    m_grid->setItemDelegate(new DocumentThumbnailCard(thumbnails, m_grid));
    m_grid->setModel(model);
    for (QWidget *page : {m_progressPage, m_errorPage, m_empty, static_cast<QWidget *>(m_grid)})
        m_pages->addWidget(page);
    layout->addWidget(title);
    layout->addWidget(divider);
    layout->addWidget(m_pages, 1);
    connect(m_grid, &DocumentGridView::cardChosen, this, [this](const QModelIndex &index) {
        Q_EMIT documentChosen(index.data(DocumentGridModel::KeyRole).toString());
    });
    connect(m_grid, &DocumentGridView::rowsInViewChanged, thumbnails, [this, thumbnails](int first, int last) {
        // Cards a screen away keep their place in the queue; those further away leave it.
        const int span = last - first + 1;
        QSet<QString> near;
        for (int row = std::max(0, first - span); row <= std::min(m_model->rowCount() - 1, last + span); ++row)
            near.insert(m_model->keyAt(row));
        thumbnails->keepQueuedOnly(near);
        // The cards in view ask before they are first drawn, so their thumbnails go ahead of any other request
        // to the host; the most recently asked loads first, hence from the last card up.
        for (int row = last; row >= first; --row) {
            const QModelIndex index = m_model->index(row);
            const QUrl url = index.data(DocumentGridModel::ThumbnailRole).toUrl();
            if (!url.isEmpty())
                thumbnails->request(m_model->keyAt(row), url);
        }
    });
    // A card redraws once its thumbnail has arrived or failed.
    connect(thumbnails, &ThumbnailCache::changed, m_grid->viewport(), qOverload<>(&QWidget::update));
    showState(false, std::nullopt);
}

QWidget *DocumentListColumn::buildErrorPage()
{
    auto *page = new QWidget(m_pages);
    auto *column = new QVBoxLayout(page);
    column->setSpacing(12);
    m_error = secondaryText(QString(), "documentsError", page);
    auto *retry = new QPushButton(tr("Try Again"), page);
    retry->setObjectName(QStringLiteral("documentsRetry"));
    column->addStretch(1);
    column->addWidget(m_error);
    column->addWidget(retry, 0, Qt::AlignHCenter);
    column->addStretch(1);
    connect(retry, &QPushButton::clicked, this, &DocumentListColumn::retryRequested);
    return page;
}

void DocumentListColumn::showState(bool isLoading, const std::optional<QString> &loadError)
{
    if (isLoading) {
        m_pages->setCurrentWidget(m_progressPage);
    } else if (loadError) {
        m_error->setText(*loadError);
        m_pages->setCurrentWidget(m_errorPage);
    } else if (m_model->rowCount() == 0) {
        m_pages->setCurrentWidget(m_empty);
    } else {
        m_pages->setCurrentWidget(m_grid);
    }
}
