#include "records/JsonListElements.h"

#include <QTest>

using namespace Qt::StringLiterals;

// A list is cut into its objects by their brackets alone: brackets and quotes inside texts stay inside.
class JsonListElementsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void objects_areCutWhereTheListSeparatesThem_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<QList<QByteArray>>("objects");
        QTest::addColumn<bool>("cut");
        QTest::newRow("empty") << " [ ] "_ba << QList<QByteArray>{} << true;
        QTest::newRow("two, white space between")
            << "[{\"a\":1} ,\n{}]"_ba << QList<QByteArray>{"{\"a\":1}", "{}"} << true;
        QTest::newRow("brackets in texts")
            << "[{\"a\":\"}]{[\"},{\"b\":[{}]}]"_ba << QList<QByteArray>{"{\"a\":\"}]{[\"}", "{\"b\":[{}]}"} << true;
        QTest::newRow("escaped quotes and backslashes")
            << "[{\"a\":\"\\\"}\"},{\"b\":\"\\\\\"},{}]"_ba
            << QList<QByteArray>{"{\"a\":\"\\\"}\"}", "{\"b\":\"\\\\\"}", "{}"} << true;
        QTest::newRow("not objects") << "[1,2]"_ba << QList<QByteArray>{} << false;
        QTest::newRow("unclosed text") << "[{\"a\":\"}]"_ba << QList<QByteArray>{} << false;
        QTest::newRow("unclosed list") << "[{}"_ba << QList<QByteArray>{} << false;
        QTest::newRow("trailing comma") << "[{},]"_ba << QList<QByteArray>{} << false;
        QTest::newRow("missing comma") << "[{}{}]"_ba << QList<QByteArray>{} << false;
        QTest::newRow("text after") << "[{}] x"_ba << QList<QByteArray>{} << false;
        QTest::newRow("object closed by the wrong bracket") << "[{\"a\":[1}]"_ba << QList<QByteArray>{} << false;
        QTest::newRow("an object, not a list") << "{}"_ba << QList<QByteArray>{} << false;
    }

    void objects_areCutWhereTheListSeparatesThem()
    {
        QFETCH(QByteArray, list);
        QFETCH(bool, cut);
        const std::optional<QList<QByteArrayView>> found = JsonListElements::objects(list);
        QCOMPARE(found.has_value(), cut);
        if (!cut)
            return;
        QList<QByteArray> objects;
        for (const QByteArrayView object : *found)
            objects.append(object.toByteArray());
        QTEST(objects, "objects");
    }
};

QTEST_GUILESS_MAIN(JsonListElementsTest)
#include "JsonListElementsTest.moc"
