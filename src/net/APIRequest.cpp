#include "APIRequest.h"

#include "Json.h"

void APIRequest::setJSONBody(const QJsonObject &object)
{
    body = Json::serialize(object);
    contentType = QString(jsonContentType);
}
