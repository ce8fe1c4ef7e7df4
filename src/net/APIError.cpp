#include "APIError.h"

#include <QCoreApplication>

APIError::APIError(Kind kind, int status, QString message)
    : m_kind(kind), m_status(status), m_message(std::move(message))
{
    m_what = description().toUtf8();
}

APIError APIError::network(const QString &transportDescription)
{
    return APIError(Kind::Network, 0, transportDescription);
}

APIError APIError::server(int status, const QString &message)
{
    return APIError(Kind::Server, status, message);
}

APIError APIError::invalidURL()
{
    return APIError(Kind::InvalidURL, 0, {});
}

APIError APIError::decodingFailed()
{
    return APIError(Kind::DecodingFailed, 0, {});
}

APIError APIError::unauthorized()
{
    return APIError(Kind::Unauthorized, 0, {});
}

APIError APIError::httpError(int status)
{
    return APIError(Kind::HttpError, status, {});
}

APIError APIError::notAStream()
{
    return APIError(Kind::NotAStream, 0, {});
}

APIError APIError::canceled()
{
    return APIError(Kind::Canceled, 0, {});
}

QString APIError::description() const
{
    switch (m_kind) {
    case Kind::Network:
    case Kind::Server:
        return m_message;
    case Kind::InvalidURL:
        return QCoreApplication::translate("APIError", "Invalid request URL.");
    case Kind::DecodingFailed:
        return QCoreApplication::translate("APIError", "Received an unexpected response from the server.");
    case Kind::Unauthorized:
        return QCoreApplication::translate("APIError", "Please sign in again.");
    case Kind::HttpError:
        return QCoreApplication::translate("APIError", "Request failed with status %1.").arg(m_status);
    case Kind::NotAStream:
        return QCoreApplication::translate("APIError", "The server didn't send a streaming response. It may be "
                                                       "updating, so please try again in a few minutes.");
    case Kind::Canceled:
        return QCoreApplication::translate("APIError", "The request was canceled.");
    }
    return {};
}

const char *APIError::what() const noexcept
{
    return m_what.constData();
}
