#include "HealthStory.h"

#include "ChatModels.h"

#include "net/Json.h"
#include "platform/PrivateSettings.h"

#include <QJsonObject>

QString HealthStory::storageKey(const QString &patientID)
{
    return storageKeyPrefix + patientID;
}

std::optional<HealthStory> HealthStory::loadCached(const QString &patientID)
{
    const QVariant stored = PrivateSettings::value(storageKey(patientID));
    if (stored.typeId() != QMetaType::QString)
        return std::nullopt;
    return fromJson(stored.toString().toUtf8());
}

void HealthStory::saveCached(const HealthStory &story, const QString &patientID)
{
    PrivateSettings::setValue(storageKey(patientID), QString::fromUtf8(story.toJson()));
}

std::optional<HealthStory> HealthStory::fromJson(const QByteArray &json)
{
    const std::optional<QJsonValue> value = Json::parse(json);
    if (!value)
        return std::nullopt;
    try {
        const QJsonObject object = Json::object(*value);
        const auto date = object.constFind(QLatin1StringView("generatedAt"));
        if (date == object.constEnd())
            return std::nullopt;
        return HealthStory{Json::requiredString(object, QLatin1StringView("narrative")),
                           ChatDates::fromSecondsSince2001(*date)};
    } catch (const Json::DecodingError &) {
        return std::nullopt;
    }
}

QByteArray HealthStory::toJson() const
{
    return Json::serialize(QJsonObject{{QStringLiteral("narrative"), narrative},
                                       {QStringLiteral("generatedAt"), ChatDates::toSecondsSince2001(generatedAt)}});
}
