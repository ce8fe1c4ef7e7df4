#pragma once

#include "ImageAsset.h"

#include "net/Generation.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <QCoroTask>

#include <memory>
#include <optional>

class AbortHandle;
struct APIRequest;
struct MultipartFile;

// The documents of one patient on the service. Each call runs under a purpose: fetching one document,
// refreshing one document's links (both by document id), listing, uploading. A newer call for the same
// purpose aborts the one still running, and destroying the store aborts them all. An aborted call throws
// APIError with isCanceled(): its caller checks that first and ends quietly, showing nothing. Every other
// failure is the client's APIError, passed on unchanged.
class DocumentStore final : public QObject
{
    Q_OBJECT

public:
    // The document calls need no patient; listing and uploading are for this one.
    explicit DocumentStore(const QString &patientID = {}, QObject *parent = nullptr);
    ~DocumentStore() override;

    QString patientID() const { return m_patientID; }

    // The stored record; none when the service answers null. A record without an id takes `documentID`, and a
    // relative link is resolved against the service's address (both here and after a refresh).
    QCoro::Task<std::optional<ImageAsset>> fetchDocument(QString documentID);
    // Aborts the running fetch of that document, if any.
    void abortFetch(const QString &documentID);
    // Asks the service to renew the document's links; the renewed record, or none.
    QCoro::Task<std::optional<ImageAsset>> refreshDocument(QString documentID);
    // The patient's documents in the service's order.
    QCoro::Task<QList<ImageAsset>> allDocuments();
    // Sends one file as an attachment of the patient's entry; the stored record.
    QCoro::Task<ImageAsset> uploadAttachment(QString medbitID, MultipartFile file);

private:
    struct Purpose {
        Generation calls;
        std::shared_ptr<AbortHandle> running;
    };

    template <typename T> QCoro::Task<T> send(QString purpose, APIRequest request);
    std::shared_ptr<AbortHandle> begin(const QString &purpose, Generation::Token *token);
    void end(const QString &purpose, Generation::Token token);

    QString m_patientID;
    // An entry stays for the store's life: a call overtaken long ago must never take a later one for its own.
    QHash<QString, Purpose> m_purposes;
};
