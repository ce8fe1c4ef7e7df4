#include "clipboard/ClipboardModels.h"

#include "net/Json.h"

#include <QTest>

namespace
{

const QByteArray validItem =
    R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","text":"Aspirin","action":"copy","source":"Ask",)"
    R"("date":1.5,"patientID":"p1"})";

ClipboardItem item(std::optional<ClipboardFile> file = {})
{
    return ClipboardItem{QUuid::createUuid(),
                         QStringLiteral("Aspirin 100 mg"),
                         std::move(file),
                         ClipboardActionType::Cut,
                         QStringLiteral("Search Timeline"),
                         QDateTime(QDate(2024, 3, 5), QTime(14, 30, 15, 250), Qt::UTC),
                         QStringLiteral("p1")};
}

QJsonValue parsed(const QByteArray &json)
{
    return *Json::parse(json);
}

// validItem with one key replaced (or, with an empty value, removed).
QByteArray withKey(const QByteArray &key, const QByteArray &value)
{
    QJsonObject object = parsed(validItem).toObject();
    if (value.isEmpty())
        object.remove(QString::fromLatin1(key));
    else
        object.insert(QString::fromLatin1(key), parsed(value));
    return Json::serialize(object);
}

} // namespace

class ClipboardModelsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void actionType_rawValues()
    {
        QCOMPARE(rawValue(ClipboardActionType::Paste), QStringLiteral("paste"));
        QCOMPARE(clipboardActionType(QStringLiteral("cut")), ClipboardActionType::Cut);
        QVERIFY(!clipboardActionType(QStringLiteral("Copy")));
    }

    void item_roundTripsWithAndWithoutFile_data()
    {
        QTest::addColumn<std::optional<ClipboardFile>>("file");
        QTest::newRow("text") << std::optional<ClipboardFile>();
        QTest::newRow("image") << std::optional<ClipboardFile>(
            ClipboardFile{QStringLiteral("scan.png"), QStringLiteral("image/png"), QByteArray("\x89PNG\0\xff", 6)});
        QTest::newRow("empty data") << std::optional<ClipboardFile>(
            ClipboardFile{QStringLiteral("a.bin"), QStringLiteral("application/octet-stream"), QByteArray()});
    }

    void item_roundTripsWithAndWithoutFile()
    {
        QFETCH(std::optional<ClipboardFile>, file);
        const ClipboardItem original = item(file);
        const ClipboardItem decoded = ClipboardItem::fromJson(parsed(Json::serialize(original.toJson())));
        QCOMPARE(decoded.id, original.id);
        QCOMPARE(decoded.text, original.text);
        QCOMPARE(decoded.file, original.file);
        QCOMPARE(decoded.action, original.action);
        QCOMPARE(decoded.source, original.source);
        QCOMPARE(decoded.date, original.date);
        QCOMPARE(decoded.patientID, original.patientID);
    }

    void item_encodesStoredForm()
    {
        ClipboardItem stored = item();
        stored.date = QDateTime(QDate(2001, 1, 1), QTime(0, 0, 2, 500), Qt::UTC);
        const QJsonObject json = stored.toJson();
        QCOMPARE(json.keys(), (QStringList{"action", "date", "id", "patientID", "source", "text"}));
        QCOMPARE(json.value("date").toDouble(), 2.5);
        QCOMPARE(json.value("action").toString(), QStringLiteral("cut"));
        QCOMPARE(json.value("id").toString(), stored.id.toString(QUuid::WithoutBraces).toUpper());
    }

    void file_encodesBase64WithPadding()
    {
        const ClipboardFile file{QStringLiteral("n.txt"), QStringLiteral("text/plain"), QByteArray("ab")};
        const QJsonObject json = file.toJson();
        QCOMPARE(json.keys(), (QStringList{"data", "filename", "mimeType"}));
        QCOMPARE(json.value("data").toString(), QStringLiteral("YWI="));
        QCOMPARE(ClipboardFile{}.toJson().value("data").toString(), QString());
    }

    void file_equalityComparesEveryByte()
    {
        const ClipboardFile a{QStringLiteral("f"), QStringLiteral("m"), QByteArray("abc")};
        ClipboardFile b = a;
        QCOMPARE(a, b);
        b.data[1] = 'x';
        QVERIFY(!(a == b));
    }

    void item_decodesOptionalFileAndDate()
    {
        QVERIFY(!ClipboardItem::fromJson(parsed(validItem)).file);
        QVERIFY(!ClipboardItem::fromJson(parsed(withKey("file", "null"))).file);
        const ClipboardItem decoded = ClipboardItem::fromJson(parsed(validItem));
        QCOMPARE(decoded.date, QDateTime(QDate(2001, 1, 1), QTime(0, 0, 1, 500), Qt::UTC));
        QCOMPARE(decoded.action, ClipboardActionType::Copy);
    }

    void item_invalid_fails_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("no id") << withKey("id", {});
        QTest::newRow("id not a UUID") << withKey("id", R"("abc")");
        QTest::newRow("id in braces") << withKey("id", R"("{0F8FAD5B-D9CB-469F-A165-70867728950E}")");
        QTest::newRow("no text") << withKey("text", {});
        QTest::newRow("text a number") << withKey("text", "5");
        QTest::newRow("action upper case") << withKey("action", R"("Copy")");
        QTest::newRow("action unknown") << withKey("action", R"("drag")");
        QTest::newRow("no source") << withKey("source", {});
        QTest::newRow("date text") << withKey("date", R"("2024-01-01T00:00:00Z")");
        QTest::newRow("no patientID") << withKey("patientID", {});
        QTest::newRow("patientId spelling") << Json::serialize([] {
            QJsonObject object = parsed(withKey("patientID", {})).toObject();
            object.insert("patientId", "p1");
            return object;
        }());
        QTest::newRow("file not base64") << withKey("file", R"({"filename":"a","mimeType":"b","data":"!!"})");
        QTest::newRow("file without mimeType") << withKey("file", R"({"filename":"a","data":""})");
        QTest::newRow("file fileName spelling") << withKey("file", R"({"fileName":"a","mimeType":"b","data":""})");
        QTest::newRow("not an object") << QByteArray(R"("item")");
    }

    void item_invalid_fails()
    {
        QFETCH(QByteArray, json);
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError, ClipboardItem::fromJson(parsed(json)));
    }

    void list_skipsOnlyUndecodableItems()
    {
        const QJsonArray array = parsed("[" + validItem + "," + withKey("action", R"("drag")") + ",42," +
                                        withKey("text", R"("second")") + "]")
                                     .toArray();
        const QList<ClipboardItem> items = ClipboardItem::listFromJson(array);
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(0).text, QStringLiteral("Aspirin"));
        QCOMPARE(items.at(1).text, QStringLiteral("second"));
    }

    void list_keepsOrder()
    {
        const QList<ClipboardItem> items{item(), item()};
        const QList<ClipboardItem> decoded = ClipboardItem::listFromJson(ClipboardItem::listToJson(items));
        QCOMPARE(decoded.size(), 2);
        QCOMPARE(decoded.at(0).id, items.at(0).id);
        QCOMPARE(decoded.at(1).id, items.at(1).id);
    }
};

QTEST_GUILESS_MAIN(ClipboardModelsTest)
#include "ClipboardModelsTest.moc"
