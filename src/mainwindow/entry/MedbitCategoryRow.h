#pragma once

#include "mainwindow/sidebar/SidebarRow.h"
#include "records/CategoryOption.h"

// One category of the entry's category editor: an outlined badge that fills with the category's colour
// while the entry carries it. A click toggles the category; the panel disables the row while an update
// of the entry runs.
class MedbitCategoryRow final : public SidebarRow
{
    Q_OBJECT

public:
    MedbitCategoryRow(const CategoryOption &option, std::function<void()> onToggle, QWidget *parent = nullptr);

    const CategoryOption &option() const { return m_option; }

protected:
    int leadingWidth() const override { return badgeWidth; }
    int leadingHeight() const override { return badgeHeight; }
    void paintLeading(QPainter *painter, const QRect &box) const override;
    QColor tintColor() const override { return m_option.color; }

private:
    CategoryOption m_option;
};
