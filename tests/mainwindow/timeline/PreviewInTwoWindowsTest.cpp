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

#include <algorithm>
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
        // The opening selection's read lands before any case's change.
        SignedInSession::drainSharedClient();
    }

    void cleanup()
    {
        m_other.reset();
        m_window.close();
    }

    // The preview here was closed; the other window stars an entry, reads entries in full, or the list takes a new
    // copy of an entry. Only a new first attachment of the entry selected here opens it again.
    void otherWindowsChange_leavesAClosedPreviewClosed_data()
    {
        QTest::addColumn<QString>("change");
        // The entry changed, by the start of its text; the name previewed here afterwards, empty for none.
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("previewed");
        QTest::newRow("another entry starred") << "star"
                                               << "Seasonal asthma" << QString();
        QTest::newRow("this entry starred") << "star"
                                            << "Blood panel" << QString();
        QTest::newRow("other entries read in full") << "read" << QString() << QString();
        QTest::newRow("another entry's attachment renamed") << "rename"
                                                            << "Skin rash" << QString();
        QTest::newRow("this entry's attachment renamed") << "rename"
                                                         << "Blood panel"
                                                         << "Renamed scan.pdf";
    }

    void otherWindowsChange_leavesAClosedPreviewClosed()
    {
        QFETCH(QString, change);
        QFETCH(QString, entry);
        QFETCH(QString, previewed);
        ContentView *view = m_window.view();
        select(view, idOf(QStringLiteral("Blood panel")));
        if (change == QLatin1String("read"))
            listSummariesBut(view->state()->selectedMedbit()->id);
        closePreview();

        if (change == QLatin1String("star")) {
            select(m_other.get(), idOf(entry));
            QTest::mouseClick(child<QToolButton>(m_other.get(), "starButton"), Qt::LeftButton);
            QTRY_COMPARE(m_window.session()->finishedReplies(QStringLiteral("/medbits/update")), 1);
        } else if (change == QLatin1String("read")) {
            int reads = 0;
            const QList<Medbit> medbits = m_other->medbitStore()->medbits();
            for (const Medbit &medbit : medbits)
                if (!m_other->medbitStore()->isFetchedInFull(medbit.id) && reads++ < 3)
                    select(m_other.get(), medbit.id);
        } else {
            const QString id = idOf(entry);
            QList<Medbit> medbits = m_other->medbitStore()->medbits();
            for (Medbit &medbit : medbits)
                if (medbit.id == id)
                    medbit.documents.first().fileName = QStringLiteral("Renamed scan.pdf");
            m_other->medbitStore()->setMedbits(medbits);
        }
        m_window.session()->roundTrip();
        QCOMPARE(view->state()->activeDocumentName().value_or(QString()), previewed);
        QCOMPARE(view->findChild<InspectorPreviewPanel *>() != nullptr, !previewed.isEmpty());
    }

    // A closed preview opens on the next entry selected here, on its first attachment.
    void ownSelection_previewsTheSelectedEntrysFirstAttachment()
    {
        select(m_window.view(), idOf(QStringLiteral("Blood panel")));
        closePreview();
        select(m_window.view(), idOf(QStringLiteral("Skin rash")));
        QCOMPARE(m_window.view()->state()->activeDocumentName(), QStringLiteral("Forearm rash.png"));
        QTRY_VERIFY(m_window.view()->findChild<InspectorPreviewPanel *>());
    }

private:
    QString idOf(const QString &start) const
    {
        for (const Medbit &medbit : m_window.view()->medbitStore()->medbits())
            if (medbit.entryText.startsWith(start))
                return medbit.id;
        return {};
    }

    // Clicks the entry's row in `window` and waits until it is read in full, as selecting it reads it.
    void select(ContentView *window, const QString &id)
    {
        auto *list = child<QAbstractItemView>(window, "timelineList");
        const auto *model = static_cast<TimelineModel *>(list->model());
        const QModelIndex index = model->index(model->rowOf(id));
        const bool known = window->medbitStore()->isFetchedInFull(id);
        const int reads = readsOf(id);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
        QCOMPARE(window->state()->selectedMedbit()->id, id);
        if (!known) {
            QTRY_COMPARE(readsOf(id), reads + 1);
            SignedInSession::drainSharedClient();
        }
    }

    // The requests for the entry in full that reached the stand-in.
    int readsOf(const QString &id) const
    {
        const QList<LoggedRequest> reads = m_window.session()->requests(QStringLiteral("/api/medbits/get"));
        return int(std::count_if(reads.cbegin(), reads.cend(),
                                 [&](const LoggedRequest &read) { return read.query == "medbitId=" + id.toLatin1(); }));
    }

    void closePreview()
    {
        QPointer<InspectorPreviewPanel> preview;
        QTRY_VERIFY((preview = m_window.view()->findChild<InspectorPreviewPanel *>()) != nullptr);
        QTest::mouseClick(child<QToolButton>(preview, "closePreview"), Qt::LeftButton);
        QTRY_VERIFY(!preview);
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

    StandinServer m_server;
    SignedInWindow m_window{m_server};
    std::unique_ptr<ContentView> m_other;
};

QTEST_MAIN(PreviewInTwoWindowsTest)
#include "PreviewInTwoWindowsTest.moc"
