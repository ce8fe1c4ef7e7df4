#include "AwaitTask.h"
#include "SignedInSession.h"
#include "StandinServer.h"

#include "net/APIClient.h"
#include "records/PatientStore.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

#include <QCoroTask>

#include <memory>

using AwaitTask::failureOf;

namespace
{

constexpr int deadlineMs = 10000;
const QString listPath = QStringLiteral("/api/patients/listAll");
const QString activationPath = QStringLiteral("/api/patients/updateActive");

} // namespace

class PatientStoreTest : public QObject
{
    Q_OBJECT

private:
    // Signs the demo account in and waits for its first load.
    void signInDemo()
    {
        m_session->signIn(StandinServer::demoEmail, StandinServer::demoPassword);
        QTRY_VERIFY_WITH_TIMEOUT(!m_store->isLoading(), deadlineMs);
    }

    // The patients this test's session activated, in the order the stand-in received them: stores of
    // earlier tests may still have an activation on its way, under their own session's token.
    QStringList activatedIDs() const
    {
        const QByteArray bearer = "Bearer " + m_session->auth()->accessToken().value_or(QString()).toUtf8();
        QStringList ids;
        for (const LoggedRequest &request : m_server.requests(activationPath)) {
            if (request.header("Authorization") == bearer)
                ids << request.json()[QLatin1String("patientId")].toString();
        }
        return ids;
    }

    // The patient the service holds as active, asked apart from the store.
    QString activeOnService()
    {
        const QByteArray bearer = m_session->auth()->accessToken().value_or(QString()).toUtf8();
        const QJsonValue list =
            m_server.apiCall("GET", QStringLiteral("/patients/listAll?userId=") + m_session->userID(), {}, bearer);
        for (const QJsonValue &patient : list.toArray()) {
            if (patient[QLatin1String("active")].toBool())
                return patient[QLatin1String("_id")].toString();
        }
        return {};
    }

    QString idOf(const QString &firstName) const
    {
        for (const Patient &patient : m_store->patients()) {
            if (patient.firstName == firstName)
                return patient._id;
        }
        return {};
    }

    StandinServer m_server;
    std::unique_ptr<SignedInSession> m_session;
    std::unique_ptr<PatientStore> m_store;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_server.reset();
        m_session = std::make_unique<SignedInSession>(m_server, SignedInSession::Stores::AuthOnly);
        m_store = std::make_unique<PatientStore>(m_session->auth());
    }

    void cleanup()
    {
        m_store.reset();
        m_session.reset();
    }

    void signIn_selectsTheActivePatient_andActivatesItOnce()
    {
        QVERIFY(m_store->isLoading());
        signInDemo();
        QCOMPARE(m_store->patients().size(), 2);
        QCOMPARE(m_store->selectedRecord().patient.displayName(), QStringLiteral("Alex Rivera"));
        QCOMPARE(m_server.requests(listPath).first().query, "userId=" + m_session->userID().toUtf8());
        QTRY_COMPARE_WITH_TIMEOUT(activatedIDs(), QStringList{idOf(QStringLiteral("Alex"))}, deadlineMs);
        const QJsonValue body = m_server.requests(activationPath).first().json();
        QCOMPARE(body[QLatin1String("userId")].toString(), m_session->userID());
        QVERIFY(!m_store->lastError());
    }

    void selection_followsTheActiveFlags_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QString>("selected");
        QTest::newRow("second active, first empty")
            << QByteArray(R"([{"_id":"p1","firstName":"A"},{"_id":"p2","firstName":"B","active":true}])") << "p2";
        QTest::newRow("first of several active")
            << QByteArray(R"([{"_id":"p1","firstName":"A","active":false},{"_id":"p2","firstName":"B","active":true},
                {"_id":"p3","firstName":"C","active":true}])")
            << "p2";
        QTest::newRow("none active")
            << QByteArray(R"([{"_id":"p1","firstName":"A","active":false},{"_id":"p2","firstName":"B"}])") << "p1";
        QTest::newRow("no patients") << QByteArray("[]") << "";
    }

    void selection_followsTheActiveFlags()
    {
        QFETCH(QByteArray, list);
        QFETCH(QString, selected);
        m_server.injectFault({{"path", listPath}, {"status", 200}, {"body", QString::fromUtf8(list)}});
        signInDemo();
        QCOMPARE(m_store->selectedPatientID(), selected);
        const QStringList activated = selected.isEmpty() ? QStringList() : QStringList{selected};
        m_session->roundTrip();
        // The activation goes out on a later turn over a connection of its own, so it may reach the
        // stand-in after the round trip's request.
        QTRY_COMPARE_WITH_TIMEOUT(activatedIDs(), activated, deadlineMs);
        for (const Patient &patient : m_store->patients())
            QCOMPARE(patient.active, selected.isEmpty() ? patient.active : patient._id == selected);
    }

    void choosingAPatient_marksItAtOnce_andActivatesOncePerChange()
    {
        signInDemo();
        const QString sam = idOf(QStringLiteral("Sam"));
        QTRY_COMPARE_WITH_TIMEOUT(activatedIDs().size(), 1, deadlineMs);
        m_store->setSelectedPatientID(sam);
        QCOMPARE(m_store->selectedRecord().patient.active, true);
        QCOMPARE(m_store->patients().at(0).active, m_store->patients().at(0)._id == sam);
        m_store->setSelectedPatientID(sam);
        QTRY_COMPARE_WITH_TIMEOUT(activatedIDs().size(), 2, deadlineMs);
        m_session->roundTrip();
        QCOMPARE(activatedIDs().last(), sam);
        QCOMPARE(activatedIDs().size(), 2);
    }

    // While one activation is on its way the later choices wait, and only the last of them is sent.
    void quickChoices_reachTheServiceInOrder_endingOnTheLast()
    {
        signInDemo();
        const QString casey = AwaitTask::run(m_store->createPatient(QStringLiteral("Casey")))._id;
        QTRY_COMPARE_WITH_TIMEOUT(activeOnService(), casey, deadlineMs);
        const QString sam = idOf(QStringLiteral("Sam"));
        const QString alex = idOf(QStringLiteral("Alex"));
        const qsizetype before = activatedIDs().size();
        m_server.injectFault({{"path", activationPath}, {"delayMs", 1000}, {"times", 0}});
        m_store->setSelectedPatientID(sam);
        QTRY_COMPARE_WITH_TIMEOUT(activatedIDs().mid(before), QStringList{sam}, deadlineMs);
        m_store->setSelectedPatientID(casey);
        m_store->setSelectedPatientID(alex);
        QTRY_COMPARE_WITH_TIMEOUT(activeOnService(), alex, deadlineMs);
        m_session->roundTrip();
        QCOMPARE(activatedIDs().mid(before), (QStringList{sam, alex}));
        QCOMPARE(m_store->selectedPatientID(), alex);
        QVERIFY(!m_store->lastError());
    }

    void failedLoad_setsLastError_andTryingAgainClearsIt()
    {
        m_server.injectFault({{"path", listPath}, {"status", 500}, {"body", R"({"message":"Service down"})"}});
        QSignalSpy errors(m_store.get(), &PatientStore::lastErrorChanged);
        signInDemo();
        QVERIFY(m_store->lastError());
        QVERIFY(m_store->patients().isEmpty());
        QCOMPARE(errors.size(), 1);
        QSignalSpy loading(m_store.get(), &PatientStore::isLoadingChanged);
        AwaitTask::run(m_store->loadPatients());
        QCOMPARE(loading.size(), 2); // on while it ran, then off
        QVERIFY(!m_store->lastError());
        QCOMPARE(errors.size(), 2);
        QCOMPARE(m_store->patients().size(), 2);
    }

    void undecodableList_failsWholeLoad_andKeepsThePreviousList()
    {
        signInDemo();
        const QList<Patient> before = m_store->patients();
        m_server.injectFault(
            {{"path", listPath},
             {"status", 200},
             {"body", R"([{"_id":"p1","firstName":"A"},{"_id":"p2","firstName":"B","active":"yes"}])"}});
        AwaitTask::run(m_store->loadPatients());
        QCOMPARE(m_store->lastError(), QStringLiteral("Received an unexpected response from the server."));
        QCOMPARE(m_store->patients(), before);
        QVERIFY(!m_store->isLoading());
    }

    void signOut_emptiesListAndSelection_keepingLastError()
    {
        signInDemo();
        m_server.injectFault({{"path", listPath}, {"status", 503}});
        AwaitTask::run(m_store->loadPatients());
        const std::optional<QString> error = m_store->lastError();
        QVERIFY(error);
        AwaitTask::run(m_session->auth()->logout());
        QTRY_VERIFY_WITH_TIMEOUT(m_store->isLoading(), deadlineMs);
        QVERIFY(m_store->patients().isEmpty());
        QCOMPARE(m_store->selectedPatientID(), QString());
        QCOMPARE(m_store->lastError(), error);
        QCOMPARE(m_store->selectedRecord().patient.firstName, QStringLiteral("No Patient"));
    }

    void sessionChanges_areHandledOnTheNextTurn_andRepeatsAreIgnored()
    {
        signInDemo();
        // Signing in again while signed in announces "authenticated" once more: nothing to reload.
        m_session->signIn(StandinServer::demoEmail, StandinServer::demoPassword);
        m_session->roundTrip();
        QCOMPARE(m_server.requests(listPath).size(), 1);
        m_session->auth()->clearSession();
        QCOMPARE(m_store->patients().size(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(m_store->patients().isEmpty(), deadlineMs);
    }

    void createPatient_trimsTheName_appendsSelectsAndActivates_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("sent");
        QTest::newRow("blanks around") << " \tJo Doe \n"
                                       << "Jo Doe";
        QTest::newRow("empty") << ""
                               << "New Patient";
        QTest::newRow("only blanks") << " \n "
                                     << "New Patient";
    }

    void createPatient_trimsTheName_appendsSelectsAndActivates()
    {
        QFETCH(QString, name);
        QFETCH(QString, sent);
        signInDemo();
        const Patient created = AwaitTask::run(m_store->createPatient(name));
        const QJsonValue body = m_server.requests(QStringLiteral("/api/patients/create")).first().json();
        QCOMPARE(body[QLatin1String("firstName")].toString(), sent);
        QCOMPARE(body[QLatin1String("userId")].toString(), m_session->userID());
        QCOMPARE(m_store->patients().last()._id, created._id);
        QCOMPARE(m_store->selectedPatientID(), created._id);
        QCOMPARE(m_store->patients().last().active, true);
        QCOMPARE(m_store->patients().first().active, false);
        QTRY_COMPARE_WITH_TIMEOUT(activatedIDs().last(), created._id, deadlineMs);
    }

    // Whether the selection may move is asked when the patient exists, not when the request leaves.
    void createPatient_whileTheSelectionMustStay_onlyAppends()
    {
        signInDemo();
        const QString before = m_store->selectedPatientID();
        bool mayMove = true;
        QCoro::Task<Patient> creation = m_store->createPatient(QStringLiteral("Jo"), [&mayMove] { return mayMove; });
        mayMove = false;
        const Patient created = AwaitTask::run(std::move(creation));
        QCOMPARE(m_store->patients().last()._id, created._id);
        QCOMPARE(m_store->selectedPatientID(), before);
        QCOMPARE(m_store->patients().first().active, true);
        m_session->roundTrip();
        QVERIFY(!activatedIDs().contains(created._id));
    }

    void withoutUser_loadSendsNothing_andCreateThrowsUnauthorized()
    {
        AwaitTask::run(m_store->loadPatients());
        QVERIFY(m_store->isLoading());
        const std::optional<APIError> failure = failureOf(m_store->createPatient(QStringLiteral("Jo")));
        QVERIFY(failure && failure->kind() == APIError::Kind::Unauthorized);
        QVERIFY(m_server.requests().isEmpty());
    }

    void selectedRecord_fallsBackToTheFirstPatient()
    {
        signInDemo();
        m_store->setSelectedPatientID(QStringLiteral("unknown"));
        QCOMPARE(m_store->selectedRecord().patient, m_store->patients().first());
        QVERIFY(m_store->selectedRecord().medbits.isEmpty());
    }

    // A patients reply from a session that has ended must not show: another account's names never appear.
    void slowPatientsReply_afterTheSessionChanged_isDropped_data()
    {
        QTest::addColumn<bool>("otherAccountSignsIn");
        QTest::newRow("signed out") << false;
        QTest::newRow("another account signed in") << true;
    }

    void slowPatientsReply_afterTheSessionChanged_isDropped()
    {
        QFETCH(bool, otherAccountSignsIn);
        const QString otherEmail = m_session->registerAccount(QStringLiteral("Other Person"));
        m_server.injectFault({{"path", listPath}, {"delayMs", 1500}});
        m_session->signIn(StandinServer::demoEmail, StandinServer::demoPassword);
        QTRY_COMPARE_WITH_TIMEOUT(m_server.requests(listPath).size(), 1, deadlineMs);
        // Ended locally, so the service still answers the delayed call with the first account's patients.
        m_session->auth()->clearSession();
        if (otherAccountSignsIn)
            m_session->signIn(otherEmail, StandinServer::demoPassword);
        QTRY_COMPARE_WITH_TIMEOUT(m_session->finishedReplies(QStringLiteral("/patients/listAll")),
                                  otherAccountSignsIn ? 2 : 1, deadlineMs);
        // The store takes a finished reply on the next event-loop turn.
        QTRY_COMPARE_WITH_TIMEOUT(m_store->isLoading(), !otherAccountSignsIn, deadlineMs);
        QVERIFY(m_store->patients().isEmpty());
        QCOMPARE(m_store->selectedPatientID(), QString());
        QVERIFY(!m_store->lastError());
        // Earlier tests' stores may still have an activation in flight; those carry their own session's token.
        const QByteArray bearer = "Bearer " + m_session->auth()->accessToken().value_or(QString()).toUtf8();
        for (const LoggedRequest &request : m_server.requests(activationPath)) {
            const QByteArray authorization = request.header("Authorization");
            QVERIFY(!authorization.isEmpty() && authorization != bearer);
        }
    }
};

QTEST_GUILESS_MAIN(PatientStoreTest)
#include "PatientStoreTest.moc"
