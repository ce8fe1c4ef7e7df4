#include "mainwindow/entry/InspectorPreviewPanel.h"
#include "documents/PDFKitView.h"
#include "mainwindow/ContentView.h"
#include "records/MedbitStore.h"
#include "widgets/RemoteImageView.h"
#include "window/WindowState.h"

#include "AwaitTask.h"
#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"

#include "net/APIClient.h"
#include "net/AuthManager.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include <memory>

using ScreenTestKit::child;

// The attachment preview in the window against the stand-in: its one refresh and its keyed load.
class InspectorPreviewPanelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        QVERIFY(m_window.open(QSize(1400, 800)));
        QTRY_VERIFY_WITH_TIMEOUT(m_window.view()->medbitStore()->medbits().size() >= 10, 10000);
    }

    void cleanup() { m_window.close(); }

    void deadLink_isRefreshedOnce_thenTheFailureStays_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("refreshesNeeded");
        QTest::addColumn<bool>("shown");
        QTest::newRow("pdf, refresh helps") << QStringLiteral("Blood panel") << 1 << true;
        QTest::newRow("pdf, refresh fails too") << QStringLiteral("Blood panel") << 2 << false;
        QTest::newRow("image, refresh helps") << QStringLiteral("rash") << 1 << true;
        QTest::newRow("image, refresh fails too") << QStringLiteral("rash") << 2 << false;
    }

    void deadLink_isRefreshedOnce_thenTheFailureStays()
    {
        QFETCH(QString, entry);
        QFETCH(int, refreshesNeeded);
        QFETCH(bool, shown);
        const Medbit medbit = fullEntry(entry);
        const QString documentID = *medbit.documents.first()._id;
        m_server.apiCall("POST", QStringLiteral("/_standin/expire-document"),
                         {{QStringLiteral("documentId"), documentID}, {QStringLiteral("refreshes"), refreshesNeeded}});
        select(medbit);
        InspectorPreviewPanel *preview = nullptr;
        QTRY_VERIFY((preview = m_window.view()->findChild<InspectorPreviewPanel *>()) != nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(m_window.session()->finishedReplies(QStringLiteral("/patients/document/refresh")), 1,
                                  10000);
        auto *pages = child<QStackedWidget>(preview, "previewArea");
        auto *failure = child<QLabel>(preview, "previewFailure");
        const bool isPDF = medbit.documents.first().isPDF();
        if (shown) {
            if (isPDF)
                QTRY_VERIFY(!child<PDFKitView>(preview, "previewPDF")->isLoading() &&
                            pages->currentWidget() == child<PDFKitView>(preview, "previewPDF") &&
                            !child<PDFKitView>(preview, "previewPDF")->failedToLoad());
            else
                QTRY_COMPARE(child<RemoteImageView>(preview, "previewImage")->phase(), RemoteImageView::Phase::loaded);
        } else {
            QTRY_VERIFY(pages->currentWidget() == failure->parentWidget());
            QCOMPARE(failure->text(), QStringLiteral("Couldn\u2019t load this document."));
        }
        m_window.session()->roundTrip();
        QCOMPARE(m_window.session()->requests(QStringLiteral("/api/patients/document/refresh")).size(), 1);
        QCOMPARE(m_window.session()->requests(QStringLiteral("/api/patients/document/refresh")).first().json(),
                 QJsonValue(QJsonObject{{QStringLiteral("documentId"), documentID}}));
    }

    void refreshedRecord_withoutIdOrWithRelativeLink_isShown_data()
    {
        QTest::addColumn<bool>("withID");
        QTest::addColumn<bool>("relative");
        QTest::newRow("no _id") << false << false;
        QTest::newRow("relative uri") << true << true;
        QTest::newRow("no _id, relative uri") << false << true;
    }

    void refreshedRecord_withoutIdOrWithRelativeLink_isShown()
    {
        QFETCH(bool, withID);
        QFETCH(bool, relative);
        const Medbit rash = fullEntry(QStringLiteral("rash"));
        const QString documentID = *rash.documents.first()._id;
        // The entry's own link dies; the service's renewed one is handed back in the shape of the row.
        const QJsonObject renewed = m_server
                                        .apiCall("POST", QStringLiteral("/patients/document/refresh"),
                                                 {{QStringLiteral("documentId"), documentID}},
                                                 m_window.session()->auth()->accessToken()->toUtf8())
                                        .toObject();
        m_server.clearRequests();
        QJsonObject reply = renewed;
        if (!withID)
            reply.remove(QStringLiteral("_id"));
        if (relative)
            reply.insert(QStringLiteral("uri"), QUrl(renewed.value(QStringLiteral("uri")).toString()).path());
        m_server.injectFault(
            {{QStringLiteral("path"), QStringLiteral("/api/patients/document")}, {QStringLiteral("status"), 500}});
        m_server.injectFault({{QStringLiteral("path"), QStringLiteral("/api/patients/document/refresh")},
                              {QStringLiteral("status"), 200},
                              {QStringLiteral("body"), QString::fromUtf8(QJsonDocument(reply).toJson())}});
        select(rash);
        InspectorPreviewPanel *preview = nullptr;
        QTRY_VERIFY((preview = m_window.view()->findChild<InspectorPreviewPanel *>()) != nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(child<RemoteImageView>(preview, "previewImage")->phase(),
                                  RemoteImageView::Phase::loaded, 10000);
        QCOMPARE(QUrl(*preview->document()->uri), QUrl(renewed.value(QStringLiteral("uri")).toString()));
        QCOMPARE(m_window.session()->requests(QStringLiteral("/api/patients/document/refresh")).size(), 1);
    }

    void tallImage_fillsTheColumnsWidth_andScrolls()
    {
        QTemporaryDir files;
        QImage scan(300, 3000, QImage::Format_RGB32);
        scan.fill(Qt::gray);
        const QString path = files.filePath(QStringLiteral("tall scan.png"));
        QVERIFY(scan.save(path));
        Medbit medbit = fullEntry(QStringLiteral("rash"));
        medbit.documents = {ImageAsset{QStringLiteral("no-such-document"),
                                       QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded),
                                       {},
                                       QStringLiteral("tall scan.png"),
                                       QStringLiteral("image/png"),
                                       {}}};
        select(medbit);
        InspectorPreviewPanel *preview = nullptr;
        QTRY_VERIFY((preview = m_window.view()->findChild<InspectorPreviewPanel *>()) != nullptr);
        auto *image = child<RemoteImageView>(preview, "previewImage");
        QTRY_COMPARE_WITH_TIMEOUT(image->phase(), RemoteImageView::Phase::loaded, 10000);
        auto *scroll = child<QScrollArea>(preview, "previewImageScroll");
        QTRY_COMPARE(image->width(), scroll->viewport()->width());
        QTRY_COMPARE(image->height(), image->width() * 10);
        QVERIFY(scroll->verticalScrollBar()->maximum() > 0);
    }

    void load_isKeyedOnEntryAndName_soASlowEarlierReplyIsDropped()
    {
        const Medbit lab = fullEntry(QStringLiteral("Blood panel"));
        const Medbit rash = fullEntry(QStringLiteral("rash"));
        m_server.injectFault(ScreenTestKit::delayed(QStringLiteral("/api/patients/document"), 600));
        select(lab);
        QTRY_COMPARE(m_window.session()->requests(QStringLiteral("/api/patients/document")).size(), 1);
        select(rash);
        auto *preview = m_window.view()->findChild<InspectorPreviewPanel *>();
        QVERIFY(preview);
        QTRY_VERIFY_WITH_TIMEOUT(m_window.session()->finishedReplies(QStringLiteral("/patients/document")) == 2 &&
                                     preview->document().has_value(),
                                 10000);
        QCOMPARE(preview->document()->fileName, rash.documents.first().fileName);
        QTRY_COMPARE(child<RemoteImageView>(preview, "previewImage")->phase(), RemoteImageView::Phase::loaded);
    }

    void closing_abortsTheRunningFetch()
    {
        const Medbit lab = fullEntry(QStringLiteral("Blood panel"));
        // The stand-in never answers the fetch: only an abort ends it.
        m_server.injectFault(
            {{QStringLiteral("path"), QStringLiteral("/api/patients/document")}, {QStringLiteral("hang"), true}});
        select(lab);
        InspectorPreviewPanel *preview = nullptr;
        QTRY_VERIFY((preview = m_window.view()->findChild<InspectorPreviewPanel *>()) != nullptr);
        QTRY_COMPARE(m_window.session()->requests(QStringLiteral("/api/patients/document")).size(), 1);
        child<QToolButton>(preview, "closePreview")->click();
        QTRY_VERIFY(m_window.view()->findChild<InspectorPreviewPanel *>() == nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(m_window.session()->finishedReplies(QStringLiteral("/patients/document")), 1, 10000);
        m_server.clearFaults();
    }

    void entryWithoutAttachment_showsNoAttachment_andClosing()
    {
        Medbit lab = fullEntry(QStringLiteral("Blood panel"));
        select(lab);
        InspectorPreviewPanel *preview = nullptr;
        QTRY_VERIFY((preview = m_window.view()->findChild<InspectorPreviewPanel *>()) != nullptr);
        QCOMPARE(InspectorPreviewPanel::documentToShow(lab, QStringLiteral("no such name"))->_id,
                 lab.documents.first()._id);
        Medbit bare = lab;
        bare.documents.clear();
        preview->setAttachment(bare, QStringLiteral("Other"));
        QCOMPARE(child<QLabel>(preview, "previewFailure")->text(), QStringLiteral("No attachment found."));
        auto *close = child<QToolButton>(preview, "closePreview");
        QCOMPARE(close->accessibleName(), QStringLiteral("Close Preview"));
        close->click();
        QVERIFY(!m_window.view()->state()->activeDocumentName().has_value());
        QTRY_VERIFY(m_window.view()->findChild<InspectorPreviewPanel *>() == nullptr);
    }

private:
    // The entry whose text contains `text`, fetched in full (with its documents) into the store.
    Medbit fullEntry(const QString &text)
    {
        const QList<Medbit> &medbits = m_window.view()->medbitStore()->medbits();
        const auto found = std::find_if(medbits.cbegin(), medbits.cend(), [&](const Medbit &medbit) {
            return medbit.entryText.contains(text, Qt::CaseInsensitive);
        });
        if (found == medbits.cend())
            return {};
        const APIRequest request{.path = QStringLiteral("/medbits/get"),
                                 .query = {{QStringLiteral("medbitId"), found->id}}};
        return AwaitTask::run(APIClient::shared().request<Medbit>(request));
    }

    void select(const Medbit &medbit) { m_window.view()->state()->setSelectedMedbit(medbit); }

    StandinServer m_server;
    SignedInWindow m_window{m_server};
};

QTEST_MAIN(InspectorPreviewPanelTest)
#include "InspectorPreviewPanelTest.moc"
