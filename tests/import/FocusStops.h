#pragma once

#include <QAccessible>
#include <QStringList>
#include <QWidget>

// Every stop that Tab reaches inside `sheet`, in Tab order, each as its object name and the name a screen
// reader announces for it.
struct FocusStop {
    QString objectName;
    QString accessibleName;
};

inline QList<FocusStop> focusStops(QWidget *sheet)
{
    QList<FocusStop> stops;
    for (QWidget *w = sheet->nextInFocusChain(); w != sheet; w = w->nextInFocusChain()) {
        if (!w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus) || w->focusProxy())
            continue;
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(w);
        stops.append({w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName(),
                      accessible ? accessible->text(QAccessible::Name) : QString()});
    }
    return stops;
}

// The stops a screen reader cannot name, for a failure message.
inline QStringList unnamedStops(QWidget *sheet)
{
    QStringList unnamed;
    for (const FocusStop &stop : focusStops(sheet))
        if (stop.accessibleName.trimmed().isEmpty())
            unnamed.append(stop.objectName);
    return unnamed;
}
