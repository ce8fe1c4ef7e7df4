#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

// The longest time the event loop went without a turn while watched: how long a key press or a click would
// have waited. A zero timer beats on every turn; the longest gap between two beats is the longest block.
// Waits while it runs must turn the loop themselves (spin()): a wait that sleeps between turns is a block too.
class LongestBlock
{
public:
    LongestBlock()
    {
        m_clock.start();
        m_beat.setInterval(0);
        QObject::connect(&m_beat, &QTimer::timeout, [this] { beat(); });
        m_beat.start();
    }

    // Counts from the last beat, or from the construction before the first.
    void watch() { m_watching = true; }
    double longestMs() const { return double(m_longest) / 1e6; }

    // Turns the event loop until `done` holds; false after `timeoutMs`.
    template <typename Done> static bool spin(Done done, int timeoutMs)
    {
        QElapsedTimer waited;
        waited.start();
        while (!done()) {
            if (waited.elapsed() > timeoutMs)
                return false;
            QCoreApplication::processEvents();
        }
        return true;
    }

private:
    void beat()
    {
        const qint64 now = m_clock.nsecsElapsed();
        if (m_watching)
            m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }

    QElapsedTimer m_clock;
    QTimer m_beat;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    bool m_watching = false;
};
