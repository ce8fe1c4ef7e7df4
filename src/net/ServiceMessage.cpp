#include "ServiceMessage.h"

#include "Json.h"

namespace ServiceMessage
{

std::optional<QString> of(const QByteArray &body)
{
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
