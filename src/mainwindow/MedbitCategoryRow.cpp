#include "MedbitCategoryRow.h"

#include <QPainter>
#include <QPainterPath>

MedbitCategoryRow::MedbitCategoryRow(const CategoryOption &option, std::function<void()> onToggle, QWidget *parent)
    : SidebarRow(option.label, std::move(onToggle), 2, parent), m_option(option)
{
    setObjectName(QStringLiteral("category-") + option.code);
    setAccessibleName(option.label);
}

void MedbitCategoryRow::paintLeading(QPainter *painter, const QRect &box) const
{
    QPainterPath badge;
    badge.addRoundedRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    painter->fillPath(badge, isSelected() ? m_option.color : QColor(128, 128, 128, 38));
    painter->setPen(QPen(m_option.color, 1));
    painter->drawPath(badge);
    QFont font;
    font.setPixelSize(10);
    font.setBold(true);
    painter->setFont(font);
    painter->setPen(isSelected() ? QColor(Qt::white) : m_option.color);
    painter->drawText(box, Qt::AlignCenter, m_option.initials);
    painter->setFont(this->font());
}

QColor MedbitCategoryRow::selectionTint() const
{
    QColor tint = m_option.color;
    tint.setAlphaF(0.12);
    return tint;
}
