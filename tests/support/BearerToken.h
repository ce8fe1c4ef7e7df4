#pragma once

#include "net/APIClient.h"
#include "net/AuthTokenProviding.h"

// Puts a signed-in session's bearer token on the shared client for as long as it lives, so a test can
// see that a request went out without it.
class BearerToken final : public AuthTokenProviding
{
public:
    BearerToken() { APIClient::shared().setAuthProvider(this); }
    ~BearerToken() override { APIClient::shared().setAuthProvider(nullptr); }

    std::optional<QString> accessToken() const override { return QStringLiteral("secret-access-token"); }
    QCoro::Task<bool> refreshAccessToken() override { co_return false; }
    void clearSession() override {}
};
