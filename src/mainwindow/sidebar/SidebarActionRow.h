#pragma once

#include "mainwindow/sidebar/SidebarRow.h"

#include <optional>

// A destination row of the sidebar: its icon (the application's own image when it has one, else the
// system symbol) in the accent colour while selected, else the secondary colour.
class SidebarActionRow final : public SidebarRow
{
    Q_OBJECT

public:
    SidebarActionRow(const QString &icon, const QString &title, const std::optional<QString> &customIcon,
                     std::function<void()> action, QWidget *parent = nullptr);

protected:
    int leadingWidth() const override;
    int leadingHeight() const override;
    void paintLeading(QPainter *painter, const QRect &box) const override;

private:
    QString m_icon;
    std::optional<QString> m_customIcon;
};
