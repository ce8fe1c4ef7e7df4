#include "mainwindow/sidebar/SidebarActionRow.h"

#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QPainter>

namespace
{

constexpr int customIconSize = 24;
constexpr int symbolWidth = 18;
constexpr int rowSymbolSize = 16;

} // namespace

SidebarActionRow::SidebarActionRow(const QString &icon, const QString &title, const std::optional<QString> &customIcon,
                                   std::function<void()> action, QWidget *parent)
    : SidebarRow(title, std::move(action), 4, parent), m_icon(icon), m_customIcon(customIcon)
{
}

int SidebarActionRow::leadingWidth() const
{
    return m_customIcon ? customIconSize : symbolWidth;
}

int SidebarActionRow::leadingHeight() const
{
    return m_customIcon ? customIconSize : rowSymbolSize;
}

void SidebarActionRow::paintLeading(QPainter *painter, const QRect &box) const
{
    const QColor color = isSelected() ? accent() : Theme::secondaryColor(this);
    const int size = m_customIcon ? customIconSize : rowSymbolSize;
    const QPixmap pixmap = SymbolIcons::tinted(m_customIcon.value_or(m_icon), size, color, devicePixelRatioF());
    const QRect target(box.x() + (box.width() - size) / 2, box.y() + (box.height() - size) / 2, size, size);
    painter->drawPixmap(target, pixmap);
}
