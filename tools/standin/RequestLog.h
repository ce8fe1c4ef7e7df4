#pragma once

#include <QJsonArray>

#include <mutex>

namespace httplib
{
struct Request;
}

// Every request to /api (and to unknown routes), in arrival order, as received.
class RequestLog final
{
public:
    void record(const httplib::Request &req);
    QJsonArray entries() const;
    void clear();

private:
    mutable std::mutex m_mutex;
    QJsonArray m_entries;
};
