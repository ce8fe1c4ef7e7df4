#include "AwaitTask.h"
#include "SignedInSession.h"
#include "StandinServer.h"

#include "net/APIClient.h"
#include "records/DocumentStore.h"
#include "records/MedbitLibrary.h"
#include "records/MedbitStore.h"
#include "records/PatientMedbits.h"

#include <QJsonArray>
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
const QString updatePath = QStringLiteral("/api/medbits/update");
const QString createPath = QStringLiteral("/api/medbits/create");

int countOf(const QList<Medbit> &medbits, const QString &id)
{
    return int(std::count_if(medbits.cbegin(), medbits.cend(), [&](const Medbit &m) { return m.id == id; }));
}

Medbit starred(Medbit medbit)
{
    medbit.isStarred = !medbit.isStarred;
    return medbit;
}

Medbit edited(Medbit medbit)
{
    medbit.entryText += QStringLiteral(" (edited)");
    return medbit;
}

// A small PDF sent as an attachment of the entry, as the entry form does.
QCoro::Task<> uploadScan(QString patientID, QString medbitID)
{
    DocumentStore documents(patientID);
    // Built outside co_await: GCC 12 destroys an aggregate built inside one twice.
    MultipartFile scan{QStringLiteral("file"), QStringLiteral("scan.pdf"), QStringLiteral("application/pdf"),
                       "%PDF-1.4"};
    co_await documents.uploadAttachment(std::move(medbitID), std::move(scan));
}

} // namespace

// Two windows' stores over the program's one library: one list per patient, changes held for their whole run.
class MedbitLibraryTest : public QObject
{
    Q_OBJECT

private:
    QString patientID(int index) const { return m_patientIDs.at(index); }

    void open(MedbitStore *store, int patient)
    {
        store->setPatientID(patientID(patient));
        QTRY_VERIFY_WITH_TIMEOUT(!store->medbits().isEmpty() && !store->isLoading(), deadlineMs);
    }

    // Away to the other patient and back, each list loaded.
    void switchAwayAndBack(MedbitStore *store)
    {
        open(store, 1);
        open(store, 0);
    }

    Medbit serviceCopy(const QString &id) const
    {
        const APIRequest request{.path = QStringLiteral("/medbits/get"), .query = {{QStringLiteral("medbitId"), id}}};
        return *AwaitTask::run(APIClient::shared().request<std::optional<Medbit>>(request));
    }

    StandinServer m_server;
    std::unique_ptr<SignedInSession> m_session;
    std::unique_ptr<MedbitLibrary> m_library;
    std::unique_ptr<MedbitStore> m_a;
    std::unique_ptr<MedbitStore> m_b;
    QStringList m_patientIDs;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_server.reset();
        m_session = std::make_unique<SignedInSession>(m_server, SignedInSession::Stores::AuthOnly);
        m_patientIDs = m_session->signInForPatientIDs();
        m_library = std::make_unique<MedbitLibrary>();
        m_a = std::make_unique<MedbitStore>(m_library.get());
        m_b = std::make_unique<MedbitStore>(m_library.get());
        open(m_a.get(), 0);
        open(m_b.get(), 0);
        m_server.clearRequests();
    }

    void cleanup()
    {
        m_a.reset();
        m_b.reset();
        m_library.reset();
        m_session.reset();
    }

    // B changes the entry from the copy it showed before A's change; A's change may still be on the wire.
    void changesOfOneEntry_inTwoWindows_bothReachTheService_data()
    {
        QTest::addColumn<bool>("aEdits");
        QTest::addColumn<bool>("aIsSlow");
        QTest::newRow("star in A, then edit in B") << false << false;
        QTest::newRow("slow edit in A, star in B meanwhile") << true << true;
        QTest::newRow("edit in A, then star in B") << true << false;
    }

    void changesOfOneEntry_inTwoWindows_bothReachTheService()
    {
        QFETCH(bool, aEdits);
        QFETCH(bool, aIsSlow);
        const Medbit shown = m_b->medbits().at(1);
        if (aIsSlow)
            m_server.injectFault({{"path", updatePath}, {"hold", true}});
        QCoro::Task<Medbit> first = m_a->updateMedbit(shown, aEdits ? edited(shown) : starred(shown));
        if (aIsSlow)
            QTRY_COMPARE_WITH_TIMEOUT(m_server.heldReplies(), 1, deadlineMs);
        else
            AwaitTask::run(std::move(first));
        QCoro::Task<Medbit> second = m_b->updateMedbit(shown, aEdits ? starred(shown) : edited(shown));
        m_server.releaseHeldReplies();
        if (aIsSlow)
            AwaitTask::run(std::move(first));
        const Medbit last = AwaitTask::run(std::move(second));

        const Medbit both = starred(edited(shown));
        QCOMPARE(serviceCopy(shown.id).entryText, both.entryText);
        QCOMPARE(serviceCopy(shown.id).isStarred, both.isStarred);
        QCOMPARE(m_server.requests(updatePath).size(), 2);
        QCOMPARE(m_a->medbits().at(1), last);
        QCOMPARE(m_b->medbits(), m_a->medbits());
    }

    // The change's reply comes after a switch away and back, and after the list loaded there.
    void changeInFlight_acrossASwitch_leavesOneCopy_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("star") << QStringLiteral("star");
        QTest::newRow("edit") << QStringLiteral("edit");
        QTest::newRow("creation") << QStringLiteral("create");
    }

    void changeInFlight_acrossASwitch_leavesOneCopy()
    {
        QFETCH(QString, change);
        const Medbit shown = m_a->medbits().at(1);
        m_server.injectFault({{"path", change == QLatin1String("create") ? createPath : updatePath}, {"hold", true}});
        QCoro::Task<Medbit> running = change == QLatin1String("create") ? m_a->createMedbit(edited(shown))
                                      : change == QLatin1String("star") ? m_a->updateMedbit(shown, starred(shown))
                                                                        : m_a->updateMedbit(shown, edited(shown));
        QTRY_COMPARE_WITH_TIMEOUT(m_server.heldReplies(), 1, deadlineMs);
        switchAwayAndBack(m_a.get());
        QCOMPARE(countOf(m_a->medbits(), shown.id), 1);
        m_server.releaseHeldReplies();
        const Medbit done = AwaitTask::run(std::move(running));
        QCOMPARE(countOf(m_a->medbits(), done.id), 1);
        QVERIFY(m_a->medbits().contains(done));
        QCOMPARE(countOf(m_a->medbits(), shown.id), 1);
    }

    // The service had not yet deleted the entry when it read the list that answers last.
    void deletion_keepsTheEntryOut_ofAListThatAnswersAfterIt()
    {
        const Medbit shown = m_a->medbits().at(1);
        open(m_a.get(), 1);
        m_server.injectFault({{"path", listPath}, {"hold", true}});
        m_a->setPatientID(patientID(0));
        QTRY_COMPARE_WITH_TIMEOUT(m_server.heldReplies(), 1, deadlineMs);
        AwaitTask::run(m_b->deleteMedbit(shown));
        QCOMPARE(countOf(m_a->medbits(), shown.id), 0);
        m_server.releaseHeldReplies();
        QTRY_VERIFY_WITH_TIMEOUT(!m_a->isLoading(), deadlineMs);
        QCOMPARE(countOf(m_a->medbits(), shown.id), 0);
        QCOMPARE(m_a->medbits(), m_b->medbits());
    }

    // Not found on an update or a delete: the entry is gone, as when its read answers null.
    void notFound_onAChange_reportsTheEntryGone_data()
    {
        QTest::addColumn<bool>("deletes");
        QTest::newRow("update") << false;
        QTest::newRow("delete") << true;
    }

    void notFound_onAChange_reportsTheEntryGone()
    {
        QFETCH(bool, deletes);
        const Medbit shown = m_a->medbits().first();
        const QString path = deletes ? QStringLiteral("/api/medbits/delete/") + shown.id : updatePath;
        m_server.injectFault({{"path", path}, {"status", 404}, {"body", R"({"message":"Entry not found"})"}});
        QSignalSpy gone(m_b.get(), &MedbitStore::medbitGone);
        const std::optional<APIError> failure =
            deletes ? failureOf(m_a->deleteMedbit(shown)) : failureOf(m_a->updateMedbit(shown, edited(shown)));
        // The update's text stays with the form that sent it; the delete got what it asked for.
        QCOMPARE(failure.has_value(), !deletes);
        QCOMPARE(gone.size(), 1);
        QVERIFY(m_b->isGone(shown.id));
        QCOMPARE(countOf(m_b->medbits(), shown.id), 0);
    }

    // An entry read in full belongs to the list it was read into: a newer list of summaries replaces it.
    void newList_replacesAFullCopy_unlessItIsTheSame()
    {
        const QList<Medbit> listed = m_a->medbits();
        const auto attached =
            std::find_if(listed.cbegin(), listed.cend(), [](const Medbit &m) { return !m.documents.isEmpty(); });
        QVERIFY(attached != listed.cend() && attached + 1 != listed.cend());
        const Medbit first = *attached;
        const Medbit second = *(attached + 1);
        AwaitTask::run(m_a->fetchMedbit(first.id));
        AwaitTask::run(m_b->fetchMedbit(second.id));
        QVERIFY(m_a->isFetchedInFull(first.id) && m_a->isFetchedInFull(second.id));
        QJsonArray summaries;
        for (Medbit medbit : m_a->medbits()) {
            if (medbit.id == first.id)
                medbit.documents.clear();
            summaries.append(medbit.toJson());
        }
        m_server.injectFault(
            {{"path", listPath}, {"status", 200}, {"body", QString::fromUtf8(QJsonDocument(summaries).toJson())}});
        AwaitTask::run(m_b->loadMedbits());
        QVERIFY(!m_a->isFetchedInFull(first.id));
        QVERIFY(m_a->isFetchedInFull(second.id));
    }

    // The read that follows an upload is held with it: a list read before the upload keeps the new document.
    void upload_keepsItsDocument_whenAnOlderListAnswersAfterIt()
    {
        const Medbit shown = m_a->medbits().first();
        m_server.injectFault({{"path", listPath}, {"hold", true}});
        QCoro::Task<> load = m_b->loadMedbits();
        QTRY_COMPARE_WITH_TIMEOUT(m_server.heldReplies(), 1, deadlineMs);
        const QString patient = patientID(0);
        const std::optional<Medbit> attached = AwaitTask::run(m_library->patient(patient)->attachDocument(
            shown.id, [patient, id = shown.id] { return uploadScan(patient, id); }));
        QVERIFY(attached && attached->documents.size() == shown.documents.size() + 1);
        m_server.releaseHeldReplies();
        AwaitTask::run(std::move(load));
        QVERIFY(m_a->medbits().contains(*attached));
        QVERIFY(m_a->isFetchedInFull(shown.id));
    }

    // The import's batch save: entries a list already holds are listed once, the others in front.
    void addedEntries_areListedOnce()
    {
        const QList<Medbit> before = m_a->medbits();
        Medbit made = edited(before.first());
        made.id = QStringLiteral("made-elsewhere");
        m_library->patient(patientID(0))->addCreated({made, starred(before.at(1))});
        QCOMPARE(m_b->medbits().size(), before.size() + 1);
        QCOMPARE(m_b->medbits().first(), made);
        QCOMPARE(m_b->medbits().at(2), starred(before.at(1)));
    }
};

QTEST_GUILESS_MAIN(MedbitLibraryTest)
#include "MedbitLibraryTest.moc"
