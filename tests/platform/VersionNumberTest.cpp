#include "platform/VersionNumber.h"
#include "platform/UpdateFeed.h"

#include <QTest>

class VersionNumberTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void compare_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::newRow("equal") << "1.2.3"
                               << "1.2.3" << 0;
        QTest::newRow("missing component is zero") << "1.2"
                                                   << "1.2.0" << 0;
        QTest::newRow("patch newer") << "1.2.4"
                                     << "1.2.3" << 1;
        QTest::newRow("numeric, not textual") << "1.10.0"
                                              << "1.9.0" << 1;
        QTest::newRow("major older") << "1.9"
                                     << "2.0" << -1;
        QTest::newRow("longer is newer") << "1.2.0.1"
                                         << "1.2" << 1;
        QTest::newRow("pre-release older than release") << "2.0-beta"
                                                        << "2.0" << -1;
        QTest::newRow("pre-releases by suffix") << "2.0-beta2"
                                                << "2.0-beta1" << 1;
        QTest::newRow("blanks around") << " 0.2.0 "
                                       << "0.1.0" << 1;
    }

    void compare()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QCOMPARE(std::clamp(VersionNumber::compare(a, b), -1, 1), order);
        QCOMPARE(std::clamp(VersionNumber::compare(b, a), -1, 1), -order);
    }

    void feed_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("valid");
        QTest::newRow("version and page")
            << QByteArray("{\"version\":\"1.0.1\",\"url\":\"https://vantorelle.app/dl\"}") << true;
        QTest::newRow("not an object") << QByteArray("[\"1.0.1\"]") << false;
        QTest::newRow("number version") << QByteArray("{\"version\":1,\"url\":\"https://vantorelle.app/dl\"}") << false;
        QTest::newRow("empty version") << QByteArray("{\"version\":\" \",\"url\":\"https://vantorelle.app/dl\"}")
                                       << false;
        QTest::newRow("no page") << QByteArray("{\"version\":\"1.0.1\"}") << false;
        QTest::newRow("local file page") << QByteArray("{\"version\":\"1.0.1\",\"url\":\"file:///etc/passwd\"}")
                                         << false;
        QTest::newRow("relative page") << QByteArray("{\"version\":\"1.0.1\",\"url\":\"download\"}") << false;
    }

    void feed()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, valid);
        const std::optional<UpdateFeed> feed = UpdateFeed::fromJson(json);
        QCOMPARE(feed.has_value(), valid);
        if (valid) {
            QCOMPARE(feed->version, QStringLiteral("1.0.1"));
            QCOMPARE(feed->downloadURL, QUrl(QStringLiteral("https://vantorelle.app/dl")));
        }
    }
};

QTEST_GUILESS_MAIN(VersionNumberTest)
#include "VersionNumberTest.moc"
