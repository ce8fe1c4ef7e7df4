#pragma once

#include "AwaitTask.h"
#include "SignedInSession.h"
#include "StandinServer.h"

#include "ask/AnswerStreamSource.h"
#include "ask/AskSession.h"
#include "ask/AskSessions.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

#include <memory>

// A person's clicks nearer together than the double-click interval, or further apart, for one test.
struct DoubleClickInterval {
    explicit DoubleClickInterval(int ms) { QApplication::setDoubleClickInterval(ms); }
    ~DoubleClickInterval() { QApplication::setDoubleClickInterval(saved); }
    const int saved = QApplication::doubleClickInterval();
};

// A signed-in client against a stand-in with the demo records, and an Ask session for the demo patient
// whose stored conversation is `storedChannel`. Answers come from the stand-in's real event stream, and
// every session made here shares the records of `sessions`, as the sessions of one program do.
struct AskFixture {
    static constexpr int deadlineMs = 10000;
    static inline const QString streamPath = QStringLiteral("/api/chats/get_answer_free");

    StandinServer server;
    std::unique_ptr<SignedInSession> client;
    std::unique_ptr<AskSessions> sessions;
    std::unique_ptr<AskSession> session;
    QString patientId;
    QString storedChannel;

    // Call from each test's init(): back to the seed, signed in, fresh records and session, an empty log.
    void start()
    {
        server.reset();
        client = std::make_unique<SignedInSession>(server, SignedInSession::Stores::AuthOnly);
        patientId = client->signInForPatientIDs().first();
        const StandinSession direct = server.signIn();
        storedChannel = server.apiCall("GET", "/chats/my_questions?patientId=" + patientId, {}, direct.access)
                            .toObject()[QStringLiteral("data")][0][QStringLiteral("_id")]
                            .toString();
        restartRecords();
        server.clearRequests();
    }

    // As in a program started afresh: new records, and a session over them.
    void restartRecords()
    {
        session.reset();
        sessions = std::make_unique<AskSessions>(std::make_shared<AnswerStreamSource>());
        session = makeSession(patientId);
    }

    void stop()
    {
        session.reset();
        sessions.reset();
        client.reset();
    }

    std::unique_ptr<AskSession> makeSession(const QString &patientId)
    {
        return std::make_unique<AskSession>(patientId, sessions.get());
    }

    // The conversation's turns as a screen drawn from `on` shows them.
    static QStringList shownTurnIDs(const AskSession &on, const QString &conversationID)
    {
        QStringList ids;
        if (const AskConversation *shown = on.conversation(conversationID)) {
            for (const AskTurn &turn : shown->turns)
                ids << turn.id;
        }
        return ids;
    }

    // Undo as the session's screen asks for it, with the turns it shows.
    void undo(const QString &conversationID)
    {
        session->undoLastQuestion(conversationID, shownTurnIDs(*session, conversationID));
    }

    // Whether the session's screen, showing the conversation's turns, offers undo.
    bool isUndoOffered(const QString &conversationID) const
    {
        return session->isUndoOffered(conversationID, shownTurnIDs(*session, conversationID));
    }

    // Loads suggestions and history, then opens the stored conversation and waits for its turns.
    bool openStoredConversation()
    {
        AwaitTask::run(session->load());
        session->selectConversation(storedChannel);
        return QTest::qWaitFor([this] { return session->conversation(storedChannel)->hasLoadedHistory; }, deadlineMs);
    }

    bool waitForAnswer()
    {
        return QTest::qWaitFor([this] { return !session->isAsking(); }, deadlineMs);
    }

    // The next answer stream replies with these raw chunks.
    void scriptAnswer(const QList<QByteArray> &chunks, int status = 200, const QByteArray &contentType = {})
    {
        QJsonArray scripted;
        for (const QByteArray &chunk : chunks)
            scripted.append(QJsonObject{{"data", QString::fromUtf8(chunk)}, {"pauseMs", 20}});
        QJsonObject script{{"path", streamPath}, {"status", status}, {"chunks", scripted}};
        if (!contentType.isEmpty())
            script.insert(QStringLiteral("headers"), QJsonObject{{"Content-Type", QString::fromUtf8(contentType)}});
        server.scriptStream(script);
    }

    // The next request to `path` waits this long before the stand-in answers it as usual.
    void delay(const QString &path, int ms) { server.injectFault({{"path", path}, {"delayMs", ms}}); }

    // Makes sure every request sent so far has reached the stand-in.
    int requestCount(const QString &path)
    {
        client->roundTrip();
        return int(server.requests(path).size());
    }
};
