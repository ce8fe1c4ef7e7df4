#pragma once

#include <QObject>
#include <QString>

#include <QCoroTask>

#include <optional>

// What APIClient needs of the session owner: the bearer token, a refresh on 401, and clearing the session.
// A QObject so the client can hold it weakly (QPointer).
class AuthTokenProviding : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual std::optional<QString> accessToken() const = 0;
    // True when a new token is in place; never throws.
    virtual QCoro::Task<bool> refreshAccessToken() = 0;
    virtual void clearSession() = 0;
};
