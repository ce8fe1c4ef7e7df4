#include "mainwindow/sidebar/SidebarRow.h"

#include "widgets/SelectedRowAccessible.h"
#include "widgets/Theme.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace
{

constexpr int horizontalPadding = 6;
constexpr int spacing = 10;

QAccessibleInterface *rowAccessible(const QString &, QObject *object)
{
    if (auto *row = qobject_cast<SidebarRow *>(object))
        return new SelectedRowAccessible(row, QAccessible::Button, [row] { return row->isSelected(); });
    return nullptr;
}

} // namespace

SidebarRow::SidebarRow(const QString &title, std::function<void()> action, int verticalPadding, QWidget *parent)
    : QAbstractButton(parent), m_action(std::move(action)), m_verticalPadding(verticalPadding)
{
    setText(title);
    setFont(Theme::systemFont(13));
    static const bool accessibleInstalled = (QAccessible::installFactory(&rowAccessible), true);
    Q_UNUSED(accessibleInstalled);
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

void SidebarRow::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
    SelectedRowAccessible::announceSelectionChange(this);
}

void SidebarRow::keyPressEvent(QKeyEvent *event)
{
    // Space clicks a button already; Return and Enter do the same here, as on a list row.
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && m_action && event->modifiers() == Qt::NoModifier) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}
