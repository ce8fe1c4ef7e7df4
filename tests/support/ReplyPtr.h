#pragma once

#include <QNetworkReply>

#include <memory>

// Owns a reply and lets the event loop delete it. A coroutine that awaits a reply resumes inside the reply's own
// finished() emission, so deleting it there at once would pull it from under Qt's network code.
struct DeleteReplyLater {
    void operator()(QNetworkReply *reply) const { reply->deleteLater(); }
};

using ReplyPtr = std::unique_ptr<QNetworkReply, DeleteReplyLater>;
