#pragma once

#include <QNetworkReply>
#include <QPointer>

// Lets the owner of a request abort it. A call made with a handle ends with APIError::canceled() once
// abort() has been called, whether its reply was still on its way, had already arrived, or was yet to be
// sent (after a token refresh). Usage:
//   auto handle = std::make_shared<AbortHandle>();
//   const APIRequest request{.path = u"/patients/document"_s, .abort = handle};
//   ... later, from anywhere on the UI thread: handle->abort();
class AbortHandle final
{
public:
    // The reply is aborted with its connections in place: Qt tells its network thread to drop the transfer
    // through them. It then ends with OperationCanceledError, which the client reports as a cancellation.
    void abort()
    {
        m_isAborted = true;
        if (m_reply && m_reply->isRunning())
            m_reply->abort();
    }
    bool isAborted() const { return m_isAborted; }

    // The client hands over each reply it sends for the call.
    void attach(QNetworkReply *reply) { m_reply = reply; }

private:
    bool m_isAborted = false;
    QPointer<QNetworkReply> m_reply;
};
