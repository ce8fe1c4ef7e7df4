#pragma once

#include "mainwindow/sidebar/SidebarRow.h"

#include <QColor>

// A category row of the sidebar: the initials in white on a badge of the category's colour.
class SidebarCategoryRow final : public SidebarRow
{
    Q_OBJECT

public:
    SidebarCategoryRow(const QString &initials, const QString &title, const QColor &color, std::function<void()> action,
                       QWidget *parent = nullptr);

protected:
    int leadingWidth() const override { return badgeWidth; }
    int leadingHeight() const override { return badgeHeight; }
    void paintLeading(QPainter *painter, const QRect &box) const override;

private:
    QString m_initials;
    QColor m_color;
};
