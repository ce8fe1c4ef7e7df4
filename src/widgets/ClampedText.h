#pragma once

#include <QFont>
#include <QString>

class QPainter;
class QPointF;

// Text wrapped at a width and cut after a number of lines, the last shown line ending in "…" when text is
// left over.
namespace ClampedText
{

int lineCount(const QString &text, const QFont &font, int width, int maxLines);
int height(const QString &text, const QFont &font, int width, int maxLines);
// Draws with the painter's pen from the top-left corner, each line placed in `width` by `alignment` (left or
// horizontally centred); returns the height drawn.
int draw(QPainter *painter, const QPointF &topLeft, const QString &text, const QFont &font, int width, int maxLines,
         Qt::Alignment alignment = Qt::AlignLeft);

} // namespace ClampedText
