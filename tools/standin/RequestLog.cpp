#include "RequestLog.h"

#include "HttpUtil.h"
#include "Router.h"

#include <QJsonObject>

#include <httplib.h>

namespace
{

// httplib files the peer's addresses among the headers; the client never sent them.
bool isAddedByServer(const std::string &name)
{
    return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT";
}

} // namespace

void RequestLog::record(const httplib::Request &req)
{
    QJsonArray headers;
    for (const auto &[name, value] : req.headers) {
        if (isAddedByServer(name))
            continue;
        const QByteArray original = Router::originalHeaderValue(HttpUtil::toBytes(value));
        headers.append(QJsonArray{QString::fromStdString(name), QString::fromUtf8(original)});
    }
    const QJsonObject entry{
        {QStringLiteral("method"), QString::fromStdString(req.method)},
        {QStringLiteral("path"), QString::fromUtf8(HttpUtil::rawPath(req))},
        {QStringLiteral("query"), QString::fromUtf8(HttpUtil::rawQuery(req))},
        {QStringLiteral("headers"), headers},
        {QStringLiteral("body"), QString::fromLatin1(HttpUtil::toBytes(req.body).toBase64())},
    };
    const std::lock_guard lock(m_mutex);
    m_entries.append(entry);
}

QJsonArray RequestLog::entries() const
{
    const std::lock_guard lock(m_mutex);
    return m_entries;
}

void RequestLog::clear()
{
    const std::lock_guard lock(m_mutex);
    m_entries = QJsonArray();
}
