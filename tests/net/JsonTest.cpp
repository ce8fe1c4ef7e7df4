#include "net/Json.h"
#include "net/APIClient.h"

#include <QBuffer>
#include <QTest>

using namespace Qt::StringLiterals;

struct Probe {
    QString name;

    static Probe fromJson(const QJsonValue &value) { return {Json::requiredString(Json::object(value), "name"_L1)}; }
};

class JsonTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_acceptsAnyTopLevelValue_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("parses");
        QTest::newRow("null") << "null"_ba << true;
        QTest::newRow("number") << "42"_ba << true;
        QTest::newRow("string") << "\"x\""_ba << true;
        QTest::newRow("object") << "{\"a\":1}"_ba << true;
        QTest::newRow("array after white space") << " \r\n\t[1]\n"_ba << true;
        QTest::newRow("object then more") << "{}{}"_ba << false;
        QTest::newRow("array then a value") << "[1] 2"_ba << false;
        QTest::newRow("unclosed object") << "{\"a\":1"_ba << false;
        QTest::newRow("empty") << ""_ba << false;
        QTest::newRow("two values") << "1,2"_ba << false;
        QTest::newRow("not json") << "<html>"_ba << false;
        QTest::newRow("bracket injection") << "],["_ba << false;
    }
    void parse_acceptsAnyTopLevelValue()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, parses);
        QCOMPARE(Json::parse(bytes).has_value(), parses);
    }

    void strictFields_rejectWrongTypes()
    {
        const QJsonObject object{{"s"_L1, 1}, {"b"_L1, "true"_L1}, {"i"_L1, 1.5}, {"n"_L1, QJsonValue::Null}};
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError, Json::requiredString(object, "s"_L1));
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError, Json::requiredBool(object, "b"_L1));
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError, Json::requiredInteger(object, "i"_L1));
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError, Json::requiredString(object, "n"_L1));
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError, Json::requiredString(object, "missing"_L1));
    }

    void optionalFields_absentOrNullAreNone()
    {
        const QJsonObject object{{"n"_L1, QJsonValue::Null}, {"i"_L1, 1700000000123LL}};
        QCOMPARE(Json::optionalString(object, "n"_L1), std::nullopt);
        QCOMPARE(Json::optionalBool(object, "missing"_L1), std::nullopt);
        QCOMPARE(Json::optionalInteger(object, "i"_L1), 1700000000123LL);
    }

    void dates_needZoneAndNoFraction_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("utc") << u"2024-01-05T10:20:30Z"_s << true;
        QTest::newRow("offset") << u"2024-01-05T10:20:30+02:00"_s << true;
        QTest::newRow("fraction") << u"2024-01-05T10:20:30.5Z"_s << false;
        QTest::newRow("no zone") << u"2024-01-05T10:20:30"_s << false;
        QTest::newRow("bare date") << u"2024-01-05"_s << false;
        QTest::newRow("impossible") << u"2024-13-45T10:20:30Z"_s << false;
    }
    void dates_needZoneAndNoFraction()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const QJsonObject object{{"d"_L1, text}};
        if (valid)
            QVERIFY(Json::requiredDate(object, "d"_L1).isValid());
        else
            QVERIFY_THROWS_EXCEPTION(Json::DecodingError, Json::requiredDate(object, "d"_L1));
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError, Json::requiredDate(QJsonObject{{"d"_L1, 17}}, "d"_L1));
    }

    void putOptional_leavesAbsentOut()
    {
        QJsonObject object;
        Json::putOptional(object, "a"_L1, std::nullopt);
        Json::putOptional(object, "b"_L1, u""_s);
        QCOMPARE(Json::serialize(object), "{\"b\":\"\"}"_ba);
    }

    // A body read in pieces as it arrives is the bytes in order, followed by the zeroed room, whatever size
    // the sender announced.
    void appendWithRoom_gathersThePiecesInOrder_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<qint64>("announced");
        const QByteArray big(100000, 'x');
        QTest::newRow("one piece, size unknown") << QList<QByteArray>{"[1,2]"} << qint64(-1);
        QTest::newRow("many pieces, size unknown") << QList<QByteArray>{"[", big, "", ",", big, "]"} << qint64(-1);
        QTest::newRow("many pieces, size announced") << QList<QByteArray>{"[", big, ",", big, "]"} << qint64(200003);
        QTest::newRow("more than announced") << QList<QByteArray>{big, big} << qint64(10);
        QTest::newRow("less than announced") << QList<QByteArray>{"[]"} << qint64(1000);
        QTest::newRow("nothing") << QList<QByteArray>{""} << qint64(0);
    }

    void appendWithRoom_gathersThePiecesInOrder()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(qint64, announced);
        QByteArray gathered;
        for (QByteArray piece : pieces) {
            QBuffer device(&piece);
            device.open(QIODevice::ReadOnly);
            Json::appendWithRoomPastTheEnd(gathered, device, announced);
            QVERIFY(Json::hasZeroedRoomPastTheEnd(gathered));
        }
        QCOMPARE(gathered, pieces.join());
    }

    void decodeReply_emptyBodyOnlyForEmptyResponse()
    {
        APIClient::decodeReply<EmptyResponse>({});
        QVERIFY(APIClient::decodeReply<std::optional<EmptyResponse>>({}).has_value());
        QVERIFY_THROWS_EXCEPTION(APIError, APIClient::decodeReply<std::optional<Probe>>({}));
        QVERIFY_THROWS_EXCEPTION(APIError, APIClient::decodeReply<QList<Probe>>({}));
    }

    void decodeReply_nullIsAbsentOnlyForOptionals()
    {
        QVERIFY(!APIClient::decodeReply<std::optional<Probe>>("null"_ba).has_value());
        QVERIFY(!APIClient::decodeReply<std::optional<EmptyResponse>>("null"_ba).has_value());
        APIClient::decodeReply<EmptyResponse>("null"_ba);
        QVERIFY_THROWS_EXCEPTION(APIError, APIClient::decodeReply<Probe>("null"_ba));
        QVERIFY_THROWS_EXCEPTION(APIError, APIClient::decodeReply<QList<Probe>>("null"_ba));
    }

    void decodeReply_anyJsonForEmptyResponseButNotGarbage()
    {
        APIClient::decodeReply<EmptyResponse>("{\"whatever\":[1]}"_ba);
        APIClient::decodeReply<EmptyResponse>("7"_ba);
        QVERIFY_THROWS_EXCEPTION(APIError, APIClient::decodeReply<EmptyResponse>("not json"_ba));
    }

    void decodeReply_oneBadElementFailsTheList()
    {
        QCOMPARE(APIClient::decodeReply<QList<Probe>>("[]"_ba).size(), 0);
        QCOMPARE(APIClient::decodeReply<QList<Probe>>("[{\"name\":\"a\"},{\"name\":\"b\"}]"_ba).size(), 2);
        QVERIFY_THROWS_EXCEPTION(APIError, APIClient::decodeReply<QList<Probe>>("[{\"name\":\"a\"},{}]"_ba));
        QCOMPARE(APIClient::decodeReply<QStringList>("[\"a\",\"b\"]"_ba), (QStringList{u"a"_s, u"b"_s}));
        QVERIFY_THROWS_EXCEPTION(APIError, APIClient::decodeReply<QStringList>("[\"a\",1]"_ba));
    }

    void decodeReply_failureIsDecodingFailed()
    {
        try {
            APIClient::decodeReply<Probe>("{}"_ba);
            QFAIL("decoded a record without its required key");
        } catch (const APIError &error) {
            QCOMPARE(error.kind(), APIError::Kind::DecodingFailed);
            QCOMPARE(error.description(), u"Received an unexpected response from the server."_s);
        }
    }
};

QTEST_GUILESS_MAIN(JsonTest)
#include "JsonTest.moc"
