#include "AskFixture.h"

#include <QSignalSpy>
#include <QTest>

namespace
{

const QString suggestionsPath = QStringLiteral("/api/chats/suggested_questions");
const QString historyPath = QStringLiteral("/api/chats/my_questions");

} // namespace

// What the Ask session loads: suggestions and history at start, a conversation's messages when opened.
class AskSessionLoadTest : public QObject
{
    Q_OBJECT

private:
    AskFixture f;

private Q_SLOTS:
    void initTestCase() { QVERIFY(f.server.isRunning()); }
    void init() { f.start(); }
    void cleanup() { f.stop(); }

    void startUp_loadsSuggestionsThenHistory_once()
    {
        QVERIFY(f.session->isSuggestionsExpanded());
        AwaitTask::run(f.session->load());
        QCOMPARE(f.session->suggestedQuestions().size(), 3);
        QCOMPARE(f.session->conversations().size(), 1);
        const AskConversation &listed = f.session->conversations().first();
        QCOMPARE(listed.id, f.storedChannel);
        QCOMPARE(listed.channelID, std::optional<QString>(f.storedChannel));
        QCOMPARE(listed.title, QStringLiteral("What does my blood panel say?"));
        QCOMPARE(listed.updatedAt, QDateTime(QDate(2025, 3, 1), QTime(9, 32), Qt::UTC));
        QVERIFY(!listed.hasLoadedHistory && listed.turns.isEmpty());
        const QList<LoggedRequest> all = f.server.requests();
        QCOMPARE(all.size(), 2);
        QCOMPARE(all.at(0).path, suggestionsPath);
        QCOMPARE(all.at(1).path, historyPath);

        AwaitTask::run(f.session->load());
        QCOMPARE(f.requestCount(suggestionsPath) + f.requestCount(historyPath), 2);
    }

    void emptyPatient_sendsNothing()
    {
        f.session = f.makeSession(QString());
        AwaitTask::run(f.session->load());
        AwaitTask::run(f.session->refreshSuggestions());
        QCOMPARE(f.requestCount(suggestionsPath) + f.requestCount(historyPath), 0);
        QVERIFY(f.session->suggestedQuestions().isEmpty() && f.session->conversations().isEmpty());
    }

    void failedLoads_leaveTheStateAsItWas()
    {
        f.server.injectFault({{"path", suggestionsPath}, {"status", 500}});
        f.server.injectFault({{"path", historyPath}, {"status", 200}, {"body", "{}"}});
        QSignalSpy loading(f.session.get(), &AskSession::isLoadingSuggestionsChanged);
        AwaitTask::run(f.session->load());
        QCOMPARE(loading.size(), 2);
        QVERIFY(!f.session->isLoadingSuggestions());
        QVERIFY(f.session->suggestedQuestions().isEmpty() && f.session->conversations().isEmpty());
        // Failed is not empty: the lists say why, and "none" waits for a reply.
        QVERIFY(f.session->suggestionsError() && f.session->historyError());
        QVERIFY(!f.session->hasLoadedSuggestions() && !f.session->hasLoadedHistory());

        AwaitTask::run(f.session->retrySuggestions());
        AwaitTask::run(f.session->retryHistory());
        QVERIFY(!f.session->suggestionsError() && !f.session->historyError());
        QVERIFY(f.session->hasLoadedSuggestions() && f.session->hasLoadedHistory());
        QCOMPARE(f.session->suggestedQuestions().size(), 3);
        QCOMPARE(f.session->conversations().size(), 1);
        QVERIFY(!f.server.requests(suggestionsPath).last().query.contains("refresh"));
    }

    void refresh_replacesTheSuggestions_andAFailedOneKeepsThem()
    {
        AwaitTask::run(f.session->load());
        const QStringList first = f.session->suggestedQuestions();
        AwaitTask::run(f.session->refreshSuggestions());
        QVERIFY(f.session->suggestedQuestions() != first);
        QCOMPARE(f.server.requests(suggestionsPath).last().query,
                 "patientId=" + f.patientId.toUtf8() + "&refresh=true");
        const QStringList refreshed = f.session->suggestedQuestions();
        f.server.injectFault({{"path", suggestionsPath}, {"status", 503}});
        AwaitTask::run(f.session->refreshSuggestions());
        QCOMPARE(f.session->suggestedQuestions(), refreshed);
        QVERIFY(!f.session->isLoadingSuggestions());
    }

    void historyReply_replacesTheListWhole_aQuestionBegunMeanwhileIncluded()
    {
        // The service stores the question only after it has sent the history.
        f.delay(historyPath, 600);
        f.delay(AskFixture::streamPath, 1500);
        f.session->load();
        QTRY_COMPARE_WITH_TIMEOUT(f.session->suggestedQuestions().size(), 3, AskFixture::deadlineMs);
        f.session->submitQuestion(QStringLiteral("Quick one?"));
        QCOMPARE(f.session->conversations().size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(f.session->conversations().first().id, f.storedChannel, AskFixture::deadlineMs);
        QCOMPARE(f.session->conversations().size(), 1);
        QVERIFY(f.waitForAnswer());
    }

    void selection_loadsTheMessagesOnce_andEveryChangeClearsTheFollowUp()
    {
        AwaitTask::run(f.session->load());
        f.session->setFollowUpText(QStringLiteral("draft"));
        f.session->selectConversation(f.storedChannel);
        QCOMPARE(f.session->followUpText(), QString());
        QCOMPARE(f.session->selectedConversation()->id, f.storedChannel);
        QTRY_VERIFY_WITH_TIMEOUT(f.session->selectedConversation()->hasLoadedHistory, AskFixture::deadlineMs);
        const QList<AskTurn> &turns = f.session->selectedConversation()->turns;
        QCOMPARE(turns.size(), 4);
        QCOMPARE(turns.at(0).content, QStringLiteral("What does my blood panel say?"));
        QVERIFY(turns.at(0).isQuestion() && !turns.at(1).isQuestion());
        QCOMPARE(turns.at(1).usedMedbits.size(), 1);
        QCOMPARE(turns.at(3).date, QDateTime(QDate(2025, 3, 1), QTime(9, 32), Qt::UTC));

        f.session->setFollowUpText(QStringLiteral("draft"));
        f.session->closeConversation();
        QCOMPARE(f.session->followUpText(), QString());
        QVERIFY(!f.session->selectedConversation());
        f.session->setFollowUpText(QStringLiteral("draft"));
        f.session->selectConversation(f.storedChannel);
        QCOMPARE(f.session->followUpText(), QString());
        QCOMPARE(f.requestCount(QStringLiteral("/api/chats/channels/") + f.storedChannel), 1);
    }

    void failedMessageLoad_isTriedAgainOnTheNextOpening()
    {
        AwaitTask::run(f.session->load());
        const QString path = QStringLiteral("/api/chats/channels/") + f.storedChannel;
        f.server.injectFault({{"path", path}, {"status", 500}});
        f.session->selectConversation(f.storedChannel);
        QTRY_COMPARE_WITH_TIMEOUT(f.client->finishedReplies(path.mid(4)), 1, AskFixture::deadlineMs);
        QVERIFY(!f.session->selectedConversation()->hasLoadedHistory);
        QVERIFY(f.session->selectedConversation()->turns.isEmpty());
        f.session->closeConversation();
        QVERIFY(f.openStoredConversation());
        QCOMPARE(f.session->selectedConversation()->turns.size(), 4);
    }

    void displayOrder_isNewestAnswerFirst_andLeavesTheListAsItIs()
    {
        AwaitTask::run(f.session->load());
        f.session->submitQuestion(QStringLiteral("Newest?"));
        QVERIFY(f.waitForAnswer());
        QCOMPARE(f.session->displayedConversations().first().title, QStringLiteral("Newest?"));
        QVERIFY(f.openStoredConversation());
        f.session->sendFollowUp(f.storedChannel, QStringLiteral("And now?"));
        QVERIFY(f.waitForAnswer());
        QCOMPARE(f.session->displayedConversations().first().id, f.storedChannel);
        QCOMPARE(f.session->conversations().first().title, QStringLiteral("Newest?"));
    }
};

QTEST_MAIN(AskSessionLoadTest)
#include "AskSessionLoadTest.moc"
