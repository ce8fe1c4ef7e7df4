#include "ServiceMessage.h"

#include "Json.h"

#include <algorithm>

namespace ServiceMessage
{

bool isWebPage(const QByteArray &contentType, const QByteArray &body)
{
    const QByteArray mediaType = contentType.split(';').constFirst().trimmed().toLower();
    if (mediaType == "text/html")
        return true;
    const auto first = std::find_if_not(body.cbegin(), body.cend(), [](char c) { return QChar::isSpace(uchar(c)); });
    return first != body.cend() && *first == '<';
}

std::optional<QString> of(const QByteArray &contentType, const QByteArray &body)
{
    if (isWebPage(contentType, body))
        return std::nullopt;
    const std::optional<QJsonValue> value = Json::parse(body);
    if (!value)
        return std::nullopt;
    try {
        return Json::requiredString(Json::object(*value), QLatin1StringView("message"));
    } catch (const Json::DecodingError &) {
        return std::nullopt;
    }
}

} // namespace ServiceMessage
