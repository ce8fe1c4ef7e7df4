#include "AuthModels.h"

#include "Json.h"

using namespace Qt::StringLiterals;

AuthUser AuthUser::fromJson(const QJsonValue &value)
{
    const QJsonObject object = Json::object(value);
    return {Json::requiredString(object, "_id"_L1), Json::requiredString(object, "fullName"_L1),
            Json::requiredString(object, "email"_L1)};
}

QJsonObject AuthUser::toJson() const
{
    return {{"_id"_L1, id}, {"fullName"_L1, fullName}, {"email"_L1, email}};
}

AppToken AppToken::fromJson(const QJsonValue &value)
{
    const QJsonObject object = Json::object(value);
    return {Json::requiredString(object, "access"_L1), Json::requiredString(object, "refresh"_L1)};
}

LoginResponse LoginResponse::fromJson(const QJsonValue &value)
{
    const QJsonObject object = Json::object(value);
    return {AuthUser::fromJson(object.value("user"_L1)), AppToken::fromJson(object.value("token"_L1))};
}

RefreshTokenResponse RefreshTokenResponse::fromJson(const QJsonValue &value)
{
    const QJsonObject object = Json::object(value);
    return {Json::requiredString(object, "access"_L1), Json::requiredString(object, "refresh"_L1)};
}

RegisterResponse RegisterResponse::fromJson(const QJsonValue &value)
{
    return {Json::requiredString(Json::object(value), "_id"_L1)};
}

QJsonObject LoginBody::toJson() const
{
    return {{"email"_L1, email}, {"password"_L1, password}};
}

QJsonObject RegisterBody::toJson() const
{
    return {{"fullName"_L1, fullName}, {"email"_L1, email}, {"password"_L1, password}};
}

QJsonObject UpdatePasswordBody::toJson() const
{
    return {{"userId"_L1, userId}, {"oldPass"_L1, oldPass}, {"newPass"_L1, newPass}};
}

QJsonObject ForgotPasswordBody::toJson() const
{
    return {{"email"_L1, email}};
}
