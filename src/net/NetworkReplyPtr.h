#pragma once

#include <QNetworkReply>

#include <memory>

// Owns a reply inside a coroutine: whatever way the coroutine ends, an unfinished reply is aborted and
// the object is deleted on the next event-loop turn (never inside one of its own signals).
struct NetworkReplyDeleter {
    void operator()(QNetworkReply *reply) const
    {
        reply->disconnect();
        if (reply->isRunning())
            reply->abort();
        reply->deleteLater();
    }
};

using NetworkReplyPtr = std::unique_ptr<QNetworkReply, NetworkReplyDeleter>;
