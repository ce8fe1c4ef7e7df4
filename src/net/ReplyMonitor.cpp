#include "ReplyMonitor.h"

#include "APIError.h"

#include <QCoreApplication>
#include <QNetworkReply>
#include <QTimer>

ReplyMonitor::ReplyMonitor(QNetworkReply *reply, std::chrono::milliseconds idleTimeout)
    : QObject(reply), m_reply(reply), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setInterval(idleTimeout);
    connect(m_timer, &QTimer::timeout, this, &ReplyMonitor::expire);
    connect(reply, &QNetworkReply::readyRead, this, &ReplyMonitor::restart);
    connect(reply, &QNetworkReply::downloadProgress, this, &ReplyMonitor::restart);
    connect(reply, &QNetworkReply::uploadProgress, this, &ReplyMonitor::restart);
    connect(reply, &QNetworkReply::metaDataChanged, this, &ReplyMonitor::restart);
    connect(reply, &QNetworkReply::readyRead, this, &ReplyMonitor::wake);
    connect(reply, &QNetworkReply::finished, m_timer, &QTimer::stop);
    connect(reply, &QNetworkReply::finished, this, &ReplyMonitor::wake);
    m_timer->start();
}

ReplyMonitor::Activity::~Activity()
{
    // A frame destroyed while waiting must never be resumed.
    if (m_monitor && m_waiter && m_monitor->m_waiter == m_waiter)
        m_monitor->m_waiter = nullptr;
}

void ReplyMonitor::Activity::await_suspend(std::coroutine_handle<> waiter) noexcept
{
    m_waiter = waiter;
    m_monitor->m_waiter = waiter;
}

void ReplyMonitor::wake()
{
    if (m_wakePending)
        return;
    m_wakePending = true;
    QMetaObject::invokeMethod(this, &ReplyMonitor::resumeWaiter, Qt::QueuedConnection);
}

void ReplyMonitor::resumeWaiter()
{
    m_wakePending = false;
    if (const std::coroutine_handle<> waiter = std::exchange(m_waiter, nullptr))
        waiter.resume();
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
