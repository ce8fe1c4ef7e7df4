#include "ReplyMonitor.h"

#include "APIError.h"

#include <QCoreApplication>
#include <QNetworkReply>
#include <QTimer>

ReplyMonitor::ReplyMonitor(QNetworkReply *reply, std::chrono::milliseconds idleTimeout)
    : QObject(reply)
    , m_reply(reply)
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setInterval(idleTimeout);
    connect(m_timer, &QTimer::timeout, this, &ReplyMonitor::expire);
    connect(reply, &QNetworkReply::readyRead, this, &ReplyMonitor::restart);
    connect(reply, &QNetworkReply::downloadProgress, this, &ReplyMonitor::restart);
    connect(reply, &QNetworkReply::uploadProgress, this, &ReplyMonitor::restart);
    connect(reply, &QNetworkReply::metaDataChanged, this, &ReplyMonitor::restart);
    connect(reply, &QNetworkReply::readyRead, this, &ReplyMonitor::activity);
    connect(reply, &QNetworkReply::finished, m_timer, &QTimer::stop);
    connect(reply, &QNetworkReply::finished, this, &ReplyMonitor::activity);
    m_timer->start();
}

QString ReplyMonitor::timeoutDescription()
{
    return QCoreApplication::translate("APIError", "The request timed out.");
}

void ReplyMonitor::throwIfTransportFailed() const
{
    if (m_timedOut)
        throw APIError::network(timeoutDescription());
    // Qt numbers connection and proxy failures below 200; higher codes mirror HTTP statuses.
    const QNetworkReply::NetworkError error = m_reply->error();
    if (error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied)
        throw APIError::network(m_reply->errorString());
}

void ReplyMonitor::restart()
{
    m_timer->start();
}

void ReplyMonitor::expire()
{
    if (m_reply->isFinished())
        return;
    m_timedOut = true;
    m_reply->abort();
}
