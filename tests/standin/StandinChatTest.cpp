#include "AwaitTask.h"
#include "StandinServer.h"
#include "net/Json.h"
#include "net/NetworkReplyPtr.h"

#include <QCoroNetworkReply>
#include <QCoroTask>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTest>
#include <QUrlQuery>

namespace
{

struct Answer {
    QString text;      // the "message" deltas joined
    QJsonObject done;  // the payload of "done"
    QStringList names; // the event names in order
};

QCoro::Task<QByteArray> readAll(QNetworkAccessManager *nam, QNetworkRequest request)
{
    const NetworkReplyPtr reply(nam->get(request));
    co_await qCoro(reply.get()).waitForFinished(std::chrono::milliseconds(15000));
    co_return reply->readAll();
}

Answer parse(const QByteArray &body)
{
    Answer answer;
    for (const QByteArray &block : body.split('\n')) {
        if (block.startsWith("event: "))
            answer.names.append(QString::fromUtf8(block.mid(7)));
        if (!block.startsWith("data: "))
            continue;
        const QJsonObject payload = QJsonDocument::fromJson(block.mid(6)).object();
        if (answer.names.last() == QLatin1String("message"))
            answer.text += payload.value(QLatin1String("delta")).toString();
        else
            answer.done = payload;
    }
    return answer;
}

} // namespace

// The answer stream and the stored conversations it feeds: suggestions, the list of channels, a channel's
// messages, undo and the health story.
class StandinChatTest : public QObject
{
    Q_OBJECT

private:
    StandinServer m_server;
    QNetworkAccessManager m_network;
    StandinSession m_session;
    QString m_patientId; // Alex, the demo patient with the stored conversation
    QString m_otherPatientId;

    Answer ask(const QString &question, const QString &channel = {})
    {
        QUrl url(m_server.apiBase().toString() + QStringLiteral("/chats/get_answer_free"));
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("patientId"), m_patientId);
        query.addQueryItem(QStringLiteral("content"), QString::fromLatin1(QUrl::toPercentEncoding(question)));
        if (!channel.isEmpty())
            query.addQueryItem(QStringLiteral("channelId"), channel);
        url.setQuery(query);
        QNetworkRequest request(url);
        request.setRawHeader("Authorization", "Bearer " + m_session.access);
        return parse(AwaitTask::run(readAll(&m_network, request)));
    }

    QJsonValue call(const QByteArray &method, const QString &path, const QJsonObject &body = {})
    {
        return m_server.apiCall(method, path, body, m_session.access);
    }

    QJsonArray myQuestions(const QString &patientId)
    {
        return call("GET", QStringLiteral("/chats/my_questions?cursor=&patientId=") + patientId)
            .toObject()
            .value(QLatin1String("data"))
            .toArray();
    }

    QJsonArray messages(const QString &channel)
    {
        return call("GET", QStringLiteral("/chats/channels/") + channel + QStringLiteral("?cursor="))
            .toObject()
            .value(QLatin1String("data"))
            .toArray();
    }

    static QString channelOf(const Answer &answer)
    {
        return answer.done.value(QLatin1String("user")).toObject().value(QLatin1String("channelId")).toString();
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_server.reset();
        m_session = m_server.signIn();
        const QJsonArray patients =
            call("GET", QStringLiteral("/patients/listAll?userId=") + m_session.userId).toArray();
        m_patientId = patients.at(0)[QStringLiteral("_id")].toString();
        m_otherPatientId = patients.at(1)[QStringLiteral("_id")].toString();
    }

    void answer_streamsDeltasThenDone_deterministically()
    {
        const QString question = QStringLiteral("Is 1+1 & #2 fine?");
        const Answer first = ask(question);
        QVERIFY(first.names.size() > 2);
        QCOMPARE(first.names.last(), QStringLiteral("done"));
        QVERIFY(first.text.startsWith(QStringLiteral("**Answer**")));
        const QJsonObject user = first.done.value(QLatin1String("user")).toObject();
        const QJsonObject assistant = first.done.value(QLatin1String("assistant")).toObject();
        QCOMPARE(user.value(QLatin1String("content")).toString(), question);
        QCOMPARE(assistant.value(QLatin1String("content")).toString(), first.text);
        QCOMPARE(assistant.value(QLatin1String("role")).toString(), QStringLiteral("assistant"));
        const QString channel = channelOf(first);
        QVERIFY(!channel.isEmpty());
        const double sinceReference = QDateTime::currentSecsSinceEpoch() - 978307200.0;
        QVERIFY(qAbs(user.value(QLatin1String("createdAt")).toDouble() - sinceReference) < 60);
        QVERIFY(assistant.value(QLatin1String("createdAt")).isDouble());

        const Answer again = ask(question, channel);
        QCOMPARE(again.text, first.text);
        QCOMPARE(channelOf(again), channel);
    }

    void answer_namesTheEntriesItDrewOn_data()
    {
        QTest::addColumn<QString>("question");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("no shared word: the first entry")
            << QStringLiteral("How am I?")
            << QStringList{QStringLiteral("Seasonal asthma, mild; inhaler before exercise.")};
        QTest::newRow("two entries share a word")
            << QStringLiteral("Should I keep my INHALER?")
            << QStringList{QStringLiteral("Seasonal asthma, mild; inhaler before exercise."),
                           QStringLiteral("Salbutamol inhaler 100 mcg, two puffs as needed.")};
    }

    void answer_namesTheEntriesItDrewOn()
    {
        QFETCH(QString, question);
        QFETCH(QStringList, entries);
        const Answer answer = ask(question);
        QVERIFY(!answer.done.value(QLatin1String("user")).toObject().contains(QLatin1String("usedMedbits")));
        QStringList used;
        for (const QJsonValue &entry :
             answer.done.value(QLatin1String("assistant")).toObject().value(QLatin1String("usedMedbits")).toArray())
            used.append(entry[QStringLiteral("entryText")].toString());
        QCOMPARE(used, entries);
    }

    void answers_areStoredInTheirChannel_titledByTheFirstQuestion()
    {
        const QJsonArray before = myQuestions(m_patientId);
        const Answer first = ask(QStringLiteral("What about my asthma?"));
        const QString channel = channelOf(first);
        ask(QStringLiteral("And the inhaler?"), channel);

        const QJsonArray listed = myQuestions(m_patientId);
        QCOMPARE(listed.size(), before.size() + 1);
        const QJsonObject newest = listed.first().toObject();
        QCOMPARE(newest.value(QLatin1String("_id")).toString(), channel);
        QCOMPARE(newest.value(QLatin1String("title")).toString(), QStringLiteral("What about my asthma?"));
        static const QRegularExpression isoWholeSeconds(QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$)"));
        QVERIFY(isoWholeSeconds.match(newest.value(QLatin1String("updatedAt")).toString()).hasMatch());
        QVERIFY(myQuestions(m_otherPatientId).isEmpty());

        const QJsonArray stored = messages(channel);
        QCOMPARE(stored.size(), 4);
        QCOMPARE(stored.at(2)[QStringLiteral("content")].toString(), QStringLiteral("And the inhaler?"));
        QCOMPARE(stored.at(1)[QStringLiteral("_id")].toString(),
                 first.done.value(QLatin1String("assistant")).toObject().value(QLatin1String("_id")).toString());
        QVERIFY(stored.at(1)[QStringLiteral("usedMedbits")].isArray());
        QVERIFY(isoWholeSeconds.match(stored.at(0)[QStringLiteral("createdAt")].toString()).hasMatch());
    }

    void undo_removesTheLastPair_andAnEmptiedChannel()
    {
        const Answer first = ask(QStringLiteral("First question?"));
        const QString channel = channelOf(first);
        const Answer second = ask(QStringLiteral("Second question?"), channel);
        const QString undoPath = QStringLiteral("/chats/channels/") + channel + QStringLiteral("/undo");

        const QJsonArray removed = call("POST", undoPath).toArray();
        QCOMPARE(removed, (QJsonArray{second.done[QStringLiteral("user")][QStringLiteral("_id")],
                                      second.done[QStringLiteral("assistant")][QStringLiteral("_id")]}));
        QCOMPARE(messages(channel).size(), 2);
        QCOMPARE(call("POST", undoPath).toArray().size(), 2);
        for (const QJsonValue &listed : myQuestions(m_patientId))
            QVERIFY(listed[QStringLiteral("_id")].toString() != channel);
        call("GET", QStringLiteral("/chats/channels/") + channel);
        QCOMPARE(m_server.lastStatus(), 404);
    }

    void unknownChannel_isNotFound_forEveryChannelCall()
    {
        const QString unknown = QStringLiteral("66a0ffffffffffffffffffff");
        call("GET", QStringLiteral("/chats/channels/") + unknown);
        QCOMPARE(m_server.lastStatus(), 404);
        call("POST", QStringLiteral("/chats/channels/") + unknown + QStringLiteral("/undo"));
        QCOMPARE(m_server.lastStatus(), 404);
        QCOMPARE(ask(QStringLiteral("Lost?"), unknown).names, QStringList());
    }

    void suggestions_aRefreshGivesAnotherList()
    {
        const QStringList first =
            Json::stringList(call("GET", QStringLiteral("/chats/suggested_questions?patientId=") + m_patientId));
        QCOMPARE(first.size(), 3);
        const QStringList refreshed = Json::stringList(
            call("GET", QStringLiteral("/chats/suggested_questions?refresh=true&patientId=") + m_patientId));
        QCOMPARE(refreshed.size(), 3);
        QVERIFY(refreshed != first);
    }

    void healthStory_tellsThePatientsEntries()
    {
        const QJsonObject story =
            call("POST", QStringLiteral("/chats/health_story"), {{QStringLiteral("patientId"), m_otherPatientId}})
                .toObject();
        QCOMPARE(m_server.lastStatus(), 200);
        const QString narrative = story.value(QLatin1String("narrative")).toString();
        QVERIFY(narrative.startsWith(QStringLiteral("## The health story of Sam")));
        QVERIFY(narrative.contains(QStringLiteral("- 2021: MMR vaccine, second dose.")));
        call("POST", QStringLiteral("/chats/health_story"), {{QStringLiteral("patient"), m_otherPatientId}});
        QCOMPARE(m_server.lastStatus(), 400);
    }
};

QTEST_MAIN(StandinChatTest)
#include "StandinChatTest.moc"
