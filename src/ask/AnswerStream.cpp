#include "AnswerStream.h"

#include "net/APIClient.h"
#include "net/AuthTokenProviding.h"
#include "net/SSEClient.h"
#include "net/SSEEvent.h"

#include <QPointer>

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

// A new access token from the session; without one the session ends, as a JSON call's failed renewal does.
QCoro::Task<bool> renewAccessToken()
{
    QPointer<AuthTokenProviding> provider = APIClient::shared().authProvider();
    if (!provider)
        co_return false;
    if (co_await provider->refreshAccessToken())
        co_return true;
    if (provider)
        provider->clearSession();
    co_return false;
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
    const APIRequest call = request(question);
    for (bool mayRenew = true;; mayRenew = false) {
        QCoro::AsyncGenerator<SSEEvent> events = SSEClient::stream(APIClient::shared().makeStreamRequest(call));
        QCoro::AsyncGenerator<SSEEvent>::iterator event(nullptr);
        std::optional<APIError> failure;
        try {
            event = co_await events.begin();
        } catch (const APIError &error) {
            failure = error;
        }
        if (failure) {
            if (!mayRenew || failure->status() != 401)
                throw *failure;
            // An expired access token: renewed once, as every JSON call does, and the question sent again.
            const bool renewed = co_await renewAccessToken();
            if (!renewed)
                throw APIError::unauthorized();
            continue;
        }
        for (; event != events.end(); co_await ++event) {
            if (std::optional<AnswerEvent> decoded = decode(*event))
                co_yield std::move(*decoded);
        }
        co_return;
    }
}
