#pragma once

#include "SSEEvent.h"

#include <QCoroAsyncGenerator>

#include <functional>
#include <optional>

struct StreamRequest;

// Sends a streaming request and yields its server-sent events as their bytes arrive. Usage:
//   const APIRequest call{.path = u"/chats/get_answer_free"_s, .query = query};
//   auto events = SSEClient::stream(APIClient::shared().makeStreamRequest(call));
//   QCORO_FOREACH(const SSEEvent &event, events) { ... }
// The sequence is lazy: the request goes out when iteration begins, and dropping the generator aborts
// it. It ends after the last event, or throws APIError: server (with the service's message) or httpError for
// a failed status, notAStream for a reply that is not a stream, decodingFailed for one that is not HTTP;
// network for a transport failure or the client's idle time-out (a pending event is then lost); invalidURL,
// before sending, for a request without an address. Nothing is refreshed or repeated on 401. `onProgress`
// receives the fraction of the request body sent, when the total size is known. A request with an abort handle
// ends with APIError::canceled() once the handle is used: its owner can stop it while a consumer awaits the next
// event, when the generator cannot be dropped.
class SSEClient final
{
public:
    static QCoro::AsyncGenerator<SSEEvent> stream(StreamRequest request, std::function<void(double)> onProgress = {});

    // Sent bytes as a fraction of the total; none when the total is unknown (less than 1).
    static std::optional<double> progressFraction(qint64 sent, qint64 total);

    // A failed reply's body is read up to this many bytes.
    static constexpr qsizetype errorBodyLimit = 4097;
};
