#include "clipboard/ClipboardModels.h"

#include "net/Json.h"

#include <QTest>

namespace
{

const QByteArray validItem =
    R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","text":"Aspirin","action":"copy","source":"Ask",)"
    R"("date":1.5,"patientID":"p1"})";

QJsonValue parsed(const QByteArray &json)
{
    return *Json::parse(json);
}

// validItem with one key replaced, or removed when the value is empty.
QByteArray withKey(const char *key, const QByteArray &value)
{
    QJsonObject object = parsed(validItem).toObject();
    object.remove(QLatin1StringView(key));
    if (!value.isEmpty())
        object.insert(QLatin1StringView(key), parsed(value));
    return Json::serialize(object);
}

ClipboardItem item(std::optional<ClipboardFile> file = {})
{
    return ClipboardItem{QUuid::createUuid(),   QStringLiteral("Aspirin"),
                         std::move(file),       ClipboardActionType::Cut,
                         QStringLiteral("Ask"), QDateTime(QDate(2001, 1, 1), QTime(0, 0, 2, 500), Qt::UTC),
                         QStringLiteral("p1")};
}

} // namespace

class ClipboardModelsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void item_roundTrips_data()
    {
        QTest::addColumn<std::optional<ClipboardFile>>("file");
        QTest::newRow("text") << std::optional<ClipboardFile>();
        QTest::newRow("binary file") << std::optional<ClipboardFile>(
            {QStringLiteral("scan.png"), QStringLiteral("image/png"), QByteArray("\x89PNG\0\xff", 6)});
        QTest::newRow("empty file") << std::optional<ClipboardFile>({QStringLiteral("a"), QStringLiteral("b"), {}});
    }

    void item_roundTrips()
    {
        QFETCH(std::optional<ClipboardFile>, file);
        const ClipboardItem original = item(file);
        const ClipboardItem decoded = ClipboardItem::fromJson(parsed(Json::serialize(original.toJson())));
        QCOMPARE(decoded.id, original.id);
        QCOMPARE(decoded.file, original.file);
        QCOMPARE(decoded.date, original.date);
        QCOMPARE(std::tuple(decoded.text, decoded.action, decoded.source, decoded.patientID),
                 std::tuple(original.text, original.action, original.source, original.patientID));
    }

    void item_encodesStoredForm()
    {
        const ClipboardItem text = item();
        const QJsonObject json = text.toJson();
        QCOMPARE(json.keys(), (QStringList{"action", "date", "id", "patientID", "source", "text"}));
        QCOMPARE(json.value("date").toDouble(), 2.5);
        QCOMPARE(json.value("action").toString(), QStringLiteral("cut"));
        QCOMPARE(json.value("id").toString(), text.id.toString(QUuid::WithoutBraces).toUpper());
        const QJsonObject file = item(ClipboardFile{"n.txt", "text/plain", "ab"}).toJson().value("file").toObject();
        QCOMPARE(file.keys(), (QStringList{"data", "filename", "mimeType"}));
        QCOMPARE(file.value("data").toString(), QStringLiteral("YWI="));
    }

    void item_decodesDateAndAbsentOrNullFile()
    {
        const ClipboardItem decoded = ClipboardItem::fromJson(parsed(validItem));
        QCOMPARE(decoded.date, QDateTime(QDate(2001, 1, 1), QTime(0, 0, 1, 500), Qt::UTC));
        QCOMPARE(decoded.action, ClipboardActionType::Copy);
        QVERIFY(!decoded.file);
        QVERIFY(!ClipboardItem::fromJson(parsed(withKey("file", "null"))).file);
    }

    void item_invalid_fails_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("no id") << withKey("id", {});
        QTest::newRow("id not a UUID") << withKey("id", R"("abc")");
        QTest::newRow("id in braces") << withKey("id", R"("{0F8FAD5B-D9CB-469F-A165-70867728950E}")");
        QTest::newRow("text a number") << withKey("text", "5");
        QTest::newRow("action in upper case") << withKey("action", R"("Copy")");
        QTest::newRow("no source") << withKey("source", {});
        QTest::newRow("date as text") << withKey("date", R"("2024-01-01T00:00:00Z")");
        QTest::newRow("no patientID") << withKey("patientID", {});
        QTest::newRow("data not base64") << withKey("file", R"({"filename":"a","mimeType":"b","data":"!!"})");
        QTest::newRow("fileName spelling") << withKey("file", R"({"fileName":"a","mimeType":"b","data":""})");
    }

    void item_invalid_fails()
    {
        QFETCH(QByteArray, json);
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError, ClipboardItem::fromJson(parsed(json)));
    }

    void list_skipsOnlyUndecodableItems()
    {
        const QByteArray json =
            "[" + validItem + "," + withKey("action", R"("drag")") + ",42," + withKey("text", R"("second")") + "]";
        const QList<ClipboardItem> items = ClipboardItem::listFromJson(parsed(json).toArray());
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(0).text, QStringLiteral("Aspirin"));
        QCOMPARE(items.at(1).text, QStringLiteral("second"));
    }
};

QTEST_GUILESS_MAIN(ClipboardModelsTest)
#include "ClipboardModelsTest.moc"
