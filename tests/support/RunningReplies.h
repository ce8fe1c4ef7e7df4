#pragma once

#include "net/APIClient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

// How many of the shared client's replies are still on their way: a closed screen or a cancelled load must
// leave none behind.
inline int runningReplies()
{
    int running = 0;
    for (const QNetworkReply *reply : APIClient::shared().network()->findChildren<QNetworkReply *>())
        running += reply->isRunning() ? 1 : 0;
    return running;
}
