#pragma once

#include <QString>

#include <exception>

// The one error of a call to the service. Thrown across co_await; description() is the user text.
class APIError final : public std::exception
{
public:
    enum class Kind { Network, Server, InvalidURL, DecodingFailed, Unauthorized };

    static APIError network(const QString &transportDescription);
    static APIError server(int status, const QString &message);
    static APIError invalidURL();
    static APIError decodingFailed();
    static APIError unauthorized();

    Kind kind() const { return m_kind; }
    int status() const { return m_status; }       // Server only
    QString message() const { return m_message; } // Server: the service's message; Network: transport text
    QString description() const;
    const char *what() const noexcept override;

private:
    APIError(Kind kind, int status, QString message);

    Kind m_kind;
    int m_status = 0;
    QString m_message;
    QByteArray m_what;
};
