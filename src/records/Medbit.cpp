#include "Medbit.h"

#include "DateText.h"
#include "RecordDecoding.h"
#include "RecordHashing.h"

#include "net/Json.h"

#include <QDateTime>
#include <QJsonArray>

QString Medbit::displayDate() const
{
    const QString text = DateText::mediumDate(QDateTime::fromSecsSinceEpoch(date).date());
    return isApproxDate ? QLatin1Char('~') + text : text;
}

Medbit Medbit::fromJsonBytes(const QByteArray &json)
{
    return RecordDecoding::medbit(json);
}

std::optional<Medbit> Medbit::optionalFromJsonBytes(const QByteArray &json)
{
    return RecordDecoding::optionalMedbit(json);
}

QList<Medbit> Medbit::listFromJsonBytes(const QByteArray &json)
{
    return RecordDecoding::medbitList(json);
}

Medbit Medbit::fromJson(const QJsonValue &value)
{
    // Written out again, so that one decoder holds every rule an entry is read by.
    return RecordDecoding::medbit(Json::serialize(Json::object(value)));
}

QJsonObject Medbit::toJson() const
{
    QJsonArray documentArray;
    for (const ImageAsset &document : documents)
        documentArray.append(document.toJson());
    QJsonObject object{
        {QLatin1StringView("_id"), id},
        {QLatin1StringView("entryText"), entryText},
        {QLatin1StringView("date"), date},
        {QLatin1StringView("isApproxDate"), isApproxDate},
        {QLatin1StringView("isLocked"), isLocked},
        {QLatin1StringView("isStarred"), isStarred},
        {QLatin1StringView("tags"), QJsonArray::fromStringList(tags)},
        {QLatin1StringView("documents"), documentArray},
    };
    Json::putOptional(object, QLatin1StringView("translated"), translated);
    Json::putOptional(object, QLatin1StringView("language"), language);
    return object;
}

size_t qHash(const Medbit &medbit, size_t seed)
{
    using RecordHashing::combine;
    seed = combine(seed, medbit.id);
    seed = combine(seed, medbit.entryText);
    seed = combine(seed, medbit.translated);
    seed = combine(seed, medbit.language);
    seed = combine(seed, medbit.date);
    seed = combine(seed, medbit.isApproxDate);
    seed = combine(seed, medbit.isLocked);
    seed = combine(seed, medbit.isStarred);
    seed = combine(seed, medbit.tags);
    return combine(seed, medbit.documents);
}
