#include "SidebarCategoryRow.h"

#include <QPainter>
#include <QPainterPath>

SidebarCategoryRow::SidebarCategoryRow(const QString &initials, const QString &title, const QColor &color,
                                       std::function<void()> action, QWidget *parent)
    : SidebarRow(title, std::move(action), 2, parent), m_initials(initials), m_color(color)
{
}

void SidebarCategoryRow::paintLeading(QPainter *painter, const QRect &box) const
{
    QPainterPath badge;
    badge.addRoundedRect(QRectF(box), 4, 4);
    painter->fillPath(badge, m_color);
    QFont font;
    font.setPixelSize(10);
    font.setBold(true);
    painter->setFont(font);
    painter->setPen(Qt::white);
    painter->drawText(box, Qt::AlignCenter, m_initials);
    painter->setFont(this->font());
}
