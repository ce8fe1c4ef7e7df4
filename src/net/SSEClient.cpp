#include "SSEClient.h"

#include "APIClient.h"
#include "ReplyMonitor.h"
#include "SSEError.h"
#include "SSEParser.h"

#include <QNetworkReply>

namespace
{

bool hasUnreadBytesOrEnded(const QNetworkReply &reply)
{
    return reply.bytesAvailable() > 0 || reply.isFinished();
}

} // namespace

std::optional<double> SSEClient::progressFraction(qint64 sent, qint64 total)
{
    if (total < 1)
        return std::nullopt;
    return static_cast<double>(sent) / static_cast<double>(total);
}

QCoro::AsyncGenerator<SSEEvent> SSEClient::stream(StreamRequest request, std::function<void(double)> onProgress,
                                                  std::function<void(QNetworkReply *)> onSent)
{
    if (!request.request.url().isValid())
        throw APIError::invalidURL();
    const MonitoredReply started = APIClient::shared().startRequest(request.request, request.method, request.body);
    QNetworkReply *reply = started.reply.get();
    ReplyMonitor *monitor = started.monitor;
    if (onSent)
        onSent(reply);
    if (onProgress) {
        QObject::connect(reply, &QNetworkReply::uploadProgress, monitor, [onProgress](qint64 sent, qint64 total) {
            if (const std::optional<double> fraction = progressFraction(sent, total))
                onProgress(*fraction);
        });
    }
    while (!hasUnreadBytesOrEnded(*reply))
        co_await monitor->nextActivity();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        monitor->throwIfTransportFailed();
        throw SSEError::invalidResponse();
    }
    if (status.toInt() < 200 || status.toInt() > 299) {
        // Only the start of a failed reply is read: enough for a message, never a large page.
        QByteArray body;
        while (body.size() < errorBodyLimit && !(reply->bytesAvailable() == 0 && reply->isFinished())) {
            if (reply->bytesAvailable() > 0)
                body += reply->read(errorBodyLimit - body.size());
            else
                co_await monitor->nextActivity();
        }
        if (body.size() < errorBodyLimit)
            monitor->throwIfTransportFailed();
        throw SSEError::fromFailedReply(status.toInt(), reply->rawHeader("Content-Type"), body);
    }
    if (!reply->rawHeader("Content-Type").contains("text/event-stream"))
        throw SSEError::notAStream();

    SSEParser parser;
    QList<SSEEvent> events;
    for (bool ended = false; !ended;) {
        if (reply->bytesAvailable() > 0) {
            parser.feed(reply->readAll(), events);
        } else if (reply->isFinished()) {
            monitor->throwIfTransportFailed();
            parser.finish(events);
            ended = true;
        } else {
            co_await monitor->nextActivity();
        }
        for (SSEEvent &event : events)
            co_yield std::move(event);
        events.clear();
    }
}
