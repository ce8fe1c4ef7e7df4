#include "ClipboardListModel.h"

#include "ClipboardManager.h"

#include "records/DateText.h"

#include <QFutureWatcher>
#include <QSet>
#include <QTimer>
#include <QtConcurrentRun>

namespace
{

// Twice the drawn 28 points, so the thumbnail stays sharp on a high-density screen.
constexpr int thumbnailPixels = 56;

QSet<QUuid> idsOf(const QList<ClipboardItem> &items)
{
    QSet<QUuid> ids;
    ids.reserve(items.size());
    for (const ClipboardItem &item : items)
        ids.insert(item.id);
    return ids;
}

bool isImageItem(const ClipboardItem &item)
{
    return item.file && item.file->mimeType.startsWith(QStringLiteral("image/"));
}

// Runs on a worker thread.
QImage squareThumbnail(const QByteArray &bytes)
{
    const QImage image = QImage::fromData(bytes);
    if (image.isNull())
        return {};
    const QImage filled =
        image.scaled(thumbnailPixels, thumbnailPixels, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return filled.copy((filled.width() - thumbnailPixels) / 2, (filled.height() - thumbnailPixels) / 2, thumbnailPixels,
                       thumbnailPixels);
}

} // namespace

ClipboardListModel::ClipboardListModel(ClipboardManager *manager, QObject *parent)
    : QAbstractListModel(parent), m_manager(manager), m_items(manager->items()), m_decodeTimer(new QTimer(this))
{
    // A row asked for while painting starts its decode once the paint is over.
    m_decodeTimer->setSingleShot(true);
    m_decodeTimer->setInterval(0);
    connect(m_decodeTimer, &QTimer::timeout, this, &ClipboardListModel::decodeNext);
    connect(m_manager, &ClipboardManager::itemsChanged, this, &ClipboardListModel::follow);
    queueImages(m_items);
}

int ClipboardListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant ClipboardListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const ClipboardItem &item = m_items.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return item.text;
    case Qt::AccessibleTextRole:
        return QStringList{item.text, actionLabel(item.action), item.source, DateText::monthDayTime(item.date)}.join(
            QStringLiteral(", "));
    case SymbolRole:
        return symbol(item, !thumbnail(index.row()).isNull() || isDecoding(index.row()));
    case CaptionRole:
        return caption(item);
    default:
        return {};
    }
}

int ClipboardListModel::rowOf(const QUuid &id) const
{
    for (int row = 0; row < m_items.size(); ++row) {
        if (m_items.at(row).id == id)
            return row;
    }
    return -1;
}

QImage ClipboardListModel::thumbnail(int row) const
{
    const ClipboardItem &item = m_items.at(row);
    if (!isImageItem(item))
        return {};
    const auto kept = m_thumbnails.constFind(item.id);
    if (kept != m_thumbnails.cend())
        return *kept;
    // A row on screen goes before the ones decoded ahead.
    m_toDecode.removeOne(item.id);
    m_toDecode.prepend(item.id);
    m_decodeTimer->start();
    return {};
}

bool ClipboardListModel::isDecoding(int row) const
{
    const ClipboardItem &item = m_items.at(row);
    return isImageItem(item) && !m_thumbnails.contains(item.id);
}

void ClipboardListModel::queueImages(const QList<ClipboardItem> &items)
{
    for (const ClipboardItem &item : items) {
        if (isImageItem(item) && !m_thumbnails.contains(item.id) && !m_toDecode.contains(item.id))
            m_toDecode.append(item.id);
    }
    decodeNext();
}

void ClipboardListModel::decodeNext()
{
    while (!m_decoding && !m_toDecode.isEmpty()) {
        const QUuid id = m_toDecode.takeFirst();
        const int row = rowOf(id);
        // Deleted meanwhile.
        if (row < 0 || m_thumbnails.contains(id))
            continue;
        m_decoding = true;
        auto *watcher = new QFutureWatcher<QImage>(this);
        connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher, id] {
            watcher->deleteLater();
            m_decoding = false;
            keepThumbnail(id, watcher->result());
        });
        watcher->setFuture(QtConcurrent::run(squareThumbnail, m_items.at(row).file->data));
    }
}

void ClipboardListModel::keepThumbnail(const QUuid &id, const QImage &thumbnail)
{
    const int row = rowOf(id);
    if (row >= 0) {
        m_thumbnails.insert(id, thumbnail);
        const QModelIndex changed = index(row);
        Q_EMIT dataChanged(changed, changed, {SymbolRole});
    }
    decodeNext();
}

QString ClipboardListModel::actionLabel(ClipboardActionType action)
{
    switch (action) {
    case ClipboardActionType::Copy:
        return tr("Copied");
    case ClipboardActionType::Cut:
        return tr("Cut");
    case ClipboardActionType::Paste:
        return tr("Pasted");
    }
    return {};
}

QString ClipboardListModel::caption(const ClipboardItem &item)
{
    const QString separator = QStringLiteral(" · ");
    return actionLabel(item.action) + separator + item.source + separator + DateText::monthDayTime(item.date);
}

QString ClipboardListModel::symbol(const ClipboardItem &item, bool hasThumbnail)
{
    if (item.file)
        return hasThumbnail ? QString() : QStringLiteral("doc.fill");
    switch (item.action) {
    case ClipboardActionType::Copy:
        return QStringLiteral("doc.on.doc");
    case ClipboardActionType::Cut:
        return QStringLiteral("scissors");
    case ClipboardActionType::Paste:
        return QStringLiteral("arrow.down.doc");
    }
    return {};
}

void ClipboardListModel::follow()
{
    const QList<ClipboardItem> &items = m_manager->items();
    removeGone(items);
    if (!keepsOrder(items)) {
        beginResetModel();
        m_items = items;
        m_thumbnails.clear();
        m_toDecode.clear();
        endResetModel();
    } else {
        insertNew(items);
    }
    queueImages(m_items);
}

void ClipboardListModel::removeGone(const QList<ClipboardItem> &items)
{
    const QSet<QUuid> kept = idsOf(items);
    for (int last = int(m_items.size()) - 1; last >= 0; --last) {
        if (kept.contains(m_items.at(last).id))
            continue;
        int first = last;
        while (first > 0 && !kept.contains(m_items.at(first - 1).id))
            --first;
        beginRemoveRows(QModelIndex(), first, last);
        for (int row = first; row <= last; ++row)
            m_thumbnails.remove(m_items.at(row).id);
        m_items.remove(first, last - first + 1);
        endRemoveRows();
        last = first;
    }
}

// Whether the rows left are in the history's order, so that only insertions remain.
bool ClipboardListModel::keepsOrder(const QList<ClipboardItem> &items) const
{
    qsizetype next = 0;
    for (const ClipboardItem &row : m_items) {
        while (next < items.size() && items.at(next).id != row.id)
            ++next;
        if (next == items.size())
            return false;
        ++next;
    }
    return true;
}

void ClipboardListModel::insertNew(const QList<ClipboardItem> &items)
{
    int row = 0;
    while (row < items.size()) {
        if (row < m_items.size() && m_items.at(row).id == items.at(row).id) {
            ++row;
            continue;
        }
        int end = row;
        while (end < items.size() && (row >= m_items.size() || items.at(end).id != m_items.at(row).id))
            ++end;
        beginInsertRows(QModelIndex(), row, end - 1);
        for (int added = row; added < end; ++added)
            m_items.insert(added, items.at(added));
        endInsertRows();
        row = end;
    }
}
