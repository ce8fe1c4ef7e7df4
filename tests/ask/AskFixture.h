#pragma once

#include "AwaitTask.h"
#include "SignedInSession.h"
#include "StandinServer.h"

#include "ask/AnswerStreamSource.h"
#include "ask/AskSession.h"
#include "window/PendingAnswers.h"

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
// every session made here counts them in `pendingAnswers`, as the sessions of one window do.
struct AskFixture {
    static constexpr int deadlineMs = 10000;
    static inline const QString streamPath = QStringLiteral("/api/chats/get_answer_free");

    StandinServer server;
    std::unique_ptr<SignedInSession> client;
    PendingAnswers pendingAnswers;
    std::unique_ptr<AskSession> session;
    QString patientId;
    QString storedChannel;

    // Call from each test's init(): back to the seed, signed in, a fresh session, an empty request log.
    void start()
    {
        server.reset();
        client = std::make_unique<SignedInSession>(server, SignedInSession::Stores::AuthOnly);
        patientId = client->signInForPatientIDs().first();
        const StandinSession direct = server.signIn();
        storedChannel = server.apiCall("GET", "/chats/my_questions?patientId=" + patientId, {}, direct.access)
                            .toObject()[QStringLiteral("data")][0][QStringLiteral("_id")]
                            .toString();
        session = makeSession(patientId);
        server.clearRequests();
    }

    void stop()
    {
        session.reset();
        client.reset();
    }

    std::unique_ptr<AskSession> makeSession(const QString &patientId)
    {
        return std::make_unique<AskSession>(patientId, std::make_shared<AnswerStreamSource>(), &pendingAnswers);
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
