#pragma once

#include <QObject>
#include <QString>

#include <chrono>

class QNetworkReply;
class QTimer;

// Watches one reply (as its child): aborts it after a stretch of silence (no bytes sent or received)
// and announces each arrival of bytes or the end. QNetworkRequest's own transfer time-out reports
// "Operation canceled", which reads like a cancellation; this lets callers report a time-out text.
// Usage: auto *monitor = new ReplyMonitor(reply, timeout); co_await qCoro(monitor, &ReplyMonitor::activity);
class ReplyMonitor final : public QObject
{
    Q_OBJECT

public:
    ReplyMonitor(QNetworkReply *reply, std::chrono::milliseconds idleTimeout);

    bool hasTimedOut() const { return m_timedOut; }
    // Throws APIError::network when the reply failed in transport (or timed out).
    void throwIfTransportFailed() const;
    static QString timeoutDescription();

Q_SIGNALS:
    // More bytes can be read, or the reply finished.
    void activity();

private:
    void restart();
    void expire();

    QNetworkReply *m_reply = nullptr;
    QTimer *m_timer = nullptr;
    bool m_timedOut = false;
};
