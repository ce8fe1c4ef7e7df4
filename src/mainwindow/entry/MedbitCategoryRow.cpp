#include "mainwindow/entry/MedbitCategoryRow.h"

#include <QPainter>

MedbitCategoryRow::MedbitCategoryRow(const CategoryOption &option, std::function<void()> onToggle, QWidget *parent)
    : SidebarRow(option.label, std::move(onToggle), 2, parent), m_option(option)
{
    setObjectName(QStringLiteral("category-") + option.code);
    setAccessibleName(option.label);
}

void MedbitCategoryRow::paintLeading(QPainter *painter, const QRect &box) const
{
    if (isSelected())
        paintBadge(painter, box, m_option.initials, m_option.color, Qt::white, m_option.color);
    else
        paintBadge(painter, box, m_option.initials, QColor(128, 128, 128, 38), m_option.color, m_option.color);
}
