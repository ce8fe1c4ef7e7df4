#include "TokenRenewingStream.h"

#include "APIClient.h"
#include "APIError.h"
#include "AuthTokenProviding.h"
#include "SSEClient.h"

#include <QPointer>

#include <optional>

namespace
{

// A new access token from the session; without one the session ends, as a JSON call's failed renewal does.
QCoro::Task<bool> renewAccessToken()
{
    QPointer<AuthTokenProviding> provider = APIClient::shared().authProvider();
    if (!provider)
        co_return false;
    if (co_await provider->refreshAccessToken())
        co_return true;
    if (provider)
        provider->clearSession();
    co_return false;
}

// The request as it goes again: the same body under the session's current token.
void putCurrentToken(StreamRequest &request)
{
    const AuthTokenProviding *provider = APIClient::shared().authProvider();
    const std::optional<QString> token = provider ? provider->accessToken() : std::nullopt;
    request.request.setRawHeader("Authorization", token ? "Bearer " + token->toUtf8() : QByteArray());
}

bool renews(TokenRenewingStream::Rule rule, const APIError &error)
{
    if (rule == TokenRenewingStream::Rule::unauthorizedWithoutMessage)
        return error.isUnauthorizedWithoutMessage();
    return error.status() == 401;
}

} // namespace

QCoro::AsyncGenerator<SSEEvent> TokenRenewingStream::open(StreamRequest request, Rule rule,
                                                          std::function<void(double)> onProgress)
{
    for (bool mayRenew = true;; mayRenew = false) {
        QCoro::AsyncGenerator<SSEEvent> events = SSEClient::stream(request, onProgress);
        QCoro::AsyncGenerator<SSEEvent>::iterator event(nullptr);
        std::optional<APIError> failure;
        try {
            event = co_await events.begin();
        } catch (const APIError &error) {
            failure = error;
        }
        if (failure) {
            if (!mayRenew || !renews(rule, *failure))
                throw *failure;
            if (!co_await renewAccessToken())
                throw APIError::unauthorized();
            putCurrentToken(request);
            continue;
        }
        for (; event != events.end(); co_await ++event)
            co_yield *event;
        co_return;
    }
}
