#include "Json.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>

#include <cmath>

namespace Json
{

namespace
{

QJsonValue member(const QJsonObject &object, QLatin1StringView key)
{
    return object.value(key);
}

bool isAbsent(const QJsonValue &value)
{
    return value.isUndefined() || value.isNull();
}

[[noreturn]] void fail(QLatin1StringView key, const char *expected)
{
    throw DecodingError(QStringLiteral("\"%1\": expected %2").arg(key, QLatin1StringView(expected)).toStdString());
}

qint64 wholeNumber(const QJsonValue &value, QLatin1StringView key)
{
    if (!value.isDouble())
        fail(key, "a number");
    const double number = value.toDouble();
    // Doubles beyond 2^53 lose integer precision; toInteger() reads the exact value Qt kept.
    if (!std::isfinite(number) || std::trunc(number) != number || std::fabs(number) > 9.2e18)
        fail(key, "a whole number");
    return value.toInteger();
}

} // namespace

std::optional<QJsonValue> parse(const QByteArray &bytes)
{
    // Wrapping in an array lets the parser accept any top-level value, null and scalars included.
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
    const QJsonValue value = member(object, key);
    if (!value.isString())
        fail(key, "a string");
    return value.toString();
}

std::optional<QString> optionalString(const QJsonObject &object, QLatin1StringView key)
{
    const QJsonValue value = member(object, key);
    if (isAbsent(value))
        return std::nullopt;
    if (!value.isString())
        fail(key, "a string");
    return value.toString();
}

bool requiredBool(const QJsonObject &object, QLatin1StringView key)
{
    const QJsonValue value = member(object, key);
    if (!value.isBool())
        fail(key, "a boolean");
    return value.toBool();
}

std::optional<bool> optionalBool(const QJsonObject &object, QLatin1StringView key)
{
    const QJsonValue value = member(object, key);
    if (isAbsent(value))
        return std::nullopt;
    if (!value.isBool())
        fail(key, "a boolean");
    return value.toBool();
}

qint64 requiredInteger(const QJsonObject &object, QLatin1StringView key)
{
    return wholeNumber(member(object, key), key);
}

std::optional<qint64> optionalInteger(const QJsonObject &object, QLatin1StringView key)
{
    const QJsonValue value = member(object, key);
    if (isAbsent(value))
        return std::nullopt;
    return wholeNumber(value, key);
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
    const QJsonValue value = member(object, key);
    if (!value.isString())
        fail(key, "a date text");
    return parseDate(value.toString());
}

std::optional<QDateTime> optionalDate(const QJsonObject &object, QLatin1StringView key)
{
    const QJsonValue value = member(object, key);
    if (isAbsent(value))
        return std::nullopt;
    return requiredDate(object, key);
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
