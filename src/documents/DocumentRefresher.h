#pragma once

#include "net/Generation.h"
#include "records/ImageAsset.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <QCoroTask>

class DocumentStore;

// Asks the store to renew the links of a stored document whose file could not be shown, at most once per
// document id until startAfresh(): a link that still fails after its renewal keeps failing, and asking again
// would only repeat the request. A failed renewal is not repeated either, and the answer to a renewal asked
// before startAfresh() is dropped.
class DocumentRefresher final : public QObject
{
    Q_OBJECT

public:
    DocumentRefresher(DocumentStore *store, QObject *parent);

    void refreshOnce(const QString &documentID);
    void startAfresh();

Q_SIGNALS:
    // The renewed record the service sent for `documentID`.
    void refreshed(const ImageAsset &record, const QString &documentID);

private:
    QCoro::Task<> refresh(Generation::Token run, QString documentID);

    DocumentStore *m_store = nullptr;
    QSet<QString> m_refreshedIDs;
    Generation m_runs;
};
