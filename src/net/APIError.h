#pragma once

#include <QString>

#include <exception>

// The one error of a call to the service, JSON request or event stream alike. Thrown across co_await;
// description() is the user text. A request its owner aborted ends with Kind::Canceled: a caller checks
// isCanceled() first and then ends quietly, showing nothing.
class APIError final : public std::exception
{
public:
    enum class Kind { Network, Server, InvalidURL, DecodingFailed, Unauthorized, HttpError, NotAStream, Canceled };

    static APIError network(const QString &transportDescription);
    static APIError server(int status, const QString &message);
    static APIError invalidURL();
    static APIError decodingFailed();
    static APIError unauthorized();
    // A failed stream reply that carried no message of the service.
    static APIError httpError(int status);
    // A successful reply to a stream request that is not an event stream.
    static APIError notAStream();
    static APIError canceled();

    Kind kind() const { return m_kind; }
    int status() const { return m_status; }       // Server and HttpError only
    QString message() const { return m_message; } // Server: the service's message; Network: transport text
    QString description() const;
    const char *what() const noexcept override;

    bool isCanceled() const { return m_kind == Kind::Canceled; }
    // A stream's 401 without a message of the service: only this one is worth a token refresh and a second
    // try, since a 401 with a message is the service's considered answer.
    bool isUnauthorizedWithoutMessage() const { return m_kind == Kind::HttpError && m_status == 401; }

private:
    APIError(Kind kind, int status, QString message);

    Kind m_kind;
    int m_status = 0;
    QString m_message;
    QByteArray m_what;
};
