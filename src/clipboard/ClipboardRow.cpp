#include "ClipboardRow.h"

#include "ClipboardListModel.h"

#include "widgets/ClampedText.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace
{

constexpr int rowHorizontalPadding = 24;
constexpr int rowVerticalPadding = 12;
constexpr int iconSpacing = 12;
constexpr int thumbnailSize = 28;
constexpr int symbolWidth = 20;
constexpr int rowSymbolSize = 16;
constexpr int textSpacing = 4;
constexpr int textLines = 2;
constexpr qreal selectedOpacity = 0.12;

const ClipboardListModel *modelOf(const QModelIndex &index)
{
    return static_cast<const ClipboardListModel *>(index.model());
}

} // namespace

ClipboardRow::ClipboardRow(QObject *parent)
    : QStyledItemDelegate(parent), m_bodyFont(Theme::systemFont(13)), m_captionFont(Theme::systemFont(10))
{
}

void ClipboardRow::setRowWidth(int width)
{
    if (width == m_rowWidth)
        return;
    m_rowWidth = width;
    m_heights.clear();
}

QSize ClipboardRow::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const
{
    const QUuid id = modelOf(index)->itemAt(index.row()).id;
    auto kept = m_heights.find(id);
    if (kept == m_heights.end())
        kept = m_heights.insert(id, measure(index));
    return {m_rowWidth, *kept};
}

// The widest icon's room is kept for every row, so the texts of all rows line up.
int ClipboardRow::textWidth() const
{
    return std::max(40, m_rowWidth - 2 * rowHorizontalPadding - thumbnailSize - iconSpacing);
}

int ClipboardRow::measure(const QModelIndex &index) const
{
    const QString text = index.data(Qt::DisplayRole).toString();
    const int textHeight = ClampedText::height(text, m_bodyFont, textWidth(), textLines) + textSpacing +
                           QFontMetrics(m_captionFont).height();
    // Measured without decoding the thumbnail: rows are measured all at once, images only when drawn.
    return 2 * rowVerticalPadding + std::max(textHeight, thumbnailSize);
}

void ClipboardRow::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QPalette &palette = option.palette;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (option.state & QStyle::State_Selected) {
        QColor tint = palette.color(QPalette::Highlight);
        tint.setAlphaF(selectedOpacity);
        painter->fillRect(option.rect, tint);
    }
    const QRect content = option.rect.adjusted(rowHorizontalPadding, rowVerticalPadding, -rowHorizontalPadding, 0);
    paintIcon(painter, index, content, palette);
    QPointF cursor(content.left() + thumbnailSize + iconSpacing, content.top());
    painter->setPen(palette.color(QPalette::Text));
    cursor.ry() +=
        ClampedText::draw(painter, cursor, index.data(Qt::DisplayRole).toString(), m_bodyFont, textWidth(), textLines);
    cursor.ry() += textSpacing;
    painter->setPen(Theme::secondaryColor(palette));
    painter->setFont(m_captionFont);
    const QFontMetrics caption(m_captionFont);
    painter->drawText(
        QPointF(cursor.x(), cursor.y() + caption.ascent()),
        caption.elidedText(index.data(ClipboardListModel::CaptionRole).toString(), Qt::ElideRight, textWidth()));
    painter->setPen(palette.color(QPalette::Midlight));
    painter->drawLine(option.rect.bottomLeft() + QPoint(rowHorizontalPadding, 0), option.rect.bottomRight());
    painter->restore();
}

void ClipboardRow::paintIcon(QPainter *painter, const QModelIndex &index, const QRect &content,
                             const QPalette &palette) const
{
    const ClipboardListModel *model = modelOf(index);
    const QImage thumbnail = model->thumbnail(index.row());
    if (!thumbnail.isNull() || model->isDecoding(index.row())) {
        const QRectF frame(content.left(), content.top(), thumbnailSize, thumbnailSize);
        QPainterPath rounded;
        rounded.addRoundedRect(frame, 4, 4);
        // The tile holds the place of an image still being decoded.
        if (thumbnail.isNull()) {
            painter->fillPath(rounded, Theme::tileColor());
            return;
        }
        painter->setClipPath(rounded);
        painter->drawImage(frame, thumbnail);
        painter->setClipping(false);
        return;
    }
    const QString name = index.data(ClipboardListModel::SymbolRole).toString();
    const QPixmap pixmap = symbol(name, Theme::secondaryColor(palette), painter->device()->devicePixelRatioF());
    const int top = content.top() + (QFontMetrics(m_bodyFont).height() - rowSymbolSize) / 2;
    painter->drawPixmap(content.left() + (symbolWidth - rowSymbolSize) / 2, top, pixmap);
}

QPixmap ClipboardRow::symbol(const QString &name, const QColor &color, qreal devicePixelRatio) const
{
    const QString key = name + color.name() + QString::number(devicePixelRatio);
    auto kept = m_symbols.find(key);
    if (kept == m_symbols.end())
        kept = m_symbols.insert(key, SymbolIcons::tinted(name, rowSymbolSize, color, devicePixelRatio));
    return *kept;
}
