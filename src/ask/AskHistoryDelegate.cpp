#include "AskHistoryDelegate.h"

#include "AskHistoryModel.h"

#include "widgets/ClampedText.h"
#include "widgets/Theme.h"

#include <QAbstractItemView>
#include <QPainter>

namespace
{

constexpr int horizontalPadding = 24;
constexpr int verticalPadding = 12;
constexpr int spacing = 8;
constexpr qreal openTintOpacity = 0.12;

int rowWidth(const QStyleOptionViewItem &option)
{
    const auto *view = qobject_cast<const QAbstractItemView *>(option.widget);
    return view ? view->viewport()->width() : option.rect.width();
}

int titleWidth(const QStyleOptionViewItem &option, const QModelIndex &index)
{
    const QFontMetrics dateMetrics(Theme::captionFont());
    const int dateWidth = dateMetrics.horizontalAdvance(index.data(AskHistoryModel::DateTextRole).toString());
    return std::max(1, rowWidth(option) - 2 * horizontalPadding - spacing - dateWidth);
}

} // namespace

AskHistoryDelegate::AskHistoryDelegate(QObject *parent, int titleLines)
    : QStyledItemDelegate(parent), m_titleLines(titleLines)
{
}

void AskHistoryDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    painter->save();
    if (index.data(AskHistoryModel::IsOpenRole).toBool()) {
        QColor tint = option.palette.color(QPalette::Highlight);
        tint.setAlphaF(openTintOpacity);
        painter->fillRect(option.rect, tint);
    }
    if (option.state & QStyle::State_HasFocus) {
        QColor focus = option.palette.color(QPalette::Highlight);
        painter->setPen(focus);
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    const QRect content = option.rect.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, 0);
    painter->setPen(option.palette.color(QPalette::Text));
    ClampedText::draw(painter, content.topLeft(), index.data(Qt::DisplayRole).toString(), option.font,
                      titleWidth(option, index), m_titleLines);
    painter->setFont(Theme::captionFont());
    painter->setPen(Theme::secondaryColor(option.palette));
    painter->drawText(content, Qt::AlignRight | Qt::AlignTop, index.data(AskHistoryModel::DateTextRole).toString());
    painter->setPen(option.palette.color(QPalette::Mid));
    const int bottom = option.rect.bottom();
    painter->drawLine(option.rect.left() + horizontalPadding, bottom, option.rect.right(), bottom);
    painter->restore();
}

QSize AskHistoryDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const int title = ClampedText::height(index.data(Qt::DisplayRole).toString(), option.font,
                                          titleWidth(option, index), m_titleLines);
    const int date = QFontMetrics(Theme::captionFont()).height();
    return {rowWidth(option), std::max(title, date) + 2 * verticalPadding + 1};
}
