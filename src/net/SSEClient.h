#pragma once

#include "SSEEvent.h"

#include <QCoroAsyncGenerator>

#include <functional>
#include <optional>

class QNetworkReply;
struct StreamRequest;

// Sends a streaming request and yields its server-sent events as their bytes arrive. Usage:
//   auto events = SSEClient::stream(APIClient::shared().makeStreamRequest(HTTPMethod::GET,
//                     "/chats/get_answer_free", query, true));
//   QCORO_FOREACH(const SSEEvent &event, events) { ... }
// The sequence is lazy: the request goes out when iteration begins, and dropping the generator aborts
// it. It ends after the last event, or throws: SSEError for a failed status, a reply that is not a
// stream or not HTTP; APIError::network for a transport failure or the client's idle time-out (a
// pending event is then lost); APIError::invalidURL, before sending, for a request without an address. Nothing is
// refreshed or repeated on 401. `onProgress` receives the fraction of the request body sent, when the total size is
// known.
// `onSent` receives the reply once the request is on its way, so that its owner can abort it at once (a
// generator cannot be dropped while a consumer awaits it); an aborted stream ends with APIError::network.
class SSEClient final
{
public:
    static QCoro::AsyncGenerator<SSEEvent> stream(StreamRequest request, std::function<void(double)> onProgress = {},
                                                  std::function<void(QNetworkReply *)> onSent = {});

    // Sent bytes as a fraction of the total; none when the total is unknown (less than 1).
    static std::optional<double> progressFraction(qint64 sent, qint64 total);

    // A failed reply's body is read up to this many bytes.
    static constexpr qsizetype errorBodyLimit = 4097;
};
