#pragma once

#include "AnswerEvent.h"

#include "net/APIRequest.h"

#include <QString>

#include <QCoroAsyncGenerator>

#include <optional>

struct SSEEvent;

// A question asked about a patient's records: GET "/chats/get_answer_free" with "patientId", "content" and,
// once the conversation has one, "channelId".
struct AnswerQuestion {
    QString patientID;
    QString content;
    std::optional<QString> channelID{};
};

// Reads the answer to a question as it streams in. Usage:
//   const AnswerQuestion question{.patientID = id, .content = text};
//   QCoro::AsyncGenerator<AnswerEvent> events = AnswerStream::open(question);
//   QCORO_FOREACH(const AnswerEvent &event, events) { std::visit(..., event); }
// A "message" or "done" whose payload does not decode, and an event of any other name, is skipped; reading
// goes on after "done" and "stream_error" until the stream ends. The request goes out when iteration begins
// and dropping the generator aborts it. A 401 before the first event renews the access token and sends the
// question once more (a failed renewal throws APIError::unauthorized()). Other failures throw the stream's
// APIError (see SSEClient).
class AnswerStream final
{
public:
    static QCoro::AsyncGenerator<AnswerEvent> open(AnswerQuestion question);

    static APIRequest request(const AnswerQuestion &question);
    // The event as the reader sees it; none for one it skips.
    static std::optional<AnswerEvent> decode(const SSEEvent &event);
};
