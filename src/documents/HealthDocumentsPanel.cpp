#include "documents/HealthDocumentsPanel.h"

#include "documents/ConnectedMedbitsColumn.h"
#include "documents/DocumentDetailColumn.h"
#include "documents/DocumentGridModel.h"
#include "documents/DocumentGridView.h"
#include "documents/DocumentKey.h"
#include "documents/DocumentListColumn.h"
#include "documents/DocumentRecordLoader.h"
#include "documents/DocumentRefresher.h"
#include "documents/DocumentThumbnailCard.h"
#include "documents/ThumbnailCache.h"
#include "net/APIError.h"
#include "records/DocumentStore.h"
#include "records/MedbitStore.h"
#include "window/WindowContext.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QSet>
#include <QSplitter>

namespace
{

constexpr int panelMinimumWidth = 350;

} // namespace

HealthDocumentsPanel::HealthDocumentsPanel(const WindowContext &context, QWidget *parent)
    : QWidget(parent), m_patientID(context.patientID), m_medbitStore(context.medbitStore),
      m_selectMedbit(context.selectMedbit), m_store(new DocumentStore(context.patientID, this)),
      m_refresher(new DocumentRefresher(m_store, this)), m_model(new DocumentGridModel(this)),
      m_loader(new DocumentRecordLoader(m_store, m_model, this)),
      m_thumbnails(new ThumbnailCache(
          QSize(DocumentThumbnailCard::boxWidth, DocumentThumbnailCard::boxHeight) * devicePixelRatioF(), this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_split = new QSplitter(Qt::Horizontal, this);
    m_split->setChildrenCollapsible(false);
    m_list = new DocumentListColumn(m_model, m_thumbnails, m_split);
    m_list->setMinimumWidth(280);
    m_list->setMaximumWidth(380);
    // The preview takes what the list and the connected entries leave, and more as the window widens.
    m_detail = new DocumentDetailColumn(m_split);
    m_connected = new ConnectedMedbitsColumn(m_split);
    m_connected->setMinimumWidth(260);
    m_connected->setMaximumWidth(340);
    m_split->addWidget(m_list);
    m_split->addWidget(m_detail);
    m_split->addWidget(m_connected);
    // The splitter leaves its columns in reverse order among its children, the order screen readers read
    // them in: put them back in the order they stand.
    for (QWidget *column :
         {static_cast<QWidget *>(m_list), static_cast<QWidget *>(m_detail), static_cast<QWidget *>(m_connected)})
        column->raise();
    m_split->setStretchFactor(1, 1);
    m_split->setSizes({320, 600, 300});
    // With nothing selected the list column alone stands at the leading edge.
    layout->addWidget(m_split, 1);
    layout->addStretch(0);
    connect(m_list, &DocumentListColumn::documentChosen, this, &HealthDocumentsPanel::selectDocument);
    connect(m_list, &DocumentListColumn::retryRequested, this, &HealthDocumentsPanel::loadDocuments);
    // The list column has asked for the thumbnails in view by now: the records wait until those have come.
    connect(m_list->grid(), &DocumentGridView::rowsInViewChanged, m_loader, [this](int first, int last) {
        m_loader->setHeld(m_thumbnails->isBusy());
        m_loader->setRowsInView(first, last);
    });
    connect(m_thumbnails, &ThumbnailCache::settled, m_loader, [this] { m_loader->setHeld(false); });
    connect(m_thumbnails, &ThumbnailCache::failed, this, &HealthDocumentsPanel::requestForcedRefresh);
    connect(m_detail, &DocumentDetailColumn::loadFailed, this, [this] {
        if (const std::optional<QString> key = m_model->selectedKey())
            requestForcedRefresh(*key);
    });
    connect(m_refresher, &DocumentRefresher::refreshed, m_model, &DocumentGridModel::replaceFirst);
    connect(m_connected, &ConnectedMedbitsColumn::medbitChosen, this, [this](const Medbit &medbit) {
        if (m_selectMedbit)
            m_selectMedbit(medbit);
    });
    connect(m_model, &DocumentGridModel::dataChanged, this, &HealthDocumentsPanel::refreshColumns);
    connect(m_model, &DocumentGridModel::modelReset, this, &HealthDocumentsPanel::refreshColumns);
    if (m_medbitStore)
        connect(m_medbitStore, &MedbitStore::medbitsChanged, this, &HealthDocumentsPanel::refreshColumns);
    refreshColumns();
    loadDocuments();
}

// At least its own minimum, and as wide as the open document's three columns need, so that the window stops
// narrowing before one column runs over another.
QSize HealthDocumentsPanel::minimumSizeHint() const
{
    return QWidget::minimumSizeHint().expandedTo(QSize(panelMinimumWidth, 0));
}

QList<Medbit> HealthDocumentsPanel::connectedMedbits(const ImageAsset &document) const
{
    QList<Medbit> connected;
    if (!m_medbitStore || !document.medbitIds || document.medbitIds->isEmpty())
        return connected;
    const QSet<QString> ids(document.medbitIds->cbegin(), document.medbitIds->cend());
    for (const Medbit &medbit : m_medbitStore->medbits()) {
        if (ids.contains(medbit.id))
            connected.append(medbit);
    }
    return connected;
}

QCoro::Task<> HealthDocumentsPanel::loadDocuments()
{
    if (m_patientID.isEmpty())
        co_return;
    setLoading(true);
    QPointer<HealthDocumentsPanel> self(this);
    QList<ImageAsset> listed;
    try {
        listed = co_await m_store->allDocuments();
    } catch (const APIError &error) {
        // Cancelled: the panel is going, and with it everything this would touch.
        if (error.isCanceled() || !self)
            co_return;
        m_loadError = error.description();
        setLoading(false);
        co_return;
    }
    if (!self)
        co_return;
    m_loadError.reset();
    m_model->setDocuments(listed);
    setLoading(false);
}

void HealthDocumentsPanel::selectDocument(const QString &key)
{
    m_model->setSelectedKey(key);
    refreshColumns();
}

void HealthDocumentsPanel::requestForcedRefresh(const QString &key)
{
    const std::optional<ImageAsset> document = m_model->document(key);
    const std::optional<QString> id = document ? DocumentKey::serviceID(*document) : std::nullopt;
    if (!id)
        return;
    m_loader->supersede(*id);
    m_refresher->refreshOnce(*id);
}

void HealthDocumentsPanel::setLoading(bool isLoading)
{
    m_isLoading = isLoading;
    m_list->showState(m_isLoading, m_loadError);
}

void HealthDocumentsPanel::refreshColumns()
{
    const std::optional<QString> key = m_model->selectedKey();
    const std::optional<ImageAsset> selected = key ? m_model->document(*key) : std::nullopt;
    m_detail->setVisible(selected.has_value());
    m_connected->setVisible(selected.has_value());
    m_split->setMaximumWidth(selected ? QWIDGETSIZE_MAX : m_list->maximumWidth());
    if (!selected)
        return;
    m_detail->setDocument(*selected, *key);
    m_connected->setMedbits(connectedMedbits(*selected));
}
