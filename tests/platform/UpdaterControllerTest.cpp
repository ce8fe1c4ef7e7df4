#include "platform/UpdaterController.h"

#include "AwaitTask.h"
#include "StandinServer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>

using Outcome = UpdateCheckResult::Outcome;

namespace
{

const QString feedPath = QStringLiteral("/updates/feed.json");

QJsonObject info(const QJsonValue &key, const QUrl &feed = {})
{
    QJsonObject object{{QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.2.0")},
                       {QStringLiteral("SUFeedURL"), feed.toString()}};
    if (!key.isUndefined())
        object.insert(QStringLiteral("SUPublicEDKey"), key);
    return object;
}

} // namespace

class UpdaterControllerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init() { m_server.reset(); }

    void keyRule_data()
    {
        QTest::addColumn<QJsonValue>("key");
        QTest::addColumn<bool>("configured");
        QTest::newRow("absent") << QJsonValue(QJsonValue::Undefined) << false;
        QTest::newRow("empty") << QJsonValue(QString()) << false;
        QTest::newRow("placeholder") << QJsonValue(QStringLiteral("REPLACE_WITH_YOUR_PUBLIC_KEY")) << false;
        QTest::newRow("number") << QJsonValue(42) << false;
        QTest::newRow("flag") << QJsonValue(true) << false;
        QTest::newRow("list") << QJsonValue(QJsonArray{QStringLiteral("key")}) << false;
        QTest::newRow("null") << QJsonValue(QJsonValue::Null) << false;
        QTest::newRow("valid") << QJsonValue(QStringLiteral("pfIShU4dEXqPd5ObYNfDBiQWcXozk7estwzTnF9BamQ=")) << true;
        QTest::newRow("placeholder is case-sensitive") << QJsonValue(QStringLiteral("replace_with_key")) << true;
        QTest::newRow("blanks count as set") << QJsonValue(QStringLiteral("   ")) << true;
    }

    void keyRule()
    {
        QFETCH(QJsonValue, key);
        QFETCH(bool, configured);
        UpdaterController controller(info(key, feedURL()));
        QCOMPARE(controller.isConfigured(), configured);
        QCOMPARE(controller.canCheckForUpdates(), configured);
    }

    void embeddedPropertyList_decidesConfiguration()
    {
        QFile file(QStringLiteral(":/Info.json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject embedded = QJsonDocument::fromJson(file.readAll()).object();
        QVERIFY(embedded.value(QLatin1String("SUPublicEDKey")).isString());
        UpdaterController controller;
        QCOMPARE(controller.isConfigured(),
                 UpdaterController::isConfiguredKey(embedded.value(QLatin1String("SUPublicEDKey"))));
    }

    void notConfigured_checkSendsNothing()
    {
        scriptFeed("{\"version\":\"9.0.0\",\"url\":\"https://vantorelle.app/download\"}");
        UpdaterController off(info(QStringLiteral("REPLACE_WITH_KEY"), feedURL()));
        QVERIFY(!AwaitTask::run(off.checkForUpdates()));
        QVERIFY(!off.canCheckForUpdates());
        // A configured check afterwards still finds the scripted feed: the first
        // one never asked for it.
        UpdaterController on(info(QStringLiteral("key"), feedURL()));
        const std::optional<UpdateCheckResult> result = AwaitTask::run(on.checkForUpdates());
        QVERIFY(result);
        QCOMPARE(result->availableVersion, QStringLiteral("9.0.0"));
        QCOMPARE(m_server.requests(feedPath).size(), 1);
    }

    void newerVersion_givesVersionAndDownloadPage()
    {
        scriptFeed("{\"version\":\"1.10.0\",\"url\":\"https://vantorelle.app/download\"}");
        UpdaterController controller(info(QStringLiteral("key"), feedURL()));
        QSignalSpy changes(&controller, &UpdaterController::canCheckForUpdatesChanged);
        QCoro::Task<std::optional<UpdateCheckResult>> running = controller.checkForUpdates();
        QVERIFY(!controller.canCheckForUpdates());
        QVERIFY(!AwaitTask::run(controller.checkForUpdates()));
        const std::optional<UpdateCheckResult> result = AwaitTask::run(std::move(running));
        QVERIFY(result);
        QCOMPARE(result->outcome, Outcome::UpdateAvailable);
        QCOMPARE(result->availableVersion, QStringLiteral("1.10.0"));
        QCOMPARE(result->currentVersion, QStringLiteral("1.2.0"));
        QCOMPARE(result->downloadURL, QUrl(QStringLiteral("https://vantorelle.app/download")));
        QCOMPARE(m_server.requests(feedPath).size(), 1);
        QCOMPARE(changes.size(), 2);
        QVERIFY(controller.canCheckForUpdates());
    }

    void result_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<Outcome>("outcome");
        QTest::newRow("same version") << QByteArray("{\"version\":\"1.2\",\"url\":\"https://vantorelle.app/d\"}")
                                      << Outcome::UpToDate;
        QTest::newRow("older version") << QByteArray("{\"version\":\"1.1.9\",\"url\":\"https://vantorelle.app/d\"}")
                                       << Outcome::UpToDate;
        QTest::newRow("unreadable feed") << QByteArray("<rss/>") << Outcome::Failed;
    }

    void result()
    {
        QFETCH(QByteArray, feed);
        QFETCH(Outcome, outcome);
        scriptFeed(feed);
        UpdaterController controller(info(QStringLiteral("key"), feedURL()));
        const std::optional<UpdateCheckResult> result = AwaitTask::run(controller.checkForUpdates());
        QVERIFY(result);
        QCOMPARE(result->outcome, outcome);
        QCOMPARE(result->currentVersion, QStringLiteral("1.2.0"));
        QVERIFY(result->availableVersion.isEmpty());
        QVERIFY(result->downloadURL.isEmpty());
    }

    void failedFetch_isReported()
    {
        m_server.injectFault({{QStringLiteral("path"), feedPath}, {QStringLiteral("status"), 503}});
        UpdaterController controller(info(QStringLiteral("key"), feedURL()));
        const std::optional<UpdateCheckResult> result = AwaitTask::run(controller.checkForUpdates());
        QVERIFY(result);
        QCOMPARE(result->outcome, Outcome::Failed);
        QVERIFY(controller.canCheckForUpdates());
    }

private:
    QUrl feedURL() const
    {
        QUrl url = m_server.apiBase();
        url.setPath(feedPath);
        return url;
    }

    void scriptFeed(const QByteArray &json)
    {
        m_server.scriptStream(
            {{QStringLiteral("method"), QStringLiteral("GET")},
             {QStringLiteral("path"), feedPath},
             {QStringLiteral("headers"),
              QJsonObject{{QStringLiteral("Content-Type"), QStringLiteral("application/json")}}},
             {QStringLiteral("chunks"), QJsonArray{QJsonObject{{QStringLiteral("data"), QString::fromUtf8(json)}}}}});
    }

    StandinServer m_server;
};

QTEST_MAIN(UpdaterControllerTest)
#include "UpdaterControllerTest.moc"
