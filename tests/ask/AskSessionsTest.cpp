#include "AskFixture.h"

#include "ask/AskRecords.h"

#include <QTest>

#include <memory>

// Two Ask sessions on one patient, as two windows show it: one copy of the conversations, two views.
class AskSessionsTest : public QObject
{
    Q_OBJECT

private:
    AskFixture f;
    std::unique_ptr<AskSession> m_other;

    const AskConversation &storedIn(const AskSession &session) const { return *session.conversation(f.storedChannel); }
    QString undoPath() const { return QStringLiteral("/api/chats/channels/") + f.storedChannel + "/undo"; }

private Q_SLOTS:
    void initTestCase() { QVERIFY(f.server.isRunning()); }

    void init()
    {
        f.start();
        QVERIFY(f.openStoredConversation());
        m_other = f.makeSession(f.patientId);
        AwaitTask::run(m_other->load());
        m_other->selectConversation(f.storedChannel);
        f.server.clearRequests();
    }

    void cleanup()
    {
        m_other.reset();
        f.stop();
    }

    void oneRecordsPerPatient_andPerProgram()
    {
        QCOMPARE(m_other->records(), f.session->records());
        QVERIFY(f.sessions->records(QStringLiteral("another patient")) != f.session->records());
        AskSessions otherProgram(std::make_shared<AnswerStreamSource>());
        QVERIFY(otherProgram.records(f.patientId) != f.session->records());
    }

    void followUp_sentInOne_showsInTheOther_whileTheirTextsStayApart()
    {
        f.server.injectFault({{"path", AskFixture::streamPath}, {"hold", true}});
        m_other->setFollowUpText(QStringLiteral("draft in B"));
        f.session->setFollowUpText(QStringLiteral("Asked in A?"));
        f.session->submitFollowUp(f.storedChannel);
        QCOMPARE(storedIn(*m_other).turns.size(), 6);
        QCOMPARE(storedIn(*m_other).turns.at(4).content, QStringLiteral("Asked in A?"));
        QVERIFY(storedIn(*m_other).turns.last().isStreaming);
        QCOMPARE(m_other->followUpText(), QStringLiteral("draft in B"));
        QVERIFY(m_other->isAsking());
        m_other->submitFollowUp(f.storedChannel);
        QCOMPARE(m_other->followUpText(), QStringLiteral("draft in B"));

        m_other->closeConversation();
        QCOMPARE(f.session->selectedConversationID(), std::optional<QString>(f.storedChannel));
        QTRY_COMPARE_WITH_TIMEOUT(f.server.heldReplies(), 1, AskFixture::deadlineMs);
        f.server.releaseHeldReplies();
        QVERIFY(f.waitForAnswer());
        QVERIFY(!m_other->isAsking());
        QVERIFY(!storedIn(*m_other).turns.last().isStreaming);
        QCOMPARE(f.requestCount(AskFixture::streamPath), 1);
    }

    // Undo removes the pair the asking screen shows last, or nothing when a newer one is there.
    void undo_removesOnlyThePairShownLast_data()
    {
        QTest::addColumn<int>("shown"); // how many of the conversation's turns the asking screen shows
        QTest::addColumn<int>("undone");
        QTest::newRow("an older pair shown last") << 2 << 0;
        QTest::newRow("the newest pair shown last") << 4 << 1;
    }
    void undo_removesOnlyThePairShownLast()
    {
        QFETCH(int, shown);
        QFETCH(int, undone);
        const QStringList held = AskFixture::shownTurnIDs(*m_other, f.storedChannel);
        m_other->undoLastQuestion(f.storedChannel, held.mid(0, shown));
        QTRY_VERIFY_WITH_TIMEOUT(!f.session->isUndoing(f.storedChannel), AskFixture::deadlineMs);
        QCOMPARE(f.requestCount(undoPath()), undone);
        const QStringList kept = held.mid(0, undone ? 2 : 4);
        QCOMPARE(AskFixture::shownTurnIDs(*f.session, f.storedChannel), kept);
        QCOMPARE(AskFixture::shownTurnIDs(*m_other, f.storedChannel), kept);
    }

    // Emptied by undo in one session, the conversation closes in every session that had it open.
    void undo_thatEmptiesTheConversation_closesItEverywhere()
    {
        const DoubleClickInterval apart(0);
        for (int pair = 0; pair < 2; ++pair) {
            m_other->undoLastQuestion(f.storedChannel, AskFixture::shownTurnIDs(*m_other, f.storedChannel));
            QTRY_VERIFY_WITH_TIMEOUT(!m_other->isUndoing(f.storedChannel), AskFixture::deadlineMs);
        }
        QVERIFY(f.session->conversations().isEmpty());
        QVERIFY(!f.session->selectedConversationID());
        QVERIFY(!m_other->selectedConversationID());
        QCOMPARE(f.requestCount(undoPath()), 2);
    }

    // Opened in one session and loading there, the conversation's messages are asked for once.
    void messages_loadOncePerPatient()
    {
        m_other.reset();
        f.restartRecords();
        m_other = f.makeSession(f.patientId);
        AwaitTask::run(f.session->load());
        f.server.clearRequests();
        f.session->selectConversation(f.storedChannel);
        m_other->selectConversation(f.storedChannel);
        QTRY_VERIFY_WITH_TIMEOUT(storedIn(*m_other).hasLoadedHistory, AskFixture::deadlineMs);
        QCOMPARE(f.requestCount(QStringLiteral("/api/chats/channels/") + f.storedChannel), 1);
    }

    // A later session's start-up history keeps the turns shown elsewhere, and asks for no suggestions.
    void laterSession_keepsTheOpenConversation()
    {
        auto later = f.makeSession(f.patientId);
        AwaitTask::run(later->load());
        QCOMPARE(storedIn(*f.session).turns.size(), 4);
        QVERIFY(storedIn(*later).hasLoadedHistory);
        QCOMPARE(f.requestCount(QStringLiteral("/api/chats/suggested_questions")), 0);
        QCOMPARE(f.requestCount(QStringLiteral("/api/chats/my_questions")), 1);
    }
};

QTEST_MAIN(AskSessionsTest)
#include "AskSessionsTest.moc"
