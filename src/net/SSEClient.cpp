#include "SSEClient.h"

#include "APIClient.h"
#include "AbortHandle.h"
#include "ReplyMonitor.h"
#include "SSEParser.h"
#include "ServiceMessage.h"

#include <QNetworkReply>

namespace
{

bool hasUnreadBytesOrEnded(const QNetworkReply &reply)
{
    return reply.bytesAvailable() > 0 || reply.isFinished();
}

// The error of a failed stream reply: the service's message when its (capped) body carries one, else the status.
APIError failedStreamError(int status, const QByteArray &contentType, const QByteArray &body)
{
    if (const std::optional<QString> message = ServiceMessage::of(contentType, body))
        return APIError::server(status, *message);
    return APIError::httpError(status);
}

// An aborted stream ends as a cancellation, whatever state its reply was left in.
void throwIfAborted(const StreamRequest &request)
{
    if (request.abort && request.abort->isAborted())
        throw APIError::canceled();
}

} // namespace

std::optional<double> SSEClient::progressFraction(qint64 sent, qint64 total)
{
    if (total < 1)
        return std::nullopt;
    return static_cast<double>(sent) / static_cast<double>(total);
}

QCoro::AsyncGenerator<SSEEvent> SSEClient::stream(StreamRequest request, std::function<void(double)> onProgress)
{
    if (!request.request.url().isValid())
        throw APIError::invalidURL();
    throwIfAborted(request);
    const MonitoredReply started = APIClient::shared().startRequest(request.request, request.method, request.body);
    QNetworkReply *reply = started.reply.get();
    ReplyMonitor *monitor = started.monitor;
    if (request.abort)
        request.abort->attach(reply);
    if (onProgress) {
        QObject::connect(reply, &QNetworkReply::uploadProgress, monitor, [onProgress](qint64 sent, qint64 total) {
            if (const std::optional<double> fraction = progressFraction(sent, total))
                onProgress(*fraction);
        });
    }
    while (!hasUnreadBytesOrEnded(*reply))
        co_await monitor->nextActivity();
    throwIfAborted(request);

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        monitor->throwIfTransportFailed();
        throw APIError::decodingFailed();
    }
    if (status.toInt() < 200 || status.toInt() > 299) {
        // Only the start of a failed reply is read: enough for a message, never a large page.
        QByteArray body;
        while (body.size() < errorBodyLimit && !(reply->bytesAvailable() == 0 && reply->isFinished())) {
            if (reply->bytesAvailable() > 0)
                body += reply->read(errorBodyLimit - body.size());
            else
                co_await monitor->nextActivity();
            throwIfAborted(request);
        }
        if (body.size() < errorBodyLimit)
            monitor->throwIfTransportFailed();
        throw failedStreamError(status.toInt(), reply->rawHeader("Content-Type"), body);
    }
    if (!reply->rawHeader("Content-Type").contains("text/event-stream"))
        throw APIError::notAStream();

    SSEParser parser;
    QList<SSEEvent> events;
    for (bool ended = false; !ended;) {
        throwIfAborted(request);
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
