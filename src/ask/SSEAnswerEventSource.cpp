#include "SSEAnswerEventSource.h"

#include "net/APIClient.h"
#include "net/SSEClient.h"

namespace
{

template <typename Event> std::optional<AnswerEvent> decodedOrNone(const QByteArray &data)
{
    try {
        return AnswerEvent(Event::fromData(data));
    } catch (const Json::DecodingError &) {
        return std::nullopt;
    }
}

} // namespace

std::optional<AnswerEvent> SSEAnswerEventSource::decode(const SSEEvent &event)
{
    if (event.event == QLatin1StringView("message"))
        return decodedOrNone<ChatMessageDeltaEvent>(event.data);
    if (event.event == QLatin1StringView("done"))
        return decodedOrNone<ChatDoneEvent>(event.data);
    if (event.event != QLatin1StringView("stream_error"))
        return std::nullopt;
    if (std::optional<AnswerEvent> failure = decodedOrNone<ChatStreamErrorEvent>(event.data))
        return failure;
    return AnswerEvent(ChatStreamErrorEvent{answerFailedText()});
}

QCoro::AsyncGenerator<AnswerEvent> SSEAnswerEventSource::open(AnswerQuery query)
{
    StreamRequest request = APIClient::shared().makeStreamRequest(
        HTTPMethod::GET, QStringLiteral("/chats/get_answer_free"), query.queryItems(), true);
    QCoro::AsyncGenerator<SSEEvent> events = SSEClient::stream(std::move(request));
    QCORO_FOREACH(const SSEEvent &event, events)
    {
        if (std::optional<AnswerEvent> decoded = decode(event))
            co_yield std::move(*decoded);
    }
}
