#pragma once

#include <QJsonArray>
#include <QJsonObject>

#include <deque>
#include <mutex>

namespace httplib
{
struct Request;
}

// The latest requests to /api (and to unknown routes), in arrival order, as
// received. Both the number of entries and each kept body are bounded, so a
// long run or a large upload cannot grow the stand-in without limit; a cut
// body says so ("bodyCut") and gives its full size ("bodyLength").
class RequestLog final
{
public:
    static constexpr qsizetype maxEntries = 1000;

    explicit RequestLog(qsizetype maxBodyBytes) : m_maxBodyBytes(maxBodyBytes) {}

    void record(const httplib::Request &req);
    QJsonArray entries() const;
    void clear();

private:
    const qsizetype m_maxBodyBytes;
    mutable std::mutex m_mutex;
    std::deque<QJsonObject> m_entries;
};
