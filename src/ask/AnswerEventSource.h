#pragma once

#include "ChatModels.h"

#include "net/APIRequest.h"

#include <QCoreApplication>
#include <QString>

#include <QCoroAsyncGenerator>

#include <optional>
#include <variant>

// One decoded event of an answer stream: a piece of the answer, the stored question and answer ("done"),
// or the service's failure text ("stream_error").
using AnswerEvent = std::variant<ChatMessageDeltaEvent, ChatDoneEvent, ChatStreamErrorEvent>;

// An answer's failure text when the service gives none.
inline QString answerFailedText()
{
    return QCoreApplication::translate("AskSession", "Something went wrong.");
}

// What one question sends: "channelId" only once the conversation has a channel.
struct AnswerQuery {
    QString patientId;
    QString content;
    std::optional<QString> channelId;

    QueryItems queryItems() const
    {
        return {{QStringLiteral("patientId"), patientId},
                {QStringLiteral("content"), content},
                {QStringLiteral("channelId"), channelId}};
    }
};

// Where answers come from. open() yields the question's events in arrival order and ends with the stream;
// a stream that fails throws APIError or SSEError. Holders keep the source by shared pointer, so that a
// stream read to its end after its reader's owner is gone still has its source.
class AnswerEventSource
{
public:
    virtual ~AnswerEventSource() = default;
    virtual QCoro::AsyncGenerator<AnswerEvent> open(AnswerQuery query) = 0;
};
