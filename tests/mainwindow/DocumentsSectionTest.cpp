#include "documents/DocumentGridView.h"
#include "documents/HealthDocumentsPanel.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/sidebar/SidebarRow.h"
#include "records/MedbitStore.h"
#include "records/PatientStore.h"
#include "window/WindowState.h"

#include "RunningReplies.h"
#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"

#include "net/APIClient.h"

#include <QAbstractButton>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <algorithm>

using ScreenTestKit::child;

// The Health Documents section in the signed-in window: a connected entry leads back to the timeline, and
// leaving the section ends the panel's requests.
class DocumentsSectionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        QVERIFY(m_window.open(QSize(1400, 800)));
        QTRY_VERIFY_WITH_TIMEOUT(m_window.view()->medbitStore()->medbits().size() >= 10, 10000);
        m_patientID = m_window.session()->patients()->selectedPatientID();
    }

    void cleanup()
    {
        m_server.clearFaults();
        m_window.close();
    }

    // The rows' order, names and categories are the panel's own; choosing one is the window's.
    void connectedEntry_choosingOneOpensItInTheTimeline()
    {
        const QList<Medbit> timeline = m_window.view()->medbitStore()->medbits();
        const Medbit attached = *std::find_if(timeline.cbegin(), timeline.cend(),
                                              [](const Medbit &medbit) { return !medbit.documents.isEmpty(); });
        listRecord({{QStringLiteral("fileName"), QStringLiteral("Visit summary.pdf")},
                    {QStringLiteral("medbitIds"), QJsonArray{attached.id}}});
        HealthDocumentsPanel *panel = openLoadedPanel();
        chooseCard(panel, 3);
        QCOMPARE(entryRows(panel).size(), 1);
        QTest::mouseClick(entryRows(panel).first(), Qt::LeftButton);
        WindowState *state = m_window.view()->state();
        QTRY_COMPARE(state->selectedSection(), SidebarSection::timeline);
        QCOMPARE(state->selectedMedbit()->id, attached.id);
        QCOMPARE(state->activeDocumentName(), attached.documents.first().fileName);
    }

    void leavingTheSection_abortsItsRequests()
    {
        m_server.injectFault({{QStringLiteral("path"), QStringLiteral("/api/patients/document")},
                              {QStringLiteral("hang"), true},
                              {QStringLiteral("times"), 0}});
        openPanel();
        QTRY_COMPARE(m_window.session()->requests(QStringLiteral("/api/patients/document")).size(), 3);
        m_window.view()->state()->setSelectedSection(SidebarSection::timeline);
        QTRY_VERIFY(!m_window.view()->findChild<HealthDocumentsPanel *>());
        QTRY_COMPARE(runningReplies(), 0);
    }

private:
    HealthDocumentsPanel *openPanel()
    {
        QTest::mouseClick(m_window.view()->findChild<SidebarRow *>(QStringLiteral("healthDocumentsRow")),
                          Qt::LeftButton);
        HealthDocumentsPanel *panel = nullptr;
        if (!QTest::qWaitFor([&] { return (panel = m_window.view()->findChild<HealthDocumentsPanel *>()); }, 5000))
            qFatal("the documents panel did not open");
        return panel;
    }

    HealthDocumentsPanel *openLoadedPanel()
    {
        HealthDocumentsPanel *panel = openPanel();
        if (!QTest::qWaitFor([panel] { return child<QWidget>(panel, "documentsGrid")->isVisible(); }, 10000))
            qFatal("the documents grid did not show");
        return panel;
    }

    void listRecord(const QJsonObject &record)
    {
        m_server.apiCall("POST", QStringLiteral("/_standin/listed-documents"),
                         {{QStringLiteral("patientId"), m_patientID}, {QStringLiteral("record"), record}});
    }

    static void chooseCard(HealthDocumentsPanel *panel, int row)
    {
        auto *grid = child<DocumentGridView>(panel, "documentsGrid");
        const QModelIndex index = grid->model()->index(row, 0);
        grid->scrollTo(index);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
    }

    static QList<QAbstractButton *> entryRows(HealthDocumentsPanel *panel)
    {
        return panel->findChildren<QAbstractButton *>(QStringLiteral("connectedEntry"));
    }

    StandinServer m_server;
    SignedInWindow m_window{m_server};
    QString m_patientID;
};

QTEST_MAIN(DocumentsSectionTest)
#include "DocumentsSectionTest.moc"
