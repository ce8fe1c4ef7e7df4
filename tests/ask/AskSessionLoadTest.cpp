#include "AskFixture.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

namespace
{

const QString suggestionsPath = QStringLiteral("/api/chats/suggested_questions");
const QString historyPath = QStringLiteral("/api/chats/my_questions");

// When a load's reply comes back, against a question asked in the session.
enum class Reply { BackAtOnce, BackAfterTheAnswer, AskedAfterTheAnswer };

} // namespace

Q_DECLARE_METATYPE(Reply)

// What the Ask session loads: suggestions and history at start, a conversation's messages when opened.
class AskSessionLoadTest : public QObject
{
    Q_OBJECT

private:
    AskFixture f;

    // The ids of the list the service holds at `path`, fetched apart from the session.
    QStringList serviceIDs(const QString &path)
    {
        const StandinSession direct = f.server.signIn();
        QStringList ids;
        for (const QJsonValue &item :
             f.server.apiCall("GET", path, {}, direct.access)[QStringLiteral("data")].toArray())
            ids << item[QStringLiteral("_id")].toString();
        return ids;
    }

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

    // A history asked for before or after a question was asked keeps that question's conversation as it is
    // here, listed once.
    void historyReply_keepsAQuestionAskedAfterItWasAskedFor_data()
    {
        QTest::addColumn<bool>("followUp");
        QTest::addColumn<Reply>("reply");
        QTest::newRow("new question, reply back at once") << false << Reply::BackAtOnce;
        QTest::newRow("new question, reply back after the answer") << false << Reply::BackAfterTheAnswer;
        QTest::newRow("follow-up, reply back after the answer") << true << Reply::BackAfterTheAnswer;
        QTest::newRow("new question, history asked for after the answer") << false << Reply::AskedAfterTheAnswer;
    }

    void historyReply_keepsAQuestionAskedAfterItWasAskedFor()
    {
        QFETCH(bool, followUp);
        QFETCH(Reply, reply);
        QVERIFY(f.openStoredConversation());
        std::optional<QCoro::Task<>> history;
        if (reply != Reply::AskedAfterTheAnswer) {
            f.server.injectFault({{"path", historyPath}, {"hold", true}});
            history = f.session->retryHistory();
            QTRY_COMPARE_WITH_TIMEOUT(f.server.heldReplies(), 1, AskFixture::deadlineMs);
        }
        if (followUp)
            f.session->sendFollowUp(f.storedChannel, QStringLiteral("And now?"));
        else
            f.session->submitQuestion(QStringLiteral("Quick one?"));
        const QString askedID = *f.session->selectedConversationID();
        if (reply == Reply::BackAtOnce)
            f.server.releaseHeldReplies();
        QVERIFY(f.waitForAnswer());
        if (reply == Reply::BackAfterTheAnswer)
            f.server.releaseHeldReplies();
        AwaitTask::run(history ? std::move(*history) : f.session->retryHistory());

        QStringList channelsShown;
        for (const AskConversation &shown : f.session->conversations())
            channelsShown << shown.channelID.value_or(QString());
        QStringList channelsStored = serviceIDs(QStringLiteral("/chats/my_questions?patientId=") + f.patientId);
        channelsShown.sort();
        channelsStored.sort();
        QCOMPARE(channelsShown, channelsStored);
        const AskConversation *asked = f.session->conversation(askedID);
        QVERIFY(asked && asked->hasLoadedHistory);
        QCOMPARE(asked->turns.size(), followUp ? 6 : 2);
        QCOMPARE(asked->turns.last().id, serviceIDs(QStringLiteral("/chats/channels/") + *asked->channelID).last());
    }

    // The history asked for after a question began and back while its answer streams: the conversation
    // stays open with its streaming answer, and once the answer is over the list holds it once.
    void historyBackWhileTheAnswerStreams_keepsTheOpenConversation_data()
    {
        QTest::addColumn<bool>("afterAFailure");
        QTest::newRow("start-up, the suggestions still loading") << false;
        QTest::newRow("Try Again after a failed history") << true;
    }
    void historyBackWhileTheAnswerStreams_keepsTheOpenConversation()
    {
        QFETCH(bool, afterAFailure);
        if (afterAFailure) {
            f.server.injectFault({{"path", historyPath}, {"status", 500}});
            AwaitTask::run(f.session->load());
            QVERIFY(f.session->historyError());
        }
        f.server.injectFault({{"path", AskFixture::streamPath}, {"hold", true}});
        // Asked before the start-up's suggestions reply is taken, so the history is asked for after it.
        QCoro::Task<> history = afterAFailure ? QCoro::Task<>() : f.session->load();
        f.session->submitQuestion(QStringLiteral("While loading?"));
        const QString askedID = *f.session->selectedConversationID();
        QTRY_COMPARE_WITH_TIMEOUT(f.server.heldReplies(), 1, AskFixture::deadlineMs);
        if (afterAFailure)
            history = f.session->retryHistory();
        QTRY_COMPARE_WITH_TIMEOUT(f.client->finishedReplies(historyPath.mid(4)), afterAFailure ? 2 : 1,
                                  AskFixture::deadlineMs);
        QVERIFY(f.session->selectedConversation());
        QCOMPARE(f.session->selectedConversation()->id, askedID);
        QVERIFY(f.session->selectedConversation()->turns.last().isStreaming);

        f.server.releaseHeldReplies();
        AwaitTask::run(std::move(history));
        QVERIFY(f.waitForAnswer());
        const AskConversation *asked = f.session->conversation(askedID);
        QVERIFY(asked && asked->channelID);
        QCOMPARE(asked->turns.size(), 2);
        QStringList channelsShown;
        for (const AskConversation &shown : f.session->conversations())
            channelsShown << shown.channelID.value_or(QString());
        QCOMPARE(channelsShown.count(*asked->channelID), 1);
        channelsShown.sort();
        QStringList channelsStored = serviceIDs(QStringLiteral("/chats/my_questions?patientId=") + f.patientId);
        channelsStored.sort();
        QCOMPARE(channelsShown, channelsStored);
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

    // A conversation's stored messages asked for before a follow-up was asked there come back with the
    // follow-up after them, once.
    void messagesReply_keepsAFollowUpAskedMeanwhile_data()
    {
        QTest::addColumn<Reply>("reply");
        QTest::newRow("back at once") << Reply::BackAtOnce;
        QTest::newRow("back after the answer") << Reply::BackAfterTheAnswer;
    }

    void messagesReply_keepsAFollowUpAskedMeanwhile()
    {
        QFETCH(Reply, reply);
        AwaitTask::run(f.session->load());
        f.server.injectFault({{"path", QStringLiteral("/api/chats/channels/") + f.storedChannel}, {"hold", true}});
        f.session->selectConversation(f.storedChannel);
        QTRY_COMPARE_WITH_TIMEOUT(f.server.heldReplies(), 1, AskFixture::deadlineMs);
        f.session->sendFollowUp(f.storedChannel, QStringLiteral("And now?"));
        if (reply == Reply::BackAtOnce)
            f.server.releaseHeldReplies();
        QVERIFY(f.waitForAnswer());
        if (reply == Reply::BackAfterTheAnswer)
            f.server.releaseHeldReplies();
        const AskConversation *opened = f.session->conversation(f.storedChannel);
        QTRY_VERIFY_WITH_TIMEOUT(opened->hasLoadedHistory, AskFixture::deadlineMs);
        QStringList turnIDs;
        for (const AskTurn &turn : opened->turns)
            turnIDs << turn.id;
        QCOMPARE(turnIDs, serviceIDs(QStringLiteral("/chats/channels/") + f.storedChannel));
        QCOMPARE(opened->turns.at(4).content, QStringLiteral("And now?"));
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
