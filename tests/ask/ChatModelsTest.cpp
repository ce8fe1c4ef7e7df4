#include "ask/ChatModels.h"

#include "net/APIClient.h"

#include <QJsonDocument>
#include <QTest>

namespace
{

using ChannelPage = ChatCursorPage<ChatChannel>;
using MessagePage = ChatCursorPage<ChatMessage>;

QJsonObject objectOf(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

template <typename Page> std::optional<Page> pageOf(const QByteArray &json)
{
    try {
        return APIClient::decodeReply<Page>(json);
    } catch (const APIError &) {
        return std::nullopt;
    }
}

std::optional<ChatDoneEvent> doneOf(const QByteArray &json)
{
    try {
        return ChatDoneEvent::fromData(json);
    } catch (const Json::DecodingError &) {
        return std::nullopt;
    }
}

QByteArray message(const QByteArray &extraKeys)
{
    return R"({"_id":"m1","role":"assistant","content":"Hi")" + extraKeys + "}";
}

} // namespace

class ChatModelsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void channel_decodesOnlyWithItsId()
    {
        const ChatChannel channel = ChatChannel::fromJson(objectOf(R"({"_id":"c1","cursor":"x"})"));
        QCOMPARE(channel.id, QStringLiteral("c1"));
        QVERIFY(!channel.title && !channel.updatedAt);
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError, ChatChannel::fromJson(objectOf(R"({"title":"Sleep"})")));
    }

    void message_usedMedbits_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<int>("count"); // -1: no list
        QTest::newRow("missing") << QByteArray() << -1;
        QTest::newRow("null") << QByteArray(R"(,"usedMedbits":null)") << -1;
        QTest::newRow("empty") << QByteArray(R"(,"usedMedbits":[])") << 0;
        QTest::newRow("one") << QByteArray(R"(,"usedMedbits":[{"_id":"e1","entryText":"Flu shot"}])") << 1;
    }

    void message_usedMedbits()
    {
        QFETCH(QByteArray, keys);
        QFETCH(int, count);
        const ChatMessage decoded = ChatMessage::fromJson(objectOf(message(keys)));
        QCOMPARE(decoded.usedMedbits.has_value(), count >= 0);
        if (count >= 0)
            QCOMPARE(decoded.usedMedbits->size(), count);
    }

    void page_decoding_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("count"); // -1: the page fails
        QTest::newRow("empty data, a cursor") << QByteArray(R"({"data":[],"nextCursor":"abc"})") << 0;
        QTest::newRow("no data") << QByteArray(R"({"items":[]})") << -1;
        QTest::newRow("other role") << QByteArray("{\"data\":[" + message(R"(,"role":"system")") + "]}") << 1;
        QTest::newRow("role missing") << QByteArray(R"({"data":[{"_id":"m1","content":"Hi"}]})") << -1;
        QTest::newRow("date with Z") << QByteArray("{\"data\":[" + message(R"(,"createdAt":"2025-03-01T09:30:00Z")") +
                                                   "]}")
                                     << 1;
        QTest::newRow("date with offset")
            << QByteArray("{\"data\":[" + message(R"(,"createdAt":"2025-03-01T10:30:00+01:00")") + "]}") << 1;
        QTest::newRow("date as number") << QByteArray("{\"data\":[" + message(R"(,"createdAt":762514200)") + "]}")
                                        << -1;
        QTest::newRow("date without time")
            << QByteArray("{\"data\":[" + message(R"(,"createdAt":"2025-03-01")") + "]}") << -1;
        QTest::newRow("bad used entry") << QByteArray("{\"data\":[" + message(R"(,"usedMedbits":[{"_id":"e1"}])") +
                                                      "]}")
                                        << -1;
    }

    void page_decoding()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, count);
        const std::optional<MessagePage> page = pageOf<MessagePage>(json);
        QCOMPARE(page.has_value(), count >= 0);
        if (page)
            QCOMPARE(page->data.size(), count);
    }

    void page_isoDate_readsTheInstant()
    {
        const auto page =
            pageOf<MessagePage>("{\"data\":[" + message(R"(,"createdAt":"2025-03-01T10:30:00+01:00")") + "]}");
        QVERIFY(page);
        QCOMPARE(page->data.first().createdAt, QDateTime(QDate(2025, 3, 1), QTime(9, 30), Qt::UTC));
    }

    void channelPage_titleNumber_failsThePage()
    {
        QVERIFY(pageOf<ChannelPage>(R"({"data":[{"_id":"c1","title":"Sleep"}]})"));
        QVERIFY(!pageOf<ChannelPage>(R"({"data":[{"_id":"c1","title":"Sleep"},{"_id":"c2","title":4}]})"));
    }

    void done_datesAreSecondsSince2001()
    {
        const auto done = doneOf(R"({"user":{"_id":"u","role":"user","content":"Q","createdAt":762514200},
            "assistant":{"_id":"a","role":"assistant","content":"A","createdAt":762514200.5,"channelId":"c"}})");
        QVERIFY(done);
        QCOMPARE(done->user.createdAt, QDateTime(QDate(2025, 3, 1), QTime(9, 30), Qt::UTC));
        QCOMPARE(done->assistant.createdAt, QDateTime(QDate(2025, 3, 1), QTime(9, 30, 0, 500), Qt::UTC));
        QCOMPARE(done->assistant.channelId, QStringLiteral("c"));
    }

    void done_rejectsWhatItCannotRead_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("ISO date") << QByteArray(
            R"({"user":{"_id":"u","role":"user","content":"Q","createdAt":"2025-03-01T09:30:00Z"},
                "assistant":{"_id":"a","role":"assistant","content":"A"}})");
        QTest::newRow("no assistant") << QByteArray(R"({"user":{"_id":"u","role":"user","content":"Q"}})");
        QTest::newRow("date out of range") << QByteArray(
            R"({"user":{"_id":"u","role":"user","content":"Q","createdAt":1e300},
                "assistant":{"_id":"a","role":"assistant","content":"A"}})");
        QTest::newRow("not JSON") << QByteArray("{\"user\":");
    }

    void done_rejectsWhatItCannotRead()
    {
        QFETCH(QByteArray, json);
        QVERIFY(!doneOf(json));
    }

    void streamPayloads_needTheirText()
    {
        QCOMPARE(ChatMessageDeltaEvent::fromData(R"({"delta":"Hel"})").delta, QStringLiteral("Hel"));
        QCOMPARE(ChatStreamErrorEvent::fromData(R"({"message":"Busy"})").message, QStringLiteral("Busy"));
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError, ChatMessageDeltaEvent::fromData(R"({"delta":null})"));
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError, ChatStreamErrorEvent::fromData(R"("Busy")"));
    }

    void usedMedbitRef_equalityAndHash()
    {
        const UsedMedbitRef a{QStringLiteral("e1"), QStringLiteral("Flu shot")};
        const UsedMedbitRef b{QStringLiteral("e1"), QStringLiteral("Tetanus")};
        QVERIFY(a != b);
        QCOMPARE(qHash(a), qHash(UsedMedbitRef{QStringLiteral("e1"), QStringLiteral("Flu shot")}));
    }

    void encode_leavesAbsentOptionalsOut_andRoundTrips()
    {
        ChatMessage sent{QStringLiteral("m1"), {}, QStringLiteral("user"), QStringLiteral("Q"), {}, {}};
        QCOMPARE(sent.toJson().keys(), QStringList({"_id", "content", "role"}));
        sent.usedMedbits = QList<UsedMedbitRef>{{QStringLiteral("e1"), QStringLiteral("Flu shot")}};
        sent.createdAt = QDateTime(QDate(2025, 3, 1), QTime(9, 30), Qt::UTC);
        QCOMPARE(ChatMessage::fromJson(sent.toJson()), sent);
        QCOMPARE(ChatMessage::fromJson(sent.toJson(ChatDateForm::secondsSince2001), ChatDateForm::secondsSince2001),
                 sent);
        const ChatChannel channel{QStringLiteral("c1"), QStringLiteral("Sleep"), sent.createdAt};
        QCOMPARE(ChatChannel::fromJson(channel.toJson()), channel);
    }
};

QTEST_GUILESS_MAIN(ChatModelsTest)
#include "ChatModelsTest.moc"
