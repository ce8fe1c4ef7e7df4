#include "Medbit.h"

#include "DateText.h"
#include "RecordHashing.h"

#include "net/Json.h"

#include <QDateTime>
#include <QJsonArray>

namespace
{

// The documents never cost the entry: an undecodable list is dropped as a whole.
QList<ImageAsset> documentList(QJsonValueConstRef value)
{
    if (!value.isArray())
        return {};
    const QJsonArray items = value.toArray();
    QList<ImageAsset> documents;
    documents.reserve(items.size());
    try {
        for (QJsonValueConstRef item : items)
            documents.append(ImageAsset::fromJson(item));
    } catch (const Json::DecodingError &) {
        return {};
    }
    return documents;
}

} // namespace

QString Medbit::displayDate() const
{
    const QString text = DateText::mediumDate(QDateTime::fromSecsSinceEpoch(date).date());
    return isApproxDate ? QLatin1Char('~') + text : text;
}

Medbit Medbit::fromJson(const QJsonValue &value)
{
    const QJsonObject object = Json::object(value);
    Medbit medbit;
    bool hasId = false, hasEntryText = false, hasDate = false;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const QString key = it.key();
        const QJsonValueConstRef field = it.value();
        if (key == QLatin1StringView("_id")) {
            medbit.id = Json::string(field);
            hasId = true;
        } else if (key == QLatin1StringView("entryText")) {
            medbit.entryText = Json::string(field);
            hasEntryText = true;
        } else if (key == QLatin1StringView("date")) {
            medbit.date = Json::integer(field);
            hasDate = true;
        } else if (key == QLatin1StringView("translated")) {
            medbit.translated = Json::optionalString(field);
        } else if (key == QLatin1StringView("language")) {
            medbit.language = Json::optionalString(field);
        } else if (key == QLatin1StringView("isApproxDate")) {
            medbit.isApproxDate = Json::optionalBool(field).value_or(false);
        } else if (key == QLatin1StringView("isLocked")) {
            medbit.isLocked = Json::optionalBool(field).value_or(false);
        } else if (key == QLatin1StringView("isStarred")) {
            medbit.isStarred = Json::optionalBool(field).value_or(false);
        } else if (key == QLatin1StringView("tags")) {
            medbit.tags = Json::optionalStringList(field).value_or(QStringList());
        } else if (key == QLatin1StringView("documents")) {
            medbit.documents = documentList(field);
        }
    }
    if (!hasId || !hasEntryText || !hasDate)
        throw Json::DecodingError("an entry needs \"_id\", \"entryText\" and \"date\"");
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
