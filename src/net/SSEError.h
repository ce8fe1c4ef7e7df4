#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// How an event stream can fail before or instead of delivering events. Transport failures (including
// the idle time-out) are APIError::network instead, as for JSON requests.
class SSEError final : public std::exception
{
public:
    enum class Kind { HttpError, Server, InvalidResponse, NotAStream };

    static SSEError httpError(int status);
    static SSEError server(int status, const QString &message);
    static SSEError invalidResponse();
    static SSEError notAStream();

    // The error of a failed stream reply from its status, content type and (at most 4,097 bytes of) its body.
    static SSEError fromFailedReply(int status, const QByteArray &contentType, const QByteArray &body);

    Kind kind() const { return m_kind; }
    int status() const { return m_status; }
    QString description() const;
    const char *what() const noexcept override;

private:
    SSEError(Kind kind, int status, QString message);

    Kind m_kind;
    int m_status = 0;
    QString m_message;
    QByteArray m_what;
};
