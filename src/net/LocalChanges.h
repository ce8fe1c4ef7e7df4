#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <coroutine>
#include <utility>

// Orders the replies of reads against the changes made here to the records of a list, each record known by
// a key. A read takes mark() as it starts; when its reply comes, a record for which isChangedSince(mark, key)
// holds was changed here meanwhile (or is being changed now), so the reply's copy of it is older than the one
// held: it is merged into the held copy or dropped, never applied over it (overReply does this for a list).
// Changes of one record run one at a time: `co_await begin(key)` waits for the earlier ones to end, so each
// starts from the copy the previous one left, and two writes of one record never cross on the wire.
// Usage: const LocalChanges::Change change = co_await changes.begin(id);  // ends when `change` goes
//        changes.touch(id);                                              // a change done at once
class LocalChanges final : public QObject
{
    Q_OBJECT

public:
    using Mark = quint64;

    // The turn of one change of one record; the change ends, and the next one starts, when this goes.
    class Change
    {
    public:
        Change(LocalChanges *changes, QString key) : m_changes(changes), m_key(std::move(key)) {}
        Change(Change &&other) noexcept : m_changes(std::exchange(other.m_changes, nullptr)), m_key(other.m_key) {}
        Change(const Change &) = delete;
        Change &operator=(const Change &) = delete;
        Change &operator=(Change &&) = delete;
        ~Change();

    private:
        QPointer<LocalChanges> m_changes;
        QString m_key;
    };

    class Turn
    {
    public:
        Turn(LocalChanges *changes, QString key) : m_changes(changes), m_key(std::move(key)) {}
        bool await_ready();
        void await_suspend(std::coroutine_handle<> waiter);
        Change await_resume() { return Change(m_changes, m_key); }

    private:
        LocalChanges *m_changes = nullptr;
        QString m_key;
    };

    explicit LocalChanges(QObject *parent = nullptr) : QObject(parent) {}

    Mark mark() const { return m_clock; }
    void touch(const QString &key);
    Turn begin(const QString &key) { return Turn(this, key); }
    bool isChangedSince(Mark mark, const QString &key) const;
    // A change of the record has begun and not ended.
    bool isRunning(const QString &key) const { return m_running.contains(key); }
    QSet<QString> changedSince(Mark mark) const;

    // The records of a list reply from a read that began at `mark`, set against those held now: a record
    // changed here since takes `merge(replied, held)`, or is left out when it is no longer held (removed
    // here); one made here that the reply does not list yet stays, in front, in the order held.
    template <typename T, typename KeyOf, typename Merge>
    QList<T> overReply(const QList<T> &reply, const QList<T> &held, Mark mark, KeyOf keyOf, Merge merge) const;

private:
    void end(const QString &key);

    Mark m_clock = 0;
    QHash<QString, Mark> m_touched;
    QSet<QString> m_running;
    QHash<QString, QList<std::coroutine_handle<>>> m_waiting;
};

template <typename T, typename KeyOf, typename Merge>
QList<T> LocalChanges::overReply(const QList<T> &reply, const QList<T> &held, Mark mark, KeyOf keyOf, Merge merge) const
{
    const QSet<QString> changed = changedSince(mark);
    if (changed.isEmpty())
        return reply;
    QHash<QString, const T *> heldByKey;
    for (const T &record : held) {
        const QString key = keyOf(record);
        if (!heldByKey.contains(key))
            heldByKey.insert(key, &record);
    }
    QSet<QString> replied;
    QList<T> merged;
    for (const T &record : reply) {
        const QString key = keyOf(record);
        replied.insert(key);
        if (!changed.contains(key))
            merged.append(record);
        else if (const T *mine = heldByKey.value(key))
            merged.append(merge(record, *mine));
    }
    QList<T> made;
    for (const T &record : held) {
        const QString key = keyOf(record);
        if (changed.contains(key) && !replied.contains(key))
            made.append(record);
    }
    return made + merged;
}
