#include "ImportModels.h"

#include "net/Json.h"
#include "records/DateText.h"
#include "records/RecordHashing.h"

#include <QDateTime>
#include <QJsonArray>

#include <limits>

namespace
{

QJsonObject payloadObject(const QByteArray &data)
{
    const std::optional<QJsonValue> value = Json::parse(data);
    if (!value)
        throw Json::DecodingError("an event's data is not JSON");
    return Json::object(*value);
}

template <typename T> QList<T> listOf(const QJsonValue &value)
{
    return Json::Decode<QList<T>>::from(value);
}

QJsonValue requiredValue(const QJsonObject &object, QLatin1StringView key)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        throw Json::DecodingError("a required key is missing");
    return value;
}

} // namespace

QString PreviewMedbit::formattedDate() const
{
    const QString text = DateText::mediumDate(QDateTime::fromSecsSinceEpoch(date).date());
    return isApproxDate ? QLatin1Char('~') + text : text;
}

PreviewMedbit PreviewMedbit::fromJson(const QJsonValue &value)
{
    const QJsonObject object = Json::object(value);
    PreviewMedbit medbit;
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
        }
    }
    if (!hasId || !hasEntryText || !hasDate)
        throw Json::DecodingError("a suggested entry needs \"_id\", \"entryText\" and \"date\"");
    return medbit;
}

QJsonObject PreviewMedbit::toJson() const
{
    QJsonObject object{
        {QLatin1StringView("_id"), id},
        {QLatin1StringView("entryText"), entryText},
        {QLatin1StringView("date"), date},
        {QLatin1StringView("isApproxDate"), isApproxDate},
        {QLatin1StringView("isLocked"), isLocked},
        {QLatin1StringView("isStarred"), isStarred},
        {QLatin1StringView("tags"), QJsonArray::fromStringList(tags)},
    };
    Json::putOptional(object, QLatin1StringView("translated"), translated);
    Json::putOptional(object, QLatin1StringView("language"), language);
    return object;
}

size_t qHash(const PreviewMedbit &medbit, size_t seed)
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
    return combine(seed, medbit.tags);
}

SmartAnalyzeUploadedFile SmartAnalyzeUploadedFile::fromJson(const QJsonValue &value)
{
    const QJsonObject object = Json::object(value);
    return {Json::requiredString(object, QLatin1StringView("fileName")),
            Json::requiredString(object, QLatin1StringView("filePath")),
            Json::requiredString(object, QLatin1StringView("mimetype"))};
}

QJsonObject SmartAnalyzeUploadedFile::toJson() const
{
    return {{QLatin1StringView("fileName"), fileName},
            {QLatin1StringView("filePath"), filePath},
            {QLatin1StringView("mimetype"), mimetype}};
}

SmartAnalyzeMessageEvent SmartAnalyzeMessageEvent::decode(const QByteArray &data)
{
    const QJsonObject object = payloadObject(data);
    return {Json::requiredString(object, QLatin1StringView("tag")),
            listOf<PreviewMedbit>(requiredValue(object, QLatin1StringView("items")))};
}

SmartAnalyzeFinishedStepEvent SmartAnalyzeFinishedStepEvent::decode(const QByteArray &data)
{
    const qint64 index = Json::requiredInteger(payloadObject(data), QLatin1StringView("stepIndex"));
    // The step after it must be countable too.
    if (index < std::numeric_limits<int>::min() || index >= std::numeric_limits<int>::max())
        throw Json::DecodingError("a step index out of range");
    return {int(index)};
}

SmartAnalyzeDoneEvent SmartAnalyzeDoneEvent::decode(const QByteArray &data)
{
    const QJsonObject object = payloadObject(data);
    return {listOf<SmartAnalyzeUploadedFile>(requiredValue(object, QLatin1StringView("files"))),
            Json::requiredString(object, QLatin1StringView("analyzeId"))};
}

SmartAnalyzeErrorEvent SmartAnalyzeErrorEvent::decode(const QByteArray &data)
{
    return {Json::requiredString(payloadObject(data), QLatin1StringView("message"))};
}

TranslatedPatch TranslatedPatch::fromJson(const QJsonValue &value)
{
    const QJsonObject object = Json::object(value);
    return {Json::requiredString(object, QLatin1StringView("_id")),
            Json::requiredString(object, QLatin1StringView("translated"))};
}
