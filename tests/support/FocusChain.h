#pragma once

#include <QAccessible>
#include <QStringList>
#include <QWidget>

// The keyboard's view of a window, as a screen reader reads it.
namespace FocusChain
{

// The stops Tab reaches in `window` that a screen reader cannot name, each as "class name, parent class
// parent name". Walked along the window's focus chain; a widget that passes its focus on to a proxy is not a
// stop of its own.
inline QStringList unnamedStops(QWidget *window)
{
    QStringList unnamed;
    for (QWidget *widget = window->nextInFocusChain(); widget != window; widget = widget->nextInFocusChain()) {
        if (!widget->isVisible() || widget->focusProxy() || !(widget->focusPolicy() & Qt::TabFocus))
            continue;
        QAccessibleInterface *read = QAccessible::queryAccessibleInterface(widget);
        if (read && !read->text(QAccessible::Name).trimmed().isEmpty())
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

// Fails the running test with the unnamed stops of `window`, if it has any.
#define VERIFY_EVERY_FOCUS_STOP_NAMED(window)                                                                          \
    do {                                                                                                               \
        const QStringList unnamedStops_ = FocusChain::unnamedStops(window);                                            \
        QVERIFY2(unnamedStops_.isEmpty(), qPrintable(unnamedStops_.join(QStringLiteral("; "))));                       \
    } while (false)
