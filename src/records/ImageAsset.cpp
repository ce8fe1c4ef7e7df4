#include "ImageAsset.h"

#include "RecordDecoding.h"
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

ImageAsset ImageAsset::fromJsonBytes(const QByteArray &json)
{
    return RecordDecoding::imageAsset(json);
}

std::optional<ImageAsset> ImageAsset::optionalFromJsonBytes(const QByteArray &json)
{
    return RecordDecoding::optionalImageAsset(json);
}

QList<ImageAsset> ImageAsset::listFromJsonBytes(const QByteArray &json)
{
    return RecordDecoding::imageAssetList(json);
}

ImageAsset ImageAsset::fromJson(const QJsonValue &value)
{
    // Written out again, so that one decoder holds every rule a document is read by.
    return RecordDecoding::imageAsset(Json::serialize(Json::object(value)));
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
