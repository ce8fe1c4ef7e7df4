#include "FieldDecoding.h"

#include "net/Json.h"

#include <QJsonArray>

#include <cmath>

namespace FieldDecoding
{

QString text(QJsonValueConstRef value)
{
    if (!value.isString())
        throw Json::DecodingError("expected a string");
    return value.toString();
}

std::optional<QString> optionalText(QJsonValueConstRef value)
{
    if (value.isNull())
        return std::nullopt;
    return text(value);
}

bool flag(QJsonValueConstRef value)
{
    if (value.isNull())
        return false;
    if (!value.isBool())
        throw Json::DecodingError("expected a boolean");
    return value.toBool();
}

qint64 wholeNumber(QJsonValueConstRef value)
{
    if (!value.isDouble())
        throw Json::DecodingError("expected a number");
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::trunc(number) != number || std::fabs(number) > 9.2e18)
        throw Json::DecodingError("expected a whole number");
    return value.toInteger();
}

QStringList textList(QJsonValueConstRef value)
{
    return optionalTextList(value).value_or(QStringList());
}

std::optional<QStringList> optionalTextList(QJsonValueConstRef value)
{
    if (value.isNull())
        return std::nullopt;
    if (!value.isArray())
        throw Json::DecodingError("expected a list of strings");
    const QJsonArray items = value.toArray();
    QStringList result;
    result.reserve(items.size());
    for (QJsonValueConstRef item : items)
        result.append(text(item));
    return result;
}

} // namespace FieldDecoding
