#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>
#include <string>

namespace httplib
{
struct Request;
struct Response;
} // namespace httplib

namespace HttpUtil
{

QByteArray toBytes(const std::string &text);
std::string toStd(const QByteArray &bytes);

// Any JSON value, scalars and null included; nullopt when the bytes are not JSON.
std::optional<QJsonValue> parseJson(const QByteArray &bytes);

void replyJson(httplib::Response &res, int status, const QJsonValue &value);
void replyError(httplib::Response &res, int status, const QString &message);

// `bytes` as a JSON object, or a 400 reply and nullopt.
std::optional<QJsonObject> jsonObject(const QByteArray &bytes, httplib::Response &res);

// The body, declared as application/json, as a JSON object; or a 400 reply and nullopt.
std::optional<QJsonObject> jsonObjectBody(const httplib::Request &req, httplib::Response &res);

// A required text member; a 400 reply and nullopt when it is missing or not text.
std::optional<QString> requiredText(const QJsonObject &object, const QString &key, httplib::Response &res);

// A required query item, decoded; a 400 reply and nullopt when missing.
std::optional<QString> requiredQuery(const httplib::Request &req, const char *key, httplib::Response &res);

QByteArray rawPath(const httplib::Request &req);
QByteArray rawQuery(const httplib::Request &req);

// The Content-Type as the client sent it (see Router for why it can differ in `req`).
QByteArray contentType(const httplib::Request &req);

} // namespace HttpUtil
