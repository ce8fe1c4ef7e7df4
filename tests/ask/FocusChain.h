#pragma once

#include <QAccessible>
#include <QStringList>
#include <QWidget>

// What Tab reaches inside a screen, in order, as a screen reader names each stop.
namespace FocusChain
{

inline QList<QWidget *> stops(QWidget *root)
{
    QList<QWidget *> reached;
    for (QWidget *widget = root->nextInFocusChain(); widget && widget != root; widget = widget->nextInFocusChain()) {
        const bool tabs = (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
        if (root->isAncestorOf(widget) && widget->isVisible() && widget->isEnabled() && tabs)
            reached << widget;
    }
    return reached;
}

inline QStringList names(QWidget *root)
{
    QStringList named;
    for (QWidget *widget : stops(root))
        named << QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
    return named;
}

} // namespace FocusChain
