#pragma once

#include "ClipboardModels.h"

#include <QAbstractListModel>
#include <QHash>
#include <QImage>
#include <QList>
#include <QUuid>

class ClipboardManager;
class QTimer;

// The manager's history as list rows. It follows the history by id: an added item is one inserted row and a
// deleted one one removed row, so the view keeps its selection and scroll position and the other rows keep
// their measured heights and thumbnails. Each image item is decoded once, one at a time on a worker thread
// (the rows asked for first, then the rest), so that neither scrolling a history of photos nor a new photo
// ever waits on a decode.
class ClipboardListModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        // The symbol drawn for the row, or an empty string when it shows its thumbnail or the thumbnail's tile
        // while the image is being decoded.
        SymbolRole = Qt::UserRole + 1,
        // "Copied · source · date".
        CaptionRole,
    };

    explicit ClipboardListModel(ClipboardManager *manager, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    const ClipboardItem &itemAt(int row) const { return m_items.at(row); }
    // -1 when no row has that id.
    int rowOf(const QUuid &id) const;
    // The row's square thumbnail of an image item, null for a text item, a file that is not a decodable image,
    // or an image not decoded yet (isDecoding; dataChanged follows).
    QImage thumbnail(int row) const;
    bool isDecoding(int row) const;
    bool hasImagesToDecode() const { return !m_toDecode.isEmpty() || m_decoding; }

    static QString actionLabel(ClipboardActionType action);
    static QString caption(const ClipboardItem &item);
    static QString symbol(const ClipboardItem &item, bool hasThumbnail);

private:
    void follow();
    void removeGone(const QList<ClipboardItem> &items);
    bool keepsOrder(const QList<ClipboardItem> &items) const;
    void insertNew(const QList<ClipboardItem> &items);
    void queueImages(const QList<ClipboardItem> &items);
    void decodeNext();
    void keepThumbnail(const QUuid &id, const QImage &thumbnail);

    ClipboardManager *m_manager = nullptr;
    QList<ClipboardItem> m_items;
    mutable QHash<QUuid, QImage> m_thumbnails;
    // Image items still to decode, the most wanted first.
    mutable QList<QUuid> m_toDecode;
    // The image being decoded on the worker thread.
    bool m_decoding = false;
    QTimer *m_decodeTimer = nullptr;
};
