#pragma once

#include "AnswerEventSource.h"

#include "net/SSEEvent.h"

// Answers read from the service's "/chats/get_answer_free" event stream. A "message" or "done" whose data
// does not decode is skipped; a "stream_error" without a readable message reads "Something went wrong.";
// events of other names are skipped.
class SSEAnswerEventSource final : public AnswerEventSource
{
public:
    QCoro::AsyncGenerator<AnswerEvent> open(AnswerQuery query) override;

    // The event as the panel takes it, or none for an event it skips.
    static std::optional<AnswerEvent> decode(const SSEEvent &event);
};
