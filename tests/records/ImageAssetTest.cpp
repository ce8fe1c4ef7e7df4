#include "records/ImageAsset.h"

#include "net/Json.h"

#include <QJsonDocument>
#include <QTest>

using Text = std::optional<QString>;

namespace
{

ImageAsset asset(Text id, Text uri, Text fileName, Text type = {})
{
    return ImageAsset{std::move(id), std::move(uri), {}, std::move(fileName), std::move(type), {}};
}

} // namespace

class ImageAssetTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_everyKeyOptional()
    {
        const QJsonObject full = QJsonDocument::fromJson(R"({"_id":"d1","uri":"u","thumbnail":"t","fileName":"f",
            "type":"application/pdf","medbitIds":["m1","m2"]})")
                                     .object();
        const ImageAsset decoded = ImageAsset::fromJson(full);
        QCOMPARE(decoded.medbitIds, QStringList({QStringLiteral("m1"), QStringLiteral("m2")}));
        QCOMPARE(decoded.thumbnail, QStringLiteral("t"));
        QCOMPARE(ImageAsset::fromJson(QJsonObject()), ImageAsset());
        QCOMPARE(ImageAsset::fromJson(QJsonDocument::fromJson(R"({"uri":null,"medbitIds":null})").object()),
                 ImageAsset());
    }

    void decode_wrongType_fails_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("number file name") << QByteArray(R"({"fileName":4})");
        QTest::newRow("medbitIds text") << QByteArray(R"({"medbitIds":"m1"})");
        QTest::newRow("medbitIds numbers") << QByteArray(R"({"medbitIds":[1]})");
        QTest::newRow("not an object") << QByteArray(R"("d1")");
    }

    void decode_wrongType_fails()
    {
        QFETCH(QByteArray, json);
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError, ImageAsset::fromJson(*Json::parse(json)));
    }

    void encode_writesOnlyPresentKeys()
    {
        ImageAsset document = asset(QStringLiteral("d1"), {}, QStringLiteral("scan.pdf"));
        QCOMPARE(document.toJson().keys(), QStringList({QStringLiteral("_id"), QStringLiteral("fileName")}));
        document.medbitIds = QStringList();
        QVERIFY(document.toJson().value(QLatin1String("medbitIds")).isArray());
        QCOMPARE(ImageAsset::fromJson(document.toJson()), document);
    }

    void id_prefersIdThenUriThenFileName_data()
    {
        QTest::addColumn<ImageAsset>("document");
        QTest::addColumn<QString>("id");
        QTest::newRow("id") << asset(QStringLiteral("d1"), QStringLiteral("u"), QStringLiteral("f")) << "d1";
        QTest::newRow("empty id counts") << asset(QString(), QStringLiteral("u"), {}) << "";
        QTest::newRow("uri") << asset({}, QStringLiteral("u"), QStringLiteral("f")) << "u";
        QTest::newRow("file name") << asset({}, {}, QStringLiteral("f")) << "f";
    }

    void id_prefersIdThenUriThenFileName()
    {
        QFETCH(ImageAsset, document);
        QTEST(document.id(), "id");
    }

    void id_withoutAnyName_isAFreshUuidOnEveryRead()
    {
        const ImageAsset document = asset({}, {}, {}, QStringLiteral("image/png"));
        const QString first = document.id();
        QVERIFY(!QUuid::fromString(first).isNull());
        QCOMPARE(first, first.toUpper());
        QVERIFY(document.id() != first);
    }

    void isPDF_data()
    {
        QTest::addColumn<ImageAsset>("document");
        QTest::addColumn<bool>("isPDF");
        QTest::newRow("type mentions pdf") << asset({}, {}, {}, QStringLiteral("application/PDF")) << true;
        QTest::newRow("name decides") << asset({}, {}, QStringLiteral("scan.PDF"), QStringLiteral("image/png")) << true;
        QTest::newRow("image") << asset({}, {}, QStringLiteral("scan.png"), QStringLiteral("image/png")) << false;
        QTest::newRow("pdf inside name") << asset({}, {}, QStringLiteral("a.pdf.png")) << false;
        QTest::newRow("nothing") << asset({}, {}, {}) << false;
    }

    void isPDF()
    {
        QFETCH(ImageAsset, document);
        QTEST(document.isPDF(), "isPDF");
    }

    void equality_comparesStoredFieldsOnly()
    {
        const ImageAsset document = asset({}, {}, {});
        QCOMPARE(document, asset({}, {}, {})); // the random identity plays no part
        ImageAsset listed = document;
        listed.medbitIds = QStringList();
        QVERIFY(listed != document); // an empty list is not an absent one
        QVERIFY(qHash(listed) != qHash(document));
        QCOMPARE(qHash(asset(QStringLiteral("d"), {}, {})), qHash(asset(QStringLiteral("d"), {}, {})));
    }
};

QTEST_GUILESS_MAIN(ImageAssetTest)
#include "ImageAssetTest.moc"
