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

// What the user changes in an entry while a reply about it is late.
enum class Change { Star, Lock, Text };

Medbit changed(Medbit medbit, Change change)
{
    switch (change) {
    case Change::Star:
        medbit.isStarred = !medbit.isStarred;
        break;
    case Change::Lock:
        medbit.isLocked = !medbit.isLocked;
        break;
    case Change::Text:
        medbit.entryText += QStringLiteral(" (edited)");
        break;
    }
    return medbit;
}

const QString getPath = QStringLiteral("/api/medbits/get");
const QString updatePath = QStringLiteral("/api/medbits/update");

} // namespace

Q_DECLARE_METATYPE(Change)

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

    // The service's copy of an entry, read apart from the store.
    Medbit serviceCopy(const QString &id) const
    {
        const APIRequest request{.path = QStringLiteral("/medbits/get"), .query = {{QStringLiteral("medbitId"), id}}};
        return *AwaitTask::run(APIClient::shared().request<std::optional<Medbit>>(request));
    }

    // A reply to `path` built from the service's state now, and kept back until the test lets it go.
    void holdNextReply(const QString &path) { m_server.injectFault({{"path", path}, {"hold", true}}); }

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
        const Medbit listed = m_store->medbits().at(1);
        Medbit changed = listed;
        changed.isStarred = !changed.isStarred;
        changed.translated.reset();
        const Medbit updated = AwaitTask::run(m_store->updateMedbit(listed, changed));
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
        const Medbit updated = AwaitTask::run(m_store->updateMedbit(stale, listed));
        QCOMPARE(m_store->medbits(), QList<Medbit>({updated, stale}));
        AwaitTask::run(m_store->deleteMedbit(listed));
        QVERIFY(m_store->medbits().isEmpty());
        const LoggedRequest request = m_server.requests().last();
        QCOMPARE(request.method, "DELETE");
        QCOMPARE(request.path, QStringLiteral("/api/medbits/delete/") + listed.id);
        QVERIFY(!request.hasHeader("Content-Type"));
    }

    // The late full copy was read before the change: it must not put the older flags or text back, and a
    // later change made from the copy shown before the first must not undo it either.
    void changeMadeDuringALateFetch_staysHere_andAtTheService_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<Change>("later");
        QTest::newRow("star") << Change::Star << Change::Lock;
        QTest::newRow("lock") << Change::Lock << Change::Star;
        QTest::newRow("text edit") << Change::Text << Change::Star;
    }

    void changeMadeDuringALateFetch_staysHere_andAtTheService()
    {
        QFETCH(Change, change);
        QFETCH(Change, later);
        open(0);
        const Medbit shown = m_store->medbits().first();
        holdNextReply(getPath);
        QCoro::Task<std::optional<Medbit>> fetch = m_store->fetchMedbit(shown.id);
        QTRY_COMPARE_WITH_TIMEOUT(m_server.heldReplies(), 1, deadlineMs);
        const Medbit updated = AwaitTask::run(m_store->updateMedbit(shown, changed(shown, change)));
        m_server.releaseHeldReplies();
        QCOMPARE(AwaitTask::run(std::move(fetch)), updated);
        QCOMPARE(m_store->medbits().first(), updated);

        // Made from the copy shown before the first change, as a panel that has not redrawn yet holds it.
        AwaitTask::run(m_store->updateMedbit(shown, changed(shown, later)));
        const Medbit expected = changed(updated, later);
        const QJsonObject sent = m_server.requests(updatePath).last().json().toObject();
        QCOMPARE(sent.value(QLatin1String("entryText")).toString(), expected.entryText);
        QCOMPARE(sent.value(QLatin1String("isStarred")).toBool(), expected.isStarred);
        QCOMPARE(sent.value(QLatin1String("isLocked")).toBool(), expected.isLocked);
        const Medbit atService = serviceCopy(shown.id);
        QCOMPARE(atService, expected);
        QCOMPARE(m_store->medbits().first(), atService);
    }

    // A second change of an entry waits for the first: sent together, the older one could land last.
    void secondUpdate_whileTheFirstRuns_waits_andKeepsTheFirstsChange()
    {
        open(0);
        const Medbit shown = m_store->medbits().first();
        holdNextReply(updatePath);
        QCoro::Task<Medbit> star = m_store->updateMedbit(shown, changed(shown, Change::Star));
        QTRY_COMPARE_WITH_TIMEOUT(m_server.heldReplies(), 1, deadlineMs);
        QCoro::Task<Medbit> edit = m_store->updateMedbit(shown, changed(shown, Change::Text));
        m_session->roundTrip();
        QCOMPARE(m_server.requests(updatePath).size(), 1);
        m_server.releaseHeldReplies();
        AwaitTask::run(std::move(star));
        const Medbit edited = AwaitTask::run(std::move(edit));
        QCOMPARE(m_server.requests(updatePath).size(), 2);
        QCOMPARE(edited, serviceCopy(shown.id));
        QCOMPARE(edited.isStarred, !shown.isStarred);
        QCOMPARE(edited.entryText, changed(shown, Change::Text).entryText);
        QCOMPARE(m_store->medbits().first(), edited);
    }

    // A list asked for before a change answers after it: the list then holds what the service holds.
    void lateListReply_keepsChangesMadeMeanwhile_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("star") << QStringLiteral("star");
        QTest::newRow("creation") << QStringLiteral("create");
        QTest::newRow("deletion") << QStringLiteral("delete");
    }

    void lateListReply_keepsChangesMadeMeanwhile()
    {
        QFETCH(QString, change);
        open(0);
        const Medbit shown = m_store->medbits().at(1);
        holdNextReply(listPath);
        QCoro::Task<> load = m_store->loadMedbits();
        QTRY_COMPARE_WITH_TIMEOUT(m_server.heldReplies(), 1, deadlineMs);
        if (change == QLatin1String("star"))
            AwaitTask::run(m_store->updateMedbit(shown, changed(shown, Change::Star)));
        else if (change == QLatin1String("create"))
            AwaitTask::run(m_store->createMedbit(draft(0)));
        else
            AwaitTask::run(m_store->deleteMedbit(shown));
        const QList<Medbit> changedHere = m_store->medbits();
        m_server.releaseHeldReplies();
        AwaitTask::run(std::move(load));
        QCOMPARE(m_store->medbits(), changedHere);
        const QList<Medbit> atService = serviceList(patientID(0));
        const QStringList serviceIDs = idsOf(atService);
        QCOMPARE(changedHere.size(), atService.size());
        for (const Medbit &medbit : changedHere)
            QCOMPARE(medbit, atService.value(serviceIDs.indexOf(medbit.id)));
    }

    // Deleted on another device: the service answers null for it.
    void fetch_ofAnEntryTheServiceNoLongerHas_removesIt_andReportsIt()
    {
        open(0);
        const Medbit gone = m_store->medbits().first();
        const APIRequest elsewhere{.method = HTTPMethod::DELETE, .path = QStringLiteral("/medbits/delete/") + gone.id};
        AwaitTask::run(APIClient::shared().request<EmptyResponse>(elsewhere));
        QSignalSpy reported(m_store.get(), &MedbitStore::medbitGone);
        QCOMPARE(AwaitTask::run(m_store->fetchMedbit(gone.id)), std::nullopt);
        QCOMPARE(reported.size(), 1);
        QCOMPARE(reported.first().first().toString(), gone.id);
        QVERIFY(m_store->isGone(gone.id));
        QVERIFY(!idsOf(m_store->medbits()).contains(gone.id));
        QCOMPARE(m_store->detailError(gone.id), std::nullopt);
        open(1);
        QVERIFY(!m_store->isGone(gone.id));
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
        m_server.injectFault({{"path", QStringLiteral("/api/medbits/delete/") + before.first().id}, {"status", 500}});
        QVERIFY(failureOf(m_store->updateMedbit(before.first(), before.first())));
        const std::optional<APIError> undecodable = failureOf(m_store->createMedbit(draft(0)));
        QVERIFY(undecodable && undecodable->kind() == APIError::Kind::DecodingFailed);
        QVERIFY(failureOf(m_store->deleteMedbit(before.first())));
        QCOMPARE(m_store->medbits(), before);
        QVERIFY(!m_store->lastError());
    }
};

QTEST_GUILESS_MAIN(MedbitStoreTest)
#include "MedbitStoreTest.moc"
