#include "Json.h"

#include <QIODevice>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace Json
{

namespace
{

// Lookups hand out references into the object, so single-value readers apply without copying values.
template <typename Read> auto required(const QJsonObject &object, QLatin1StringView key, Read read)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd())
        throw DecodingError(QStringLiteral("\"%1\" is missing").arg(key).toStdString());
    return read(*it);
}

template <typename Read>
auto optional(const QJsonObject &object, QLatin1StringView key, Read read) -> decltype(read(*object.constBegin()))
{
    const auto it = object.constFind(key);
    if (it == object.constEnd())
        return std::nullopt;
    return read(*it);
}

} // namespace

QString string(QJsonValueConstRef value)
{
    if (!value.isString())
        throw DecodingError("expected a string");
    return value.toString();
}

std::optional<QString> optionalString(QJsonValueConstRef value)
{
    if (value.isNull())
        return std::nullopt;
    return string(value);
}

std::optional<bool> optionalBool(QJsonValueConstRef value)
{
    if (value.isNull())
        return std::nullopt;
    if (!value.isBool())
        throw DecodingError("expected a boolean");
    return value.toBool();
}

qint64 integer(QJsonValueConstRef value)
{
    if (!value.isDouble())
        throw DecodingError("expected a number");
    const double number = value.toDouble();
    // Doubles beyond 2^53 lose integer precision; toInteger() reads the exact value Qt kept.
    if (!std::isfinite(number) || std::trunc(number) != number || std::fabs(number) > 9.2e18)
        throw DecodingError("expected a whole number");
    return value.toInteger();
}

std::optional<QStringList> optionalStringList(QJsonValueConstRef value)
{
    if (value.isNull())
        return std::nullopt;
    if (!value.isArray())
        throw DecodingError("expected a list of strings");
    const QJsonArray items = value.toArray();
    QStringList result;
    result.reserve(items.size());
    for (QJsonValueConstRef item : items)
        result.append(string(item));
    return result;
}

bool hasZeroedRoomPastTheEnd(const QByteArray &bytes)
{
    // capacity() counts room before the bytes too; only the data pointer knows what lies after them. Asking
    // it neither detaches nor changes anything.
    if (const_cast<QByteArray &>(bytes).data_ptr().freeSpaceAtEnd() < readPastTheEnd)
        return false;
    const char *end = bytes.constData() + bytes.size();
    return std::all_of(end, end + readPastTheEnd, [](char byte) { return byte == 0; });
}

void appendWithRoomPastTheEnd(QByteArray &bytes, QIODevice &device, qint64 expectedSize)
{
    // A size the sender announces is taken up to this much at once; a larger body grows as it comes.
    constexpr qint64 largestPromise = qint64(256) << 20;
    const qint64 start = bytes.size();
    const qint64 available = std::max<qint64>(device.bytesAvailable(), 0);
    const qint64 needed = start + available + readPastTheEnd;
    if (needed > start + bytes.data_ptr().freeSpaceAtEnd()) {
        // Doubling keeps a body of many small reads from being copied once per read.
        const qint64 promised = std::min(expectedSize, largestPromise) + readPastTheEnd;
        bytes.reserve(std::max({needed, promised, qint64(bytes.capacity()) * 2}));
    }
    bytes.resize(start + available);
    bytes.resize(start + std::max<qint64>(device.read(bytes.data() + start, available), 0));
    std::fill_n(bytes.data() + bytes.size(), readPastTheEnd, '\0');
}

std::optional<QJsonValue> parse(const QByteArray &bytes)
{
    // Objects and arrays, nearly every reply, go to the parser as they are, without a copy.
    const auto first = std::find_if_not(bytes.cbegin(), bytes.cend(), [](char c) { return std::isspace(uchar(c)); });
    if (first != bytes.cend() && (*first == '{' || *first == '[')) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
        if (error.error != QJsonParseError::NoError)
            return std::nullopt;
        return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    }
    // Wrapping in an array lets the parser accept any other top-level value, null and scalars included.
    QByteArray wrapped;
    wrapped.reserve(bytes.size() + 2);
    wrapped.append('[').append(bytes).append(']');
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(wrapped, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray() || document.array().size() != 1)
        return std::nullopt;
    return document.array().at(0);
}

QByteArray serialize(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray serialize(const QJsonArray &array)
{
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

QJsonObject object(const QJsonValue &value)
{
    if (!value.isObject())
        throw DecodingError("expected an object");
    return value.toObject();
}

QJsonArray array(const QJsonValue &value)
{
    if (!value.isArray())
        throw DecodingError("expected an array");
    return value.toArray();
}

QString requiredString(const QJsonObject &object, QLatin1StringView key)
{
    return required(object, key, string);
}

std::optional<QString> optionalString(const QJsonObject &object, QLatin1StringView key)
{
    return optional(object, key, [](QJsonValueConstRef value) { return optionalString(value); });
}

bool requiredBool(const QJsonObject &object, QLatin1StringView key)
{
    return required(object, key, [](QJsonValueConstRef value) {
        if (!value.isBool())
            throw DecodingError("expected a boolean");
        return value.toBool();
    });
}

std::optional<bool> optionalBool(const QJsonObject &object, QLatin1StringView key)
{
    return optional(object, key, [](QJsonValueConstRef value) { return optionalBool(value); });
}

qint64 requiredInteger(const QJsonObject &object, QLatin1StringView key)
{
    return required(object, key, integer);
}

std::optional<qint64> optionalInteger(const QJsonObject &object, QLatin1StringView key)
{
    return optional(object, key, [](QJsonValueConstRef value) -> std::optional<qint64> {
        if (value.isNull())
            return std::nullopt;
        return integer(value);
    });
}

QDateTime parseDate(const QString &text)
{
    // Qt::ISODate alone also accepts fractions, bare dates and zone-less (local) times.
    static const QRegularExpression shape(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d(Z|[+-]\\d\\d:\\d\\d)$"));
    if (!shape.match(text).hasMatch())
        throw DecodingError("expected an ISO 8601 date-time");
    const QDateTime date = QDateTime::fromString(text, Qt::ISODate);
    if (!date.isValid())
        throw DecodingError("expected a valid date-time");
    return date;
}

QDateTime requiredDate(const QJsonObject &object, QLatin1StringView key)
{
    return required(object, key, [](QJsonValueConstRef value) { return parseDate(string(value)); });
}

std::optional<QDateTime> optionalDate(const QJsonObject &object, QLatin1StringView key)
{
    return optional(object, key, [](QJsonValueConstRef value) -> std::optional<QDateTime> {
        if (value.isNull())
            return std::nullopt;
        return parseDate(string(value));
    });
}

QStringList stringList(const QJsonValue &value)
{
    QStringList result;
    for (const QJsonValue &item : array(value)) {
        if (!item.isString())
            throw DecodingError("expected a list of strings");
        result.append(item.toString());
    }
    return result;
}

void putOptional(QJsonObject &object, QLatin1StringView key, const std::optional<QString> &value)
{
    if (value)
        object.insert(key, *value);
}

} // namespace Json
