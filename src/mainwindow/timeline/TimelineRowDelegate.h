#pragma once

#include <QFont>
#include <QHash>
#include <QStyledItemDelegate>

struct Medbit;

// Paints one timeline row: the main text (at most three lines), the untranslated text under a translation
// (at most two), the star, lock and paperclip marks, and the initials and date line. Measuring wrapped text
// is the costly part of showing thousands of rows (about 10 µs a row), so a row not measured yet is given
// an estimate from its text's length, and the view measures rows as they come into sight and the rest in
// the background. Each entry's measured height is kept until the entry changes (forget) or the row width
// does.
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
    // Measures the row unless its height is known; true when it was measured now.
    bool measure(const QModelIndex &index);
    // The row's measured height, measured now unless it is known.
    int measuredHeight(const QModelIndex &index);
    // How many rows were given an estimate instead of their height since the count was reset.
    int estimateCount() const { return m_estimateCount; }
    void resetEstimateCount() { m_estimateCount = 0; }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    int measuredHeight(const Medbit &medbit) const;
    int estimatedHeight(const Medbit &medbit) const;
    int textWidth(const Medbit &medbit) const;
    void paintMarks(QPainter *painter, const Medbit &medbit, const QRect &content, const QPalette &palette) const;
    QPixmap mark(const QString &symbol, const QColor &color, qreal devicePixelRatio) const;

    QFont m_bodyFont;
    QFont m_captionFont;
    QFont m_footerFont;
    // Advance of an average character of running text, for the estimates.
    qreal m_bodyCharWidth = 0;
    qreal m_captionCharWidth = 0;
    // Font metrics are looked up once: a row's estimate is needed thousands of times in one layout.
    int m_bodyLineSpacing = 0;
    int m_captionLineSpacing = 0;
    int m_bodyHeight = 0;
    int m_footerHeight = 0;
    int m_rowWidth = 240;
    QHash<QString, int> m_heights;
    mutable int m_estimateCount = 0;
    mutable QHash<QString, QPixmap> m_marks;
};
