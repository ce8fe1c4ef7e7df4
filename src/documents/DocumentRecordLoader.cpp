#include "documents/DocumentRecordLoader.h"

#include "documents/DocumentGridModel.h"
#include "documents/DocumentKey.h"
#include "records/DocumentStore.h"

#include <QPointer>

DocumentRecordLoader::DocumentRecordLoader(DocumentStore *store, DocumentGridModel *model, QObject *parent)
    : QObject(parent), m_store(store), m_model(model)
{
    connect(model, &DocumentGridModel::modelReset, this, &DocumentRecordLoader::restart);
}

void DocumentRecordLoader::setRowsInView(int first, int last)
{
    m_first = first;
    m_last = last;
    const QStringList wanted = wantedIDs();
    QStringList gone;
    for (auto it = m_inFlight.cbegin(); it != m_inFlight.cend(); ++it) {
        if (!wanted.contains(it.key()))
            gone.append(it.key());
    }
    // Retired before the abort, which may resume the request's coroutine at once.
    for (const QString &id : std::as_const(gone))
        m_inFlight.remove(id);
    for (const QString &id : std::as_const(gone))
        m_store->abortFetch(id);
    startNext();
}

void DocumentRecordLoader::supersede(const QString &documentID)
{
    m_answered.insert(documentID);
    if (m_inFlight.remove(documentID)) {
        m_store->abortFetch(documentID);
        startNext();
    }
}

void DocumentRecordLoader::setHeld(bool held)
{
    m_held = held;
    startNext();
}

void DocumentRecordLoader::restart()
{
    const QStringList running = m_inFlight.keys();
    m_inFlight.clear();
    m_answered.clear();
    for (const QString &id : running)
        m_store->abortFetch(id);
    startNext();
}

QStringList DocumentRecordLoader::wantedIDs() const
{
    // The rows in view, then those of a screen below, then of a screen above.
    const int count = m_model->rowCount();
    const int span = std::max(0, m_last - m_first + 1);
    QList<int> rows;
    for (int row = m_first; row <= m_last; ++row)
        rows.append(row);
    for (int row = m_last + 1; row <= m_last + span; ++row)
        rows.append(row);
    for (int row = m_first - 1; row >= m_first - span; --row)
        rows.append(row);
    QStringList ids;
    for (const int row : std::as_const(rows)) {
        if (row < 0 || row >= count)
            continue;
        const std::optional<QString> id = DocumentKey::serviceID(m_model->documents().at(row));
        if (id && !ids.contains(*id))
            ids.append(*id);
    }
    return ids;
}

void DocumentRecordLoader::startNext()
{
    if (m_held)
        return;
    const QStringList wanted = wantedIDs();
    for (const QString &id : wanted) {
        if (m_inFlight.size() >= maxInFlight)
            return;
        if (m_answered.contains(id) || m_inFlight.contains(id))
            continue;
        const quint64 call = ++m_calls;
        m_inFlight.insert(id, call);
        fetch(id, call);
    }
}

QCoro::Task<> DocumentRecordLoader::fetch(QString documentID, quint64 call)
{
    QPointer<DocumentRecordLoader> self(this);
    std::optional<ImageAsset> record;
    try {
        record = co_await m_store->fetchDocument(documentID);
    } catch (...) {
        // A failed fetch keeps the listed record; an aborted one was retired already.
    }
    if (!self || m_inFlight.value(documentID) != call)
        co_return;
    m_inFlight.remove(documentID);
    m_answered.insert(documentID);
    if (record)
        m_model->replaceFirst(*record);
    startNext();
}
