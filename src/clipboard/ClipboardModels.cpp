#include "ClipboardModels.h"

#include "net/Json.h"

#include <QRegularExpression>

#include <cmath>

namespace
{

// Milliseconds between the Unix epoch and 2001-01-01 00:00:00 UTC, the reference date of the stored dates.
constexpr qint64 referenceDateMs = 978307200000;

QJsonValue required(const QJsonObject &object, QLatin1StringView key)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd())
        throw Json::DecodingError(QStringLiteral("\"%1\" is missing").arg(key).toStdString());
    return *it;
}

QUuid uuid(const QString &text)
{
    static const QRegularExpression shape(
        QStringLiteral("^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
    if (!shape.match(text).hasMatch())
        throw Json::DecodingError("expected a UUID");
    return QUuid::fromString(text);
}

QDateTime dateFromSeconds(const QJsonValue &value)
{
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        throw Json::DecodingError("expected a number of seconds");
    const double ms = std::round(value.toDouble() * 1000.0);
    // Far beyond any real date, and keeps the conversion to 64 bits defined.
    if (std::fabs(ms) > 1e17)
        throw Json::DecodingError("date out of range");
    return QDateTime::fromMSecsSinceEpoch(referenceDateMs + qint64(ms), Qt::UTC);
}

double secondsSinceReference(const QDateTime &date)
{
    return double(date.toMSecsSinceEpoch() - referenceDateMs) / 1000.0;
}

QByteArray base64(const QString &text)
{
    // Characters outside Latin-1 become '?', which the strict decoder rejects like any other stray character.
    auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        throw Json::DecodingError("expected base64 data");
    return *decoded;
}

} // namespace

QString rawValue(ClipboardActionType action)
{
    switch (action) {
    case ClipboardActionType::Copy:
        return QStringLiteral("copy");
    case ClipboardActionType::Cut:
        return QStringLiteral("cut");
    case ClipboardActionType::Paste:
        return QStringLiteral("paste");
    }
    Q_UNREACHABLE();
}

std::optional<ClipboardActionType> clipboardActionType(const QString &rawValue)
{
    for (const ClipboardActionType action :
         {ClipboardActionType::Copy, ClipboardActionType::Cut, ClipboardActionType::Paste}) {
        if (rawValue == ::rawValue(action))
            return action;
    }
    return std::nullopt;
}

ClipboardFile ClipboardFile::fromJson(const QJsonValue &value)
{
    const QJsonObject object = Json::object(value);
    ClipboardFile file;
    file.filename = Json::requiredString(object, QLatin1StringView("filename"));
    file.mimeType = Json::requiredString(object, QLatin1StringView("mimeType"));
    file.data = base64(Json::requiredString(object, QLatin1StringView("data")));
    return file;
}

QJsonObject ClipboardFile::toJson() const
{
    return {{QLatin1StringView("filename"), filename},
            {QLatin1StringView("mimeType"), mimeType},
            {QLatin1StringView("data"), QString::fromLatin1(data.toBase64())}};
}

ClipboardItem ClipboardItem::fromJson(const QJsonValue &value)
{
    const QJsonObject object = Json::object(value);
    ClipboardItem item;
    item.id = uuid(Json::requiredString(object, QLatin1StringView("id")));
    item.text = Json::requiredString(object, QLatin1StringView("text"));
    const QJsonValue file = object.value(QLatin1StringView("file"));
    if (!file.isUndefined() && !file.isNull())
        item.file = ClipboardFile::fromJson(file);
    const auto action = clipboardActionType(Json::requiredString(object, QLatin1StringView("action")));
    if (!action)
        throw Json::DecodingError("unknown clipboard action");
    item.action = *action;
    item.source = Json::requiredString(object, QLatin1StringView("source"));
    item.date = dateFromSeconds(required(object, QLatin1StringView("date")));
    item.patientID = Json::requiredString(object, QLatin1StringView("patientID"));
    return item;
}

QJsonObject ClipboardItem::toJson() const
{
    QJsonObject object{{QLatin1StringView("id"), id.toString(QUuid::WithoutBraces).toUpper()},
                       {QLatin1StringView("text"), text},
                       {QLatin1StringView("action"), rawValue(action)},
                       {QLatin1StringView("source"), source},
                       {QLatin1StringView("date"), secondsSinceReference(date)},
                       {QLatin1StringView("patientID"), patientID}};
    if (file)
        object.insert(QLatin1StringView("file"), file->toJson());
    return object;
}

QJsonArray ClipboardItem::listToJson(const QList<ClipboardItem> &items)
{
    QJsonArray array;
    for (const ClipboardItem &item : items)
        array.append(item.toJson());
    return array;
}

QList<ClipboardItem> ClipboardItem::listFromJson(const QJsonArray &array)
{
    QList<ClipboardItem> items;
    items.reserve(array.size());
    for (const QJsonValue &value : array) {
        try {
            items.append(fromJson(value));
        } catch (const Json::DecodingError &) {
            // Dropped on purpose: the rest of the history is still the user's.
        }
    }
    return items;
}
