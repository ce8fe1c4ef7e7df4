#pragma once

#include <QFont>
#include <QHash>
#include <QStyledItemDelegate>
#include <QUuid>

// Paints one clipboard history row: the 28-point thumbnail of an image item or the symbol of the item (a
// file, or the action of a text), the text in at most two lines, and "Copied · source · date" beneath. The
// rows of a long history are measured once per item and width; thumbnails come decoded from the model.
class ClipboardRow final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit ClipboardRow(QObject *parent = nullptr);

    // The width rows are laid out at; a new width forgets every measured height.
    void setRowWidth(int width);

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    int textWidth() const;
    int measure(const QModelIndex &index) const;
    void paintIcon(QPainter *painter, const QModelIndex &index, const QRect &content, const QPalette &palette) const;
    QPixmap symbol(const QString &name, const QColor &color, qreal devicePixelRatio) const;

    QFont m_bodyFont;
    QFont m_captionFont;
    int m_rowWidth = 340;
    mutable QHash<QUuid, int> m_heights;
    mutable QHash<QString, QPixmap> m_symbols;
};
