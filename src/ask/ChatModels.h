#pragma once

#include "net/Json.h"

#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>

// The wire records of the chat endpoints and of the answer stream. Their dates travel in two forms,
// chosen by the reader: list replies carry ISO 8601 text, stream payloads seconds since 2001-01-01 UTC.
enum class ChatDateForm { iso8601, secondsSince2001 };

namespace ChatDates
{
// A number of seconds since 2001-01-01 00:00:00 UTC, fractions allowed.
QDateTime fromSecondsSince2001(QJsonValueConstRef value);
double toSecondsSince2001(const QDateTime &date);
} // namespace ChatDates

// One timeline entry that an answer was based on.
struct UsedMedbitRef {
    QString id; // "_id"
    QString entryText;

    static UsedMedbitRef fromJson(const QJsonValue &value);
    QJsonObject toJson() const;

    friend bool operator==(const UsedMedbitRef &, const UsedMedbitRef &) = default;
};

size_t qHash(const UsedMedbitRef &ref, size_t seed = 0);

// One conversation as the service lists it; its identity is `id`, "_id" on the wire.
struct ChatChannel {
    QString id;
    std::optional<QString> title;
    std::optional<QDateTime> updatedAt;

    static ChatChannel fromJson(const QJsonValue &value, ChatDateForm dates = ChatDateForm::iso8601);
    QJsonObject toJson(ChatDateForm dates = ChatDateForm::iso8601) const;

    friend bool operator==(const ChatChannel &, const ChatChannel &) = default;
};

// One stored message: role "user" is a question, every other role an answer (its content Markdown).
struct ChatMessage {
    QString id;
    std::optional<QString> channelId;
    QString role;
    QString content;
    std::optional<QList<UsedMedbitRef>> usedMedbits;
    std::optional<QDateTime> createdAt;

    static ChatMessage fromJson(const QJsonValue &value, ChatDateForm dates = ChatDateForm::iso8601);
    QJsonObject toJson(ChatDateForm dates = ChatDateForm::iso8601) const;

    friend bool operator==(const ChatMessage &, const ChatMessage &) = default;
};

// A page of a list reply. Only "data" is read: the service's cursor is never followed.
template <typename T> struct ChatCursorPage {
    QList<T> data;

    static ChatCursorPage fromJson(const QJsonValue &value)
    {
        const QJsonObject object = Json::object(value);
        const auto it = object.constFind(QLatin1StringView("data"));
        if (it == object.constEnd())
            throw Json::DecodingError("a page needs \"data\"");
        return ChatCursorPage{Json::Decode<QList<T>>::from(*it)};
    }
};

// The payloads of the answer stream's "message", "done" and "stream_error" events. Their dates are
// seconds since 2001. `fromData` reads an event's data text and throws Json::DecodingError on any fault.
struct ChatMessageDeltaEvent {
    QString delta;

    static ChatMessageDeltaEvent fromJson(const QJsonValue &value);
    static ChatMessageDeltaEvent fromData(const QByteArray &data);
};

struct ChatDoneEvent {
    ChatMessage user;
    ChatMessage assistant;

    static ChatDoneEvent fromJson(const QJsonValue &value);
    static ChatDoneEvent fromData(const QByteArray &data);
};

struct ChatStreamErrorEvent {
    QString message;

    static ChatStreamErrorEvent fromJson(const QJsonValue &value);
    static ChatStreamErrorEvent fromData(const QByteArray &data);
};
