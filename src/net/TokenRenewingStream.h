#pragma once

#include "SSEEvent.h"

#include <QCoroAsyncGenerator>

#include <functional>

struct StreamRequest;

// An event stream that survives an expired access token. Usage:
//   auto events = TokenRenewingStream::open(request, TokenRenewingStream::Rule::anyUnauthorized);
//   QCORO_FOREACH(const SSEEvent &event, events) { ... }
// When the stream fails before its first event with a 401 that `rule` accepts, the access token is renewed
// once and the same request goes again under the new token. A failed renewal ends the session and throws
// APIError::unauthorized(); every other failure throws the stream's own APIError (see SSEClient).
class TokenRenewingStream final
{
public:
    // Which 401 says the token may just have expired.
    enum class Rule { anyUnauthorized, unauthorizedWithoutMessage };

    static QCoro::AsyncGenerator<SSEEvent> open(StreamRequest request, Rule rule,
                                                std::function<void(double)> onProgress = {});
};
