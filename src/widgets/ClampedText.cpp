#include "widgets/ClampedText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

namespace
{

// Lays out at most maxLines lines; tells whether text was left over after them.
bool layOut(QTextLayout &layout, int width, int maxLines)
{
    const int spacing = QFontMetrics(layout.font()).lineSpacing();
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int end = 0;
    for (int line = 0; line < maxLines; ++line) {
        QTextLine textLine = layout.createLine();
        if (!textLine.isValid())
            break;
        textLine.setLineWidth(width);
        textLine.setPosition(QPointF(0, line * spacing));
        end = textLine.textStart() + textLine.textLength();
    }
    layout.endLayout();
    return end < layout.text().size();
}

QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QChar::LineSeparator);
}

} // namespace

namespace ClampedText
{

int lineCount(const QString &text, const QFont &font, int width, int maxLines)
{
    QTextLayout layout(oneLine(text), font);
    layOut(layout, width, maxLines);
    return std::max(1, layout.lineCount());
}

int height(const QString &text, const QFont &font, int width, int maxLines)
{
    return lineCount(text, font, width, maxLines) * QFontMetrics(font).lineSpacing();
}

int draw(QPainter *painter, const QPointF &topLeft, const QString &text, const QFont &font, int width, int maxLines,
         Qt::Alignment alignment)
{
    QTextLayout layout(oneLine(text), font);
    const bool cut = layOut(layout, width, maxLines);
    const QFontMetrics metrics(font);
    const int lines = layout.lineCount();
    painter->setFont(font);
    for (int i = 0; i < lines; ++i) {
        const QTextLine line = layout.lineAt(i);
        const bool centred = alignment.testFlag(Qt::AlignHCenter);
        if (cut && i == lines - 1) {
            const QString rest = layout.text().mid(line.textStart()).simplified();
            const QString elided = metrics.elidedText(rest, Qt::ElideRight, width);
            const qreal indent = centred ? (width - metrics.horizontalAdvance(elided)) / 2.0 : 0;
            painter->drawText(topLeft + line.position() + QPointF(indent, metrics.ascent()), elided);
        } else {
            const qreal indent = centred ? (width - line.naturalTextWidth()) / 2.0 : 0;
            line.draw(painter, topLeft + QPointF(indent, 0));
        }
    }
    return std::max(1, lines) * metrics.lineSpacing();
}

} // namespace ClampedText
