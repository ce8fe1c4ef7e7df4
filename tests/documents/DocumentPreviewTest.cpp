#include "documents/DocumentPreview.h"
#include "documents/PDFKitView.h"

#include "LinkServer.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The document preview of both screens: an unusable link shows the failure at once without reporting it;
// only a file that cannot be shown is reported.
class DocumentPreviewTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<LinkServer>();
        m_server->serve(u"/garbage.pdf"_s, "not a document", "application/pdf");
    }

    void cleanup() { m_server.reset(); }

    void unusableLink_showsTheFailure_withoutReporting_data()
    {
        QTest::addColumn<QString>("uri");
        QTest::newRow("none") << QString();
        QTest::newRow("relative") << u"/files/scan.pdf"_s;
        QTest::newRow("malformed") << u"http://[::1/scan.pdf"_s;
    }

    void unusableLink_showsTheFailure_withoutReporting()
    {
        QFETCH(QString, uri);
        DocumentPreview preview(DocumentPreview::Look::detailColumn, nullptr);
        QSignalSpy failed(&preview, &DocumentPreview::loadFailed);
        ImageAsset record;
        record.fileName = u"scan.pdf"_s;
        if (!uri.isNull())
            record.uri = uri;
        preview.showDocument(record);
        QVERIFY(preview.showsFailure());
        QCOMPARE(preview.findChild<QLabel *>(u"documentFailure"_s)->text(), u"Couldn\u2019t load this document."_s);
        QCOMPARE(failed.size(), 0);
        // The view's report of a file it cannot open is the one the preview passes on.
        QSignalSpy reported(preview.findChild<PDFKitView *>(), &PDFKitView::loadFinished);
        record.uri = m_server->url(u"/garbage.pdf"_s).toString();
        preview.showDocument(record);
        QTRY_COMPARE_WITH_TIMEOUT(reported.size(), 1, 10000);
        QCOMPARE(failed.size(), 1);
    }

private:
    std::unique_ptr<LinkServer> m_server;
};

QTEST_MAIN(DocumentPreviewTest)
#include "DocumentPreviewTest.moc"
