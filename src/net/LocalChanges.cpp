#include "LocalChanges.h"

LocalChanges::Change::~Change()
{
    if (m_changes)
        m_changes->end(m_key);
}

bool LocalChanges::Turn::await_ready()
{
    if (m_changes->m_running.contains(m_key))
        return false;
    m_changes->m_running.insert(m_key);
    m_changes->touch(m_key);
    return true;
}

void LocalChanges::Turn::await_suspend(std::coroutine_handle<> waiter)
{
    m_changes->m_waiting[m_key].append(waiter);
}

void LocalChanges::touch(const QString &key)
{
    m_touched.insert(key, ++m_clock);
}

bool LocalChanges::isChangedSince(Mark mark, const QString &key) const
{
    return m_running.contains(key) || m_touched.value(key) > mark;
}

QSet<QString> LocalChanges::changedSince(Mark mark) const
{
    QSet<QString> changed = m_running;
    for (auto it = m_touched.cbegin(); it != m_touched.cend(); ++it) {
        if (it.value() > mark)
            changed.insert(it.key());
    }
    return changed;
}

void LocalChanges::end(const QString &key)
{
    touch(key);
    const auto waiting = m_waiting.find(key);
    if (waiting == m_waiting.end() || waiting->isEmpty()) {
        m_waiting.remove(key);
        m_running.remove(key);
        return;
    }
    // The record stays running: its turn passes straight to the next change, on the next event-loop turn, so
    // that it never starts inside the end of the one before.
    const std::coroutine_handle<> next = waiting->takeFirst();
    QMetaObject::invokeMethod(
        this,
        [this, key, next] {
            touch(key);
            next.resume();
        },
        Qt::QueuedConnection);
}
