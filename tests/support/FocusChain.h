#pragma once

#include <QAccessible>
#include <QStringList>
#include <QWidget>

// The keyboard's view of a window or a panel, as a screen reader reads it.
namespace FocusChain
{

// The stops Tab reaches inside `root`, in Tab order. A widget that passes its focus on to a proxy is not a
// stop of its own.
inline QList<QWidget *> stops(QWidget *root)
{
    QList<QWidget *> reached;
    for (QWidget *widget = root->nextInFocusChain(); widget && widget != root; widget = widget->nextInFocusChain()) {
        const bool tabs = (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
        if (root->isAncestorOf(widget) && widget->isVisible() && widget->isEnabled() && tabs && !widget->focusProxy())
            reached << widget;
    }
    return reached;
}

inline QString nameOf(QWidget *widget)
{
    QAccessibleInterface *read = QAccessible::queryAccessibleInterface(widget);
    return read ? read->text(QAccessible::Name) : QString();
}

// What a screen reader names each stop, in Tab order.
inline QStringList names(QWidget *root)
{
    QStringList named;
    for (QWidget *widget : stops(root))
        named << nameOf(widget);
    return named;
}

// The stops it cannot name, each as "class name, parent class parent name".
inline QStringList unnamedStops(QWidget *root)
{
    QStringList unnamed;
    for (QWidget *widget : stops(root)) {
        if (!nameOf(widget).trimmed().isEmpty())
            continue;
        const QWidget *parent = widget->parentWidget();
        unnamed << QStringLiteral("%1 %2, %3 %4")
                       .arg(QLatin1String(widget->metaObject()->className()), widget->objectName(),
                            parent ? QLatin1String(parent->metaObject()->className()) : QLatin1String("-"),
                            parent ? parent->objectName() : QString());
    }
    return unnamed;
}

} // namespace FocusChain

// Fails the running test with the unnamed stops of `root`, if it has any.
#define VERIFY_EVERY_FOCUS_STOP_NAMED(root)                                                                            \
    do {                                                                                                               \
        const QStringList unnamedStops_ = FocusChain::unnamedStops(root);                                              \
        QVERIFY2(unnamedStops_.isEmpty(), qPrintable(unnamedStops_.join(QStringLiteral("; "))));                       \
    } while (false)
