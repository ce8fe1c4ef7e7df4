#include "AwaitTask.h"
#include "StandinServer.h"
#include "net/NetworkReplyPtr.h"

#include <QCoroNetworkReply>
#include <QCoroTask>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
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

// The one-off answer stream: deltas then "done", the same answer for the same question.
class StandinChatTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answer_streamsDeltasThenDone_deterministically()
    {
        StandinServer server;
        QVERIFY(server.isRunning());
        const StandinSession session = server.signIn();
        const QString patientId =
            server.apiCall("GET", QStringLiteral("/api/patients/listAll?userId=") + session.userId, {}, session.access)
                .toArray()
                .first()[QStringLiteral("_id")]
                .toString();
        const QString question = QStringLiteral("Is 1+1 & #2 fine?");
        const auto ask = [&](const QString &channel) {
            QUrl url(server.apiBase().toString() + QStringLiteral("/chats/get_answer_free"));
            QUrlQuery query;
            query.addQueryItem(QStringLiteral("patientId"), patientId);
            query.addQueryItem(QStringLiteral("content"), QString::fromLatin1(QUrl::toPercentEncoding(question)));
            if (!channel.isEmpty())
                query.addQueryItem(QStringLiteral("channelId"), channel);
            url.setQuery(query);
            QNetworkRequest request(url);
            request.setRawHeader("Authorization", "Bearer " + session.access);
            return parse(AwaitTask::run(readAll(&m_network, request)));
        };
        const Answer first = ask(QString());
        QVERIFY(first.names.size() > 2);
        QCOMPARE(first.names.last(), QStringLiteral("done"));
        QVERIFY(first.text.startsWith(QStringLiteral("**Answer**")));
        const QJsonObject user = first.done.value(QLatin1String("user")).toObject();
        const QJsonObject assistant = first.done.value(QLatin1String("assistant")).toObject();
        QCOMPARE(user.value(QLatin1String("content")).toString(), question);
        QCOMPARE(assistant.value(QLatin1String("content")).toString(), first.text);
        QCOMPARE(assistant.value(QLatin1String("role")).toString(), QStringLiteral("assistant"));
        const QString channel = user.value(QLatin1String("channelId")).toString();
        QVERIFY(!channel.isEmpty());
        const double sinceReference = QDateTime::currentSecsSinceEpoch() - 978307200.0;
        QVERIFY(qAbs(user.value(QLatin1String("createdAt")).toDouble() - sinceReference) < 60);

        const Answer again = ask(channel);
        QCOMPARE(again.text, first.text);
        QCOMPARE(again.done.value(QLatin1String("user")).toObject().value(QLatin1String("channelId")).toString(),
                 channel);
    }

private:
    QNetworkAccessManager m_network;
};

QTEST_MAIN(StandinChatTest)
#include "StandinChatTest.moc"
