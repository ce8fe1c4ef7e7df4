#include "records/ImageAsset.h"
#include "records/Medbit.h"

#include "net/APIClient.h"

#include <QBuffer>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace
{

const QByteArray entryKeys = R"("_id":"m1","entryText":"Flu shot","date":1704412800)"_ba;

QByteArray entryWith(const QByteArray &extraKeys)
{
    return '{' + entryKeys + ',' + extraKeys + '}';
}

// Whether a reply decodes, as the client reads it: the failure every caller sees is APIError.
template <typename T> bool decodes(const QByteArray &reply)
{
    try {
        APIClient::decodeReply<T>(reply);
        return true;
    } catch (const APIError &) {
        return false;
    }
}

// The user text of a reply's decoding failure; empty when it decodes.
template <typename T> QString failureOf(const QByteArray &reply)
{
    try {
        APIClient::decodeReply<T>(reply);
        return {};
    } catch (const APIError &error) {
        return error.description();
    }
}

// Arrays nested the given number of levels deep: "[[[]]]" for three.
QByteArray nested(int levels)
{
    return QByteArray(levels, '[') + QByteArray(levels, ']');
}

// The same list with a few thousand plain entries in front: long enough to be decoded in parts, with what the
// original holds at its end. Anything that is not a list stays as it is.
QByteArray amongMany(const QByteArray &list)
{
    const qsizetype open = list.indexOf('[');
    if (open < 0 || !list.left(open).trimmed().isEmpty())
        return list;
    QByteArray filler;
    for (int i = 0; i < 4000; ++i)
        filler += "{\"_id\":\"f" + QByteArray::number(i) + "\",\"entryText\":\"x\",\"date\":1},";
    const bool empty = list.mid(open + 1).trimmed().startsWith(']');
    return list.left(open + 1) + (empty ? filler.chopped(1) : filler) + list.mid(open + 1);
}

Medbit fullEntry(int i)
{
    Medbit medbit;
    medbit.id = u"m%1"_s.arg(i);
    medbit.entryText = u"Line one\nline \"two\" ½ ✓ 🩺 \\ end %1"_s.arg(i);
    medbit.translated = u"Übersetzt"_s;
    medbit.language = u"de"_s;
    medbit.date = -9007199254740993 + i;
    medbit.isApproxDate = i % 2 == 0;
    medbit.isLocked = true;
    medbit.tags = {u"rx"_s, u"$"_s};
    medbit.documents = {ImageAsset{u"d1"_s, u"https://x.test/a?b=c&d"_s, {}, u"Scan.pdf"_s, {}, QStringList{}},
                        ImageAsset{{}, {}, u"t"_s, {}, u"image/png"_s, QStringList{u"m1"_s, u"m2"_s}}};
    return medbit;
}

} // namespace

// The one decoder of entries and documents, through the client's reply decoding. MedbitTest and
// ImageAssetTest hold the records' field rules; these are the rules of the bytes around them.
class RecordDecodingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entryList_onlyJsonDecodes_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("decodes");
        const QByteArray entry = entryWith(R"("isStarred":true)");
        QTest::newRow("empty list") << "[]"_ba << true;
        QTest::newRow("white space around") << " \n[" + entry + "]\r\n " << true;
        QTest::newRow("unknown keys of any shape")
            << '[' + entryWith(R"("x":{"y":[1,-2.5e3,true,null,"z"]})") + ']' << true;
        QTest::newRow("white space around null")
            << '[' + entryWith("\"translated\" : null ,\n\"tags\":null\t,\"documents\": null ") + ']' << true;
        QTest::newRow("escaped key") << R"([{"\u005fid":"m1","entryText":"a","date":1}])"_ba << true;
        QTest::newRow("text after the list") << '[' + entry + "] x" << false;
        QTest::newRow("second list") << '[' + entry + "][]" << false;
        QTest::newRow("unclosed list") << '[' + entry << false;
        QTest::newRow("trailing comma") << '[' + entry + ",]" << false;
        QTest::newRow("missing comma in an unknown key") << '[' + entryWith(R"("x":[1 2])") + ']' << false;
        QTest::newRow("bad literal in an unknown key") << '[' + entryWith(R"("x":nul)") + ']' << false;
        QTest::newRow("bad number in an unknown key") << '[' + entryWith(R"("x":01)") + ']' << false;
        QTest::newRow("raw control character in an unknown key") << '[' + entryWith("\"x\":\"a\tb\"") + ']' << false;
        QTest::newRow("invalid UTF-8") << '[' + entryWith("\"x\":\"\xff\"") + ']' << false;
        QTest::newRow("broken JSON after a bad document")
            << '[' + entryWith(R"("documents":[{"fileName":4},{"uri":[1 2]}])") + ']' << false;
        QTest::newRow("broken JSON inside a bad document")
            << '[' + entryWith(R"("documents":[{"fileName":4,"x":tru}])") + ']' << false;
        QTest::newRow("an object, not a list") << entry << false;
        QTest::newRow("null") << "null"_ba << false;
    }

    void entryList_onlyJsonDecodes()
    {
        QFETCH(QByteArray, reply);
        QTEST(decodes<QList<Medbit>>(reply), "decodes");
        QTEST(decodes<QList<Medbit>>(amongMany(reply)), "decodes");
    }

    void date_wholeNumbersInAnySpelling_data()
    {
        QTest::addColumn<QByteArray>("date");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<qint64>("value");
        QTest::newRow("integer") << "-86400"_ba << true << qint64(-86400);
        QTest::newRow("decimal point") << "3.0"_ba << true << qint64(3);
        QTest::newRow("exponent") << "1.5e3"_ba << true << qint64(1500);
        QTest::newRow("minus zero") << "-0"_ba << true << qint64(0);
        QTest::newRow("beyond double precision") << "9007199254740993"_ba << true << qint64(9007199254740993);
        QTest::newRow("fraction") << "2.5"_ba << false << qint64(0);
        QTest::newRow("beyond 9.2e18") << "9220000000000000000"_ba << false << qint64(0);
        QTest::newRow("beyond 64 bits") << "18446744073709551616"_ba << false << qint64(0);
        QTest::newRow("too large a double") << "1e400"_ba << false << qint64(0);
        QTest::newRow("boolean") << "true"_ba << false << qint64(0);
    }

    void date_wholeNumbersInAnySpelling()
    {
        QFETCH(QByteArray, date);
        QFETCH(bool, decodes);
        QFETCH(qint64, value);
        const QByteArray reply = R"({"_id":"m","entryText":"a","date":)" + date + '}';
        try {
            QCOMPARE(APIClient::decodeReply<Medbit>(reply).date, value);
            QVERIFY(decodes);
        } catch (const APIError &) {
            QVERIFY(!decodes);
        }
    }

    void encodedEntries_decodeEqual()
    {
        QList<Medbit> entries;
        for (int i = 0; i < 3; ++i)
            entries.append(fullEntry(i));
        entries.append(Medbit{u"bare"_s, QString(), {}, {}, 0, false, false, false, {}, {}});
        QJsonArray list;
        for (const Medbit &medbit : std::as_const(entries))
            list.append(medbit.toJson());
        const QList<Medbit> decoded = APIClient::decodeReply<QList<Medbit>>(Json::serialize(list));
        QCOMPARE(decoded, entries);
        QCOMPARE(APIClient::decodeReply<Medbit>(Json::serialize(entries.first().toJson())), entries.first());
        // A long list holds each repeated tag list and language once.
        QCOMPARE(decoded.at(2).tags.constData(), decoded.at(0).tags.constData());
        QCOMPARE(decoded.at(2).language->constData(), decoded.at(0).language->constData());
        // A list long enough to be decoded in parts keeps its entries whole and in order.
        QList<Medbit> many;
        QJsonArray manyJson;
        for (int i = 0; i < 2000; ++i) {
            many.append(fullEntry(i));
            manyJson.append(many.last().toJson());
        }
        QCOMPARE(APIClient::decodeReply<QList<Medbit>>(Json::serialize(manyJson)), many);
    }

    // The client reads a reply with zeroed room after it, and the decoder parses it there; whatever lies past
    // the end of other bytes is never part of the reply.
    void replyReadWithRoom_decodesOnlyItsOwnBytes_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("beyond");
        QTest::addColumn<int>("entries"); // -1: fails
        const QByteArray entry = entryWith(R"("tags":["rx"])");
        QTest::newRow("list") << '[' + entry + ']' << QByteArray() << 1;
        QTest::newRow("cut list") << '[' + entry << QByteArray() << -1;
        QTest::newRow("3 KB of arrays, never closed") << QByteArray(3000, '[') << QByteArray() << -1;
        QTest::newRow("list, more entries beyond") << '[' + entry + ']' << ",{\"_id\":\"m2\"}]"_ba << 1;
        QTest::newRow("cut list, its end beyond") << '[' + entry << "]"_ba << -1;
        QTest::newRow("empty list, garbage beyond") << "[]"_ba
                                                    << "\"\x01\xff{"_ba << 0;
        QTest::newRow("cut text, its quote beyond") << "[{\"_id\":\"m1"_ba
                                                    << "\"}]"_ba << -1;
    }

    void replyReadWithRoom_decodesOnlyItsOwnBytes()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, beyond);
        QBuffer device(&reply);
        device.open(QIODevice::ReadOnly);
        QByteArray read;
        Json::appendWithRoomPastTheEnd(read, device);
        QCOMPARE(read, reply);
        QVERIFY(Json::hasZeroedRoomPastTheEnd(read));
        QVERIFY(beyond.size() <= Json::readPastTheEnd);
        std::copy(beyond.cbegin(), beyond.cend(), read.data() + read.size());
        QFETCH(int, entries);
        QCOMPARE(decodes<QList<Medbit>>(read), entries >= 0);
        if (entries >= 0)
            QCOMPARE(APIClient::decodeReply<QList<Medbit>>(read).size(), entries);
    }

    // One parser serves every decode on a thread: a long list, then shorter and failing ones, then one past
    // what it keeps buffers for, then more.
    void repeatedDecodes_ofEverySize_decodeAlike()
    {
        for (const int count : {300, 1, 0, 4000, 2, 1200}) {
            QJsonArray list;
            QList<Medbit> entries;
            for (int i = 0; i < count; ++i) {
                entries.append(fullEntry(i));
                list.append(entries.last().toJson());
            }
            const QByteArray reply = Json::serialize(list);
            QCOMPARE(APIClient::decodeReply<QList<Medbit>>(reply), entries);
            QVERIFY(!decodes<QList<Medbit>>(reply.chopped(1)));
            QCOMPARE(failureOf<Medbit>(R"({"_id":"m1"})"_ba), APIError::decodingFailed().description());
        }
    }

    void everyReplyShape_decodesOrFails_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("shape");
        QTest::addColumn<bool>("decodes");
        const QByteArray entry = entryWith("\"tags\":[]");
        QTest::newRow("entry or null: null") << "null"_ba
                                             << "optional entry" << true;
        QTest::newRow("entry or null: entry") << entry << "optional entry" << true;
        QTest::newRow("entry or null: {}") << "{}"_ba
                                           << "optional entry" << false;
        QTest::newRow("entry or null: null then text") << "null x"_ba
                                                       << "optional entry" << false;
        QTest::newRow("entry: null") << "null"_ba
                                     << "entry" << false;
        QTest::newRow("entry: a text") << "\"m1\""_ba
                                       << "entry" << false;
        QTest::newRow("document or null: {}") << "{}"_ba
                                              << "optional document" << true;
        QTest::newRow("document or null: nul") << "nul"_ba
                                               << "optional document" << false;
        QTest::newRow("document: {}") << "{}"_ba
                                      << "document" << true;
        QTest::newRow("document: list") << "[{}]"_ba
                                        << "document" << false;
        QTest::newRow("documents") << R"([{},{"_id":"d"}])"_ba
                                   << "documents" << true;
        QTest::newRow("documents, one bad") << R"([{},{"_id":4}])"_ba
                                            << "documents" << false;
    }

    void everyReplyShape_decodesOrFails()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, shape);
        const QHash<QString, bool (*)(const QByteArray &)> decoders{
            {u"optional entry"_s, decodes<std::optional<Medbit>>},
            {u"entry"_s, decodes<Medbit>},
            {u"optional document"_s, decodes<std::optional<ImageAsset>>},
            {u"document"_s, decodes<ImageAsset>},
            {u"documents"_s, decodes<QList<ImageAsset>>},
        };
        QTEST(decoders.value(shape)(reply), "decodes");
    }

    // Qt's parser refuses more than 1,024 levels, and so does this one, as any malformed reply; the read-through
    // of ignored values once recursed as deep as the reply went.
    void deepNesting_failsBeyondQtsLimit_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("shape");
        QTest::addColumn<bool>("decodes");
        const QByteArray deepObjects = QByteArray(1023, '{').replace("{", "{\"a\":") + '1' + QByteArray(1023, '}');
        // The list and the entry are the first two levels.
        QTest::newRow("1,024 levels in an entry")
            << '[' + entryWith("\"x\":" + nested(1022)) + ']' << "entries" << true;
        QTest::newRow("1,025 levels in an entry")
            << '[' + entryWith("\"x\":" + nested(1023)) + ']' << "entries" << false;
        QTest::newRow("1,025 levels of objects") << '[' + entryWith("\"x\":" + deepObjects) + ']' << "entries" << false;
        QTest::newRow("3 KB of arrays as a document, never closed") << QByteArray(3000, '[') << "document" << false;
        QTest::newRow("100,000 levels of documents") << nested(100000) << "documents" << false;
    }

    void deepNesting_failsBeyondQtsLimit()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, shape);
        QFETCH(bool, decodes);
        const QHash<QString, QString (*)(const QByteArray &)> decoders{
            {u"entries"_s, failureOf<QList<Medbit>>},
            {u"document"_s, failureOf<ImageAsset>},
            {u"documents"_s, failureOf<QList<ImageAsset>>},
        };
        QCOMPARE(Json::parse(reply).has_value(), decodes);
        const QString failure = decodes ? QString() : u"Received an unexpected response from the server."_s;
        QCOMPARE(decoders.value(shape)(reply), failure);
        if (shape == u"entries"_s)
            QCOMPARE(decoders.value(shape)(amongMany(reply)), failure);
    }

    void nullReply_isAbsent_andTextsKeepTheirCharacters()
    {
        QVERIFY(!APIClient::decodeReply<std::optional<Medbit>>(" null "_ba).has_value());
        QVERIFY(!APIClient::decodeReply<std::optional<ImageAsset>>("null"_ba).has_value());
        const QByteArray escaped = "{\"_id\":\"a\\\"b\",\"entryText\":\"\\u00e9\\n\\ud83e\\ude7a\\/\",\"date\":1}"_ba;
        const Medbit medbit = APIClient::decodeReply<Medbit>(escaped);
        QCOMPARE(medbit.id, u"a\"b"_s);
        QCOMPARE(medbit.entryText, u"é\n🩺/"_s);
    }
};

QTEST_GUILESS_MAIN(RecordDecodingTest)
#include "RecordDecodingTest.moc"
