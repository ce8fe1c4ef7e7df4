#include "ImageAsset.h"

#include "RecordHashing.h"

#include "net/Json.h"

#include <QJsonArray>
#include <QUuid>

QString ImageAsset::id() const
{
    if (_id)
        return *_id;
    if (uri)
        return *uri;
    if (fileName)
        return *fileName;
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

bool ImageAsset::isPDF() const
{
    if (type && type->toLower().contains(QLatin1StringView("pdf")))
        return true;
    return fileName.value_or(QStringLiteral("Document")).toLower().endsWith(QLatin1StringView(".pdf"));
}

ImageAsset ImageAsset::fromJson(const QJsonValue &value)
{
    const QJsonObject object = Json::object(value);
    ImageAsset asset;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const QString key = it.key();
        const QJsonValueConstRef field = it.value();
        if (key == QLatin1StringView("_id"))
            asset._id = Json::optionalString(field);
        else if (key == QLatin1StringView("uri"))
            asset.uri = Json::optionalString(field);
        else if (key == QLatin1StringView("thumbnail"))
            asset.thumbnail = Json::optionalString(field);
        else if (key == QLatin1StringView("fileName"))
            asset.fileName = Json::optionalString(field);
        else if (key == QLatin1StringView("type"))
            asset.type = Json::optionalString(field);
        else if (key == QLatin1StringView("medbitIds"))
            asset.medbitIds = Json::optionalStringList(field);
    }
    return asset;
}

QJsonObject ImageAsset::toJson() const
{
    QJsonObject object;
    Json::putOptional(object, QLatin1StringView("_id"), _id);
    Json::putOptional(object, QLatin1StringView("uri"), uri);
    Json::putOptional(object, QLatin1StringView("thumbnail"), thumbnail);
    Json::putOptional(object, QLatin1StringView("fileName"), fileName);
    Json::putOptional(object, QLatin1StringView("type"), type);
    if (medbitIds)
        object.insert(QLatin1StringView("medbitIds"), QJsonArray::fromStringList(*medbitIds));
    return object;
}

size_t qHash(const ImageAsset &asset, size_t seed)
{
    using RecordHashing::combine;
    seed = combine(seed, asset._id);
    seed = combine(seed, asset.uri);
    seed = combine(seed, asset.thumbnail);
    seed = combine(seed, asset.fileName);
    seed = combine(seed, asset.type);
    return combine(seed, asset.medbitIds);
}
