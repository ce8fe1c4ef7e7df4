#pragma once

#include "net/AuthTokenProviding.h"

// A token provider whose answers the test sets, counting what the client asks of it.
class TestTokenProvider final : public AuthTokenProviding
{
    Q_OBJECT

public:
    std::optional<QString> accessToken() const override { return token; }
    QCoro::Task<bool> refreshAccessToken() override;
    void clearSession() override;

    std::optional<QString> token;
    // The token a refresh puts in place; none makes the refresh fail.
    std::optional<QString> tokenAfterRefresh;
    int refreshCount = 0;
    int clearCount = 0;
};
