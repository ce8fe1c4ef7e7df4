#include "LinkServer.h"

#include "SampleFiles.h"

#include <QHash>
#include <QStringList>

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <mutex>

struct LinkServer::State {
    struct Body {
        QByteArray bytes;
        QByteArray contentType;
        int status = 200;
    };

    httplib::Server server;
    mutable std::mutex mutex;
    QHash<QString, Body> bodies;
    QStringList held;
    QHash<QString, int> counts;
    int withAuthorization = 0;
    int abandoned = 0;
    std::atomic<bool> stopping = false;

    void answer(const httplib::Request &request, httplib::Response &response)
    {
        const QString path = QString::fromStdString(request.path);
        std::lock_guard lock(mutex);
        ++counts[path];
        if (request.has_header("Authorization"))
            ++withAuthorization;
        if (held.contains(path)) {
            response.set_chunked_content_provider(
                "application/pdf", [this](size_t, httplib::DataSink &sink) { return keepSending(sink); });
            return;
        }
        const auto it = bodies.constFind(path);
        if (it == bodies.constEnd()) {
            response.status = 404;
            response.set_content("not found", "text/plain");
            return;
        }
        response.status = it->status;
        response.set_content(it->bytes.toStdString(), it->contentType.toStdString());
    }

    bool keepSending(httplib::DataSink &sink)
    {
        while (!stopping) {
            if (!sink.write("%", 1)) {
                std::lock_guard lock(mutex);
                ++abandoned;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
};

LinkServer::LinkServer() : m_state(std::make_unique<State>())
{
    // A client that goes away mid-reply must not end the test process.
    std::signal(SIGPIPE, SIG_IGN);
    m_state->server.Get(".*", [state = m_state.get()](const httplib::Request &request, httplib::Response &response) {
        state->answer(request, response);
    });
    // One request per connection: an idle kept-alive connection would hold up stop() for seconds.
    m_state->server.set_keep_alive_max_count(1);
    m_port = m_state->server.bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        qFatal("LinkServer: no free port on 127.0.0.1");
    m_thread = std::thread([state = m_state.get()] { state->server.listen_after_bind(); });
    // stop() does nothing to a server that has not started listening yet.
    while (!m_state->server.is_running())
        std::this_thread::yield();
}

LinkServer::~LinkServer()
{
    m_state->stopping = true;
    m_state->server.stop();
    m_thread.join();
}

QUrl LinkServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path));
}

void LinkServer::serve(const QString &path, const QByteArray &body, const QByteArray &contentType, int status)
{
    std::lock_guard lock(m_state->mutex);
    m_state->bodies.insert(path, State::Body{body, contentType, status});
}

void LinkServer::hold(const QString &path)
{
    std::lock_guard lock(m_state->mutex);
    m_state->held.append(path);
}

int LinkServer::requestCount(const QString &path) const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->counts.value(path);
}

int LinkServer::requestsWithAuthorization() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->withAuthorization;
}

int LinkServer::abandonedHolds() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->abandoned;
}

QByteArray LinkServer::samplePdf()
{
    return SampleFiles::pdf({QStringLiteral("Blood count"), QStringLiteral("All values in range")});
}

QByteArray LinkServer::samplePng(int width, int height)
{
    return SampleFiles::png(width, height);
}
