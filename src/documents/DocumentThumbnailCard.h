#pragma once

#include <QSize>
#include <QStyledItemDelegate>

class ThumbnailCache;

// Draws one document of the grid as a card: a 130 by 150 preview box (the thumbnail, or a symbol for the
// document's type, loading or failure), the selection outline and the file name in at most two lines. A
// card asks the cache for its thumbnail when it is first drawn, so only cards scrolled into view load one.
class DocumentThumbnailCard final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    // What a card's preview box shows.
    enum class Preview { pdfSymbol, photoSymbol, loading, thumbnail, failed };

    static constexpr int boxWidth = 130;
    static constexpr int boxHeight = 150;

    explicit DocumentThumbnailCard(ThumbnailCache *thumbnails, QObject *parent = nullptr);

    Preview preview(const QModelIndex &index) const;
    // The card's size, the box and the name's two lines.
    static QSize cardSize();

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    void drawPreview(QPainter *painter, const QRectF &box, const QStyleOptionViewItem &option,
                     const QModelIndex &index) const;
    static void drawSymbol(QPainter *painter, const QRectF &box, const QString &symbol, int size, const QColor &color);

    ThumbnailCache *m_thumbnails = nullptr;
};
