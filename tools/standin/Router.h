#pragma once

#include <QByteArray>

#include <functional>
#include <string>

namespace httplib
{
class Server;
struct Request;
struct Response;
} // namespace httplib
class FaultBook;
class RequestLog;
struct Fault;
struct StreamScript;

// Registers the service's routes so that each request is logged, may be taken
// over by an injected fault or a scripted stream, and otherwise reaches its handler.
class Router final
{
public:
    using Handler = std::function<void(const httplib::Request &, httplib::Response &)>;

    // `log` may be null: then nothing is recorded. Bodies over `maxBodyBytes` are refused with 413.
    Router(httplib::Server &server, RequestLog *log, FaultBook &faults, qint64 maxBodyBytes);

    void get(const std::string &pattern, Handler handler);
    void post(const std::string &pattern, Handler handler);
    void put(const std::string &pattern, Handler handler);
    void del(const std::string &pattern, Handler handler);

    // Answers every request no route took with 404; register it last.
    void addFallback();

    // Called after each request other than GET has been answered, whatever it did: what the state keeps
    // built from itself and no longer matches is dropped there. The reply goes out only afterwards, so a client that
    // has its answer never reads from what was kept before its write.
    void setAfterWrite(std::function<void()> afterWrite) { m_afterWrite = std::move(afterWrite); }

    // httplib parses multipart bodies itself and keeps no raw bytes, but the log
    // needs them: the Content-Type of such requests is masked before the body
    // is read. This gives back the value the client sent.
    static QByteArray originalHeaderValue(const QByteArray &value);

private:
    Handler wrap(Handler handler);
    bool applyFault(const Fault &fault, const httplib::Request &req, httplib::Response &res);
    void serveStream(const StreamScript &script, httplib::Response &res);

    httplib::Server &m_server;
    RequestLog *m_log = nullptr;
    FaultBook &m_faults;
    qint64 m_maxBodyBytes = 0;
    std::function<void()> m_afterWrite;
};
