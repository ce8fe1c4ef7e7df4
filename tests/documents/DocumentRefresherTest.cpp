#include "AwaitTask.h"
#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "StandinServer.h"

#include "documents/DocumentRefresher.h"
#include "net/APIClient.h"
#include "records/DocumentStore.h"
#include "records/Patient.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The one renewal of a document's links against the stand-in: once per document until started afresh.
class DocumentRefresherTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_server.reset();
        m_session = std::make_unique<SignedInSession>(m_server, SignedInSession::Stores::AuthOnly);
        m_store = std::make_unique<DocumentStore>(m_session->signInForPatientIDs().first());
        m_documentID = *AwaitTask::run(m_store->allDocuments()).first()._id;
        m_server.clearRequests();
    }

    void cleanup()
    {
        m_server.clearFaults();
        m_store.reset();
        m_session.reset();
    }

    void refreshOnce_asksOncePerDocument_untilStartedAfresh()
    {
        DocumentRefresher refresher(m_store.get(), nullptr);
        QSignalSpy refreshed(&refresher, &DocumentRefresher::refreshed);
        refresher.refreshOnce(m_documentID);
        refresher.refreshOnce(m_documentID);
        QTRY_COMPARE(refreshed.size(), 1);
        QCOMPARE(refreshed.first().at(1).toString(), m_documentID);
        QCOMPARE(refreshed.first().at(0).value<ImageAsset>()._id, m_documentID);
        refresher.refreshOnce(m_documentID);
        refresher.startAfresh();
        refresher.refreshOnce(m_documentID);
        QTRY_COMPARE(refreshed.size(), 2);
        m_session->roundTrip();
        QCOMPARE(m_session->requests(u"/api/patients/document/refresh"_s).size(), 2);
    }

    void answerToARefreshAskedBeforeStartingAfresh_isDropped()
    {
        DocumentRefresher refresher(m_store.get(), nullptr);
        QSignalSpy refreshed(&refresher, &DocumentRefresher::refreshed);
        m_server.injectFault(ScreenTestKit::delayed(u"/api/patients/document/refresh"_s, 300));
        refresher.refreshOnce(m_documentID);
        refresher.startAfresh();
        QTRY_COMPARE_WITH_TIMEOUT(m_session->finishedReplies(u"/patients/document/refresh"_s), 1, 10000);
        m_session->roundTrip();
        QCOMPARE(refreshed.size(), 0);
    }

private:
    StandinServer m_server;
    std::unique_ptr<SignedInSession> m_session;
    std::unique_ptr<DocumentStore> m_store;
    QString m_documentID;
};

QTEST_MAIN(DocumentRefresherTest)
#include "DocumentRefresherTest.moc"
