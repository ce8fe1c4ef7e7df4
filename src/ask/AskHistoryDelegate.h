#pragma once

#include <QStyledItemDelegate>

#include <limits>

// A history row: the title, cut after two lines, and its date at the top right; the open conversation's row
// is tinted with the accent colour. A suggestion row is drawn alike, its text whole and without a date.
class AskHistoryDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int wholeText = std::numeric_limits<int>::max();

    explicit AskHistoryDelegate(QObject *parent, int titleLines = 2);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    int m_titleLines = 2;
};
