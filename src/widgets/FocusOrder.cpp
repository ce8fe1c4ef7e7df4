#include "widgets/FocusOrder.h"

#include <QWidget>

namespace
{

// `part`'s own stops (itself included), in focus-chain order. A widget that hands its focus to a proxy is
// skipped by Tab, so it is left where it is.
QList<QWidget *> stopsIn(QWidget *part)
{
    QList<QWidget *> stops;
    QWidget *window = part->window();
    for (QWidget *widget = window->nextInFocusChain(); widget != window; widget = widget->nextInFocusChain()) {
        const bool inside = widget == part || part->isAncestorOf(widget);
        if (inside && widget->focusPolicy() != Qt::NoFocus && !widget->focusProxy())
            stops << widget;
    }
    return stops;
}

} // namespace

void FocusOrder::chain(const QList<QWidget *> &parts)
{
    QList<QWidget *> stops;
    for (QWidget *part : parts) {
        if (part)
            stops << stopsIn(part);
    }
    for (qsizetype i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops[i - 1], stops[i]);
}
