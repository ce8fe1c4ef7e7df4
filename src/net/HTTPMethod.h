#pragma once

#include <QByteArray>

enum class HTTPMethod { GET, POST, PUT, DELETE };

inline QByteArray methodText(HTTPMethod method)
{
    switch (method) {
    case HTTPMethod::GET:
        return QByteArrayLiteral("GET");
    case HTTPMethod::POST:
        return QByteArrayLiteral("POST");
    case HTTPMethod::PUT:
        return QByteArrayLiteral("PUT");
    case HTTPMethod::DELETE:
        return QByteArrayLiteral("DELETE");
    }
    return {};
}
