#include "Router.h"

#include "ConnectionDrop.h"
#include "FaultBook.h"
#include "HttpUtil.h"
#include "RequestLog.h"

#include <httplib.h>

using HttpUtil::toBytes;
using HttpUtil::toStd;

namespace
{

const QByteArray maskPrefix = QByteArrayLiteral("x-standin-raw; ");

// The Request is httplib's own mutable object for this connection; its handlers
// merely see it as const.
httplib::Request &mutableRequest(const httplib::Request &req)
{
    return const_cast<httplib::Request &>(req);
}

httplib::Server::HandlerResponse maskMultipart(const httplib::Request &req, httplib::Response &)
{
    auto &headers = mutableRequest(req).headers;
    const auto [begin, end] = headers.equal_range("Content-Type");
    for (auto it = begin; it != end; ++it) {
        if (QByteArray::fromStdString(it->second).trimmed().toLower().startsWith("multipart/"))
            it->second = toStd(maskPrefix) + it->second;
    }
    return httplib::Server::HandlerResponse::Unhandled;
}

} // namespace

Router::Router(httplib::Server &server, RequestLog *log, FaultBook &faults, qint64 maxBodyBytes)
    : m_server(server), m_log(log), m_faults(faults), m_maxBodyBytes(maxBodyBytes)
{
    m_server.set_pre_routing_handler(maskMultipart);
}

QByteArray Router::originalHeaderValue(const QByteArray &value)
{
    return value.startsWith(maskPrefix) ? value.mid(maskPrefix.size()) : value;
}

void Router::get(const std::string &pattern, Handler handler)
{
    m_server.Get(pattern, wrap(std::move(handler)));
}

void Router::post(const std::string &pattern, Handler handler)
{
    m_server.Post(pattern, wrap(std::move(handler)));
}

void Router::put(const std::string &pattern, Handler handler)
{
    m_server.Put(pattern, wrap(std::move(handler)));
}

void Router::del(const std::string &pattern, Handler handler)
{
    m_server.Delete(pattern, wrap(std::move(handler)));
}

void Router::addFallback()
{
    const Handler notFound = [](const httplib::Request &req, httplib::Response &res) {
        HttpUtil::replyError(res, 404,
                             QStringLiteral("No route for %1 %2.")
                                 .arg(QString::fromStdString(req.method), QString::fromUtf8(HttpUtil::rawPath(req))));
    };
    const std::string any = ".*";
    m_server.Get(any, wrap(notFound));
    m_server.Post(any, wrap(notFound));
    m_server.Put(any, wrap(notFound));
    m_server.Patch(any, wrap(notFound));
    m_server.Delete(any, wrap(notFound));
    m_server.Options(any, wrap(notFound));
}

Router::Handler Router::wrap(Handler handler)
{
    return [this, handler = std::move(handler)](const httplib::Request &req, httplib::Response &res) {
        // httplib refuses a declared length over the limit itself but reads a chunked body whole.
        if (qint64(req.body.size()) > m_maxBodyBytes) {
            HttpUtil::replyError(res, 413, QStringLiteral("The request body is too large."));
            return;
        }
        if (m_log)
            m_log->record(req);
        // Uncompressed replies keep streamed chunks and injected bytes as written.
        mutableRequest(req).headers.erase("Accept-Encoding");
        const QByteArray method = toBytes(req.method);
        const QByteArray path = HttpUtil::rawPath(req);
        if (const auto script = m_faults.takeStream(method, path)) {
            serveStream(*script, res);
            return;
        }
        const auto fault = m_faults.takeFault(method, path);
        if (fault && applyFault(*fault, req, res))
            return;
        handler(req, res);
        if (method != "GET" && m_afterWrite)
            m_afterWrite();
        if (fault && fault->hold)
            m_faults.holdReply();
    };
}

bool Router::applyFault(const Fault &fault, const httplib::Request &req, httplib::Response &res)
{
    if (fault.gate)
        m_faults.waitAtGate();
    if (fault.delayMs > 0)
        m_faults.pause(fault.delayMs);
    if (fault.hang)
        m_faults.hang();
    if (fault.hang || fault.drop) {
        dropConnection(req);
        return true;
    }
    if (!fault.status)
        return false;
    std::string type = "application/json";
    for (const auto &[name, value] : fault.headers) {
        if (name.compare("Content-Type", Qt::CaseInsensitive) == 0)
            type = toStd(value);
        else
            res.set_header(toStd(name), toStd(value));
    }
    res.status = *fault.status;
    res.set_content(toStd(fault.body), type);
    return true;
}

void Router::serveStream(const StreamScript &script, httplib::Response &res)
{
    std::string type = "text/event-stream";
    for (const auto &[name, value] : script.headers) {
        if (name.compare("Content-Type", Qt::CaseInsensitive) == 0)
            type = toStd(value);
        else
            res.set_header(toStd(name), toStd(value));
    }
    res.status = script.status;
    FaultBook *faults = &m_faults;
    res.set_chunked_content_provider(type, [script, faults](size_t, httplib::DataSink &sink) {
        for (const StreamScript::Chunk &chunk : script.chunks) {
            if (chunk.gate)
                faults->waitAtGate();
            if (chunk.pauseMs > 0 && !faults->pause(chunk.pauseMs))
                return false;
            if (!chunk.data.isEmpty() && !sink.write(chunk.data.constData(), size_t(chunk.data.size())))
                return false;
        }
        if (script.cut) {
            // No closing chunk: the client sees the connection end mid-body. The short wait keeps the last
            // bytes and the close in separate reads; Qt may take a close that comes with data for an end.
            faults->pause(50);
            return false;
        }
        sink.done();
        return true;
    });
}
