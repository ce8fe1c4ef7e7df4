#pragma once

#include <QStyledItemDelegate>

// A history row: the title, cut after two lines, and its date at the top right; the open conversation's row
// is tinted with the accent colour.
class AskHistoryDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
