#include "mainwindow/timeline/TimelineRowDelegate.h"

#include "mainwindow/timeline/TimelineModel.h"
#include "mainwindow/timeline/TimelineRowText.h"
#include "widgets/ClampedText.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace
{

constexpr int rowPadding = 12;
constexpr int verticalPadding = 10;
constexpr int lineSpacing = 6;
constexpr int textSpacing = 2;
constexpr int markSize = 11;
constexpr int markSpacing = 8;
constexpr int mainLines = 3;
constexpr int untranslatedLines = 2;

const Medbit &medbitOf(const QModelIndex &index)
{
    return static_cast<const TimelineModel *>(index.model())->medbitAt(index.row());
}

int markCount(const Medbit &medbit)
{
    return int(medbit.isStarred) + int(medbit.isLocked) + int(!medbit.documents.isEmpty());
}

qreal averageCharWidth(const QFont &font)
{
    const QString sample = QStringLiteral("Follow-up visit: blood pressure normal, continue the current dose.");
    return QFontMetricsF(font).horizontalAdvance(sample) / sample.size();
}

} // namespace

TimelineRowDelegate::TimelineRowDelegate(QObject *parent)
    : QStyledItemDelegate(parent), m_bodyFont(Theme::systemFont(13)), m_captionFont(Theme::captionFont()),
      m_footerFont(Theme::systemFont(11, QFont::Medium)), m_bodyCharWidth(averageCharWidth(m_bodyFont)),
      m_captionCharWidth(averageCharWidth(m_captionFont)), m_bodyLineSpacing(QFontMetrics(m_bodyFont).lineSpacing()),
      m_captionLineSpacing(QFontMetrics(m_captionFont).lineSpacing()), m_bodyHeight(QFontMetrics(m_bodyFont).height()),
      m_footerHeight(QFontMetrics(m_footerFont).height())
{
}

void TimelineRowDelegate::setRowWidth(int width)
{
    if (width == m_rowWidth)
        return;
    m_rowWidth = width;
    m_heights.clear();
}

bool TimelineRowDelegate::measure(const QModelIndex &index)
{
    const Medbit &medbit = medbitOf(index);
    if (m_heights.contains(medbit.id))
        return false;
    m_heights.insert(medbit.id, measuredHeight(medbit));
    return true;
}

int TimelineRowDelegate::measuredHeight(const QModelIndex &index)
{
    const Medbit &medbit = medbitOf(index);
    auto kept = m_heights.constFind(medbit.id);
    if (kept == m_heights.cend())
        kept = m_heights.insert(medbit.id, measuredHeight(medbit));
    return *kept;
}

QSize TimelineRowDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const
{
    const Medbit &medbit = medbitOf(index);
    const auto kept = m_heights.constFind(medbit.id);
    if (kept != m_heights.cend())
        return {m_rowWidth, *kept};
    ++m_estimateCount;
    return {m_rowWidth, estimatedHeight(medbit)};
}

int TimelineRowDelegate::textWidth(const Medbit &medbit) const
{
    const int marks = markCount(medbit);
    const int marksWidth = marks == 0 ? 0 : marks * markSize + (marks - 1) * markSpacing + markSpacing;
    return std::max(40, m_rowWidth - 2 * rowPadding - marksWidth);
}

int TimelineRowDelegate::measuredHeight(const Medbit &medbit) const
{
    const int width = textWidth(medbit);
    int height = verticalPadding + ClampedText::height(TimelineRowText::mainText(medbit), m_bodyFont, width, mainLines);
    if (const auto untranslated = TimelineRowText::untranslatedText(medbit))
        height += textSpacing + ClampedText::height(*untranslated, m_captionFont, width, untranslatedLines);
    return height + lineSpacing + m_footerHeight + verticalPadding;
}

int TimelineRowDelegate::estimatedHeight(const Medbit &medbit) const
{
    const int width = textWidth(medbit);
    const auto textHeight = [width](const QString &text, int lineHeight, qreal charWidth, int maxLines) {
        const int lines = int(std::ceil(text.size() * charWidth / width));
        return std::clamp(lines, 1, maxLines) * lineHeight;
    };
    int height =
        verticalPadding + textHeight(TimelineRowText::mainText(medbit), m_bodyLineSpacing, m_bodyCharWidth, mainLines);
    if (const auto untranslated = TimelineRowText::untranslatedText(medbit))
        height += textSpacing + textHeight(*untranslated, m_captionLineSpacing, m_captionCharWidth, untranslatedLines);
    return height + lineSpacing + m_footerHeight + verticalPadding;
}

void TimelineRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const Medbit &medbit = medbitOf(index);
    const QPalette &palette = option.palette;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (option.state & QStyle::State_Selected) {
        QColor tint = palette.color(QPalette::Highlight);
        tint.setAlphaF(0.18);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(option.rect).adjusted(4, 1, -4, -1), 6, 6);
        painter->fillPath(shape, tint);
    }
    const QRect content = option.rect.adjusted(rowPadding, verticalPadding, -rowPadding, 0);
    const int width = textWidth(medbit);
    QPointF cursor = content.topLeft();
    painter->setPen(palette.color(QPalette::Text));
    cursor.ry() += ClampedText::draw(painter, cursor, TimelineRowText::mainText(medbit), m_bodyFont, width, mainLines);
    painter->setPen(Theme::secondaryColor(palette));
    if (const auto untranslated = TimelineRowText::untranslatedText(medbit)) {
        cursor.ry() += textSpacing;
        cursor.ry() += ClampedText::draw(painter, cursor, *untranslated, m_captionFont, width, untranslatedLines);
    }
    paintMarks(painter, medbit, content, palette);
    cursor.ry() += lineSpacing;
    painter->setFont(m_footerFont);
    const QFontMetrics footer(m_footerFont);
    painter->drawText(QPointF(cursor.x(), cursor.y() + footer.ascent()),
                      footer.elidedText(TimelineRowText::footer(medbit), Qt::ElideRight, content.width()));
    painter->setPen(palette.color(QPalette::Midlight));
    painter->drawLine(option.rect.bottomLeft() + QPoint(rowPadding, 0), option.rect.bottomRight());
    painter->restore();
}

void TimelineRowDelegate::paintMarks(QPainter *painter, const Medbit &medbit, const QRect &content,
                                     const QPalette &palette) const
{
    QList<QPair<QString, QColor>> marks;
    if (medbit.isStarred)
        marks.append({QStringLiteral("star.fill"), Theme::starColor()});
    if (medbit.isLocked)
        marks.append({QStringLiteral("lock.fill"), Theme::secondaryColor(palette)});
    if (!medbit.documents.isEmpty())
        marks.append({QStringLiteral("paperclip"), Theme::secondaryColor(palette)});
    int x = content.right() + 1 - int(marks.size()) * (markSize + markSpacing) + markSpacing;
    const int y = content.top() + (m_bodyHeight - markSize) / 2;
    for (const auto &[symbol, color] : std::as_const(marks)) {
        painter->drawPixmap(x, y, mark(symbol, color, painter->device()->devicePixelRatioF()));
        x += markSize + markSpacing;
    }
}

QPixmap TimelineRowDelegate::mark(const QString &symbol, const QColor &color, qreal devicePixelRatio) const
{
    const QString key = symbol + color.name() + QString::number(devicePixelRatio);
    auto kept = m_marks.find(key);
    if (kept == m_marks.end())
        kept = m_marks.insert(key, SymbolIcons::tinted(symbol, markSize, color, devicePixelRatio));
    return *kept;
}
