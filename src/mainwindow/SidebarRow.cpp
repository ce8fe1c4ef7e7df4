#include "SidebarRow.h"

#include <QPainter>
#include <QPainterPath>

namespace
{

constexpr int horizontalPadding = 6;
constexpr int spacing = 10;

QFont bodyFont()
{
    QFont font;
    font.setPixelSize(13);
    return font;
}

} // namespace

SidebarRow::SidebarRow(const QString &title, std::function<void()> action, int verticalPadding, QWidget *parent)
    : QAbstractButton(parent), m_action(std::move(action)), m_verticalPadding(verticalPadding)
{
    setText(title);
    setFont(bodyFont());
    // Checkable, so assistive technology hears which row is the current one.
    setCheckable(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    if (m_action) {
        setFocusPolicy(Qt::StrongFocus);
        connect(this, &QAbstractButton::clicked, this, [this] { m_action(); });
    } else {
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
}

QSize SidebarRow::sizeHint() const
{
    const int height = std::max(leadingHeight(), fontMetrics().height()) + 2 * m_verticalPadding;
    return {2 * horizontalPadding + leadingWidth() + spacing + fontMetrics().horizontalAdvance(text()), height};
}

QColor SidebarRow::accent() const
{
    return palette().color(QPalette::Highlight);
}

QColor SidebarRow::selectionTint() const
{
    QColor tint = accent();
    tint.setAlphaF(0.12);
    return tint;
}

void SidebarRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isSelected()) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), 6, 6);
        painter.fillPath(shape, selectionTint());
    }
    if (hasFocus()) {
        painter.setPen(QPen(accent(), 1));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
    const QRect leading(horizontalPadding, (height() - leadingHeight()) / 2, leadingWidth(), leadingHeight());
    paintLeading(&painter, leading);
    painter.setPen(isSelected() ? accent() : palette().color(QPalette::WindowText));
    const QRect label = rect().adjusted(leading.right() + 1 + spacing, 0, -horizontalPadding, 0);
    painter.drawText(label, Qt::AlignVCenter | Qt::AlignLeft,
                     fontMetrics().elidedText(text(), Qt::ElideRight, label.width()));
}

void SidebarRow::nextCheckState()
{
    // The selection follows the window's state, not the click.
}
