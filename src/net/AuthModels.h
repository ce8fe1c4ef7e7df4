#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// Wire records of the session calls. Decoders throw Json::DecodingError.
struct AuthUser {
    QString id; // "_id"
    QString fullName;
    QString email;

    static AuthUser fromJson(const QJsonValue &value);
    QJsonObject toJson() const;
};

struct AppToken {
    QString access;
    QString refresh;

    static AppToken fromJson(const QJsonValue &value);
};

struct LoginResponse {
    AuthUser user;
    AppToken token;

    static LoginResponse fromJson(const QJsonValue &value);
};

struct RefreshTokenResponse {
    QString access;
    QString refresh;

    static RefreshTokenResponse fromJson(const QJsonValue &value);
};

struct RegisterResponse {
    QString _id;

    static RegisterResponse fromJson(const QJsonValue &value);
};

// Request bodies of the session calls; every member is sent as given.
struct LoginBody {
    QString email;
    QString password;

    QJsonObject toJson() const;
};

struct RegisterBody {
    QString fullName;
    QString email;
    QString password;

    QJsonObject toJson() const;
};

struct UpdatePasswordBody {
    QString userId;
    QString oldPass;
    QString newPass;

    QJsonObject toJson() const;
};

struct ForgotPasswordBody {
    QString email;

    QJsonObject toJson() const;
};
