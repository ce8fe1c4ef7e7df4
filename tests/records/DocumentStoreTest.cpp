#include "AwaitTask.h"
#include "SignedInSession.h"
#include "StandinServer.h"

#include "net/APIClient.h"
#include "records/DocumentStore.h"
#include "records/Medbit.h"
#include "records/Patient.h"

#include <QTest>

#include <QCoroTask>

#include <memory>

using namespace Qt::StringLiterals;
using AwaitTask::failureOf;

namespace
{

// One call of the store by name, its result dropped: "fetch", "refresh", "list" or "upload".
QCoro::Task<> call(DocumentStore *store, QString name, QString documentID, QString medbitID)
{
    if (name == "fetch"_L1)
        co_await store->fetchDocument(documentID);
    else if (name == "refresh"_L1)
        co_await store->refreshDocument(documentID);
    else if (name == "list"_L1)
        co_await store->allDocuments();
    else
        co_await store->uploadAttachment(medbitID, {u"file"_s, u"note.txt"_s, u"text/plain"_s, "note"_ba});
}

// How a call ended: "done", "canceled" or the error's text.
QCoro::Task<QString> outcome(QCoro::Task<> task)
{
    try {
        co_await std::move(task);
    } catch (const APIError &error) {
        co_return error.isCanceled() ? u"canceled"_s : error.description();
    }
    co_return u"done"_s;
}

// Starts two calls in one turn of the event loop; how each of them ended.
QCoro::Task<QStringList> overlapping(QCoro::Task<> first, QCoro::Task<> second)
{
    QCoro::Task<QString> older = outcome(std::move(first));
    QCoro::Task<QString> newer = outcome(std::move(second));
    const QString newerOutcome = co_await std::move(newer);
    const QString olderOutcome = co_await std::move(older);
    co_return QStringList{olderOutcome, newerOutcome};
}

} // namespace

// The documents of one patient against the stand-in: each call's request and reply, and its abort.
class DocumentStoreTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_server.reset();
        m_session = std::make_unique<SignedInSession>(m_server, SignedInSession::Stores::AuthOnly);
        m_patientID = m_session->signInForPatientIDs().first();
        const APIRequest entries{.path = u"/medbits/list/summary"_s, .query = {{u"patientId"_s, m_patientID}}};
        m_medbitID = AwaitTask::run(APIClient::shared().request<QList<Medbit>>(entries)).first().id;
        m_store = std::make_unique<DocumentStore>(m_patientID);
        m_server.clearRequests();
    }

    void cleanup()
    {
        m_server.clearFaults();
        m_store.reset();
        m_session.reset();
    }

    void upload_isListedAndFetched()
    {
        const MultipartFile file{u"file"_s, u"scan.pdf"_s, u"application/pdf"_s, "%PDF-1.4"_ba};
        const ImageAsset uploaded = AwaitTask::run(m_store->uploadAttachment(m_medbitID, file));
        QCOMPARE(uploaded.fileName, u"scan.pdf"_s);
        QCOMPARE(uploaded.medbitIds, QStringList{m_medbitID});
        const LoggedRequest upload = m_session->requests(u"/api/medbits/upload_image"_s).value(0);
        const QByteArray contentType = upload.header("Content-Type");
        QVERIFY(contentType.startsWith("multipart/form-data; boundary="));
        const QString boundary = QString::fromLatin1(contentType.mid(contentType.indexOf('=') + 1));
        const FormFields fields{{u"patientId"_s, m_patientID}, {u"medbitId"_s, m_medbitID}};
        QCOMPARE(upload.body, APIClient::makeMultipartBody(boundary, fields, {file}));

        const QList<ImageAsset> listed = AwaitTask::run(m_store->allDocuments());
        QCOMPARE(listed.last(), uploaded);
        QCOMPARE(m_session->requests(u"/api/patients/all_documents"_s).value(0).query,
                 "patientId=" + m_patientID.toUtf8());

        QCOMPARE(AwaitTask::run(m_store->fetchDocument(*uploaded._id)), uploaded);
        QCOMPARE(m_session->requests(u"/api/patients/document"_s).value(0).query, "id=" + uploaded._id->toUtf8());
    }

    void refresh_renewsTheLinks()
    {
        const ImageAsset listed = AwaitTask::run(m_store->allDocuments()).first();
        const std::optional<ImageAsset> refreshed = AwaitTask::run(m_store->refreshDocument(*listed._id));
        QVERIFY(refreshed);
        QCOMPARE(refreshed->_id, listed._id);
        QVERIFY(refreshed->uri != listed.uri);
        const LoggedRequest sent = m_session->requests(u"/api/patients/document/refresh"_s).value(0);
        QCOMPARE(sent.method, "POST"_ba);
        QCOMPARE(sent.header("Content-Type"), "application/json"_ba);
        QCOMPARE(sent.json(), QJsonValue(QJsonObject{{"documentId"_L1, *listed._id}}));
    }

    void unknownDocument_isNone()
    {
        QCOMPARE(AwaitTask::run(m_store->fetchDocument(u"no-such-document"_s)), std::nullopt);
        QCOMPARE(AwaitTask::run(m_store->refreshDocument(u"no-such-document"_s)), std::nullopt);
    }

    void failure_isTheClientsError()
    {
        m_server.injectFault({{"path"_L1, "/api/patients/all_documents"_L1},
                              {"status"_L1, 500},
                              {"bodyBase64"_L1, QString::fromLatin1("{\"message\":\"Busy\"}"_ba.toBase64())}});
        const std::optional<APIError> error = failureOf(m_store->allDocuments());
        QVERIFY(error);
        QCOMPARE(error->description(), u"Busy"_s);
        QVERIFY(!error->isCanceled());
    }

    void newerCall_abortsTheOlderOfTheSamePurpose_data()
    {
        QTest::addColumn<QString>("older");
        QTest::addColumn<QString>("olderDocument");
        QTest::addColumn<QString>("newer");
        QTest::addColumn<QString>("newerDocument");
        QTest::addColumn<QString>("olderOutcome");
        QTest::newRow("fetch, same document") << "fetch"
                                              << "a"
                                              << "fetch"
                                              << "a"
                                              << "canceled";
        QTest::newRow("refresh, same document") << "refresh"
                                                << "a"
                                                << "refresh"
                                                << "a"
                                                << "canceled";
        QTest::newRow("list") << "list"
                              << ""
                              << "list"
                              << ""
                              << "canceled";
        QTest::newRow("upload") << "upload"
                                << ""
                                << "upload"
                                << ""
                                << "canceled";
        QTest::newRow("fetch, other document") << "fetch"
                                               << "a"
                                               << "fetch"
                                               << "b"
                                               << "done";
        QTest::newRow("fetch, then refresh") << "fetch"
                                             << "a"
                                             << "refresh"
                                             << "a"
                                             << "done";
    }
    void newerCall_abortsTheOlderOfTheSamePurpose()
    {
        QFETCH(QString, older);
        QFETCH(QString, olderDocument);
        QFETCH(QString, newer);
        QFETCH(QString, newerDocument);
        QFETCH(QString, olderOutcome);
        const QList<ImageAsset> documents = AwaitTask::run(m_store->allDocuments());
        const auto idOf = [&documents](const QString &name) {
            return name.isEmpty() ? QString() : *documents.at(name == "a"_L1 ? 0 : 1)._id;
        };
        QCoro::Task<> first = call(m_store.get(), older, idOf(olderDocument), m_medbitID);
        QCoro::Task<> second = call(m_store.get(), newer, idOf(newerDocument), m_medbitID);
        QCOMPARE(AwaitTask::run(overlapping(std::move(first), std::move(second))),
                 QStringList({olderOutcome, u"done"_s}));
    }

    void destroyingTheStore_abortsEveryCall_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("fetch") << "fetch"
                               << "/api/patients/document";
        QTest::newRow("refresh") << "refresh"
                                 << "/api/patients/document/refresh";
        QTest::newRow("list") << "list"
                              << "/api/patients/all_documents";
        QTest::newRow("upload") << "upload"
                                << "/api/medbits/upload_image";
    }
    void destroyingTheStore_abortsEveryCall()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        const QString documentID = *AwaitTask::run(m_store->allDocuments()).first()._id;
        // The stand-in never answers: only an abort ends the call.
        m_server.injectFault({{"path"_L1, path}, {"hang"_L1, true}});
        QCoro::Task<QString> ended = outcome(call(m_store.get(), name, documentID, m_medbitID));
        m_store.reset();
        QCOMPARE(AwaitTask::run(std::move(ended)), u"canceled"_s);
    }

private:
    StandinServer m_server;
    std::unique_ptr<SignedInSession> m_session;
    std::unique_ptr<DocumentStore> m_store;
    QString m_patientID;
    QString m_medbitID;
};

QTEST_GUILESS_MAIN(DocumentStoreTest)
#include "DocumentStoreTest.moc"
