#include "mainwindow/sidebar/SidebarCategoryRow.h"

#include <QPainter>

SidebarCategoryRow::SidebarCategoryRow(const QString &initials, const QString &title, const QColor &color,
                                       std::function<void()> action, QWidget *parent)
    : SidebarRow(title, std::move(action), 2, parent), m_initials(initials), m_color(color)
{
}

void SidebarCategoryRow::paintLeading(QPainter *painter, const QRect &box) const
{
    paintBadge(painter, box, m_initials, m_color, Qt::white);
}
