#pragma once

#include <QPointer>

// Takes a panel off the screen now and deletes it on the next turn of the event loop, since work it started
// may still resume until then, and forgets it at once: a panel wanted again within the same turn is built
// anew, never the one on its way out.
template <typename Panel> void discardLater(QPointer<Panel> &panel)
{
    if (!panel)
        return;
    panel->hide();
    panel->deleteLater();
    panel.clear();
}
