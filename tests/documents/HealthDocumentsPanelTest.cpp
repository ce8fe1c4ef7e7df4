#include "documents/HealthDocumentsPanel.h"
#include "documents/DocumentDetailColumn.h"
#include "documents/DocumentGridModel.h"
#include "documents/DocumentGridView.h"
#include "documents/DocumentRecordLoader.h"
#include "documents/DocumentThumbnailCard.h"
#include "documents/PDFKitView.h"
#include "records/CategoryOption.h"
#include "records/MedbitStore.h"
#include "widgets/RemoteImageView.h"
#include "window/WindowContext.h"

#include "AwaitTask.h"
#include "LinkServer.h"
#include "RunningReplies.h"
#include "ScreenTestKit.h"
#include "SignedInSession.h"

#include "net/APIClient.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QUrlQuery>

#include <algorithm>
#include <memory>

using ScreenTestKit::child;

// The Health Documents panel alone, made from a window context for the first demo patient, against the
// stand-in: what it asks the service for, what the user sees while and after it loads, its one refresh per
// document and the entries connected to a document.
class HealthDocumentsPanelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        m_server.reset();
        m_session = std::make_unique<SignedInSession>(m_server, SignedInSession::Stores::AuthOnly);
        m_patientID = m_session->signInForPatientIDs().first();
        m_medbits = std::make_unique<MedbitStore>(m_patientID);
        AwaitTask::run(m_medbits->loadMedbits());
        QVERIFY(m_medbits->medbits().size() >= 10);
    }

    void cleanup()
    {
        m_server.clearFaults();
        m_panel.reset();
        m_medbits.reset();
        m_session.reset();
    }

    // The grid shows once the list has arrived; the cards take their fetched records as they come.
    void load_showsTheGridOnceListed_whileEachDocumentIsFetched()
    {
        m_server.injectFault({{QStringLiteral("path"), QStringLiteral("/api/patients/all_documents")},
                              {QStringLiteral("delayMs"), 400}});
        m_server.injectFault({{QStringLiteral("path"), QStringLiteral("/api/patients/document")},
                              {QStringLiteral("delayMs"), 600},
                              {QStringLiteral("times"), 0}});
        HealthDocumentsPanel *panel = openPanel();
        QVERIFY(panel->isLoading());
        auto *progress = child<QWidget>(panel, "documentsProgress");
        QTRY_VERIFY(progress->isVisible());
        QCOMPARE(progress->accessibleName(), QStringLiteral("Loading documents"));
        auto *list = child<QWidget>(panel, "documentListColumn");
        QVERIFY(qAbs(progress->mapTo(list, progress->rect().center()).x() - list->width() / 2) <= 1);
        QVERIFY(!child<QWidget>(panel, "documentsGrid")->isVisible());
        QTRY_COMPARE(m_session->finishedReplies(QStringLiteral("/patients/all_documents")), 1);
        QTRY_VERIFY(child<QWidget>(panel, "documentsGrid")->isVisible());
        QVERIFY(!panel->isLoading());
        QCOMPARE(m_session->finishedReplies(QStringLiteral("/patients/document")), 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_session->finishedReplies(QStringLiteral("/patients/document")), 3, 10000);
        const QList<LoggedRequest> lists = m_session->requests(QStringLiteral("/api/patients/all_documents"));
        QCOMPARE(lists.size(), 1);
        QCOMPARE(QUrlQuery(QString::fromLatin1(lists.first().query)).queryItemValue(QStringLiteral("patientId")),
                 m_patientID);
        QCOMPARE(fetchedIDs(), storedIDs());
        QCOMPARE(names(panel), (QStringList{"Blood panel 2024-03.pdf", "Forearm rash.png", "Vaccination record.pdf"}));
    }

    // The listed records carry their thumbnail links, so the cards in view load those before any record is
    // fetched: the record fetches never hold the host's connections while the first thumbnails wait.
    void thumbnailsInView_areRequestedBeforeAnyRecord()
    {
        openLoadedPanel();
        QStringList order;
        for (const LoggedRequest &request : m_server.requests()) {
            if (request.path.startsWith(QStringLiteral("/thumbnails/")))
                order.append(QStringLiteral("thumbnail"));
            else if (request.path == QStringLiteral("/api/patients/document"))
                order.append(QStringLiteral("record"));
        }
        QCOMPARE(order.count(QStringLiteral("thumbnail")), storedIDs().size());
        QVERIFY(order.contains(QStringLiteral("record")));
        QVERIFY(order.lastIndexOf(QStringLiteral("thumbnail")) < order.indexOf(QStringLiteral("record")));
    }

    // Every single fetch answers with `reply`; the first document's id is put in for FIRST.
    void fetchedRecords_replaceTheFirstDocumentWithTheirId_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("a record of the first")
            << R"({"_id":"FIRST","fileName":"Renamed.pdf"})"
            << QStringList{"Renamed.pdf", "Forearm rash.png", "Vaccination record.pdf", "Copy of the first.pdf"};
        QTest::newRow("a record of no listed document")
            << R"({"_id":"elsewhere","fileName":"Renamed.pdf"})"
            << QStringList{"Blood panel 2024-03.pdf", "Forearm rash.png", "Vaccination record.pdf",
                           "Copy of the first.pdf"};
        QTest::newRow("null") << "null"
                              << QStringList{"Blood panel 2024-03.pdf", "Forearm rash.png", "Vaccination record.pdf",
                                             "Copy of the first.pdf"};
    }

    void fetchedRecords_replaceTheFirstDocumentWithTheirId()
    {
        QFETCH(QString, reply);
        QFETCH(QStringList, names);
        const QString first = storedIDs().first();
        listRecord(
            {{QStringLiteral("_id"), first}, {QStringLiteral("fileName"), QStringLiteral("Copy of the first.pdf")}});
        m_server.injectFault({{QStringLiteral("path"), QStringLiteral("/api/patients/document")},
                              {QStringLiteral("status"), 200},
                              {QStringLiteral("body"), QString(reply).replace(QStringLiteral("FIRST"), first)},
                              {QStringLiteral("times"), 0}});
        HealthDocumentsPanel *panel = openLoadedPanel();
        QCOMPARE(this->names(panel), names);
        // The shared id is fetched once.
        QCOMPARE(fetchedIDs(), storedIDs());
    }

    void failedThumbnail_isRefreshedOnce_evenWhenTheRefreshDoesNotHelp_data()
    {
        QTest::addColumn<int>("refreshesNeeded");
        QTest::addColumn<DocumentThumbnailCard::Preview>("preview");
        QTest::newRow("refresh helps") << 1 << DocumentThumbnailCard::Preview::thumbnail;
        QTest::newRow("refresh does not help") << 5 << DocumentThumbnailCard::Preview::failed;
    }

    void failedThumbnail_isRefreshedOnce_evenWhenTheRefreshDoesNotHelp()
    {
        QFETCH(int, refreshesNeeded);
        QFETCH(DocumentThumbnailCard::Preview, preview);
        const QString rash = storedIDs().at(1);
        m_server.apiCall("POST", QStringLiteral("/_standin/expire-document"),
                         {{QStringLiteral("documentId"), rash}, {QStringLiteral("refreshes"), refreshesNeeded}});
        HealthDocumentsPanel *panel = openLoadedPanel();
        QTRY_COMPARE_WITH_TIMEOUT(m_session->finishedReplies(QStringLiteral("/patients/document/refresh")), 1, 10000);
        QTRY_COMPARE(previewOf(panel, 1), preview);
        // Choosing the card shows the image (after the refresh) or the failure, which asks for nothing more.
        chooseCard(panel, 1);
        auto *failure = child<QLabel>(panel, "documentFailure");
        if (preview == DocumentThumbnailCard::Preview::failed)
            QTRY_VERIFY(failure->isVisible());
        else
            QTRY_COMPARE(child<RemoteImageView>(panel, "documentImage")->phase(), RemoteImageView::Phase::loaded);
        m_session->roundTrip();
        const QList<LoggedRequest> refreshes = m_session->requests(QStringLiteral("/api/patients/document/refresh"));
        QCOMPARE(refreshes.size(), 1);
        QCOMPARE(refreshes.first().json().toObject(), (QJsonObject{{QStringLiteral("documentId"), rash}}));
        // The preview was handed the refreshed link once, and a failed link is not downloaded again.
        const QList<LoggedRequest> logged = m_server.requests();
        QCOMPARE(std::count_if(logged.cbegin(), logged.cend(),
                               [&rash](const LoggedRequest &request) {
                                   return request.path.startsWith(QStringLiteral("/files/") + rash);
                               }),
                 1);
        QCOMPARE(previewOf(panel, 0), DocumentThumbnailCard::Preview::thumbnail);
    }

    void deadDocumentLink_isRefreshedOnce_andTheNewLinkIsShown()
    {
        const QString blood = storedIDs().first();
        HealthDocumentsPanel *panel = openLoadedPanel();
        m_server.apiCall("POST", QStringLiteral("/_standin/expire-document"),
                         {{QStringLiteral("documentId"), blood}, {QStringLiteral("refreshes"), 1}});
        chooseCard(panel, 0);
        QCOMPARE(child<QLabel>(panel, "documentTitle")->text(), QStringLiteral("Blood panel 2024-03.pdf"));
        QTRY_COMPARE_WITH_TIMEOUT(m_session->finishedReplies(QStringLiteral("/patients/document/refresh")), 1, 10000);
        auto *pdf = child<PDFKitView>(panel, "documentPDF");
        QTRY_VERIFY(pdf->isVisible() && !pdf->isLoading() && !pdf->failedToLoad());
        QCOMPARE(pdf->url(), QUrl(*panel->documents()->document(blood)->uri));
        m_session->roundTrip();
        QCOMPARE(m_session->requests(QStringLiteral("/api/patients/document/refresh")).size(), 1);
    }

    void connectedEntries_followTheTimeline_andReadTheirCategories()
    {
        const QList<Medbit> timeline = m_medbits->medbits();
        const auto withAttachment = std::find_if(timeline.cbegin(), timeline.cend(),
                                                 [](const Medbit &medbit) { return !medbit.documents.isEmpty(); });
        const Medbit attached = *withAttachment;
        const Medbit other = withAttachment == timeline.cbegin() ? timeline.at(1) : timeline.first();
        const bool otherFirst = timeline.indexOf(other) < timeline.indexOf(attached);
        // Listed in the reverse of the timeline's order, with an entry that is not in it.
        const QStringList ids = otherFirst ? QStringList{attached.id, QStringLiteral("gone"), other.id}
                                           : QStringList{other.id, QStringLiteral("gone"), attached.id};
        listRecord({{QStringLiteral("fileName"), QStringLiteral("Visit summary.pdf")},
                    {QStringLiteral("medbitIds"), QJsonArray::fromStringList(ids)}});
        HealthDocumentsPanel *panel = openLoadedPanel();
        chooseCard(panel, 3);
        const QList<QAbstractButton *> rows = entryRows(panel);
        const QList<Medbit> expected = otherFirst ? QList<Medbit>{other, attached} : QList<Medbit>{attached, other};
        QCOMPARE(rows.size(), 2);
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows.at(i)->accessibleName(), expected.at(i).entryText + ", " + expected.at(i).displayDate());
            QCOMPARE(QAccessible::queryAccessibleInterface(rows.at(i))->text(QAccessible::Description),
                     categoryNames(expected.at(i)));
        }
        // The rows follow the timeline as it changes.
        QList<Medbit> edited = m_medbits->medbits();
        edited[edited.indexOf(attached)].entryText = QStringLiteral("Edited while the documents were open.");
        m_medbits->setMedbits(edited);
        QTRY_COMPARE(entryRows(panel).at(expected.indexOf(attached))->accessibleName(),
                     "Edited while the documents were open., " + attached.displayDate());
    }

    void documentsWithoutId_areSelectable_butNeverSentToTheService()
    {
        const QString deadThumbnail =
            m_server.apiBase().resolved(QUrl(QStringLiteral("/thumbnails/x/y.png"))).toString();
        listRecord({});
        listRecord({});
        listRecord({{QStringLiteral("fileName"), QStringLiteral("Photo without id.png")},
                    {QStringLiteral("thumbnail"), deadThumbnail}});
        listRecord({{QStringLiteral("_id"), QString()}, {QStringLiteral("fileName"), QStringLiteral("Empty id.pdf")}});
        HealthDocumentsPanel *panel = openLoadedPanel();
        QCOMPARE(names(panel).mid(3), (QStringList{"Document", "Document", "Photo without id.png", "Empty id.pdf"}));
        QCOMPARE(fetchedIDs(), storedIDs());
        chooseCard(panel, 4);
        QCOMPARE(selectedRows(panel), (QList<int>{4}));
        QCOMPARE(child<QLabel>(panel, "documentTitle")->text(), QStringLiteral("Document"));
        QVERIFY(child<DocumentDetailColumn>(panel, "documentDetailColumn")->showsFailure());
        QVERIFY(child<QWidget>(panel, "connectedEmpty")->isVisible());
        QTRY_COMPARE(child<QWidget>(panel, "connectedEmpty")->pos().x(), 24);
        QTRY_COMPARE(previewOf(panel, 5), DocumentThumbnailCard::Preview::failed);
        chooseCard(panel, 6);
        QVERIFY(child<DocumentDetailColumn>(panel, "documentDetailColumn")->showsFailure());
        m_session->roundTrip();
        QCOMPARE(m_session->requests(QStringLiteral("/api/patients/document/refresh")).size(), 0);
    }

    void grid_arrowKeysMove_spaceChooses()
    {
        HealthDocumentsPanel *panel = openLoadedPanel();
        auto *grid = child<DocumentGridView>(panel, "documentsGrid");
        grid->setFocus();
        QTRY_VERIFY(grid->hasFocus());
        QCOMPARE(grid->currentIndex().row(), 0);
        QTest::keyClick(grid, Qt::Key_Right);
        QCOMPARE(selectedRows(panel), QList<int>{});
        QTest::keyClick(grid, Qt::Key_Space);
        QCOMPARE(selectedRows(panel), (QList<int>{1}));
        QCOMPARE(child<QLabel>(panel, "documentTitle")->text(), QStringLiteral("Forearm rash.png"));
        QCOMPARE(grid->model()->index(1, 0).data(Qt::AccessibleTextRole).toString(),
                 QStringLiteral("Forearm rash.png"));
        // Choosing the chosen card again changes nothing.
        QTest::keyClick(grid, Qt::Key_Space);
        QCOMPARE(selectedRows(panel), (QList<int>{1}));
    }

    void grid_reflowsWhenItsColumnChangesWidth()
    {
        HealthDocumentsPanel *panel = openLoadedPanel();
        auto *grid = child<DocumentGridView>(panel, "documentsGrid");
        auto *split = panel->findChild<QSplitter *>();
        const auto sideBySide = [grid] {
            return grid->visualRect(grid->model()->index(0, 0)).top() ==
                   grid->visualRect(grid->model()->index(1, 0)).top();
        };
        // With a document chosen, the other columns take what the list gives up.
        chooseCard(panel, 0);
        split->setSizes({380, 500, 300});
        QTRY_VERIFY(sideBySide());
        split->setSizes({280, 600, 300});
        QTRY_VERIFY(!sideBySide());
    }

    void screenReader_readsTheCardsNames_andItsActionChoosesOne()
    {
        HealthDocumentsPanel *panel = openLoadedPanel();
        QAccessibleInterface *grid =
            QAccessible::queryAccessibleInterface(child<DocumentGridView>(panel, "documentsGrid"));
        QVERIFY(grid);
        QAccessibleInterface *card = nullptr;
        for (int i = 0; i < grid->childCount(); ++i) {
            if (grid->child(i)->text(QAccessible::Name) == QLatin1String("Vaccination record.pdf"))
                card = grid->child(i);
        }
        QVERIFY(card && card->actionInterface());
        card->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QTRY_COMPARE(selectedRows(panel), (QList<int>{2}));
        QCOMPARE(child<QLabel>(panel, "documentTitle")->text(), QStringLiteral("Vaccination record.pdf"));
        QCOMPARE(readAsSelected(grid), (QList<int>{2}));
        // The same action on the chosen card keeps it chosen, for the panel and for the screen reader.
        card->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(selectedRows(panel), (QList<int>{2}));
        QCOMPARE(readAsSelected(grid), (QList<int>{2}));
        chooseCard(panel, 0);
        QCOMPARE(readAsSelected(grid), (QList<int>{0}));
        // The columns are read in the order they stand.
        QAccessibleInterface *split = QAccessible::queryAccessibleInterface(panel->findChild<QSplitter *>());
        QStringList order;
        for (int i = 0; i < split->childCount(); ++i) {
            QObject *column = split->child(i)->object();
            if (column && !column->objectName().startsWith(QLatin1String("qt_")))
                order.append(column->objectName());
        }
        QCOMPARE(order, (QStringList{"documentListColumn", "documentDetailColumn", "connectedMedbitsColumn"}));
    }

    void failedList_showsItsErrorAsText()
    {
        const QString message = QStringLiteral("<b>Documents are resting</b>");
        m_server.injectFault(
            {{QStringLiteral("path"), QStringLiteral("/api/patients/all_documents")},
             {QStringLiteral("status"), 500},
             {QStringLiteral("body"),
              QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("message"), message}}).toJson())}});
        HealthDocumentsPanel *panel = openPanel();
        auto *error = child<QLabel>(panel, "documentsError");
        QTRY_VERIFY(error->isVisible());
        QVERIFY(error->text().contains(message));
        QCOMPARE(error->textFormat(), Qt::PlainText);
        QVERIFY(!panel->isLoading());
    }

    void failedList_offersTryAgain_whichLoadsTheList()
    {
        m_server.injectFault({{QStringLiteral("path"), QStringLiteral("/api/patients/all_documents")},
                              {QStringLiteral("status"), 503},
                              {QStringLiteral("body"), QStringLiteral(R"({"message":"Down for a moment"})")}});
        HealthDocumentsPanel *panel = openPanel();
        auto *retry = child<QAbstractButton>(panel, "documentsRetry");
        QTRY_VERIFY(retry->isVisible());
        QCOMPARE(retry->text(), QStringLiteral("Try Again"));
        QVERIFY(child<QLabel>(panel, "documentsError")->text().contains(QStringLiteral("Down for a moment")));
        QVERIFY(!child<QWidget>(panel, "documentsEmpty")->isVisible());
        QVERIFY(!child<QWidget>(panel, "documentsGrid")->isVisible());
        QTest::mouseClick(retry, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(child<QWidget>(panel, "documentsGrid")->isVisible(), 10000);
        QVERIFY(!retry->isVisible());
        QCOMPARE(names(panel), (QStringList{"Blood panel 2024-03.pdf", "Forearm rash.png", "Vaccination record.pdf"}));
        QCOMPARE(m_session->requests(QStringLiteral("/api/patients/all_documents")).size(), 2);
    }

    void emptyList_saysWhatToDo()
    {
        m_server.injectFault({{QStringLiteral("path"), QStringLiteral("/api/patients/all_documents")},
                              {QStringLiteral("status"), 200},
                              {QStringLiteral("body"), QStringLiteral("[]")}});
        HealthDocumentsPanel *panel = openPanel();
        auto *empty = child<QLabel>(panel, "documentsEmpty");
        QTRY_VERIFY(empty->isVisible());
        QVERIFY(empty->text().startsWith(QStringLiteral("No documents yet.")));
        QVERIFY(empty->text().contains(QStringLiteral("Import")));
        QVERIFY(!child<QWidget>(panel, "documentsRetry")->isVisible());
    }

    void listColumn_standsAtTheLeadingEdge_withOrWithoutASelection()
    {
        HealthDocumentsPanel *panel = openLoadedPanel();
        auto *list = child<QWidget>(panel, "documentListColumn");
        QTRY_COMPARE(list->mapTo(panel, QPoint(0, 0)).x(), 0);
        QVERIFY(list->width() <= 380);
        chooseCard(panel, 0);
        QTRY_VERIFY(child<QWidget>(panel, "documentDetailColumn")->isVisible());
        QCOMPARE(list->mapTo(panel, QPoint(0, 0)).x(), 0);
    }

    // A PDF and an image in the detail column: every place the focus can stop has a name.
    void focusStops_areNamed_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("view");
        QTest::newRow("pdf") << 0 << "documentPDF";
        QTest::newRow("image") << 1 << "documentImageScroll";
    }

    void focusStops_areNamed()
    {
        QFETCH(int, row);
        QFETCH(QString, view);
        HealthDocumentsPanel *panel = openLoadedPanel();
        chooseCard(panel, row);
        QTRY_VERIFY(panel->findChild<QWidget *>(view)->isVisible());
        QCOMPARE(panel->findChild<QWidget *>(view)->accessibleName(), names(panel).at(row));
        for (QWidget *widget : panel->findChildren<QWidget *>()) {
            if (!widget->isVisible() || !(widget->focusPolicy() & Qt::TabFocus))
                continue;
            const QAccessibleInterface *readable = QAccessible::queryAccessibleInterface(widget);
            QVERIFY2(readable && !readable->text(QAccessible::Name).isEmpty(),
                     qPrintable(widget->metaObject()->className() + QStringLiteral(" ") + widget->objectName()));
        }
    }

    void tallImage_fillsTheDetailWidth_andScrolls()
    {
        LinkServer links;
        links.serve(QStringLiteral("/tall.png"), LinkServer::samplePng(60, 600), "image/png");
        listRecord({{QStringLiteral("_id"), QStringLiteral("tall")},
                    {QStringLiteral("fileName"), QStringLiteral("A scan with a rather long name that does not fit in "
                                                                "one line of the detail column at all.png")},
                    {QStringLiteral("uri"), links.url(QStringLiteral("/tall.png")).toString()}});
        HealthDocumentsPanel *panel = openLoadedPanel();
        chooseCard(panel, 3);
        auto *image = child<RemoteImageView>(panel, "documentImage");
        QTRY_COMPARE(image->phase(), RemoteImageView::Phase::loaded);
        auto *scroll = child<QScrollArea>(panel, "documentImageScroll");
        QTRY_COMPARE(image->width(), scroll->viewport()->width() - 48);
        QTRY_VERIFY(scroll->verticalScrollBar()->maximum() > 0);
        // The long name is cut with "…", so the column keeps its width.
        auto *detail = child<QWidget>(panel, "documentDetailColumn");
        QVERIFY(child<QLabel>(panel, "documentTitle")->minimumSizeHint().width() < detail->width());
    }

    void emptyPatientID_requestsNothing()
    {
        WindowContext context;
        context.medbitStore = m_medbits.get();
        HealthDocumentsPanel panel(context, nullptr);
        panel.show();
        QVERIFY(child<QLabel>(&panel, "documentsEmpty")->isVisible());
        m_session->roundTrip();
        QCOMPARE(m_session->requests(QStringLiteral("/api/patients/all_documents")).size(), 0);
    }

private:
    HealthDocumentsPanel *openPanel()
    {
        const WindowContext context{.medbitStore = m_medbits.get(), .patientID = m_patientID};
        m_panel = std::make_unique<HealthDocumentsPanel>(context, nullptr);
        m_panel->resize(1140, 800);
        m_panel->show();
        if (!QTest::qWaitForWindowExposed(m_panel.get()))
            qFatal("the documents panel did not show");
        return m_panel.get();
    }

    HealthDocumentsPanel *openLoadedPanel()
    {
        HealthDocumentsPanel *panel = openPanel();
        if (!QTest::qWaitFor([panel] { return child<QWidget>(panel, "documentsGrid")->isVisible(); }, 10000))
            qFatal("the documents grid did not show");
        // Every card is in view, so every document with an id is fetched (or renewed instead).
        const auto *loader = panel->findChild<DocumentRecordLoader *>();
        if (!QTest::qWaitFor(
                [this, loader] {
                    return m_session->finishedReplies(QStringLiteral("/patients/document")) > 0 &&
                           loader->inFlight() == 0 && runningReplies() == 0;
                },
                10000))
            qFatal("the documents were not fetched");
        m_session->roundTrip();
        return panel;
    }

    void listRecord(const QJsonObject &record)
    {
        m_server.apiCall("POST", QStringLiteral("/_standin/listed-documents"),
                         {{QStringLiteral("patientId"), m_patientID}, {QStringLiteral("record"), record}});
    }

    QStringList storedIDs()
    {
        QStringList ids;
        const QJsonArray listed =
            m_server
                .apiCall("GET", QStringLiteral("/patients/all_documents?patientId=") + m_patientID, {},
                         m_server.signIn().access)
                .toArray();
        for (const QJsonValue &document : listed) {
            if (document[QLatin1String("_id")].isString() && !document[QLatin1String("_id")].toString().isEmpty())
                ids.append(document[QLatin1String("_id")].toString());
        }
        ids.removeDuplicates();
        return ids;
    }

    QStringList fetchedIDs() const
    {
        QStringList ids;
        for (const LoggedRequest &request : m_session->requests(QStringLiteral("/api/patients/document")))
            ids.append(QUrlQuery(QString::fromLatin1(request.query)).queryItemValue(QStringLiteral("id")));
        // A fetch aborted while the grid found its size is sent again.
        ids.removeDuplicates();
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    static QStringList names(HealthDocumentsPanel *panel)
    {
        QStringList shown;
        const DocumentGridModel *model = panel->documents();
        for (int row = 0; row < model->rowCount(); ++row)
            shown.append(model->index(row).data(Qt::DisplayRole).toString());
        return shown;
    }

    static QList<int> selectedRows(HealthDocumentsPanel *panel)
    {
        QList<int> rows;
        const DocumentGridModel *model = panel->documents();
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->index(row).data(DocumentGridModel::IsSelectedRole).toBool())
                rows.append(row);
        }
        return rows;
    }

    // What the card shows once scrolled into view (only cards in view load their thumbnails).
    static DocumentThumbnailCard::Preview previewOf(HealthDocumentsPanel *panel, int row)
    {
        auto *grid = child<DocumentGridView>(panel, "documentsGrid");
        const QModelIndex index = grid->model()->index(row, 0);
        grid->scrollTo(index);
        return qobject_cast<DocumentThumbnailCard *>(grid->itemDelegate())->preview(index);
    }

    static void chooseCard(HealthDocumentsPanel *panel, int row)
    {
        auto *grid = child<DocumentGridView>(panel, "documentsGrid");
        const QModelIndex index = grid->model()->index(row, 0);
        grid->scrollTo(index);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
    }

    // The rows a screen reader hears as selected.
    static QList<int> readAsSelected(QAccessibleInterface *grid)
    {
        QList<int> rows;
        for (int i = 0; i < grid->childCount(); ++i) {
            QAccessibleInterface *card = grid->child(i);
            if (card->role() == QAccessible::ListItem && card->state().selected)
                rows.append(i);
        }
        return rows;
    }

    static QString categoryNames(const Medbit &medbit)
    {
        QStringList names;
        for (const QString &tag : medbit.tags) {
            for (const CategoryOption &option : CategoryOption::all()) {
                if (option.code == tag)
                    names.append(option.label);
            }
        }
        return names.join(QStringLiteral(", "));
    }

    static QList<QAbstractButton *> entryRows(HealthDocumentsPanel *panel)
    {
        return panel->findChildren<QAbstractButton *>(QStringLiteral("connectedEntry"));
    }

    StandinServer m_server;
    std::unique_ptr<SignedInSession> m_session;
    std::unique_ptr<MedbitStore> m_medbits;
    std::unique_ptr<HealthDocumentsPanel> m_panel;
    QString m_patientID;
};

QTEST_MAIN(HealthDocumentsPanelTest)
#include "HealthDocumentsPanelTest.moc"
