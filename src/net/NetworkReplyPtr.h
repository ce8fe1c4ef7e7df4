#pragma once

#include <QNetworkReply>

#include <memory>

// Owns a reply inside a coroutine: whatever way the coroutine ends, an unfinished reply is aborted and
// the object is deleted on the next event-loop turn (never inside one of its own signals).
// The reply keeps its connections: Qt tells its network thread to drop the connection through one of
// them, and a stream left running would hold one of the few connections to the host for good.
struct NetworkReplyDeleter {
    void operator()(QNetworkReply *reply) const
    {
        if (reply->isRunning())
            reply->abort();
        reply->deleteLater();
    }
};

using NetworkReplyPtr = std::unique_ptr<QNetworkReply, NetworkReplyDeleter>;
