#include "records/Medbit.h"
#include "records/DateText.h"

#include "net/APIClient.h"

#include <QJsonDocument>
#include <QTest>

#include <ctime>

namespace
{

QJsonObject entry(const QByteArray &extraKeys = {})
{
    const QByteArray text = R"({"_id":"m1","entryText":"Flu shot","date":1704412800)" +
                            (extraKeys.isEmpty() ? QByteArray() : ',' + extraKeys) + '}';
    return QJsonDocument::fromJson(text).object();
}

Medbit sample()
{
    Medbit medbit;
    medbit.id = QStringLiteral("m1");
    medbit.entryText = QStringLiteral("Flu shot");
    medbit.date = 1704412800; // 2024-01-05 00:00:00 UTC
    medbit.tags = {QStringLiteral("vx"), QStringLiteral("rx")};
    medbit.documents = {ImageAsset{QStringLiteral("d1"), {}, {}, {}, {}, {}},
                        ImageAsset{QStringLiteral("d2"), {}, {}, {}, {}, {}}};
    return medbit;
}

} // namespace

class MedbitTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Five hours west of UTC, without daylight saving, so dates near midnight show the local day.
        qputenv("TZ", "EST5");
        tzset();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void decode_fullObject_readsEveryField()
    {
        const Medbit medbit = Medbit::fromJson(entry(R"("translated":"Grippe","language":"de","isApproxDate":true,
            "isLocked":true,"isStarred":false,"tags":["vx","XY"],"documents":[{"_id":"d1","fileName":"a.pdf"}],
            "other":1)"));
        QCOMPARE(medbit.id, QStringLiteral("m1"));
        QCOMPARE(medbit.entryText, QStringLiteral("Flu shot"));
        QCOMPARE(medbit.translated, QStringLiteral("Grippe"));
        QCOMPARE(medbit.language, QStringLiteral("de"));
        QCOMPARE(medbit.date, 1704412800);
        QVERIFY(medbit.isApproxDate && medbit.isLocked && !medbit.isStarred);
        QCOMPARE(medbit.tags, QStringList({QStringLiteral("vx"), QStringLiteral("XY")}));
        QCOMPARE(medbit.documents.size(), 1);
        QCOMPARE(medbit.documents.first().fileName, QStringLiteral("a.pdf"));
    }

    void decode_awkwardValues_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<bool>("decodes");
        QTest::newRow("optionals absent") << QByteArray() << true;
        QTest::newRow("optionals null") << QByteArray(R"("translated":null,"isStarred":null,"tags":null)") << true;
        QTest::newRow("translated number") << QByteArray(R"("translated":3)") << false;
        QTest::newRow("isStarred text") << QByteArray(R"("isStarred":"yes")") << false;
        QTest::newRow("isLocked number") << QByteArray(R"("isLocked":1)") << false;
        QTest::newRow("tags single text") << QByteArray(R"("tags":"hx")") << false;
        QTest::newRow("tags with number") << QByteArray(R"("tags":["hx",2])") << false;
    }

    void decode_awkwardValues()
    {
        QFETCH(QByteArray, keys);
        QFETCH(bool, decodes);
        try {
            const Medbit medbit = Medbit::fromJson(entry(keys));
            QVERIFY(decodes);
            QVERIFY(!medbit.translated && !medbit.isStarred && medbit.tags.isEmpty());
        } catch (const Json::DecodingError &) {
            QVERIFY(!decodes);
        }
    }

    void decode_missingOrBadRequiredKey_fails_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("no _id") << QByteArray(R"({"entryText":"a","date":1})");
        QTest::newRow("_id null") << QByteArray(R"({"_id":null,"entryText":"a","date":1})");
        QTest::newRow("_id number") << QByteArray(R"({"_id":7,"entryText":"a","date":1})");
        QTest::newRow("no entryText") << QByteArray(R"({"_id":"m","date":1})");
        QTest::newRow("no date") << QByteArray(R"({"_id":"m","entryText":"a"})");
        QTest::newRow("date null") << QByteArray(R"({"_id":"m","entryText":"a","date":null})");
        QTest::newRow("fractional date") << QByteArray(R"({"_id":"m","entryText":"a","date":1.5})");
        QTest::newRow("date as text") << QByteArray(R"({"_id":"m","entryText":"a","date":"2024-01-05T00:00:00Z"})");
        QTest::newRow("not an object") << QByteArray(R"(["m"])");
    }

    void decode_missingOrBadRequiredKey_fails()
    {
        QFETCH(QByteArray, json);
        QVERIFY_THROWS_EXCEPTION(Json::DecodingError, Medbit::fromJson(*Json::parse(json)));
    }

    void decode_malformedDocuments_keepsEntryWithoutThem_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::newRow("absent") << QByteArray(R"("isStarred":true)");
        QTest::newRow("null") << QByteArray(R"("documents":null,"isStarred":true)");
        QTest::newRow("text") << QByteArray(R"("documents":"a.pdf","isStarred":true)");
        QTest::newRow("number file name")
            << QByteArray(R"("documents":[{"_id":"d1"},{"fileName":4}],"isStarred":true)");
    }

    void decode_malformedDocuments_keepsEntryWithoutThem()
    {
        QFETCH(QByteArray, keys);
        const Medbit medbit = Medbit::fromJson(entry(keys));
        QVERIFY(medbit.documents.isEmpty());
        QVERIFY(medbit.isStarred);
    }

    void decodeList_oneBadEntry_failsWholeList()
    {
        const QByteArray good = R"({"_id":"a","entryText":"a","date":-86400})";
        QCOMPARE(APIClient::decodeReply<QList<Medbit>>('[' + good + ']').first().date, -86400);
        const QByteArray list = '[' + good + R"(,{"_id":"b","entryText":"b","date":2.5}])";
        QVERIFY_THROWS_EXCEPTION(APIError, APIClient::decodeReply<QList<Medbit>>(list));
    }

    void encode_writesRequiredKeysAndLeavesOutAbsentOptionals()
    {
        Medbit medbit = sample();
        medbit.tags.clear();
        medbit.documents.clear();
        const QJsonObject json = medbit.toJson();
        QVERIFY(!json.contains(QLatin1String("translated")) && !json.contains(QLatin1String("language")));
        QCOMPARE(json.value(QLatin1String("_id")).toString(), QStringLiteral("m1"));
        QVERIFY(json.value(QLatin1String("date")).isDouble());
        QVERIFY(json.value(QLatin1String("tags")).isArray() && json.value(QLatin1String("tags")).toArray().isEmpty());
        QVERIFY(json.value(QLatin1String("documents")).isArray());
        QCOMPARE(json.value(QLatin1String("isStarred")), QJsonValue(false));
    }

    void encode_thenDecode_givesEqualEntry()
    {
        Medbit medbit = sample();
        medbit.translated = QStringLiteral("Grippe");
        medbit.date = -9007199254740993; // beyond double precision: must stay exact
        QCOMPARE(Medbit::fromJson(medbit.toJson()), medbit);
    }

    void equality_dependsOnOrderOfTagsAndDocuments()
    {
        const Medbit medbit = sample();
        Medbit reordered = medbit;
        std::reverse(reordered.tags.begin(), reordered.tags.end());
        QVERIFY(reordered != medbit);
        reordered = medbit;
        std::reverse(reordered.documents.begin(), reordered.documents.end());
        QVERIFY(reordered != medbit);
        QCOMPARE(qHash(Medbit(medbit), 7), qHash(medbit, 7));
    }

    void displayDate_data()
    {
        QTest::addColumn<qint64>("date");
        QTest::addColumn<bool>("isApproxDate");
        QTest::addColumn<QString>("text");
        QTest::newRow("local noon") << qint64(1704474000) << false << QStringLiteral("Jan 5, 2024");
        QTest::newRow("approximate") << qint64(1704474000) << true << QStringLiteral("~Jan 5, 2024");
        QTest::newRow("epoch, west of UTC") << qint64(0) << false << QStringLiteral("Dec 31, 1969");
        QTest::newRow("before 1970") << qint64(-86400 * 365) << false << QStringLiteral("Dec 31, 1968");
    }

    void displayDate()
    {
        QFETCH(qint64, date);
        QFETCH(bool, isApproxDate);
        Medbit medbit = sample();
        medbit.date = date;
        medbit.isApproxDate = isApproxDate;
        QTEST(medbit.displayDate(), "text");
    }

    void mediumDate_followsTheLocalesMediumStyle_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("US English") << QStringLiteral("en_US") << QStringLiteral("Jan 5, 2024");
        QTest::newRow("British English") << QStringLiteral("en_GB") << QStringLiteral("5 Jan 2024");
        QTest::newRow("German") << QStringLiteral("de_DE") << QStringLiteral("05.01.2024");
        QTest::newRow("Japanese") << QStringLiteral("ja_JP") << QStringLiteral("2024/01/05");
    }

    void mediumDate_followsTheLocalesMediumStyle()
    {
        QFETCH(QString, locale);
        QTEST(DateText::mediumDate(QDate(2024, 1, 5), QLocale(locale)), "text");
    }

    void displayDate_followsTheDefaultLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Medbit medbit = sample();
        medbit.date = 1704474000;
        const QString text = medbit.displayDate();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(text, QStringLiteral("05.01.2024"));
    }
};

QTEST_GUILESS_MAIN(MedbitTest)
#include "MedbitTest.moc"
