#pragma once

#include "HTTPMethod.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>
#include <optional>

class AbortHandle;
class QJsonObject;

// Query parameters in order; an absent value leaves the key out of the URL, an empty one sends "key=".
using QueryItems = QList<QPair<QString, std::optional<QString>>>;

// One call to the service, filled with designated initialisers in a named local (GCC 12 destroys an
// aggregate built inside a co_await expression twice):
//   APIRequest request{.method = HTTPMethod::POST, .path = u"/auth/userLogin"_s, .requiresAuth = false};
//   request.setJSONBody(body.toJson());
// A stream request reads only the method, path, query, requiresAuth and abort: it sends no body and never retries.
// Every field has an initialiser, so a descriptor that names only some of them builds without warnings.
struct APIRequest {
    static constexpr QLatin1StringView jsonContentType{"application/json"};

    HTTPMethod method = HTTPMethod::GET;
    QString path{};
    QueryItems query{};
    std::optional<QByteArray> body{};
    std::optional<QString> contentType{};
    // Sends the token; the account calls made without one (sign-in, refresh, registration, password reset and
    // change) say false.
    bool requiresAuth = true;
    // A 401 on an authorized call refreshes the token once and repeats the call.
    bool retryOnUnauthorized = true;
    // Lets the caller abort the call; the call then throws APIError::canceled().
    std::shared_ptr<AbortHandle> abort{};

    // The object as the body, sent as JSON; the records' toJson() already leaves absent optionals out.
    void setJSONBody(const QJsonObject &object);
};
