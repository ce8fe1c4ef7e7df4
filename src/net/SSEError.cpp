#include "SSEError.h"

#include "ServiceMessage.h"

#include <QCoreApplication>

SSEError::SSEError(Kind kind, int status, QString message)
    : m_kind(kind), m_status(status), m_message(std::move(message))
{
    m_what = description().toUtf8();
}

SSEError SSEError::httpError(int status)
{
    return SSEError(Kind::HttpError, status, {});
}

SSEError SSEError::server(int status, const QString &message)
{
    return SSEError(Kind::Server, status, message);
}

SSEError SSEError::invalidResponse()
{
    return SSEError(Kind::InvalidResponse, 0, {});
}

SSEError SSEError::notAStream()
{
    return SSEError(Kind::NotAStream, 0, {});
}

SSEError SSEError::fromFailedReply(int status, const QByteArray &contentType, const QByteArray &body)
{
    if (const std::optional<QString> message = ServiceMessage::of(contentType, body))
        return server(status, *message);
    return httpError(status);
}

QString SSEError::description() const
{
    switch (m_kind) {
    case Kind::HttpError:
        return QCoreApplication::translate("SSEError", "Request failed with status %1.").arg(m_status);
    case Kind::Server:
        return m_message;
    case Kind::InvalidResponse:
        return QCoreApplication::translate("SSEError", "Received an unexpected response from the server.");
    case Kind::NotAStream:
        return QCoreApplication::translate("SSEError",
                                           "The server didn't send a streaming response. It may be updating, "
                                           "so please try again in a few minutes.");
    }
    return {};
}

const char *SSEError::what() const noexcept
{
    return m_what.constData();
}
