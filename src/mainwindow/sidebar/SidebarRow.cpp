#include "mainwindow/sidebar/SidebarRow.h"

#include "widgets/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace
{

constexpr int horizontalPadding = 6;
constexpr int spacing = 10;

} // namespace

SidebarRow::SidebarRow(const QString &title, std::function<void()> action, int verticalPadding, QWidget *parent)
    : QAbstractButton(parent), m_action(std::move(action)), m_verticalPadding(verticalPadding)
{
    setText(title);
    setFont(Theme::systemFont(13));
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

void SidebarRow::paintBadge(QPainter *painter, const QRect &box, const QString &initials, const QColor &fill,
                            const QColor &textColor, const std::optional<QColor> &outline)
{
    const QFont rowFont = painter->font();
    QPainterPath badge;
    badge.addRoundedRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    painter->fillPath(badge, fill);
    if (outline) {
        painter->setPen(QPen(*outline, 1));
        painter->drawPath(badge);
    }
    painter->setFont(Theme::systemFont(10, QFont::Bold));
    painter->setPen(textColor);
    painter->drawText(box, Qt::AlignCenter, initials);
    painter->setFont(rowFont);
}

void SidebarRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isSelected()) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), 6, 6);
        QColor tint = tintColor();
        tint.setAlphaF(0.12);
        painter.fillPath(shape, tint);
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
