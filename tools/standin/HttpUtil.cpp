#include "HttpUtil.h"

#include "Router.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <httplib.h>

namespace HttpUtil
{

QByteArray toBytes(const std::string &text)
{
    return QByteArray(text.data(), qsizetype(text.size()));
}

std::string toStd(const QByteArray &bytes)
{
    return std::string(bytes.constData(), size_t(bytes.size()));
}

std::optional<QJsonValue> parseJson(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson("[" + bytes + "]", &error);
    if (error.error != QJsonParseError::NoError || doc.array().size() != 1)
        return std::nullopt;
    return doc.array().first();
}

void replyJson(httplib::Response &res, int status, const QJsonValue &value)
{
    QByteArray bytes;
    if (value.isObject())
        bytes = QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    else if (value.isArray())
        bytes = QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    else
        bytes = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
    res.status = status;
    res.set_content(toStd(bytes), "application/json");
}

void replyError(httplib::Response &res, int status, const QString &message)
{
    replyJson(res, status, QJsonObject{{QStringLiteral("message"), message}});
}

std::optional<QJsonObject> jsonObject(const QByteArray &bytes, httplib::Response &res)
{
    const std::optional<QJsonValue> value = parseJson(bytes);
    if (!value) {
        replyError(res, 400, QStringLiteral("The request body is not valid JSON."));
        return std::nullopt;
    }
    if (!value->isObject()) {
        replyError(res, 400, QStringLiteral("The request body must be a JSON object."));
        return std::nullopt;
    }
    return value->toObject();
}

std::optional<QJsonObject> jsonObjectBody(const httplib::Request &req, httplib::Response &res)
{
    // Like the service's body parser, read only what is declared as JSON (Qt labels bodies
    // without a content type as form data, a mistake integration tests should see).
    if (!contentType(req).trimmed().toLower().startsWith("application/json")) {
        replyError(res, 400, QStringLiteral("The request body must be sent as application/json."));
        return std::nullopt;
    }
    return jsonObject(toBytes(req.body), res);
}

std::optional<QString> requiredText(const QJsonObject &object, const QString &key, httplib::Response &res)
{
    const QJsonValue value = object.value(key);
    if (!value.isString()) {
        replyError(res, 400, QStringLiteral("\"%1\" is required and must be text.").arg(key));
        return std::nullopt;
    }
    return value.toString();
}

std::optional<QString> requiredQuery(const httplib::Request &req, const char *key, httplib::Response &res)
{
    if (!req.has_param(key)) {
        replyError(res, 400, QStringLiteral("The query parameter \"%1\" is required.").arg(QLatin1String(key)));
        return std::nullopt;
    }
    return QString::fromStdString(req.get_param_value(key));
}

QByteArray rawPath(const httplib::Request &req)
{
    const QByteArray target = toBytes(req.target);
    const qsizetype question = target.indexOf('?');
    return question < 0 ? target : target.left(question);
}

QByteArray rawQuery(const httplib::Request &req)
{
    const QByteArray target = toBytes(req.target);
    const qsizetype question = target.indexOf('?');
    return question < 0 ? QByteArray() : target.mid(question + 1);
}

QByteArray contentType(const httplib::Request &req)
{
    return Router::originalHeaderValue(toBytes(req.get_header_value("Content-Type")));
}

} // namespace HttpUtil
