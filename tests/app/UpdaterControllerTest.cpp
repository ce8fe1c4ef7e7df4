#include "platform/UpdaterController.h"
#include "platform/UrlOpener.h"

#include "StandinServer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

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

    void init()
    {
        m_server.reset();
        m_opened.clear();
        UrlOpener::setHandlerForTesting([this](const QUrl &url) { m_opened.append(url); });
        m_window.show();
    }

    void cleanup() { UrlOpener::setHandlerForTesting({}); }

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
        off.checkForUpdates(&m_window);
        QVERIFY(!off.canCheckForUpdates());
        // A configured check afterwards still finds the scripted feed: the first one never asked for it.
        UpdaterController on(info(QStringLiteral("key"), feedURL()));
        on.checkForUpdates(&m_window);
        QTRY_VERIFY_WITH_TIMEOUT(resultDialog(), 10000);
        QCOMPARE(resultDialog()->text(), QStringLiteral("Vantorelle 9.0.0 is available."));
        QCOMPARE(m_server.requests(feedPath).size(), 1);
        resultDialog()->close();
        QTRY_VERIFY_WITH_TIMEOUT(!resultDialog(), 5000);
    }

    void newerVersion_offersDownloadPage()
    {
        scriptFeed("{\"version\":\"1.10.0\",\"url\":\"https://vantorelle.app/download\"}");
        UpdaterController controller(info(QStringLiteral("key"), feedURL()));
        QSignalSpy changes(&controller, &UpdaterController::canCheckForUpdatesChanged);
        controller.checkForUpdates(&m_window);
        QVERIFY(!controller.canCheckForUpdates());
        controller.checkForUpdates(&m_window);
        QTRY_VERIFY_WITH_TIMEOUT(resultDialog(), 10000);
        QCOMPARE(resultDialog()->text(), QStringLiteral("Vantorelle 1.10.0 is available."));
        QCOMPARE(resultDialog()->informativeText(), QStringLiteral("You have version 1.2.0."));
        QCOMPARE(m_server.requests(feedPath).size(), 1);
        QCOMPARE(changes.size(), 2);
        QVERIFY(controller.canCheckForUpdates());

        QTest::mouseClick(resultDialog()->findChild<QPushButton *>(QStringLiteral("downloadButton")), Qt::LeftButton);
        QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("https://vantorelle.app/download"))});
        QTRY_VERIFY_WITH_TIMEOUT(!resultDialog(), 5000);
    }

    void result_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<QString>("text");
        QTest::newRow("same version") << QByteArray("{\"version\":\"1.2\",\"url\":\"https://vantorelle.app/d\"}")
                                      << QStringLiteral("Vantorelle is up to date.");
        QTest::newRow("older version") << QByteArray("{\"version\":\"1.1.9\",\"url\":\"https://vantorelle.app/d\"}")
                                       << QStringLiteral("Vantorelle is up to date.");
        QTest::newRow("unreadable feed") << QByteArray("<rss/>") << QStringLiteral("Couldn't check for updates.");
    }

    void result()
    {
        QFETCH(QByteArray, feed);
        QFETCH(QString, text);
        scriptFeed(feed);
        UpdaterController controller(info(QStringLiteral("key"), feedURL()));
        controller.checkForUpdates(&m_window);
        QTRY_VERIFY_WITH_TIMEOUT(resultDialog(), 10000);
        QCOMPARE(resultDialog()->text(), text);
        QVERIFY(!resultDialog()->findChild<QPushButton *>(QStringLiteral("downloadButton")));
        resultDialog()->close();
        QTRY_VERIFY_WITH_TIMEOUT(!resultDialog(), 5000);
        QVERIFY(m_opened.isEmpty());
    }

    void failedFetch_isReported()
    {
        m_server.injectFault({{QStringLiteral("path"), feedPath}, {QStringLiteral("status"), 503}});
        UpdaterController controller(info(QStringLiteral("key"), feedURL()));
        controller.checkForUpdates(&m_window);
        QTRY_VERIFY_WITH_TIMEOUT(resultDialog(), 10000);
        QCOMPARE(resultDialog()->text(), QStringLiteral("Couldn't check for updates."));
        QVERIFY(controller.canCheckForUpdates());
        resultDialog()->close();
        QTRY_VERIFY_WITH_TIMEOUT(!resultDialog(), 5000);
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

    QMessageBox *resultDialog() const
    {
        return m_window.findChild<QMessageBox *>(QStringLiteral("updateResultDialog"));
    }

    StandinServer m_server;
    QWidget m_window;
    QList<QUrl> m_opened;
};

QTEST_MAIN(UpdaterControllerTest)
#include "UpdaterControllerTest.moc"
