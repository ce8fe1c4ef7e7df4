#include "RequestLog.h"

#include "HttpUtil.h"
#include "Router.h"

#include <QJsonObject>

#include <httplib.h>

#include <algorithm>

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
    const qsizetype kept = std::min(qsizetype(req.body.size()), m_maxBodyBytes);
    const QByteArray body = QByteArray::fromRawData(req.body.data(), kept);
    const QJsonObject entry{
        {QStringLiteral("method"), QString::fromStdString(req.method)},
        {QStringLiteral("path"), QString::fromUtf8(HttpUtil::rawPath(req))},
        {QStringLiteral("query"), QString::fromUtf8(HttpUtil::rawQuery(req))},
        {QStringLiteral("headers"), headers},
        {QStringLiteral("body"), QString::fromLatin1(body.toBase64())},
        {QStringLiteral("bodyCut"), kept < qsizetype(req.body.size())},
        {QStringLiteral("bodyLength"), qint64(req.body.size())},
    };
    const std::lock_guard lock(m_mutex);
    m_entries.push_back(entry);
    if (qsizetype(m_entries.size()) > maxEntries)
        m_entries.pop_front();
}

QJsonArray RequestLog::entries() const
{
    const std::lock_guard lock(m_mutex);
    QJsonArray result;
    for (const QJsonObject &entry : m_entries)
        result.append(entry);
    return result;
}

void RequestLog::clear()
{
    const std::lock_guard lock(m_mutex);
    m_entries.clear();
}
