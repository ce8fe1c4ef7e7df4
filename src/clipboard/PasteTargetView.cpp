#include "PasteTargetView.h"

#include "Pasteboard.h"

#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>

namespace
{

constexpr int targetHorizontalPadding = 14;
constexpr int targetVerticalPadding = 10;
constexpr int targetSymbolSize = 16;
constexpr int targetSpacing = 10;
constexpr qreal cornerRadius = 8;
constexpr qreal borderOpacity = 0.4;

bool isPaste(QEvent *event)
{
    return static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste);
}

} // namespace

PasteTargetView::PasteTargetView(Pasteboard *pasteboard, QWidget *parent)
    : QAbstractButton(parent), m_pasteboard(pasteboard)
{
    setText(tr("Paste any item here"));
    setAccessibleName(text());
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

QSize PasteTargetView::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {2 * targetHorizontalPadding + targetSymbolSize + targetSpacing + metrics.horizontalAdvance(text()),
            2 * targetVerticalPadding + std::max(targetSymbolSize, metrics.height())};
}

// The window's own Paste shortcuts must not take the key while the target has the focus.
bool PasteTargetView::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && isPaste(event)) {
        event->accept();
        return true;
    }
    return QAbstractButton::event(event);
}

void PasteTargetView::keyPressEvent(QKeyEvent *event)
{
    if (!isPaste(event)) {
        QAbstractButton::keyPressEvent(event);
        return;
    }
    event->accept();
    if (offersPaste())
        click();
}

bool PasteTargetView::offersPaste() const
{
    const QMimeData *data = m_pasteboard->mimeData();
    return data && (data->hasText() || data->hasImage() || data->hasUrls());
}

void PasteTargetView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(frame, cornerRadius, cornerRadius);
    painter.fillPath(shape, palette().color(QPalette::Base));
    const QColor secondary = Theme::secondaryColor(this);
    QColor border = secondary;
    border.setAlphaF(hasFocus() ? 1.0 : borderOpacity);
    QPen pen(border, 1);
    pen.setDashPattern({4, 4});
    painter.setPen(pen);
    painter.drawPath(shape);

    const int symbolTop = (height() - targetSymbolSize) / 2;
    painter.drawPixmap(
        targetHorizontalPadding, symbolTop,
        SymbolIcons::tinted(QStringLiteral("arrow.down.doc"), targetSymbolSize, secondary, devicePixelRatioF()));
    painter.setPen(secondary);
    const QRect textRect(targetHorizontalPadding + targetSymbolSize + targetSpacing, 0,
                         width() - 2 * targetHorizontalPadding - targetSymbolSize - targetSpacing, height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, textRect.width()));
}
