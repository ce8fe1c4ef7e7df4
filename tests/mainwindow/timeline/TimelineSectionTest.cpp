#include "mainwindow/timeline/TimelineSection.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/entry/CreateEntryView.h"
#include "mainwindow/entry/InspectorPreviewPanel.h"
#include "mainwindow/timeline/TimelineModel.h"
#include "net/APIClient.h"
#include "records/MedbitStore.h"
#include "records/PatientStore.h"
#include "window/WindowContext.h"
#include "window/WindowState.h"

#include "AwaitTask.h"
#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"

#include <QAbstractItemView>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrlQuery>

#include <memory>

using ScreenTestKit::child;

// The window's actions a section panel is handed, which the timeline carries out.
class TimelineSectionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        QVERIFY(m_window.open(QSize(1400, 800)));
        QTRY_VERIFY_WITH_TIMEOUT(m_window.view()->state()->selectedMedbit().has_value(), 10000);
    }

    void cleanup() { m_window.close(); }

    void selectMedbit_fromAnotherSection_showsItInTheTimelineOnTheNextTurn()
    {
        Medbit lab = entry(QStringLiteral("Blood panel"));
        m_window.view()->state()->setSelectedSection(SidebarSection::healthDocuments);
        QPointer<QWidget> documents = child<QWidget>(m_window.view(), "healthDocumentsPanel");

        m_window.view()->sectionContext().selectMedbit(lab);
        QCOMPARE(m_window.view()->state()->selectedSection(), SidebarSection::healthDocuments);
        QTRY_COMPARE(m_window.view()->state()->selectedSection(), SidebarSection::timeline);
        QCOMPARE(m_window.view()->state()->selectedMedbit()->id, lab.id);
        QCOMPARE(m_window.view()->state()->activeDocumentName(), QStringLiteral("Blood panel 2024-03.pdf"));
        QTRY_VERIFY(!documents);
        QTRY_VERIFY(m_window.view()->findChild<InspectorPreviewPanel *>() &&
                    m_window.view()->findChild<InspectorPreviewPanel *>()->isVisible());
        QVERIFY(m_window.view()->medbitStore()->isFetchedInFull(lab.id));
    }

    void failedFullFetch_isRetriedOnTheNextSelection()
    {
        const Medbit lab = entry(QStringLiteral("Blood panel"));
        const Medbit other = entry(QStringLiteral("Seasonal asthma"));
        QVERIFY(!lab.id.isEmpty() && !other.id.isEmpty());
        const QString getPath = QStringLiteral("/api/medbits/get");
        // The first entry's own fetch, started by the opening selection, is over before the fault is set.
        QTRY_COMPARE(m_window.session()->finishedReplies(QStringLiteral("/medbits/get")), 1);
        m_server.injectFault({{QStringLiteral("path"), getPath}, {QStringLiteral("status"), 500}});
        m_server.clearRequests();
        WindowState *state = m_window.view()->state();
        state->setSelectedMedbit(lab);
        QTRY_COMPARE(m_window.session()->finishedReplies(QStringLiteral("/medbits/get")), 2);
        QTRY_VERIFY(!m_window.view()->medbitStore()->isFetchedInFull(lab.id));
        state->setSelectedMedbit(other);
        // The selection rests on the other entry long enough to fetch it, then comes back.
        QTRY_COMPARE(m_window.session()->finishedReplies(QStringLiteral("/medbits/get")), 3);
        state->setSelectedMedbit(lab);
        // The opening selection's, the failed one, the other entry's and the retry.
        QTRY_COMPARE(m_window.session()->finishedReplies(QStringLiteral("/medbits/get")), 4);
        QVERIFY(m_window.view()->medbitStore()->isFetchedInFull(lab.id));
        QStringList asked;
        for (const LoggedRequest &request : m_window.session()->requests(getPath))
            asked << QString::fromUtf8(request.query);
        QCOMPARE(asked.count(QStringLiteral("medbitId=") + lab.id), 2);
    }

    // The listed copy stays shown under the failure, which says why, with Try Again.
    void failedFullFetch_saysSo_andTryAgainFetchesIt_data()
    {
        QTest::addColumn<QJsonObject>("fault");
        QTest::addColumn<QString>("error");
        QTest::newRow("service error") << QJsonObject{{"status", 500}, {"body", R"({"message":"Entries rest."})"}}
                                       << QStringLiteral("Entries rest.");
        QTest::newRow("malformed reply") << QJsonObject{{"status", 200}, {"body", R"({"_id":5})"}}
                                         << QStringLiteral("Received an unexpected response from the server.");
    }
    void failedFullFetch_saysSo_andTryAgainFetchesIt()
    {
        QFETCH(QJsonObject, fault);
        QFETCH(QString, error);
        const Medbit lab = entry(QStringLiteral("Blood panel"));
        QTRY_COMPARE(m_window.session()->finishedReplies(QStringLiteral("/medbits/get")), 1);
        fault.insert(QStringLiteral("path"), QStringLiteral("/api/medbits/get"));
        m_server.injectFault(fault);
        m_server.clearRequests();
        m_window.view()->state()->setSelectedMedbit(lab);
        auto *shownError = child<QLabel>(m_window.view(), "entryDetailFailureError");
        QTRY_COMPARE(ScreenTestKit::shownText(shownError), error);
        QVERIFY(child<QLabel>(m_window.view(), "entryText")->isVisible());

        QTest::mouseClick(child<QPushButton>(m_window.view(), "entryDetailFailureRetryButton"), Qt::LeftButton);
        QTRY_COMPARE(m_window.session()->finishedReplies(QStringLiteral("/medbits/get")), 3);
        QVERIFY(!shownError->isVisible());
        QCOMPARE(fetchedIDs(), QStringList({lab.id, lab.id}));
        QVERIFY(m_window.view()->medbitStore()->isFetchedInFull(lab.id));
    }

    void selection_passingThroughEntries_fetchesOnlyWhereItRests()
    {
        const QString first = m_window.view()->state()->selectedMedbit()->id;
        QTRY_COMPARE(fetchedIDs(), QStringList{first});
        auto *list = child<QAbstractItemView>(m_window.view(), "timelineList");
        list->setFocus();
        QStringList passed;
        for (int step = 0; step < 4; ++step) {
            QTest::keyClick(list, Qt::Key_Down);
            passed.append(m_window.view()->state()->selectedMedbit()->id);
        }
        const QString last = passed.takeLast();
        QVERIFY(!passed.contains(first) && !passed.contains(last));
        QTRY_COMPARE(fetchedIDs(), (QStringList{first, last}));
        for (const QString &id : passed)
            QVERIFY(!m_window.view()->medbitStore()->isFetchedInFull(id));

        // Coming back to an entry already fetched in this window does not fetch it again: it stays known as
        // fetched, which is what keeps its rest from asking, and nothing went out for it meanwhile.
        for (int step = 0; step < 4; ++step)
            QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(m_window.view()->state()->selectedMedbit()->id, first);
        QVERIFY(m_window.view()->medbitStore()->isFetchedInFull(first));
        m_window.session()->roundTrip();
        // The round trip's own request for an entry is the last one.
        const QStringList fetched = fetchedIDs();
        QCOMPARE(fetched.first(fetched.size() - 1), (QStringList{first, last}));
    }

    void entryForm_opensANewEntry_data()
    {
        QTest::addColumn<bool>("fromPanel");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("attachments");
        QTest::newRow("timeline's New Entry") << false << QString() << QStringList();
        QTest::newRow("panel's opener") << true << QStringLiteral("  Copied: ibuprofen 400 mg ")
                                        << QStringList{QStringLiteral("scan.pdf")};
    }

    void entryForm_opensANewEntry()
    {
        QFETCH(bool, fromPanel);
        QFETCH(QString, text);
        QFETCH(QStringList, attachments);
        QTemporaryDir files;
        QFile scan(files.filePath(QStringLiteral("scan.pdf")));
        QVERIFY(scan.open(QIODevice::WriteOnly) && scan.write("%PDF-1.4") > 0);
        scan.close();
        if (fromPanel)
            m_window.view()->sectionContext().openEntryForm(text, QUrl::fromLocalFile(scan.fileName()));
        else
            QTest::mouseClick(child<QToolButton>(m_window.view(), "newEntryButton"), Qt::LeftButton);

        CreateEntryView *form = nullptr;
        QTRY_VERIFY((form = m_window.view()->findChild<CreateEntryView *>()) && form->isVisible());
        QVERIFY(!form->isEditing());
        QCOMPARE(child<QPlainTextEdit>(form, "entryTextEditor")->toPlainText(), text);
        QStringList shown;
        for (const QLabel *label : form->findChildren<QLabel *>(QStringLiteral("pendingAttachmentLabel")))
            shown.append(label->text());
        QCOMPARE(shown, attachments);
    }

    void actions_afterTheWindowIsGone_doNothing()
    {
        const WindowContext context = m_window.view()->sectionContext();
        const Medbit first = *m_window.view()->state()->selectedMedbit();
        m_window.close();
        context.openEntryForm(QStringLiteral("late"), std::nullopt);
        context.selectMedbit(first);
        QTest::qWait(0);
        const QWidgetList windows = QApplication::topLevelWidgets();
        QVERIFY(std::none_of(windows.cbegin(), windows.cend(),
                             [](QWidget *window) { return qobject_cast<CreateEntryView *>(window); }));
    }

    // Deleted on another device: the detail says so where the entry was, offers no Edit, and the timeline
    // no longer lists it; choosing another entry shows that one as usual.
    void entryGoneAtTheService_saysSo_andLeavesTheTimeline()
    {
        const Medbit lab = entry(QStringLiteral("Blood panel"));
        const Medbit other = entry(QStringLiteral("Seasonal asthma"));
        QTRY_COMPARE(m_window.session()->finishedReplies(QStringLiteral("/medbits/get")), 1);
        const APIRequest elsewhere{.method = HTTPMethod::DELETE, .path = QStringLiteral("/medbits/delete/") + lab.id};
        AwaitTask::run(APIClient::shared().request<EmptyResponse>(elsewhere));
        WindowState *state = m_window.view()->state();
        state->setSelectedMedbit(lab);
        auto *gone = child<QLabel>(m_window.view(), "entryGoneText");
        QTRY_VERIFY(gone->isVisible());
        QCOMPARE(gone->text(), QStringLiteral("This entry no longer exists."));
        QVERIFY(!child<QPushButton>(m_window.view(), "editButton")->isVisible());
        QCOMPARE(state->selectedMedbit()->id, lab.id);
        auto *model = static_cast<TimelineModel *>(child<QAbstractItemView>(m_window.view(), "timelineList")->model());
        QVERIFY(model->rowCount() > 0);
        QCOMPARE(model->rowOf(lab.id), -1);

        state->setSelectedMedbit(other);
        QTRY_VERIFY(child<QPushButton>(m_window.view(), "editButton")->isVisible());
        QVERIFY(!gone->isVisible());
    }

    // What the window read in full belongs to the list it was read into: after a switch away and back the
    // list holds summaries, and selecting the entry again reads it in full, so its attachment can be reached.
    void newListOfThePatient_readsTheEntryInFullAgain()
    {
        const QString getPath = QStringLiteral("/medbits/get");
        QTRY_COMPARE(m_window.session()->finishedReplies(getPath), 1);
        WindowState *state = m_window.view()->state();
        state->setSelectedMedbit(entry(QStringLiteral("Blood panel")));
        QTRY_COMPARE(m_window.session()->finishedReplies(getPath), 2);
        PatientStore *patients = m_window.session()->patients();
        const QString alex = patients->selectedPatientID();
        MedbitStore *store = m_window.view()->medbitStore();
        QJsonArray summaries;
        for (Medbit medbit : store->medbits()) {
            medbit.documents.clear();
            summaries.append(medbit.toJson());
        }
        patients->setSelectedPatientID(patients->patients().at(1)._id);
        QTRY_VERIFY(!store->isLoading() && !store->medbits().isEmpty() &&
                    entry(QStringLiteral("Blood panel")).id.isEmpty());
        m_server.injectFault({{"path", QStringLiteral("/api/medbits/list/summary")},
                              {"status", 200},
                              {"body", QString::fromUtf8(QJsonDocument(summaries).toJson())}});
        const QString listPath = QStringLiteral("/medbits/list/summary");
        const int lists = m_window.session()->finishedReplies(listPath);
        patients->setSelectedPatientID(alex);
        QTRY_VERIFY(m_window.session()->finishedReplies(listPath) == lists + 1 && !store->isLoading());
        QVERIFY(entry(QStringLiteral("Blood panel")).documents.isEmpty());

        state->setSelectedMedbit(entry(QStringLiteral("Blood panel")));
        QTRY_COMPARE(state->activeDocumentName(), QStringLiteral("Blood panel 2024-03.pdf"));
        QTRY_VERIFY(child<QWidget>(m_window.view(), "attachmentTile")->isVisible());
    }

    // Two windows on one patient show one copy of its entries: a star in one is shown in the other at once.
    void starInOneWindow_showsInTheOther()
    {
        ContentView other(m_window.session()->auth(), m_window.session()->patients(), m_window.records());
        other.resize(1400, 800);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        QTRY_VERIFY(other.state()->selectedMedbit().has_value());
        const Medbit shown = *other.state()->selectedMedbit();
        QCOMPARE(m_window.view()->state()->selectedMedbit()->id, shown.id);
        QTest::mouseClick(child<QToolButton>(m_window.view(), "starButton"), Qt::LeftButton);
        QTRY_COMPARE(other.state()->selectedMedbit()->isStarred, !shown.isStarred);
        QTRY_COMPARE(child<QToolButton>(&other, "starButton")->accessibleName(),
                     shown.isStarred ? QStringLiteral("Star") : QStringLiteral("Unstar"));
    }

private:
    // The ids of the full-entry fetches the stand-in received, in order.
    QStringList fetchedIDs() const
    {
        QStringList ids;
        for (const LoggedRequest &request : m_window.session()->requests(QStringLiteral("/api/medbits/get")))
            ids.append(QUrlQuery(QString::fromLatin1(request.query)).queryItemValue(QStringLiteral("medbitId")));
        return ids;
    }

    Medbit entry(const QString &start) const
    {
        for (const Medbit &medbit : m_window.view()->medbitStore()->medbits()) {
            if (medbit.entryText.startsWith(start))
                return medbit;
        }
        return {};
    }

    StandinServer m_server;
    SignedInWindow m_window{m_server};
};

QTEST_MAIN(TimelineSectionTest)
#include "TimelineSectionTest.moc"
