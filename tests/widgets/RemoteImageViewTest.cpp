#include "widgets/RemoteImageView.h"

#include "BearerToken.h"
#include "LinkServer.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Phase = RemoteImageView::Phase;

class RemoteImageViewTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<LinkServer> m_server;
    BearerToken m_token;

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<LinkServer>();
        m_server->serve(QStringLiteral("/scan.png"), LinkServer::samplePng(40, 30), "image/png");
        m_server->serve(QStringLiteral("/wide.png"), LinkServer::samplePng(5000, 20), "image/png");
        m_server->serve(QStringLiteral("/garbage.png"), "not an image", "image/png");
        m_server->hold(QStringLiteral("/slow.png"));
    }

    void cleanup() { m_server.reset(); }

    void link_passesThroughItsPhases()
    {
        RemoteImageView view;
        QSignalSpy spy(&view, &RemoteImageView::phaseChanged);
        view.setUrl(m_server->url(QStringLiteral("/scan.png")));
        QCOMPARE(view.phase(), Phase::loading);
        QTRY_COMPARE(view.phase(), Phase::loaded);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(view.image().size(), QSize(40, 30));
        QCOMPARE(m_server->requestsWithAuthorization(), 0);
    }

    void unreadable_fails_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("not an image") << "/garbage.png";
        QTest::newRow("404") << "/missing.png";
    }

    void unreadable_fails()
    {
        QFETCH(QString, path);
        RemoteImageView view;
        view.setUrl(m_server->url(path));
        QTRY_COMPARE(view.phase(), Phase::failed);
        QVERIFY(view.image().isNull());
    }

    void hugeImage_isDecodedSmaller()
    {
        RemoteImageView view;
        view.setUrl(m_server->url(QStringLiteral("/wide.png")));
        QTRY_COMPARE(view.phase(), Phase::loaded);
        QCOMPARE(view.image().width(), 4096);
    }

    void fileUrl_loadsTheFile()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("scan.png")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(LinkServer::samplePng(12, 8)) > 0);
        file.close();
        RemoteImageView view;
        view.setUrl(QUrl::fromLocalFile(file.fileName()));
        QTRY_COMPARE(view.phase(), Phase::loaded);
        QCOMPARE(view.image().size(), QSize(12, 8));
    }

    void sameUrl_reloadsOnlyAfterAFailure()
    {
        const QUrl url = m_server->url(QStringLiteral("/later.png"));
        RemoteImageView view;
        view.setUrl(url);
        QTRY_COMPARE(view.phase(), Phase::failed);
        m_server->serve(QStringLiteral("/later.png"), LinkServer::samplePng(), "image/png");
        view.setUrl(url);
        QTRY_COMPARE(view.phase(), Phase::loaded);
        view.setUrl(url);
        QCOMPARE(view.phase(), Phase::loaded);
        QCOMPARE(m_server->requestCount(QStringLiteral("/later.png")), 2);
    }

    void newUrl_abortsTheRunningLoad()
    {
        RemoteImageView view;
        view.setUrl(m_server->url(QStringLiteral("/slow.png")));
        QTRY_COMPARE(m_server->requestCount(QStringLiteral("/slow.png")), 1);
        view.setUrl(m_server->url(QStringLiteral("/scan.png")));
        QTRY_COMPARE(view.phase(), Phase::loaded);
        QTRY_COMPARE(m_server->abandonedHolds(), 1);
        QCOMPARE(view.image().size(), QSize(40, 30));
    }

    void closingTheView_abortsItsLoad()
    {
        auto *view = new RemoteImageView;
        view->setUrl(m_server->url(QStringLiteral("/slow.png")));
        QTRY_COMPARE(m_server->requestCount(QStringLiteral("/slow.png")), 1);
        delete view;
        QTRY_COMPARE(m_server->abandonedHolds(), 1);
    }
};

QTEST_MAIN(RemoteImageViewTest)
#include "RemoteImageViewTest.moc"
