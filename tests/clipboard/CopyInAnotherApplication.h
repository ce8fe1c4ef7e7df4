#pragma once

#include "clipboard/ApplicationActivity.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

// Puts data on the clipboard the way a copy in another application gets there: while this application is not
// the active one. Coming back takes it as seen, so the history's poll never records it as a copy made in this
// application, however long the steps after it take on a busy machine.
inline void copyInAnotherApplication(ApplicationActivity &activity, QMimeData *data)
{
    activity.setActive(false);
    QGuiApplication::clipboard()->setMimeData(data);
    activity.setActive(true);
}

inline void copyInAnotherApplication(ApplicationActivity &activity, const QString &text)
{
    auto *data = new QMimeData;
    data->setText(text);
    copyInAnotherApplication(activity, data);
}
