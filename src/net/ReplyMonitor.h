#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <coroutine>

class QNetworkReply;
class QTimer;

// Watches one reply (as its child): aborts it after a stretch of silence (no bytes sent or received)
// and lets a coroutine wait for the next arrival of bytes or the end. QNetworkRequest's own transfer time-out reports
// "Operation canceled", which reads like a cancellation; this lets callers report a time-out text.
// Usage: auto *monitor = new ReplyMonitor(reply, timeout);
//        while (!reply->isFinished()) co_await monitor->nextActivity();
class ReplyMonitor final : public QObject
{
    Q_OBJECT

public:
    // Resumes the awaiting coroutine on the next event-loop turn after bytes arrive or the reply ends.
    // Several signals in one turn resume it once (QCoro's signal awaiter would resume it once per
    // signal, the later ones into a frame that has moved on).
    class Activity
    {
    public:
        explicit Activity(ReplyMonitor *monitor) : m_monitor(monitor) {}
        Activity(Activity &&) noexcept = default;
        Activity(const Activity &) = delete;
        Activity &operator=(const Activity &) = delete;
        ~Activity();

        bool await_ready() const noexcept { return !m_monitor; }
        void await_suspend(std::coroutine_handle<> waiter) noexcept;
        void await_resume() const noexcept {}

    private:
        QPointer<ReplyMonitor> m_monitor;
        std::coroutine_handle<> m_waiter;
    };

    ReplyMonitor(QNetworkReply *reply, std::chrono::milliseconds idleTimeout);

    Activity nextActivity() { return Activity(this); }

    bool hasTimedOut() const { return m_timedOut; }
    // Throws APIError::network when the reply failed in transport (or timed out).
    void throwIfTransportFailed() const;
    static QString timeoutDescription();

private:
    void restart();
    void expire();
    void wake();
    void resumeWaiter();

    QNetworkReply *m_reply = nullptr;
    QTimer *m_timer = nullptr;
    bool m_timedOut = false;
    std::coroutine_handle<> m_waiter;
    bool m_wakePending = false;
};
