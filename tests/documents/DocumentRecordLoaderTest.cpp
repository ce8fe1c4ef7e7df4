#include "AwaitTask.h"
#include "SignedInSession.h"
#include "StandinServer.h"

#include "documents/DocumentGridModel.h"
#include "documents/DocumentRecordLoader.h"
#include "net/APIClient.h"
#include "records/DocumentStore.h"
#include "records/Patient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSet>
#include <QTest>
#include <QUrlQuery>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

// Which stored records the grid's loader asks for, against the stand-in: a few at a time, the cards in view
// first, and nothing for cards scrolled far away. The stand-in holds every fetch, so only what was sent counts.
class DocumentRecordLoaderTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_server.reset();
        m_session = std::make_unique<SignedInSession>(m_server, SignedInSession::Stores::AuthOnly);
        const QString patientID = m_session->signInForPatientIDs().first();
        for (int i = 0; i < 60; ++i) {
            m_server.apiCall(
                "POST", u"/_standin/listed-documents"_s,
                {{u"patientId"_s, patientID}, {u"record"_s, QJsonObject{{u"_id"_s, u"listed-%1"_s.arg(i)}}}});
        }
        m_store = std::make_unique<DocumentStore>(patientID);
        m_model = std::make_unique<DocumentGridModel>();
        m_model->setDocuments(AwaitTask::run(m_store->allDocuments()));
        m_server.injectFault({{u"path"_s, u"/api/patients/document"_s}, {u"hang"_s, true}, {u"times"_s, 0}});
        m_server.clearRequests();
    }

    void cleanup()
    {
        // The held fetches are aborted before the stand-in lets them go.
        m_store.reset();
        m_server.clearFaults();
        m_model.reset();
        m_session.reset();
    }

    void aFewAtATime_theCardsInViewFirst_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("requestedFrom");
        QTest::newRow("fewer in view than may run: then the rows below") << 0 << 1 << 0;
        QTest::newRow("more in view than may run") << 30 << 39 << 30;
        QTest::newRow("at the end: then the rows above") << 60 << 62 << 59;
    }

    void aFewAtATime_theCardsInViewFirst()
    {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, requestedFrom);
        QCOMPARE(m_model->rowCount(), 63);
        DocumentRecordLoader loader(m_store.get(), m_model.get(), nullptr);
        loader.setRowsInView(first, last);
        QTRY_COMPARE(fetchedIDs().size(), DocumentRecordLoader::maxInFlight);
        m_session->roundTrip();
        QCOMPARE(fetchedIDs().size(), DocumentRecordLoader::maxInFlight);
        QCOMPARE(runningFetches(), DocumentRecordLoader::maxInFlight);
        QCOMPARE(fetchedIDs(), idsOfRows(requestedFrom, requestedFrom + DocumentRecordLoader::maxInFlight - 1));
    }

    void scrolledFarAway_abortsWhatRuns_andNeverSendsWhatWaits()
    {
        DocumentRecordLoader loader(m_store.get(), m_model.get(), nullptr);
        loader.setRowsInView(0, 5);
        QTRY_COMPARE(fetchedIDs().size(), 4);
        loader.setRowsInView(40, 45);
        QTRY_COMPARE(fetchedIDs().size(), 8);
        QTRY_COMPARE(runningFetches(), 4);
        m_session->roundTrip();
        QCOMPARE(fetchedIDs(), idsOfRows(0, 3) + idsOfRows(40, 43));
        // Once the held fetches answer, the rest of the view and the screens around it follow, and nothing else.
        m_server.clearFaults();
        QTRY_COMPARE(fetchedIDs().size(), 4 + 18);
        QTRY_COMPARE(loader.inFlight(), 0);
        m_session->roundTrip();
        QCOMPARE(fetchedIDs(), idsOfRows(0, 3) + idsOfRows(34, 51));
    }

private:
    QSet<QString> fetchedIDs() const
    {
        QSet<QString> ids;
        for (const LoggedRequest &request : m_session->requests(u"/api/patients/document"_s))
            ids.insert(QUrlQuery(QString::fromLatin1(request.query)).queryItemValue(u"id"_s));
        return ids;
    }

    QSet<QString> idsOfRows(int first, int last) const
    {
        QSet<QString> ids;
        for (int row = first; row <= last; ++row)
            ids.insert(*m_model->documents().at(row)._id);
        return ids;
    }

    static int runningFetches()
    {
        const QList<QNetworkReply *> replies = APIClient::shared().network()->findChildren<QNetworkReply *>();
        return int(std::count_if(replies.cbegin(), replies.cend(), [](const QNetworkReply *reply) {
            return !reply->isFinished() && reply->url().path().endsWith(QLatin1String("/patients/document"));
        }));
    }

    StandinServer m_server;
    std::unique_ptr<SignedInSession> m_session;
    std::unique_ptr<DocumentStore> m_store;
    std::unique_ptr<DocumentGridModel> m_model;
};

QTEST_MAIN(DocumentRecordLoaderTest)
#include "DocumentRecordLoaderTest.moc"
