#include "documents/DocumentThumbnailCard.h"

#include "documents/DocumentGridModel.h"
#include "documents/ThumbnailCache.h"
#include "widgets/ClampedText.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace
{

constexpr int cardSpacing = 8;
constexpr int cornerRadius = 10;
constexpr int nameLines = 2;

QRect cardIn(const QRect &cell)
{
    const QSize size = DocumentThumbnailCard::cardSize();
    return QRect(cell.left() + (cell.width() - size.width()) / 2, cell.top(), size.width(), size.height());
}

} // namespace

DocumentThumbnailCard::DocumentThumbnailCard(ThumbnailCache *thumbnails, QObject *parent)
    : QStyledItemDelegate(parent), m_thumbnails(thumbnails)
{
}

DocumentThumbnailCard::Preview DocumentThumbnailCard::preview(const QModelIndex &index) const
{
    const QUrl url = index.data(DocumentGridModel::ThumbnailRole).toUrl();
    if (url.isEmpty())
        return index.data(DocumentGridModel::IsPDFRole).toBool() ? Preview::pdfSymbol : Preview::photoSymbol;
    switch (m_thumbnails->state(index.data(DocumentGridModel::KeyRole).toString(), url)) {
    case ThumbnailCache::State::loaded:
        return Preview::thumbnail;
    case ThumbnailCache::State::failed:
        return Preview::failed;
    default:
        return Preview::loading;
    }
}

QSize DocumentThumbnailCard::cardSize()
{
    const int nameHeight = nameLines * QFontMetrics(Theme::captionFont()).lineSpacing();
    return QSize(boxWidth, boxHeight + cardSpacing + nameHeight);
}

QSize DocumentThumbnailCard::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return cardSize();
}

void DocumentThumbnailCard::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect card = cardIn(option.rect);
    const QRectF box = QRectF(card.left(), card.top(), boxWidth, boxHeight).adjusted(1, 1, -1, -1);
    QPainterPath outline;
    outline.addRoundedRect(box, cornerRadius, cornerRadius);
    painter->fillPath(outline, Theme::palette().color(QPalette::Base));
    drawPreview(painter, box, option, index);
    const QColor secondary = Theme::secondaryColor(option.palette);
    if (index.data(DocumentGridModel::IsSelectedRole).toBool()) {
        painter->strokePath(outline, QPen(option.palette.color(QPalette::Highlight), 2));
    } else {
        QColor faint = secondary;
        faint.setAlphaF(0.2f);
        painter->strokePath(outline, QPen(faint, 1));
    }
    if (option.state & QStyle::State_HasFocus) {
        QPainterPath ring;
        ring.addRoundedRect(box.adjusted(-3, -3, 3, 3), cornerRadius + 3, cornerRadius + 3);
        QColor focus = option.palette.color(QPalette::Highlight);
        focus.setAlphaF(0.5f);
        painter->strokePath(ring, QPen(focus, 2));
    }
    painter->setPen(option.palette.color(QPalette::Text));
    const QString name = index.data(Qt::DisplayRole).toString();
    ClampedText::draw(painter, QPointF(card.left(), card.top() + boxHeight + cardSpacing), name, Theme::captionFont(),
                      boxWidth, nameLines, Qt::AlignHCenter);
    painter->restore();
}

void DocumentThumbnailCard::drawPreview(QPainter *painter, const QRectF &box, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    const QColor secondary = Theme::secondaryColor(option.palette);
    const QString key = index.data(DocumentGridModel::KeyRole).toString();
    const QUrl url = index.data(DocumentGridModel::ThumbnailRole).toUrl();
    switch (preview(index)) {
    case Preview::pdfSymbol:
        drawSymbol(painter, box, QStringLiteral("doc.text.fill"), 36, secondary);
        break;
    case Preview::photoSymbol:
        drawSymbol(painter, box, QStringLiteral("photo.fill"), 36, secondary);
        break;
    case Preview::loading: {
        m_thumbnails->request(key, url);
        painter->setPen(QPen(secondary, 2));
        painter->drawArc(QRectF(box.center() - QPointF(8, 8), QSizeF(16, 16)), 90 * 16, -270 * 16);
        break;
    }
    case Preview::thumbnail: {
        const QImage image = m_thumbnails->image(key, url);
        QPainterPath clip;
        clip.addRoundedRect(box, cornerRadius, cornerRadius);
        painter->save();
        painter->setClipPath(clip);
        const QSizeF size = QSizeF(image.size()).scaled(box.size(), Qt::KeepAspectRatioByExpanding);
        painter->drawImage(QRectF(box.center() - QPointF(size.width() / 2, size.height() / 2), size), image);
        painter->restore();
        break;
    }
    case Preview::failed: {
        QColor faded = secondary;
        faded.setAlphaF(0.6f);
        drawSymbol(painter, box, QStringLiteral("exclamationmark.triangle"), 28, faded);
        break;
    }
    }
}

void DocumentThumbnailCard::drawSymbol(QPainter *painter, const QRectF &box, const QString &symbol, int size,
                                       const QColor &color)
{
    const QPixmap pixmap = SymbolIcons::tinted(symbol, size, color, painter->device()->devicePixelRatioF());
    if (pixmap.isNull())
        return;
    painter->drawPixmap(QRectF(box.center() - QPointF(size / 2.0, size / 2.0), QSizeF(size, size)), pixmap,
                        QRectF(pixmap.rect()));
}
