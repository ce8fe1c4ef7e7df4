#include "DocumentStore.h"

#include "net/APIClient.h"
#include "net/AbortHandle.h"

#include <QPointer>

#include <exception>

namespace
{

const QString listPurpose = QStringLiteral("list");
const QString uploadPurpose = QStringLiteral("upload");

QString documentPurpose(const QString &kind, const QString &documentID)
{
    return kind + QLatin1Char(' ') + documentID;
}

// The service's record of the document asked for: one that leaves out its id is still that document's, and
// a link given relative to the service is made absolute, so the preview can load it either way.
std::optional<ImageAsset> recordOf(std::optional<ImageAsset> record, const QString &documentID)
{
    if (!record)
        return record;
    if (!record->_id)
        record->_id = documentID;
    if (record->uri && !record->uri->isEmpty()) {
        const QUrl link(*record->uri);
        if (link.isRelative())
            record->uri = APIClient::shared().baseURL().resolved(link).toString(QUrl::FullyEncoded);
    }
    return record;
}

} // namespace

DocumentStore::DocumentStore(const QString &patientID, QObject *parent) : QObject(parent), m_patientID(patientID) {}

DocumentStore::~DocumentStore()
{
    for (const Purpose &purpose : std::as_const(m_purposes)) {
        if (purpose.running)
            purpose.running->abort();
    }
}

QCoro::Task<std::optional<ImageAsset>> DocumentStore::fetchDocument(QString documentID)
{
    const APIRequest request{.path = QStringLiteral("/patients/document"),
                             .query = {{QStringLiteral("id"), documentID}}};
    std::optional<ImageAsset> record =
        co_await send<std::optional<ImageAsset>>(documentPurpose(QStringLiteral("fetch"), documentID), request);
    co_return recordOf(std::move(record), documentID);
}

void DocumentStore::abortFetch(const QString &documentID)
{
    const auto slot = m_purposes.find(documentPurpose(QStringLiteral("fetch"), documentID));
    if (slot != m_purposes.end() && slot->running)
        slot->running->abort();
}

QCoro::Task<std::optional<ImageAsset>> DocumentStore::refreshDocument(QString documentID)
{
    APIRequest request{.method = HTTPMethod::POST, .path = QStringLiteral("/patients/document/refresh")};
    request.setJSONBody(QJsonObject{{QLatin1StringView("documentId"), documentID}});
    std::optional<ImageAsset> record =
        co_await send<std::optional<ImageAsset>>(documentPurpose(QStringLiteral("refresh"), documentID), request);
    co_return recordOf(std::move(record), documentID);
}

QCoro::Task<QList<ImageAsset>> DocumentStore::allDocuments()
{
    const APIRequest request{.path = QStringLiteral("/patients/all_documents"),
                             .query = {{QStringLiteral("patientId"), m_patientID}}};
    return send<QList<ImageAsset>>(listPurpose, request);
}

QCoro::Task<ImageAsset> DocumentStore::uploadAttachment(QString medbitID, MultipartFile file)
{
    const FormFields fields{{QStringLiteral("patientId"), m_patientID}, {QStringLiteral("medbitId"), medbitID}};
    const QString boundary = APIClient::makeBoundary();
    const APIRequest request{.method = HTTPMethod::POST,
                             .path = QStringLiteral("/medbits/upload_image"),
                             .body = APIClient::makeMultipartBody(boundary, fields, {std::move(file)}),
                             .contentType = QStringLiteral("multipart/form-data; boundary=") + boundary};
    return send<ImageAsset>(uploadPurpose, request);
}

template <typename T> QCoro::Task<T> DocumentStore::send(QString purpose, APIRequest request)
{
    Generation::Token token = 0;
    request.abort = begin(purpose, &token);
    QPointer<DocumentStore> self(this);
    std::optional<T> reply;
    std::exception_ptr failure;
    try {
        reply = co_await APIClient::shared().request<T>(request);
    } catch (...) {
        failure = std::current_exception();
    }
    if (self)
        end(purpose, token);
    if (failure)
        std::rethrow_exception(failure);
    co_return std::move(*reply);
}

std::shared_ptr<AbortHandle> DocumentStore::begin(const QString &purpose, Generation::Token *token)
{
    Purpose &slot = m_purposes[purpose];
    if (slot.running)
        slot.running->abort();
    slot.running = std::make_shared<AbortHandle>();
    *token = slot.calls.next();
    return slot.running;
}

void DocumentStore::end(const QString &purpose, Generation::Token token)
{
    Purpose &slot = m_purposes[purpose];
    if (slot.calls.isCurrent(token))
        slot.running.reset();
}
