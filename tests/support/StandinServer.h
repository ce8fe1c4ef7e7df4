#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>

// One request as the stand-in received it.
struct LoggedRequest {
    QByteArray method;
    QString path;
    QByteArray query; // raw, without "?"
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;       // the stand-in keeps only the first 64 KiB
    bool bodyCut = false;  // `body` is the start of a longer one
    qint64 bodyLength = 0; // as received

    QByteArray header(const QByteArray &name) const; // case-insensitive, empty if none
    bool hasHeader(const QByteArray &name) const;
    QJsonValue json() const; // the body parsed as any JSON value; undefined if it is not JSON
};

// Tokens and account of a sign-in made directly against the stand-in.
struct StandinSession {
    QByteArray access;
    QByteArray refresh;
    QString userId;
};

// Starts $VANTORELLE_STANDIN on a free port for the lifetime of the object and
// talks to its /_standin/ controls. Every call blocks (plain sockets, no event
// loop), so tests can arrange state between coroutine steps without re-entrancy.
class StandinServer final
{
public:
    // Without controls the stand-in runs as the demo does: /_standin/ answers 404 and nothing is logged.
    // With them the log keeps bodies up to 16 MiB, so tests can compare uploads byte for byte.
    enum class Controls { On, Off };

    explicit StandinServer(const QStringList &args = {QStringLiteral("--seed"), QStringLiteral("demo")},
                           Controls controls = Controls::On);
    ~StandinServer();
    StandinServer(const StandinServer &) = delete;
    StandinServer &operator=(const StandinServer &) = delete;

    bool isRunning() const;
    int port() const { return m_port; }
    QUrl apiBase() const; // http://127.0.0.1:PORT/api

    // Requests to /api and /files in arrival order; each one's headers are
    // sorted by name (as the server keeps them), names spelled as received.
    QList<LoggedRequest> requests() const;
    QList<LoggedRequest> requests(const QString &path) const; // only this exact path
    void clearRequests();

    // Qt resends a request once when its connection closes before any reply:
    // a "drop" meant for QNetworkAccessManager needs "times" 0 (or 2).
    void injectFault(const QJsonObject &fault);
    void clearFaults();
    // Each chunk's "pauseMs" is waited before that chunk is written.
    void scriptStream(const QJsonObject &script);
    // Replies that a fault with "hold" keeps back (each built when its request arrived), and letting them go.
    int heldReplies() const;
    void releaseHeldReplies();
    // Requests that a fault with "gate" keeps from their handler (each logged as it arrived), and letting
    // them in: a request that reaches the service only then.
    int gatedRequests() const;
    void openGates();
    void expireAccessTokens();
    void reset(); // back to the seed: accounts, records, tokens, log, faults and streams

    // A direct call for arranging state. `path` is under /api unless it starts
    // with "/api" or "/_standin"; it may carry a "?query". Returns the reply's
    // JSON value (null for an empty body, undefined when unreachable or not JSON).
    QJsonValue apiCall(const QByteArray &method, const QString &path, const QJsonObject &body = {},
                       const QByteArray &bearer = {});
    int lastStatus() const { return m_lastStatus; } // HTTP status of the last apiCall, 0 when unreachable
    StandinSession signIn(const QString &email = demoEmail, const QString &password = demoPassword);

    static const QString demoEmail;
    static const QString demoPassword;

private:
    QJsonValue control(const QByteArray &method, const QString &path, const QJsonObject &body = {}) const;
    QJsonValue send(const QByteArray &method, const QString &path, const QByteArray &body, const QByteArray &bearer,
                    int *status) const;

    QProcess m_process;
    int m_port = 0;
    int m_lastStatus = 0;
};
