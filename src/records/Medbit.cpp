#include "Medbit.h"

#include "MediumDate.h"
#include "RecordHashing.h"

#include "net/Json.h"

#include <QDateTime>
#include <QJsonArray>

namespace {

bool flag(const QJsonObject &object, QLatin1StringView key)
{
    return Json::optionalBool(object, key).value_or(false);
}

QStringList tagList(const QJsonValue &value)
{
    if (value.isUndefined() || value.isNull())
        return {};
    return Json::stringList(value);
}

// The documents never cost the entry: an undecodable list is dropped as a whole.
QList<ImageAsset> documentList(const QJsonValue &value)
{
    if (!value.isArray())
        return {};
    try {
        return Json::Decode<QList<ImageAsset>>::from(value);
    } catch (const Json::DecodingError &) {
        return {};
    }
}

// The medium format is derived once per thread and locale; formatting a timeline calls this for every row.
QString mediumDateText(const QDate &date)
{
    thread_local QLocale cachedLocale;
    thread_local QString cachedFormat = MediumDate::format(cachedLocale);
    const QLocale locale;
    if (locale != cachedLocale) {
        cachedLocale = locale;
        cachedFormat = MediumDate::format(locale);
    }
    return locale.toString(date, cachedFormat);
}

} // namespace

QString Medbit::displayDate() const
{
    const QString text = mediumDateText(QDateTime::fromSecsSinceEpoch(date).date());
    return isApproxDate ? QLatin1Char('~') + text : text;
}

Medbit Medbit::fromJson(const QJsonValue &value)
{
    const QJsonObject object = Json::object(value);
    Medbit medbit;
    medbit.id = Json::requiredString(object, QLatin1StringView("_id"));
    medbit.entryText = Json::requiredString(object, QLatin1StringView("entryText"));
    medbit.translated = Json::optionalString(object, QLatin1StringView("translated"));
    medbit.language = Json::optionalString(object, QLatin1StringView("language"));
    medbit.date = Json::requiredInteger(object, QLatin1StringView("date"));
    medbit.isApproxDate = flag(object, QLatin1StringView("isApproxDate"));
    medbit.isLocked = flag(object, QLatin1StringView("isLocked"));
    medbit.isStarred = flag(object, QLatin1StringView("isStarred"));
    medbit.tags = tagList(object.value(QLatin1StringView("tags")));
    medbit.documents = documentList(object.value(QLatin1StringView("documents")));
    return medbit;
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
