#include "documents/DocumentRefresher.h"

#include "net/APIError.h"
#include "records/DocumentStore.h"

#include <QPointer>

DocumentRefresher::DocumentRefresher(DocumentStore *store, QObject *parent) : QObject(parent), m_store(store) {}

void DocumentRefresher::refreshOnce(const QString &documentID)
{
    if (m_refreshedIDs.contains(documentID))
        return;
    m_refreshedIDs.insert(documentID);
    refresh(m_runs.current(), documentID);
}

void DocumentRefresher::startAfresh()
{
    m_refreshedIDs.clear();
    m_runs.next();
}

QCoro::Task<> DocumentRefresher::refresh(Generation::Token run, QString documentID)
{
    QPointer<DocumentRefresher> self(this);
    std::optional<ImageAsset> record;
    try {
        record = co_await m_store->refreshDocument(documentID);
    } catch (const APIError &) {
        // A failed renewal changes nothing; a cancelled one belongs to an owner that went or moved on.
        co_return;
    }
    if (self && m_runs.isCurrent(run) && record)
        Q_EMIT refreshed(*record, documentID);
}
