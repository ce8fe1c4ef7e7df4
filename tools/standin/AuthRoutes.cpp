#include "AuthRoutes.h"

#include "Access.h"
#include "HttpUtil.h"
#include "Router.h"
#include "StandinState.h"

#include <QJsonObject>

#include <httplib.h>

using HttpUtil::replyError;
using HttpUtil::replyJson;
using HttpUtil::requiredText;
using Request = httplib::Request;
using Response = httplib::Response;

namespace
{

QJsonObject tokenJson(const StandinState::TokenPair &pair)
{
    return {{QStringLiteral("access"), pair.access}, {QStringLiteral("refresh"), pair.refresh}};
}

void login(StandinState &state, const Request &req, Response &res)
{
    const auto body = HttpUtil::jsonObjectBody(req, res);
    const auto email = body ? requiredText(*body, QStringLiteral("email"), res) : std::nullopt;
    const auto password = email ? requiredText(*body, QStringLiteral("password"), res) : std::nullopt;
    if (!password)
        return;
    const std::lock_guard lock(state.mutex);
    const User *user = state.userByEmail(*email);
    if (!user || user->password != *password) {
        replyError(res, 401, QStringLiteral("Invalid email or password."));
        return;
    }
    replyJson(res, 200,
              QJsonObject{{QStringLiteral("user"), user->toJson()},
                          {QStringLiteral("token"), tokenJson(state.issueTokens(user->id))}});
}

void refreshToken(StandinState &state, const Request &req, Response &res)
{
    const auto body = HttpUtil::jsonObjectBody(req, res);
    const auto token = body ? requiredText(*body, QStringLiteral("refreshToken"), res) : std::nullopt;
    if (!token)
        return;
    const std::lock_guard lock(state.mutex);
    const std::optional<QString> user = state.userForRefreshToken(*token);
    if (!user) {
        replyError(res, 401, QStringLiteral("Invalid refresh token."));
        return;
    }
    replyJson(res, 200, tokenJson(state.issueTokens(*user)));
}

void registerUser(StandinState &state, const Request &req, Response &res)
{
    const auto body = HttpUtil::jsonObjectBody(req, res);
    const auto fullName = body ? requiredText(*body, QStringLiteral("fullName"), res) : std::nullopt;
    const auto email = fullName ? requiredText(*body, QStringLiteral("email"), res) : std::nullopt;
    const auto password = email ? requiredText(*body, QStringLiteral("password"), res) : std::nullopt;
    if (!password)
        return;
    if (fullName->trimmed().isEmpty() || password->isEmpty() || !email->contains(QLatin1Char('@'))) {
        replyError(res, 400, QStringLiteral("Please give a name, a valid email and a password."));
        return;
    }
    const std::lock_guard lock(state.mutex);
    if (state.userByEmail(*email)) {
        replyError(res, 409, QStringLiteral("An account with this email already exists."));
        return;
    }
    const User user{state.newId(), *fullName, email->trimmed(), *password};
    state.users.append(user);
    replyJson(res, 200, QJsonObject{{QStringLiteral("_id"), user.id}});
}

void logout(StandinState &state, const Request &req, Response &res)
{
    const std::lock_guard lock(state.mutex);
    const auto signedIn = Access::signedInUser(state, req, res);
    const auto body = signedIn ? HttpUtil::jsonObjectBody(req, res) : std::nullopt;
    const auto userId = body ? requiredText(*body, QStringLiteral("userId"), res) : std::nullopt;
    if (!userId || !Access::isSameUser(*signedIn, *userId, res))
        return;
    const QString header = QString::fromStdString(req.get_header_value("Authorization"));
    state.revokeAccessToken(header.mid(int(qstrlen("Bearer "))));
    replyJson(res, 200, QJsonObject{});
}

void updatePassword(StandinState &state, const Request &req, Response &res)
{
    const auto body = HttpUtil::jsonObjectBody(req, res);
    const auto userId = body ? requiredText(*body, QStringLiteral("userId"), res) : std::nullopt;
    const auto oldPass = userId ? requiredText(*body, QStringLiteral("oldPass"), res) : std::nullopt;
    const auto newPass = oldPass ? requiredText(*body, QStringLiteral("newPass"), res) : std::nullopt;
    if (!newPass)
        return;
    const std::lock_guard lock(state.mutex);
    User *user = state.userById(*userId);
    if (!user) {
        replyError(res, 404, QStringLiteral("Account not found."));
    } else if (user->password != *oldPass) {
        replyError(res, 401, QStringLiteral("The current password is incorrect."));
    } else if (newPass->isEmpty()) {
        replyError(res, 400, QStringLiteral("The new password must not be empty."));
    } else {
        user->password = *newPass;
        replyJson(res, 200, QJsonObject{});
    }
}

void forgotPassword(StandinState &state, const Request &req, Response &res)
{
    const auto body = HttpUtil::jsonObjectBody(req, res);
    const auto email = body ? requiredText(*body, QStringLiteral("email"), res) : std::nullopt;
    if (!email)
        return;
    const std::lock_guard lock(state.mutex);
    if (!state.userByEmail(*email)) {
        replyError(res, 404, QStringLiteral("No account uses this email."));
        return;
    }
    replyJson(res, 200, QJsonObject{});
}

} // namespace

void AuthRoutes::install(Router &router, StandinState &state)
{
    StandinState *s = &state;
    router.post("/api/auth/userLogin", [s](const Request &req, Response &res) { login(*s, req, res); });
    router.post("/api/auth/refreshToken", [s](const Request &req, Response &res) { refreshToken(*s, req, res); });
    router.post("/api/auth/userRegister", [s](const Request &req, Response &res) { registerUser(*s, req, res); });
    router.post("/api/auth/userLogout", [s](const Request &req, Response &res) { logout(*s, req, res); });
    router.put("/api/auth/updatePassword", [s](const Request &req, Response &res) { updatePassword(*s, req, res); });
    router.post("/api/auth/forgotPassword", [s](const Request &req, Response &res) { forgotPassword(*s, req, res); });
}
