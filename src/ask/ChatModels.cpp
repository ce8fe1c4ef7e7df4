#include "ChatModels.h"

#include "records/RecordHashing.h"

#include <QJsonArray>

#include <cmath>

namespace
{

constexpr qint64 referenceEpochSeconds = 978307200; // 2001-01-01 00:00:00 UTC
// Far beyond any real date, and small enough that milliseconds stay exact in a double.
constexpr double secondsLimit = 1e13;

std::optional<QDateTime> optionalDate(const QJsonObject &object, QLatin1StringView key, ChatDateForm form)
{
    if (form == ChatDateForm::iso8601)
        return Json::optionalDate(object, key);
    const auto it = object.constFind(key);
    if (it == object.constEnd() || it->isNull())
        return std::nullopt;
    return ChatDates::fromSecondsSince2001(*it);
}

void putOptionalDate(QJsonObject &object, QLatin1StringView key, const std::optional<QDateTime> &date,
                     ChatDateForm form)
{
    if (!date)
        return;
    if (form == ChatDateForm::iso8601)
        object.insert(key, date->toUTC().toString(Qt::ISODate));
    else
        object.insert(key, ChatDates::toSecondsSince2001(*date));
}

std::optional<QList<UsedMedbitRef>> optionalRefs(const QJsonObject &object)
{
    const auto it = object.constFind(QLatin1StringView("usedMedbits"));
    if (it == object.constEnd())
        return std::nullopt;
    return Json::Decode<std::optional<QList<UsedMedbitRef>>>::from(*it);
}

QJsonValue parsed(const QByteArray &data)
{
    const std::optional<QJsonValue> value = Json::parse(data);
    if (!value)
        throw Json::DecodingError("the event data is not JSON");
    return *value;
}

} // namespace

QDateTime ChatDates::fromSecondsSince2001(QJsonValueConstRef value)
{
    if (!value.isDouble())
        throw Json::DecodingError("expected a number of seconds");
    const double seconds = value.toDouble();
    if (!std::isfinite(seconds) || std::fabs(seconds) > secondsLimit)
        throw Json::DecodingError("expected a date within range");
    const qint64 msecs = referenceEpochSeconds * 1000 + std::llround(seconds * 1000.0);
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

double ChatDates::toSecondsSince2001(const QDateTime &date)
{
    return double(date.toMSecsSinceEpoch() - referenceEpochSeconds * 1000) / 1000.0;
}

UsedMedbitRef UsedMedbitRef::fromJson(const QJsonValue &value)
{
    const QJsonObject object = Json::object(value);
    return UsedMedbitRef{Json::requiredString(object, QLatin1StringView("_id")),
                         Json::requiredString(object, QLatin1StringView("entryText"))};
}

QJsonObject UsedMedbitRef::toJson() const
{
    return QJsonObject{{QLatin1StringView("_id"), id}, {QLatin1StringView("entryText"), entryText}};
}

size_t qHash(const UsedMedbitRef &ref, size_t seed)
{
    return RecordHashing::combine(RecordHashing::combine(seed, ref.id), ref.entryText);
}

ChatChannel ChatChannel::fromJson(const QJsonValue &value, ChatDateForm dates)
{
    const QJsonObject object = Json::object(value);
    ChatChannel channel;
    channel.id = Json::requiredString(object, QLatin1StringView("_id"));
    channel.title = Json::optionalString(object, QLatin1StringView("title"));
    channel.updatedAt = optionalDate(object, QLatin1StringView("updatedAt"), dates);
    return channel;
}

QJsonObject ChatChannel::toJson(ChatDateForm dates) const
{
    QJsonObject object{{QLatin1StringView("_id"), id}};
    Json::putOptional(object, QLatin1StringView("title"), title);
    putOptionalDate(object, QLatin1StringView("updatedAt"), updatedAt, dates);
    return object;
}

ChatMessage ChatMessage::fromJson(const QJsonValue &value, ChatDateForm dates)
{
    const QJsonObject object = Json::object(value);
    ChatMessage message;
    message.id = Json::requiredString(object, QLatin1StringView("_id"));
    message.channelId = Json::optionalString(object, QLatin1StringView("channelId"));
    message.role = Json::requiredString(object, QLatin1StringView("role"));
    message.content = Json::requiredString(object, QLatin1StringView("content"));
    message.usedMedbits = optionalRefs(object);
    message.createdAt = optionalDate(object, QLatin1StringView("createdAt"), dates);
    return message;
}

QJsonObject ChatMessage::toJson(ChatDateForm dates) const
{
    QJsonObject object{{QLatin1StringView("_id"), id}};
    Json::putOptional(object, QLatin1StringView("channelId"), channelId);
    object.insert(QLatin1StringView("role"), role);
    object.insert(QLatin1StringView("content"), content);
    if (usedMedbits) {
        QJsonArray refs;
        for (const UsedMedbitRef &ref : *usedMedbits)
            refs.append(ref.toJson());
        object.insert(QLatin1StringView("usedMedbits"), refs);
    }
    putOptionalDate(object, QLatin1StringView("createdAt"), createdAt, dates);
    return object;
}

ChatMessageDeltaEvent ChatMessageDeltaEvent::fromJson(const QJsonValue &value)
{
    return ChatMessageDeltaEvent{Json::requiredString(Json::object(value), QLatin1StringView("delta"))};
}

ChatMessageDeltaEvent ChatMessageDeltaEvent::fromData(const QByteArray &data)
{
    return fromJson(parsed(data));
}

ChatDoneEvent ChatDoneEvent::fromJson(const QJsonValue &value)
{
    const QJsonObject object = Json::object(value);
    const auto message = [&object](QLatin1StringView key) {
        const auto it = object.constFind(key);
        if (it == object.constEnd())
            throw Json::DecodingError("a done event needs \"user\" and \"assistant\"");
        return ChatMessage::fromJson(*it, ChatDateForm::secondsSince2001);
    };
    ChatMessage user = message(QLatin1StringView("user"));
    ChatMessage assistant = message(QLatin1StringView("assistant"));
    return ChatDoneEvent{std::move(user), std::move(assistant)};
}

ChatDoneEvent ChatDoneEvent::fromData(const QByteArray &data)
{
    return fromJson(parsed(data));
}

ChatStreamErrorEvent ChatStreamErrorEvent::fromJson(const QJsonValue &value)
{
    return ChatStreamErrorEvent{Json::requiredString(Json::object(value), QLatin1StringView("message"))};
}

ChatStreamErrorEvent ChatStreamErrorEvent::fromData(const QByteArray &data)
{
    return fromJson(parsed(data));
}
