#include "mainwindow/ContentView.h"
#include "mainwindow/entry/InspectorPreviewPanel.h"
#include "mainwindow/timeline/TimelineModel.h"
#include "records/MedbitStore.h"
#include "window/WindowState.h"

#include "AwaitTask.h"
#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"

#include <QAbstractItemView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QToolButton>

#include <memory>

using ScreenTestKit::child;

// Two windows of the program on one patient share its entries. A window's attachment preview follows that
// window's own selection: what the other window does to the shared list leaves it as its user set it.
class PreviewInTwoWindowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void init()
    {
        QVERIFY(m_window.open(QSize(1400, 800)));
        QTRY_VERIFY_WITH_TIMEOUT(m_window.view()->medbitStore()->medbits().size() >= 10, 10000);
        m_other = std::make_unique<ContentView>(m_window.session()->auth(), m_window.session()->patients(),
                                                m_window.records());
        m_other->resize(1400, 800);
        m_other->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_other.get()));
        QTRY_VERIFY(m_other->state()->selectedMedbit().has_value());
    }

    void cleanup()
    {
        m_other.reset();
        m_window.close();
    }

    void otherWindowsChange_leavesThisPreviewAsItWas_data()
    {
        QTest::addColumn<bool>("closeFirst");
        QTest::addColumn<QString>("change");
        // The entry the other window changes, by the start of its text.
        QTest::addColumn<QString>("entry");
        // The name previewed here afterwards; empty: none.
        QTest::addColumn<QString>("previewed");
        const QString lab = QStringLiteral("Blood panel 2024-03.pdf");
        QTest::newRow("closed, another entry starred") << true << "star"
                                                       << "Seasonal asthma" << QString();
        QTest::newRow("closed, this entry starred") << true << "star"
                                                    << "Blood panel" << QString();
        QTest::newRow("closed, other entries read in full") << true << "read" << QString() << QString();
        QTest::newRow("closed, another entry's attachment renamed") << true << "rename"
                                                                    << "Skin rash" << QString();
        QTest::newRow("closed, this entry's attachment renamed") << true << "rename"
                                                                 << "Blood panel" << QStringLiteral("Renamed scan.pdf");
        QTest::newRow("open, another entry starred") << false << "star"
                                                     << "Seasonal asthma" << lab;
        QTest::newRow("open, this entry starred") << false << "star"
                                                  << "Blood panel" << lab;
    }

    void otherWindowsChange_leavesThisPreviewAsItWas()
    {
        QFETCH(bool, closeFirst);
        QFETCH(QString, change);
        QFETCH(QString, entry);
        QFETCH(QString, previewed);
        select(m_window.view(), QStringLiteral("Blood panel"));
        QPointer<InspectorPreviewPanel> preview;
        QTRY_VERIFY((preview = m_window.view()->findChild<InspectorPreviewPanel *>()) && preview->document());
        if (change == QLatin1String("read"))
            listSummariesBut(m_window.view()->state()->selectedMedbit()->id);
        if (closeFirst) {
            QTest::mouseClick(child<QToolButton>(preview, "closePreview"), Qt::LeftButton);
            QTRY_VERIFY(!preview);
        }
        const qsizetype documentFetches = m_window.session()->requests(QStringLiteral("/api/patients/document")).size();

        if (change == QLatin1String("star"))
            starInOtherWindow(entry);
        else if (change == QLatin1String("read"))
            readOthersInOtherWindow();
        else
            renameAttachment(entry);
        m_window.session()->roundTrip();

        const std::optional<QString> name = m_window.view()->state()->activeDocumentName();
        QCOMPARE(name.value_or(QString()), previewed);
        auto *shown = m_window.view()->findChild<InspectorPreviewPanel *>();
        QCOMPARE(shown != nullptr, !previewed.isEmpty());
        // One left open is the same panel, its document still shown, not loaded again.
        if (!closeFirst) {
            QCOMPARE(shown, preview.data());
            QVERIFY(shown->document());
            QCOMPARE(m_window.session()->requests(QStringLiteral("/api/patients/document")).size(), documentFetches);
        }
    }

    // A preview the user closed opens again on the next entry the user selects here, on its first attachment.
    void ownSelection_previewsEachSelectedEntrysFirstAttachment()
    {
        ContentView *view = m_window.view();
        select(view, QStringLiteral("Blood panel"));
        QTRY_VERIFY(view->findChild<InspectorPreviewPanel *>());
        QTest::mouseClick(child<QToolButton>(view, "closePreview"), Qt::LeftButton);
        QTRY_VERIFY(!view->findChild<InspectorPreviewPanel *>());
        select(view, QStringLiteral("Skin rash"));
        QCOMPARE(view->state()->activeDocumentName(), QStringLiteral("Forearm rash.png"));
        QTRY_VERIFY(view->findChild<InspectorPreviewPanel *>());
        select(view, QStringLiteral("Seasonal asthma"));
        QCOMPARE(view->state()->activeDocumentName(), std::nullopt);
        select(view, QStringLiteral("Blood panel"));
        QCOMPARE(view->state()->activeDocumentName(), QStringLiteral("Blood panel 2024-03.pdf"));
        QTRY_VERIFY(view->findChild<InspectorPreviewPanel *>());
    }

private:
    static QAbstractItemView *list(const ContentView *window)
    {
        return child<QAbstractItemView>(window, "timelineList");
    }

    static QString idOf(const ContentView *window, const QString &start)
    {
        for (const Medbit &medbit : window->medbitStore()->medbits()) {
            if (medbit.entryText.startsWith(start))
                return medbit.id;
        }
        return {};
    }

    void select(ContentView *window, const QString &start) { selectID(window, idOf(window, start)); }

    // Clicks the entry's row in `window` and waits until it is read in full, as selecting it reads it.
    void selectID(ContentView *window, const QString &id)
    {
        const auto *model = static_cast<TimelineModel *>(list(window)->model());
        const int row = model->rowOf(id);
        QVERIFY(row >= 0);
        const bool known = window->medbitStore()->isFetchedInFull(id);
        const int reads = m_window.session()->finishedReplies(QStringLiteral("/medbits/get"));
        const QModelIndex index = model->index(row);
        list(window)->scrollTo(index);
        QTest::mouseClick(list(window)->viewport(), Qt::LeftButton, {}, list(window)->visualRect(index).center());
        QCOMPARE(window->state()->selectedMedbit()->id, id);
        if (!known)
            QTRY_COMPARE(m_window.session()->finishedReplies(QStringLiteral("/medbits/get")), reads + 1);
    }

    void starInOtherWindow(const QString &start)
    {
        select(m_other.get(), start);
        const bool starred = m_other->state()->selectedMedbit()->isStarred;
        QTest::mouseClick(child<QToolButton>(m_other.get(), "starButton"), Qt::LeftButton);
        QTRY_COMPARE(m_window.session()->finishedReplies(QStringLiteral("/medbits/update")), 1);
        QCOMPARE(m_other->state()->selectedMedbit()->isStarred, !starred);
    }

    // The list read again as the service lists it, in summaries: each entry's text cut short but that of `kept`.
    // A window whose selected entry is left a summary reads it in full at once.
    void listSummariesBut(const QString &kept)
    {
        QJsonArray summaries;
        for (Medbit medbit : m_window.view()->medbitStore()->medbits()) {
            if (medbit.id != kept)
                medbit.entryText.truncate(12);
            summaries.append(medbit.toJson());
        }
        m_server.injectFault({{"path", QStringLiteral("/api/medbits/list/summary")},
                              {"status", 200},
                              {"body", QString::fromUtf8(QJsonDocument(summaries).toJson())}});
        AwaitTask::run(m_window.view()->medbitStore()->loadMedbits());
        SignedInSession::drainSharedClient();
    }

    // Browsing entries the other window has not read in full yet: each is read into the shared list, in place of its
    // summary.
    void readOthersInOtherWindow()
    {
        const QList<Medbit> medbits = m_other->medbitStore()->medbits();
        int read = 0;
        for (const Medbit &medbit : medbits) {
            if (read < 3 && !m_other->medbitStore()->isFetchedInFull(medbit.id)) {
                selectID(m_other.get(), medbit.id);
                ++read;
            }
        }
        QCOMPARE(read, 3);
    }

    // The shared list takes a new copy of the entry whose first attachment has another name.
    void renameAttachment(const QString &start)
    {
        QList<Medbit> medbits = m_other->medbitStore()->medbits();
        for (Medbit &medbit : medbits) {
            if (medbit.entryText.startsWith(start) && !medbit.documents.isEmpty())
                medbit.documents.first().fileName = QStringLiteral("Renamed scan.pdf");
        }
        m_other->medbitStore()->setMedbits(medbits);
    }

    StandinServer m_server;
    SignedInWindow m_window{m_server};
    std::unique_ptr<ContentView> m_other;
};

QTEST_MAIN(PreviewInTwoWindowsTest)
#include "PreviewInTwoWindowsTest.moc"
