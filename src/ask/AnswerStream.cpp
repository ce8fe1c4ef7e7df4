#include "AnswerStream.h"

#include "net/APIClient.h"
#include "net/SSEEvent.h"
#include "net/TokenRenewingStream.h"

namespace
{

// The payload of an answer event, or none when it does not decode.
template <typename Event> std::optional<Event> decodePayload(const QByteArray &data)
{
    try {
        return Event::fromData(data);
    } catch (const Json::DecodingError &) {
        return std::nullopt;
    }
}

} // namespace

APIRequest AnswerStream::request(const AnswerQuestion &question)
{
    // An absent channel leaves its key out of the query.
    return APIRequest{.path = QStringLiteral("/chats/get_answer_free"),
                      .query = {{QStringLiteral("patientId"), question.patientID},
                                {QStringLiteral("content"), question.content},
                                {QStringLiteral("channelId"), question.channelID}}};
}

std::optional<AnswerEvent> AnswerStream::decode(const SSEEvent &event)
{
    if (event.event == QLatin1String("message")) {
        if (std::optional<ChatMessageDeltaEvent> delta = decodePayload<ChatMessageDeltaEvent>(event.data))
            return AnswerEvent(std::move(*delta));
    } else if (event.event == QLatin1String("done")) {
        if (std::optional<ChatDoneEvent> done = decodePayload<ChatDoneEvent>(event.data))
            return AnswerEvent(std::move(*done));
    } else if (event.event == QLatin1String("stream_error")) {
        const std::optional<ChatStreamErrorEvent> error = decodePayload<ChatStreamErrorEvent>(event.data);
        return AnswerEvent(AnswerStreamError{error ? std::optional<QString>(error->message) : std::nullopt});
    }
    return std::nullopt;
}

QCoro::AsyncGenerator<AnswerEvent> AnswerStream::open(AnswerQuestion question)
{
    // Any 401 renews: an expired token is renewed once, as every JSON call does, and the question sent again.
    QCoro::AsyncGenerator<SSEEvent> events = TokenRenewingStream::open(
        APIClient::shared().makeStreamRequest(request(question)), TokenRenewingStream::Rule::anyUnauthorized);
    for (auto event = co_await events.begin(); event != events.end(); co_await ++event) {
        if (std::optional<AnswerEvent> decoded = decode(*event))
            co_yield std::move(*decoded);
    }
}
