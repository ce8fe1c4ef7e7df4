#pragma once

#include <QFont>
#include <QHash>
#include <QStyledItemDelegate>

struct Medbit;

// Paints one timeline row: the main text (at most three lines), the untranslated text under a translation
// (at most two), the star, lock and paperclip marks, and the initials and date line. Measuring wrapped text
// is the costly part of showing thousands of rows, so each entry's height is kept until the entry changes
// (forget) or the row width does.
class TimelineRowDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit TimelineRowDelegate(QObject *parent = nullptr);

    // The width rows are laid out at; a new width forgets every kept height.
    void setRowWidth(int width);
    int rowWidth() const { return m_rowWidth; }
    bool hasHeightFor(const QString &id) const { return m_heights.contains(id); }
    void forget(const QString &id) { m_heights.remove(id); }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    int measure(const Medbit &medbit) const;
    int textWidth(const Medbit &medbit) const;
    void paintMarks(QPainter *painter, const Medbit &medbit, const QRect &content, const QPalette &palette) const;
    QPixmap mark(const QString &symbol, const QColor &color, qreal devicePixelRatio) const;

    QFont m_bodyFont;
    QFont m_captionFont;
    QFont m_footerFont;
    int m_rowWidth = 240;
    mutable QHash<QString, int> m_heights;
    mutable QHash<QString, QPixmap> m_marks;
};
