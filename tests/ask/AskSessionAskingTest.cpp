#include "AskFixture.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

namespace
{

QByteArray sse(const char *name, const QByteArray &data)
{
    return QByteArray("event: ") + name + "\ndata: " + data + "\n\n";
}

QByteArray delta(const char *text)
{
    return sse("message", QByteArray(R"({"delta":")") + text + "\"}");
}

QStringList queryNames(const LoggedRequest &request)
{
    QStringList names;
    for (const auto &[name, value] : QUrlQuery(QString::fromUtf8(request.query)).queryItems())
        names.append(name);
    names.sort();
    return names;
}

QString queryValue(const LoggedRequest &request, const QString &name)
{
    return QUrlQuery(QString::fromUtf8(request.query)).queryItemValue(name, QUrl::FullyDecoded);
}

} // namespace

// Asking: the local turns, the streamed answer, its stored replacement, its failures, and undo.
class AskSessionAskingTest : public QObject
{
    Q_OBJECT

private:
    AskFixture f;

    const AskConversation &first() const { return f.session->conversations().first(); }
    const AskConversation &stored() const { return *f.session->conversation(f.storedChannel); }
    QString undoPath() const { return QStringLiteral("/api/chats/channels/") + f.storedChannel + "/undo"; }

private Q_SLOTS:
    void initTestCase() { QVERIFY(f.server.isRunning()); }
    void init() { f.start(); }
    void cleanup() { f.stop(); }

    void newQuestion_streamsIntoAPlaceholder_thenDoneReplacesBothTurns()
    {
        f.session->setAskText(QStringLiteral("  What about my inhaler?\n"));
        QSignalSpy grew(f.session.get(), &AskSession::turnChanged);
        f.session->submitAskText();
        QCOMPARE(f.session->askText(), QString());
        QVERIFY(f.session->isAsking());
        QCOMPARE(first().title, QStringLiteral("What about my inhaler?"));
        QCOMPARE(f.session->selectedConversationID(), std::optional<QString>(first().id));
        QVERIFY(!first().channelID && first().hasLoadedHistory);
        QCOMPARE(first().turns.size(), 2);
        QCOMPARE(first().turns.at(0).content, QStringLiteral("What about my inhaler?"));
        QVERIFY(first().turns.at(1).isStreaming && first().turns.at(1).content.isEmpty());
        const QString localAnswerID = first().turns.at(1).id;

        QVERIFY(f.waitForAnswer());
        QVERIFY(grew.size() > 1);
        const LoggedRequest sent = f.server.requests(AskFixture::streamPath).first();
        QCOMPARE(queryNames(sent), (QStringList{"content", "patientId"}));
        QCOMPARE(queryValue(sent, QStringLiteral("content")), QStringLiteral("What about my inhaler?"));
        QVERIFY(first().channelID);
        const QJsonArray service =
            f.server.apiCall("GET", "/chats/channels/" + *first().channelID, {}, f.server.signIn().access)
                .toObject()[QStringLiteral("data")]
                .toArray();
        QCOMPARE(first().turns.size(), 2);
        QCOMPARE(first().turns.at(0).id, service.at(0)[QStringLiteral("_id")].toString());
        QCOMPARE(first().turns.at(1).id, service.at(1)[QStringLiteral("_id")].toString());
        QVERIFY(first().turns.at(1).id != localAnswerID);
        QVERIFY(!first().turns.at(1).isStreaming && !first().turns.at(1).isError);
        QCOMPARE(first().turns.at(1).content, service.at(1)[QStringLiteral("content")].toString());
        QCOMPARE(first().turns.at(1).usedMedbits.size(), 2);
        QCOMPARE(first().title, QStringLiteral("What about my inhaler?"));
        QVERIFY(first().updatedAt.secsTo(QDateTime::currentDateTime()) < 5);
    }

    void followUp_carriesTheChannel_andKeepsTheTitle()
    {
        f.session->submitQuestion(QStringLiteral("First?"));
        QVERIFY(f.waitForAnswer());
        const QString channel = *first().channelID;
        f.session->sendFollowUp(first().id, QStringLiteral(" Second? "));
        QCOMPARE(first().turns.size(), 4);
        QVERIFY(f.waitForAnswer());
        const LoggedRequest sent = f.server.requests(AskFixture::streamPath).last();
        QCOMPARE(queryNames(sent), (QStringList{"channelId", "content", "patientId"}));
        QCOMPARE(queryValue(sent, QStringLiteral("channelId")), channel);
        QCOMPARE(queryValue(sent, QStringLiteral("content")), QStringLiteral("Second?"));
        QCOMPARE(first().title, QStringLiteral("First?"));
        QCOMPARE(first().turns.at(2).content, QStringLiteral("Second?"));
        QVERIFY(!first().turns.at(3).isStreaming);
    }

    void questions_areRefusedWhileAnAnswerStreams()
    {
        QVERIFY(f.openStoredConversation());
        f.delay(AskFixture::streamPath, 500);
        f.session->submitQuestion(QStringLiteral("Slow?"));
        const int count = int(f.session->conversations().size());
        f.session->setAskText(QStringLiteral("Another?"));
        f.session->submitAskText();
        f.session->sendFollowUp(f.storedChannel, QStringLiteral("Follow?"));
        f.session->explainSimply(f.storedChannel);
        f.session->submitQuestion(QStringLiteral("   "));
        QCOMPARE(f.session->askText(), QStringLiteral("Another?"));
        QCOMPARE(f.session->conversations().size(), count);
        QCOMPARE(stored().turns.size(), 4);
        QVERIFY(f.waitForAnswer());
        QCOMPARE(f.requestCount(AskFixture::streamPath), 1);
    }

    void aSuggestion_clearsTheAskText()
    {
        f.session->setAskText(QStringLiteral("half typed"));
        f.session->submitQuestion(QStringLiteral("Are my vaccinations up to date?"));
        QCOMPARE(f.session->askText(), QString());
        QCOMPARE(first().title, QStringLiteral("Are my vaccinations up to date?"));
        QVERIFY(f.waitForAnswer());
    }

    void explainSimply_sendsTheLiteralQuestion_onlyWithAChannel()
    {
        f.scriptAnswer({sse("stream_error", R"({"message":"busy"})")});
        f.session->submitQuestion(QStringLiteral("No channel yet?"));
        QVERIFY(f.waitForAnswer());
        f.session->explainSimply(first().id);
        QCOMPARE(f.requestCount(AskFixture::streamPath), 1);

        QVERIFY(f.openStoredConversation());
        f.session->explainSimply(f.storedChannel);
        QCOMPARE(stored().turns.at(4).content, QStringLiteral("explain simply"));
        QVERIFY(f.waitForAnswer());
        const LoggedRequest sent = f.server.requests(AskFixture::streamPath).last();
        QCOMPARE(queryValue(sent, QStringLiteral("content")), QStringLiteral("explain simply"));
        QCOMPARE(queryValue(sent, QStringLiteral("channelId")), f.storedChannel);
    }

    void answerEndings_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QString>("content");
        QTest::addColumn<bool>("isError");
        const QByteArray done = sse("done", R"({"user":{"_id":"u1","role":"user","content":"Q?","channelId":"c9"},)"
                                            R"("assistant":{"_id":"a1","role":"assistant","content":"Stored."}})");
        QTest::newRow("stream_error drops the partial answer")
            << QList<QByteArray>{delta("Part"), sse("stream_error", R"({"message":"The model is busy."})")} << 200
            << QByteArray() << QStringLiteral("The model is busy.") << true;
        QTest::newRow("stream_error that is not JSON")
            << QList<QByteArray>{sse("stream_error", "oops")} << 200 << QByteArray()
            << QStringLiteral("Something went wrong.") << true;
        QTest::newRow("a failed status with a message")
            << QList<QByteArray>{R"({"message":"Answers are paused."})"} << 500 << QByteArray("application/json")
            << QStringLiteral("Answers are paused.") << true;
        QTest::newRow("a reply that is not a stream")
            << QList<QByteArray>{"[]"} << 200 << QByteArray("application/json")
            << QStringLiteral("The server didn't send a streaming response. It may be updating, so please try again "
                              "in a few minutes.")
            << true;
        QTest::newRow("done, then a late stream_error changes nothing")
            << QList<QByteArray>{delta("Sto"), done, sse("stream_error", R"({"message":"late"})"), delta("x")} << 200
            << QByteArray() << QStringLiteral("Stored.") << false;
        QTest::newRow("a message that does not decode is skipped")
            << QList<QByteArray>{delta("A"), sse("message", R"({"text":"lost"})"), delta("B")} << 200 << QByteArray()
            << QStringLiteral("AB") << false;
        QTest::newRow("ends without done: the partial answer stays")
            << QList<QByteArray>{delta("Half "), delta("an answer")} << 200 << QByteArray()
            << QStringLiteral("Half an answer") << false;
        QTest::newRow("ends without done or text: an error turn")
            << QList<QByteArray>{sse("ping", "{}")} << 200 << QByteArray() << QStringLiteral("Something went wrong.")
            << true;
        QTest::newRow("a done that does not decode counts as none")
            << QList<QByteArray>{delta("Kept"), sse("done", R"({"user":{}})")} << 200 << QByteArray()
            << QStringLiteral("Kept") << false;
    }

    void answerEndings()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(int, status);
        QFETCH(QByteArray, contentType);
        QFETCH(QString, content);
        QFETCH(bool, isError);
        f.scriptAnswer(chunks, status, contentType);
        f.session->submitQuestion(QStringLiteral("Q?"));
        QVERIFY(f.waitForAnswer());
        const AskTurn &answer = first().turns.last();
        QCOMPARE(answer.content, content);
        QCOMPARE(answer.isError, isError);
        QVERIFY(!answer.isStreaming);
        QCOMPARE(first().turns.size(), 2);
    }

    void done_takesTheChannelOfTheAssistant_elseOfTheUser_data()
    {
        QTest::addColumn<QByteArray>("assistantChannel");
        QTest::addColumn<std::optional<QString>>("channel");
        QTest::newRow("assistant's") << QByteArray(R"("channelId":"from-assistant",)")
                                     << std::optional<QString>(QStringLiteral("from-assistant"));
        QTest::newRow("user's") << QByteArray() << std::optional<QString>(QStringLiteral("from-user"));
    }

    void done_takesTheChannelOfTheAssistant_elseOfTheUser()
    {
        QFETCH(QByteArray, assistantChannel);
        QFETCH(std::optional<QString>, channel);
        f.scriptAnswer(
            {sse("done", R"({"user":{"_id":"u","role":"user","content":"Q?","channelId":"from-user"},)"
                         R"("assistant":{"_id":"a",)" +
                             assistantChannel + R"("role":"assistant","content":"A","createdAt":762514200}})")});
        f.session->submitQuestion(QStringLiteral("Q?"));
        QVERIFY(f.waitForAnswer());
        QCOMPARE(first().channelID, channel);
        QCOMPARE(first().turns.last().date, QDateTime(QDate(2025, 3, 1), QTime(9, 30), Qt::UTC));
    }

    void undo_removesTheLastPair_thenTheEmptiedConversation()
    {
        const DoubleClickInterval apart(0);
        QVERIFY(f.openStoredConversation());
        const QString secondQuestionID = stored().turns.at(2).id;
        f.undo(f.storedChannel);
        QTRY_COMPARE_WITH_TIMEOUT(stored().turns.size(), 2, AskFixture::deadlineMs);
        QVERIFY(stored().turns.last().id != secondQuestionID);
        QCOMPARE(f.session->selectedConversationID(), std::optional<QString>(f.storedChannel));
        f.undo(f.storedChannel);
        QTRY_VERIFY_WITH_TIMEOUT(f.session->conversations().isEmpty(), AskFixture::deadlineMs);
        QVERIFY(!f.session->selectedConversationID());
        QCOMPARE(f.requestCount(undoPath()), 2);
    }

    // Whatever the user does while an undo runs, its reply removes the pair that was last at the click.
    void undo_oneAtATime_removesThePairLastAtTheClick_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::newRow("a second click") << QStringLiteral("undo");
        QTest::newRow("a follow-up") << QStringLiteral("followUp");
        QTest::newRow("explain simply") << QStringLiteral("explain");
    }
    void undo_oneAtATime_removesThePairLastAtTheClick()
    {
        QFETCH(QString, meanwhile);
        QVERIFY(f.openStoredConversation());
        const QStringList kept{stored().turns.at(0).id, stored().turns.at(1).id};
        f.delay(undoPath(), 400);
        QSignalSpy undoing(f.session.get(), &AskSession::undoingChanged);
        f.undo(f.storedChannel);
        QVERIFY(f.session->isUndoing(f.storedChannel));
        if (meanwhile == QLatin1String("undo"))
            f.undo(f.storedChannel);
        else if (meanwhile == QLatin1String("followUp"))
            f.session->sendFollowUp(f.storedChannel, QStringLiteral("Meanwhile?"));
        else
            f.session->explainSimply(f.storedChannel);
        QVERIFY(!f.session->isAsking());
        QTRY_VERIFY_WITH_TIMEOUT(!f.session->isUndoing(f.storedChannel), AskFixture::deadlineMs);
        QCOMPARE(undoing.size(), 2);
        QCOMPARE((QStringList{stored().turns.at(0).id, stored().turns.at(1).id}), kept);
        QCOMPARE(stored().turns.size(), 2);
        QCOMPARE(f.requestCount(undoPath()), 1);
        QCOMPARE(f.requestCount(AskFixture::streamPath), 0);
    }

    // A second click of the same burst is the same intent, also when the first one's undo is over.
    void undo_oncePerClickBurst_data()
    {
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<int>("undone");
        QTest::newRow("second click within the double-click interval") << 60000 << 1;
        QTest::newRow("second click after it") << 0 << 2;
    }
    void undo_oncePerClickBurst()
    {
        QFETCH(int, intervalMs);
        QFETCH(int, undone);
        const DoubleClickInterval clicks(intervalMs);
        QVERIFY(f.openStoredConversation());
        f.undo(f.storedChannel);
        QTRY_COMPARE_WITH_TIMEOUT(stored().turns.size(), 2, AskFixture::deadlineMs);
        f.undo(f.storedChannel);
        QTRY_VERIFY_WITH_TIMEOUT(!f.session->isUndoing(f.storedChannel), AskFixture::deadlineMs);
        QCOMPARE(f.requestCount(undoPath()), undone);
        QCOMPARE(f.session->conversations().isEmpty(), undone == 2);
    }

    // Undo acts on the pair the screen shows: none before the stored messages are shown.
    void undo_isOfferedOnlyOnceTheMessagesAreShown_data()
    {
        QTest::addColumn<QJsonObject>("fault");
        QTest::addColumn<bool>("fails");
        QTest::newRow("still loading") << QJsonObject{{"delayMs", 400}} << false;
        QTest::newRow("failed") << QJsonObject{{"status", 500}} << true;
        QTest::newRow("malformed") << QJsonObject{{"status", 200}, {"body", R"({"data":5})"}} << true;
    }
    void undo_isOfferedOnlyOnceTheMessagesAreShown()
    {
        QFETCH(QJsonObject, fault);
        QFETCH(bool, fails);
        const DoubleClickInterval apart(0);
        AwaitTask::run(f.session->load());
        const QString messagesPath = QStringLiteral("/api/chats/channels/") + f.storedChannel;
        fault.insert(QStringLiteral("path"), messagesPath);
        f.server.injectFault(fault);
        QSignalSpy states(f.session.get(), &AskSession::conversationHistoryStateChanged);
        f.session->selectConversation(f.storedChannel);
        QVERIFY(stored().isLoadingHistory);
        f.undo(f.storedChannel);
        QVERIFY(!f.isUndoOffered(f.storedChannel));
        QTRY_VERIFY_WITH_TIMEOUT(!stored().isLoadingHistory, AskFixture::deadlineMs);
        QCOMPARE(stored().historyError.has_value(), fails);
        QCOMPARE(f.isUndoOffered(f.storedChannel), !fails);
        f.undo(f.storedChannel);
        if (fails) {
            QCOMPARE(f.requestCount(undoPath()), 0);
            QVERIFY(stored().turns.isEmpty());
            f.session->retryConversationHistory(f.storedChannel);
            QTRY_VERIFY_WITH_TIMEOUT(f.isUndoOffered(f.storedChannel), AskFixture::deadlineMs);
            QVERIFY(!stored().historyError);
            QCOMPARE(states.size(), 4);
            f.undo(f.storedChannel);
        }
        QTRY_COMPARE_WITH_TIMEOUT(stored().turns.size(), 2, AskFixture::deadlineMs);
        QCOMPARE(f.requestCount(undoPath()), 1);
        QCOMPARE(f.requestCount(messagesPath), fails ? 2 : 1);
    }

    void undo_ofAConversationNotYetOpened_sendsNothing()
    {
        AwaitTask::run(f.session->load());
        f.undo(f.storedChannel);
        QCOMPARE(f.requestCount(undoPath()), 0);
        QCOMPARE(f.session->conversations().size(), 1);
    }

    // A follow-up submitted while the session is busy stays in its field, and goes once it is idle.
    void followUp_submittedWhileBusy_waitsInItsField_data()
    {
        QTest::addColumn<QString>("busy");
        QTest::newRow("an answer streams") << QStringLiteral("answer");
        QTest::newRow("an undo runs") << QStringLiteral("undo");
    }
    void followUp_submittedWhileBusy_waitsInItsField()
    {
        QFETCH(QString, busy);
        QVERIFY(f.openStoredConversation());
        const bool answering = busy == QLatin1String("answer");
        if (answering) {
            f.delay(AskFixture::streamPath, 400);
            f.session->sendFollowUp(f.storedChannel, QStringLiteral("First?"));
        } else {
            f.delay(undoPath(), 400);
            f.undo(f.storedChannel);
        }
        f.session->setFollowUpText(QStringLiteral(" Later? "));
        f.session->submitFollowUp(f.storedChannel);
        QCOMPARE(f.session->followUpText(), QStringLiteral(" Later? "));
        QTRY_VERIFY_WITH_TIMEOUT(!f.session->isAsking() && !f.session->isUndoing(f.storedChannel),
                                 AskFixture::deadlineMs);
        QCOMPARE(f.requestCount(AskFixture::streamPath), answering ? 1 : 0);
        f.session->submitFollowUp(f.storedChannel);
        QCOMPARE(f.session->followUpText(), QString());
        QCOMPARE(stored().turns.at(stored().turns.size() - 2).content, QStringLiteral("Later?"));
        QVERIFY(f.waitForAnswer());
        QCOMPARE(f.requestCount(AskFixture::streamPath), answering ? 2 : 1);
    }

    void failedUndo_changesNothing()
    {
        QVERIFY(f.openStoredConversation());
        f.server.injectFault({{"path", undoPath()}, {"status", 500}});
        f.undo(f.storedChannel);
        QTRY_COMPARE_WITH_TIMEOUT(f.client->finishedReplies(undoPath().mid(4)), 1, AskFixture::deadlineMs);
        QCOMPARE(stored().turns.size(), 4);
    }

    // The service would remove the pair before an unconfirmed one: undo sends nothing then.
    void undo_isRefused_whileItsAnswerStreams_orItsLastTurnsAreLocal()
    {
        QVERIFY(f.openStoredConversation());
        f.delay(AskFixture::streamPath, 400);
        f.session->sendFollowUp(f.storedChannel, QStringLiteral("Pending?"));
        f.undo(f.storedChannel);
        QVERIFY(f.waitForAnswer());
        QCOMPARE(f.requestCount(undoPath()), 0);

        f.scriptAnswer({R"({"message":"down"})"}, 500, "application/json");
        f.session->sendFollowUp(f.storedChannel, QStringLiteral("Failing?"));
        QVERIFY(f.waitForAnswer());
        QVERIFY(stored().turns.last().isError);
        f.undo(f.storedChannel);
        QCOMPARE(f.requestCount(undoPath()), 0);
    }

    // Try Again on messages that failed, while an answer streams there: the streaming pair stays, and the
    // stored messages follow once the answer is over, holding it once; undo waits for the stream.
    void undo_isRefusedWhileStreaming_andRetriedMessagesKeepTheStreamingAnswer()
    {
        AwaitTask::run(f.session->load());
        const QString messagesPath = QStringLiteral("/api/chats/channels/") + f.storedChannel;
        f.server.injectFault({{"path", messagesPath}, {"status", 500}});
        f.session->selectConversation(f.storedChannel);
        QTRY_VERIFY_WITH_TIMEOUT(stored().historyError, AskFixture::deadlineMs);
        f.server.injectFault({{"path", AskFixture::streamPath}, {"hold", true}});
        f.session->sendFollowUp(f.storedChannel, QStringLiteral("Mid-load?"));
        QTRY_COMPARE_WITH_TIMEOUT(f.server.heldReplies(), 1, AskFixture::deadlineMs);
        f.session->retryConversationHistory(f.storedChannel);
        QTRY_COMPARE_WITH_TIMEOUT(f.client->finishedReplies(messagesPath.mid(4)), 2, AskFixture::deadlineMs);
        QCOMPARE(stored().turns.size(), 2);
        QVERIFY(stored().turns.last().isStreaming);
        f.undo(f.storedChannel);
        f.server.releaseHeldReplies();
        QVERIFY(f.waitForAnswer());
        QTRY_VERIFY_WITH_TIMEOUT(stored().hasLoadedHistory, AskFixture::deadlineMs);
        QCOMPARE(f.requestCount(undoPath()), 0);
        const QJsonArray service =
            f.server.apiCall("GET", "/chats/channels/" + f.storedChannel, {}, f.server.signIn().access)
                .toObject()[QStringLiteral("data")]
                .toArray();
        QCOMPARE(stored().turns.size(), service.size());
        QCOMPARE(stored().turns.last().id, service.last()[QStringLiteral("_id")].toString());
        QCOMPARE(stored().turns.at(4).content, QStringLiteral("Mid-load?"));
    }

    void undo_ofAnotherConversation_goesOnWhileAnAnswerStreams()
    {
        QVERIFY(f.openStoredConversation());
        f.delay(AskFixture::streamPath, 400);
        f.session->submitQuestion(QStringLiteral("Elsewhere?"));
        f.undo(f.storedChannel);
        QTRY_COMPARE_WITH_TIMEOUT(stored().turns.size(), 2, AskFixture::deadlineMs);
        QVERIFY(f.waitForAnswer());
    }

    // Leaving Ask mid-answer: the next session shows the question as it streams, and its history, asked for
    // meanwhile, lists it once after the answer.
    void newSession_showsTheAnswerOfTheOldOne_andListsItOnce()
    {
        AwaitTask::run(f.session->load());
        f.server.injectFault({{"path", AskFixture::streamPath}, {"hold", true}});
        f.session->submitQuestion(QStringLiteral("Asked before leaving?"));
        const QString askedID = *f.session->selectedConversationID();
        QTRY_COMPARE_WITH_TIMEOUT(f.server.heldReplies(), 1, AskFixture::deadlineMs);
        f.session = f.makeSession(f.patientId);
        QVERIFY(f.session->isAsking());
        QVERIFY(f.session->conversation(askedID)->turns.last().isStreaming);
        QCoro::Task<> load = f.session->load();
        QTRY_COMPARE_WITH_TIMEOUT(f.client->finishedReplies(QStringLiteral("/chats/my_questions")), 2,
                                  AskFixture::deadlineMs);
        QCOMPARE(f.session->conversations().size(), 2);
        f.server.releaseHeldReplies();
        AwaitTask::run(std::move(load));
        QVERIFY(!f.session->isAsking());
        QCOMPARE(f.session->conversations().size(), 2);
        QCOMPARE(f.session->displayedConversations().first().id, askedID);
        QVERIFY(f.session->conversation(askedID)->channelID);
        QCOMPARE(f.requestCount(QStringLiteral("/api/chats/my_questions")), 2);
    }

    // The service stores a new question as it arrives, and its stream breaks before "done": the history
    // lists the conversation once, as the one open here, and its stored messages take the broken answer's place.
    void newConversation_whoseStreamEndsWithoutDone_isListedOnce_data()
    {
        QTest::addColumn<bool>("cut");       // the connection ends mid-body, else the stream just ends
        QTest::addColumn<bool>("meanwhile"); // the history is asked for while the answer streams
        QTest::newRow("cut, history loaded after") << true << false;
        QTest::newRow("ended, history loaded after") << false << false;
        QTest::newRow("cut, history loaded meanwhile") << true << true;
    }
    void newConversation_whoseStreamEndsWithoutDone_isListedOnce()
    {
        QFETCH(bool, cut);
        QFETCH(bool, meanwhile);
        const QString question = QStringLiteral("Cut short?");
        AwaitTask::run(f.session->load());
        const QByteArray access = f.server.signIn().access;
        const QString asked = QString::fromUtf8(QUrl::toPercentEncoding(question));
        f.server.apiCall("GET", "/chats/get_answer_free?patientId=" + f.patientId + "&content=" + asked, {}, access);
        QJsonArray chunks{QJsonObject{{"data", QString::fromUtf8(delta("Half"))}}};
        if (meanwhile) // Stopped there until the gate opens.
            chunks.append(QJsonObject{{"data", ""}, {"gate", true}});
        f.server.scriptStream({{"path", AskFixture::streamPath}, {"chunks", chunks}, {"cut", cut}});
        // Qt sends a request once more when its connection closes under it, as a cut can look on a busy machine:
        // that one is dropped too, so that no whole answer makes the service another channel.
        if (cut)
            f.server.injectFault({{"path", AskFixture::streamPath}, {"drop", true}, {"times", 0}});
        f.session->submitQuestion(question);
        const QString askedID = *f.session->selectedConversationID();
        if (meanwhile) {
            QTRY_COMPARE_WITH_TIMEOUT(first().turns.last().content, QStringLiteral("Half"), AskFixture::deadlineMs);
            const std::unique_ptr<AskSession> other = f.makeSession(f.patientId);
            QCoro::Task<> load = other->load();
            QTRY_COMPARE_WITH_TIMEOUT(f.client->finishedReplies(QStringLiteral("/chats/my_questions")), 2,
                                      AskFixture::deadlineMs);
            f.server.openGates();
            AwaitTask::run(std::move(load));
        } else {
            QVERIFY(f.waitForAnswer());
            AwaitTask::run(f.session->retryHistory());
        }
        QVERIFY(f.waitForAnswer());
        QStringList titles;
        for (const AskConversation &listed : f.session->displayedConversations())
            titles << listed.title;
        QCOMPARE(titles.count(question), 1);
        QVERIFY(f.session->selectedConversation());
        QCOMPARE(f.session->selectedConversation()->id, askedID);
        const QJsonValue channel = f.server.apiCall("GET", "/chats/my_questions?patientId=" + f.patientId, {},
                                                    access)[QStringLiteral("data")][0];
        QCOMPARE(channel[QStringLiteral("title")].toString(), question); // the newest one
        QCOMPARE(f.session->conversation(askedID)->channelID, channel[QStringLiteral("_id")].toString());
        QTRY_VERIFY_WITH_TIMEOUT(f.session->conversation(askedID)->hasLoadedHistory, AskFixture::deadlineMs);
        const QJsonArray messages = f.server
                                        .apiCall("GET", "/chats/channels/" + channel[QStringLiteral("_id")].toString(),
                                                 {}, access)[QStringLiteral("data")]
                                        .toArray();
        const QList<AskTurn> &turns = f.session->conversation(askedID)->turns;
        QCOMPARE(turns.size(), 2);
        QCOMPARE(turns.last().content, messages.last()[QStringLiteral("content")].toString());
        QVERIFY(!turns.last().isError && !turns.last().isStreaming);
    }

    // A patient change destroys the session; its answer is read to the end without touching it.
    void answerOutlivesItsSession()
    {
        f.delay(AskFixture::streamPath, 200);
        f.session->submitQuestion(QStringLiteral("Gone?"));
        f.session.reset();
        QTRY_COMPARE_WITH_TIMEOUT(f.client->finishedReplies(QStringLiteral("/chats/get_answer_free")), 1,
                                  AskFixture::deadlineMs);
    }
};

QTEST_MAIN(AskSessionAskingTest)
#include "AskSessionAskingTest.moc"
