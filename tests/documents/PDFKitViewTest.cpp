#include "documents/PDFKitView.h"

#include "BearerToken.h"
#include "LinkServer.h"

#include <QPdfDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class PDFKitViewTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<LinkServer> m_server;
    BearerToken m_token;

    // The failure flag of the one load the view reports.
    static bool reportedFailure(PDFKitView &view, QSignalSpy &spy)
    {
        if (!QTest::qWaitFor([&spy] { return spy.count() > 0; }, 10000))
            qFatal("the view reported nothing");
        if (spy.count() != 1)
            qFatal("the view reported more than once");
        return spy.takeFirst().at(0).toBool() && view.failedToLoad();
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<LinkServer>();
        m_server->serve(QStringLiteral("/doc.pdf"), LinkServer::samplePdf(), "application/pdf");
        m_server->serve(QStringLiteral("/garbage.pdf"), "not a document", "application/pdf");
        m_server->hold(QStringLiteral("/slow.pdf"));
    }

    void cleanup() { m_server.reset(); }

    void link_isShownScaled_andReportedOneTurnLater()
    {
        PDFKitView view;
        QSignalSpy spy(&view, &PDFKitView::loadFinished);
        view.setUrl(m_server->url(QStringLiteral("/doc.pdf")));
        QVERIFY(view.isLoading());
        QVERIFY(!reportedFailure(view, spy));
        QCOMPARE(view.document()->pageCount(), 1);
        QCOMPARE(view.zoomMode(), QPdfView::ZoomMode::FitInView);
        QCOMPARE(m_server->requestsWithAuthorization(), 0);
    }

    void unopenable_reportsFailure_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("not a PDF") << "/garbage.pdf";
        QTest::newRow("404") << "/missing.pdf";
    }

    void unopenable_reportsFailure()
    {
        QFETCH(QString, path);
        PDFKitView view;
        QSignalSpy spy(&view, &PDFKitView::loadFinished);
        view.setUrl(m_server->url(path));
        QVERIFY(reportedFailure(view, spy));
        QCOMPARE(view.document()->pageCount(), 0);
    }

    void otherScheme_failsAfterOneTurn()
    {
        PDFKitView view;
        QSignalSpy spy(&view, &PDFKitView::loadFinished);
        view.setUrl(QUrl(QStringLiteral("ftp://127.0.0.1/doc.pdf")));
        QCOMPARE(spy.count(), 0);
        QVERIFY(reportedFailure(view, spy));
    }

    void fileUrl_loadsTheFile()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("scan.pdf")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(LinkServer::samplePdf()) > 0);
        file.close();
        PDFKitView view;
        QSignalSpy spy(&view, &PDFKitView::loadFinished);
        view.setUrl(QUrl::fromLocalFile(file.fileName()));
        QVERIFY(!reportedFailure(view, spy));
        QCOMPARE(view.document()->pageCount(), 1);
    }

    void sameUrl_reloadsOnlyAfterAFailure()
    {
        const QUrl url = m_server->url(QStringLiteral("/later.pdf"));
        PDFKitView view;
        QSignalSpy spy(&view, &PDFKitView::loadFinished);
        view.setUrl(url);
        QVERIFY(reportedFailure(view, spy));

        m_server->serve(QStringLiteral("/later.pdf"), LinkServer::samplePdf(), "application/pdf");
        view.setUrl(url);
        QVERIFY(!reportedFailure(view, spy));
        QCOMPARE(m_server->requestCount(QStringLiteral("/later.pdf")), 2);

        view.setUrl(url);
        QVERIFY(!view.isLoading());
        QCOMPARE(view.document()->pageCount(), 1);
    }

    void newUrl_abortsTheRunningLoad_withoutReportingIt()
    {
        PDFKitView view;
        QSignalSpy spy(&view, &PDFKitView::loadFinished);
        view.setUrl(m_server->url(QStringLiteral("/slow.pdf")));
        QTRY_COMPARE(m_server->requestCount(QStringLiteral("/slow.pdf")), 1);
        view.setUrl(m_server->url(QStringLiteral("/doc.pdf")));
        QVERIFY(!reportedFailure(view, spy));
        QTRY_COMPARE(m_server->abandonedHolds(), 1);
        QCOMPARE(spy.count(), 0);
    }

    void closingTheView_abortsItsLoad()
    {
        auto *view = new PDFKitView;
        view->setUrl(m_server->url(QStringLiteral("/slow.pdf")));
        QTRY_COMPARE(m_server->requestCount(QStringLiteral("/slow.pdf")), 1);
        delete view;
        QTRY_COMPARE(m_server->abandonedHolds(), 1);
    }
};

QTEST_MAIN(PDFKitViewTest)
#include "PDFKitViewTest.moc"
