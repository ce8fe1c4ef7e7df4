#include "AwaitTask.h"
#include "SignedInSession.h"
#include "StandinServer.h"

#include "net/APIClient.h"
#include "records/MedbitStore.h"
#include "records/Patient.h"

#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

#include <QCoroTask>

#include <memory>

using AwaitTask::failureOf;

namespace
{

constexpr int deadlineMs = 10000;
const QString listPath = QStringLiteral("/api/medbits/list/summary");

QStringList idsOf(const QList<Medbit> &medbits)
{
    QStringList ids;
    for (const Medbit &medbit : medbits)
        ids << medbit.id;
    return ids;
}

Medbit draft(qint64 date)
{
    Medbit medbit;
    medbit.id = QStringLiteral("local-draft");
    medbit.entryText = QStringLiteral("Ankle sprain");
    medbit.date = date;
    medbit.language = QStringLiteral("en");
    medbit.tags = {QStringLiteral("hx")};
    medbit.documents = {ImageAsset{QStringLiteral("d1"), {}, {}, {}, {}, {}}};
    return medbit;
}

} // namespace

class MedbitStoreTest : public QObject
{
    Q_OBJECT

private:
    QString patientID(int index) const { return m_patients.at(index)._id; }

    // The list the service holds for a patient, fetched apart from the store.
    QList<Medbit> serviceList(const QString &patientID) const
    {
        const APIRequest request{.path = QStringLiteral("/medbits/list/summary"),
                                 .query = {{QStringLiteral("patientId"), patientID}}};
        return AwaitTask::run(APIClient::shared().request<QList<Medbit>>(request));
    }

    void open(int patient)
    {
        m_store->setPatientID(patientID(patient));
        QTRY_VERIFY_WITH_TIMEOUT(!m_store->medbits().isEmpty() && !m_store->isLoading(), deadlineMs);
    }

    StandinServer m_server;
    std::unique_ptr<SignedInSession> m_session;
    std::unique_ptr<MedbitStore> m_store;
    QList<Patient> m_patients;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_server.reset();
        m_session = std::make_unique<SignedInSession>(m_server, SignedInSession::Stores::AuthOnly);
        m_session->signIn(StandinServer::demoEmail, StandinServer::demoPassword);
        const APIRequest request{.path = QStringLiteral("/patients/listAll"),
                                 .query = {{QStringLiteral("userId"), m_session->userID()}}};
        m_patients = AwaitTask::run(APIClient::shared().request<QList<Patient>>(request));
        m_store = std::make_unique<MedbitStore>();
        m_server.clearRequests();
    }

    void cleanup()
    {
        m_store.reset();
        m_session.reset();
    }

    void openingAPatient_loadsItsListOnce()
    {
        QVERIFY(!m_store->isLoading() && m_store->medbits().isEmpty());
        QSignalSpy loading(m_store.get(), &MedbitStore::isLoadingChanged);
        m_store->setPatientID(patientID(0));
        QTRY_COMPARE_WITH_TIMEOUT(loading.size(), 2, deadlineMs);
        QVERIFY(!m_store->isLoading());
        QCOMPARE(m_store->medbits(), serviceList(patientID(0)));
        m_store->setPatientID(patientID(0));
        m_session->roundTrip();
        QCOMPARE(m_server.requests(listPath).size(), 2); // the store's load and the test's own fetch
        QCOMPARE(m_server.requests(listPath).first().query, "patientId=" + patientID(0).toUtf8());
        QVERIFY(!m_server.requests(listPath).first().hasHeader("Content-Type"));
    }

    void closingThePatient_emptiesTheListAndLoadsNothing()
    {
        open(0);
        m_server.clearRequests();
        m_store->setPatientID(QString());
        QVERIFY(m_store->medbits().isEmpty());
        m_session->roundTrip();
        QVERIFY(m_server.requests(listPath).isEmpty());
        QVERIFY(!m_store->isLoading());
    }

    void failedLoad_setsLastError_andTheNextLoadClearsIt()
    {
        m_server.injectFault({{"path", listPath}, {"status", 500}, {"body", R"({"message":"Timeline unavailable"})"}});
        QSignalSpy errors(m_store.get(), &MedbitStore::lastErrorChanged);
        m_store->setPatientID(patientID(0));
        QTRY_VERIFY_WITH_TIMEOUT(errors.size() == 1 && !m_store->isLoading(), deadlineMs);
        QVERIFY(m_store->lastError());
        QVERIFY(m_store->medbits().isEmpty());
        open(1);
        QVERIFY(!m_store->lastError());
        QCOMPARE(errors.size(), 2);
    }

    // A slow list for an earlier patient must never show under the one now open (nor none).
    void slowListReply_forAnEarlierPatient_isDropped_data()
    {
        QTest::addColumn<bool>("opensAnother");
        QTest::newRow("another patient opened") << true;
        QTest::newRow("patient closed") << false;
    }

    void slowListReply_forAnEarlierPatient_isDropped()
    {
        QFETCH(bool, opensAnother);
        m_server.injectFault({{"path", listPath}, {"delayMs", 1500}});
        m_store->setPatientID(patientID(0));
        QTRY_COMPARE_WITH_TIMEOUT(m_server.requests(listPath).size(), 1, deadlineMs);
        m_store->setPatientID(opensAnother ? patientID(1) : QString());
        QTRY_COMPARE_WITH_TIMEOUT(m_session->finishedReplies(QStringLiteral("/medbits/list/summary")),
                                  opensAnother ? 2 : 1, deadlineMs);
        // The store takes a finished reply on the next event-loop turn; a round trip lets it.
        m_session->roundTrip();
        QVERIFY(!m_store->isLoading());
        QCOMPARE(m_store->medbits(), opensAnother ? serviceList(patientID(1)) : QList<Medbit>());
    }

    void create_sendsThePayload_andPutsTheEntryFirst()
    {
        open(0);
        const Medbit created = AwaitTask::run(m_store->createMedbit(draft(-86400)));
        QCOMPARE(m_store->medbits().first(), created);
        const QJsonObject body = m_server.requests(QStringLiteral("/api/medbits/create")).first().json().toObject();
        QCOMPARE(body.value(QLatin1String("patientId")).toString(), patientID(0));
        const QJsonObject payload = body.value(QLatin1String("medbit")).toObject();
        QCOMPARE(payload.keys(), QString("date entryText isApproxDate isLocked isStarred language tags").split(' '));
        QCOMPARE(payload.value(QLatin1String("date")).toInteger(), -86400);
    }

    void entryCreatedForAnEarlierPatient_isNotInserted()
    {
        open(0);
        m_server.injectFault({{"path", QStringLiteral("/api/medbits/create")}, {"delayMs", 1500}});
        QCoro::Task<Medbit> creation = m_store->createMedbit(draft(0));
        m_store->setPatientID(patientID(1));
        const Medbit created = AwaitTask::run(std::move(creation));
        QTRY_VERIFY_WITH_TIMEOUT(!m_store->isLoading() && !m_store->medbits().isEmpty(), deadlineMs);
        QVERIFY(!idsOf(m_store->medbits()).contains(created.id));
        QCOMPARE(m_store->medbits(), serviceList(patientID(1)));
    }

    void update_replacesTheEntryInPlace_withoutSendingIdOrDocuments()
    {
        open(0);
        Medbit changed = m_store->medbits().at(1);
        changed.isStarred = !changed.isStarred;
        changed.translated.reset();
        const Medbit updated = AwaitTask::run(m_store->updateMedbit(changed));
        QCOMPARE(m_store->medbits().at(1), updated);
        QCOMPARE(updated.isStarred, changed.isStarred);
        const LoggedRequest request = m_server.requests(QStringLiteral("/api/medbits/update")).first();
        QCOMPARE(request.query, "medbitId=" + changed.id.toUtf8());
        QCOMPARE(request.header("Content-Type"), "application/json");
        const QJsonObject body = request.json().toObject();
        QVERIFY(!body.contains(QLatin1String("_id")) && !body.contains(QLatin1String("documents")));
        QVERIFY(!body.contains(QLatin1String("translated")));
        QCOMPARE(body.value(QLatin1String("patientId")).toString(), patientID(0));
    }

    void sameIdTwice_updateAndFetchReplaceTheFirst_deleteRemovesBoth()
    {
        open(0);
        const Medbit listed = m_store->medbits().first();
        Medbit stale = listed;
        stale.entryText = QStringLiteral("stale copy");
        m_store->setMedbits({stale, stale});
        QCOMPARE(AwaitTask::run(m_store->fetchMedbit(listed.id)), listed);
        QCOMPARE(m_store->medbits(), QList<Medbit>({listed, stale}));
        m_store->setMedbits({stale, stale});
        const Medbit updated = AwaitTask::run(m_store->updateMedbit(listed));
        QCOMPARE(m_store->medbits(), QList<Medbit>({updated, stale}));
        AwaitTask::run(m_store->deleteMedbit(listed));
        QVERIFY(m_store->medbits().isEmpty());
        const LoggedRequest request = m_server.requests().last();
        QCOMPARE(request.method, "DELETE");
        QCOMPARE(request.path, QStringLiteral("/api/medbits/delete/") + listed.id);
        QVERIFY(!request.hasHeader("Content-Type"));
    }

    void fetch_returnsEntriesOutsideTheList_andNothingOnFailure()
    {
        open(0);
        const QList<Medbit> before = m_store->medbits();
        // An entry fetched unchanged leaves the list shared with those who hold it, not copied.
        QCOMPARE(AwaitTask::run(m_store->fetchMedbit(before.first().id)), before.first());
        QCOMPARE(m_store->medbits().constData(), before.constData());
        const Medbit other = serviceList(patientID(1)).first();
        QCOMPARE(AwaitTask::run(m_store->fetchMedbit(other.id)), other);
        QCOMPARE(AwaitTask::run(m_store->fetchMedbit(QStringLiteral("no-such-entry"))), std::nullopt);
        m_server.injectFault({{"path", QStringLiteral("/api/medbits/get")}, {"status", 500}});
        QCOMPARE(AwaitTask::run(m_store->fetchMedbit(before.first().id)), std::nullopt);
        QCOMPARE(m_store->medbits(), before);
        QVERIFY(!m_store->lastError());
    }

    void fetch_replyAboutAnotherEntry_changesNoRow()
    {
        open(0);
        const QList<Medbit> before = m_store->medbits();
        Medbit other = before.at(1);
        other.entryText = QStringLiteral("Overwritten by a stray reply");
        const QByteArray body = QJsonDocument(other.toJson()).toJson();
        m_server.injectFault(
            {{"path", QStringLiteral("/api/medbits/get")}, {"status", 200}, {"body", QString::fromUtf8(body)}});
        QCOMPARE(AwaitTask::run(m_store->fetchMedbit(before.first().id)), std::nullopt);
        QCOMPARE(m_store->medbits(), before);
    }

    void failedChanges_throw_andLeaveTheListAlone()
    {
        open(0);
        const QList<Medbit> before = m_store->medbits();
        m_server.injectFault({{"path", QStringLiteral("/api/medbits/update")}, {"status", 500}});
        m_server.injectFault({{"path", QStringLiteral("/api/medbits/create")}, {"status", 200}, {"body", "{}"}});
        m_server.injectFault({{"path", QStringLiteral("/api/medbits/delete/") + before.first().id}, {"status", 404}});
        QVERIFY(failureOf(m_store->updateMedbit(before.first())));
        const std::optional<APIError> undecodable = failureOf(m_store->createMedbit(draft(0)));
        QVERIFY(undecodable && undecodable->kind() == APIError::Kind::DecodingFailed);
        QVERIFY(failureOf(m_store->deleteMedbit(before.first())));
        QCOMPARE(m_store->medbits(), before);
        QVERIFY(!m_store->lastError());
    }
};

QTEST_GUILESS_MAIN(MedbitStoreTest)
#include "MedbitStoreTest.moc"
