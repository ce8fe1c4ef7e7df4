#include "mainwindow/ContentView.h"
#include "mainwindow/entry/MedbitDetailPanel.h"
#include "mainwindow/timeline/TimelineListView.h"
#include "mainwindow/timeline/TimelineModel.h"
#include "records/MedbitStore.h"
#include "widgets/BusyIndicator.h"
#include "window/WindowState.h"

#include "ScreenTestKit.h"
#include "SignedInSession.h"
#include "SignedInWindow.h"

#include <QPushButton>
#include <QSplitter>

using ScreenTestKit::child;
using ScreenTestKit::shownText;

// The entry list's column as the user meets it: while the entries are on their way or failed to come, and
// the selection the user makes there.
class TimelineScreenTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_server.isRunning()); }

    void cleanup()
    {
        m_window.close();
        m_server.clearFaults();
    }

    void slowLoad_showsProgress_untilTheEntriesArrive()
    {
        QVERIFY(m_window.open(QSize(1400, 800), SignedInWindow::SignIn::Later));
        m_server.injectFault(ScreenTestKit::delayed(listPath, 1500));
        m_window.session()->signIn(StandinServer::demoEmail, StandinServer::demoPassword);
        QTRY_VERIFY_WITH_TIMEOUT(spinner() && spinner()->isVisible(), 10000);
        QVERIFY(!list()->isVisible());
        QVERIFY(!tryAgain()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(list()->isVisible(), 10000);
        QVERIFY(!spinner()->isVisible());
        QVERIFY(list()->model()->rowCount() > 0);
    }

    void failedLoad_showsTheError_andTryAgainLoadsOnce()
    {
        QVERIFY(m_window.open(QSize(1400, 800), SignedInWindow::SignIn::Later));
        m_server.injectFault({{QStringLiteral("path"), listPath},
                              {QStringLiteral("status"), 500},
                              {QStringLiteral("body"), QStringLiteral(R"({"message":"Timeline unavailable"})")}});
        m_window.session()->signIn(StandinServer::demoEmail, StandinServer::demoPassword);
        QTRY_VERIFY_WITH_TIMEOUT(tryAgain() && tryAgain()->isVisible(), 10000);
        QCOMPARE(shownText(child<QLabel>(m_window.view(), "timelineLoadError")),
                 QStringLiteral("Timeline unavailable"));
        QVERIFY(!list()->isVisible());
        QVERIFY(!spinner()->isVisible());
        const qsizetype before = m_window.session()->requests(listPath).size();

        QTest::mouseClick(tryAgain(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(list()->isVisible() && list()->model()->rowCount() > 0, 10000);
        QVERIFY(!tryAgain()->isVisible());
        QCOMPARE(m_window.session()->requests(listPath).size(), before + 1);
        QVERIFY(!m_window.view()->medbitStore()->lastError());
    }

    void patientWithoutEntries_timelineAndDetailSayWhatToDo()
    {
        QVERIFY(m_window.open(QSize(1400, 800), SignedInWindow::SignIn::Later));
        m_server.injectFault(
            {{QStringLiteral("path"), listPath}, {QStringLiteral("status"), 200}, {QStringLiteral("body"), "[]"}});
        m_window.session()->signIn(StandinServer::demoEmail, StandinServer::demoPassword);
        QTRY_VERIFY_WITH_TIMEOUT(child<QLabel>(m_window.view(), "timelineEmptyText") &&
                                     child<QLabel>(m_window.view(), "timelineEmptyText")->isVisible(),
                                 10000);
        QCOMPARE(shownText(child<QLabel>(m_window.view(), "timelineEmptyText")),
                 QStringLiteral("No entries yet. Add one with New Entry, or use Import Document."));
        QVERIFY(!list()->isVisible());
        QVERIFY(!spinner()->isVisible() && !tryAgain()->isVisible());
        QCOMPARE(shownText(child<QLabel>(m_window.view(), "noEntrySelectedText")),
                 QStringLiteral("No entry selected. Choose one in the timeline to see it here."));
        QVERIFY(child<QLabel>(m_window.view(), "noEntrySelectedText")->isVisible());
    }

    void ctrlClickOnTheSelectedRow_clearsSelectionAndDetail()
    {
        QVERIFY(m_window.open(QSize(1400, 800)));
        QTRY_VERIFY_WITH_TIMEOUT(m_window.view()->state()->selectedMedbit().has_value(), 10000);
        QTRY_VERIFY(m_window.view()->findChild<MedbitDetailPanel *>());
        const QRect first = list()->visualRect(list()->model()->index(0, 0));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::ControlModifier, first.center());
        QCOMPARE(m_window.view()->state()->selectedMedbit(), std::nullopt);
        QVERIFY(list()->selectionModel()->selectedIndexes().isEmpty());
        QTRY_VERIFY(!m_window.view()->findChild<MedbitDetailPanel *>());
        QVERIFY(child<QLabel>(m_window.view(), "noEntrySelectedText")->isVisible());

        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(m_window.view()->state()->selectedMedbit()->id,
                 static_cast<TimelineModel *>(list()->model())->medbitAt(0).id);
        QTRY_VERIFY(m_window.view()->findChild<MedbitDetailPanel *>());
        QVERIFY(!child<QLabel>(m_window.view(), "noEntrySelectedText")->isVisible());
    }

    // The window as it opens after sign-in and as the user narrows it: sidebar, list, entry and preview side
    // by side, never one over another.
    void columns_neverOverlap_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("its own size") << 0;
        QTest::newRow("narrowed by the user") << 700;
    }
    void columns_neverOverlap()
    {
        QFETCH(int, width);
        QVERIFY(m_window.open(QSize(808, 700)));
        ContentView *view = m_window.view();
        QTRY_VERIFY_WITH_TIMEOUT(view->findChild<MedbitDetailPanel *>(), 10000);
        view->resize(view->sizeHint());
        const QList<Medbit> &medbits = view->medbitStore()->medbits();
        const auto lab = std::find_if(medbits.cbegin(), medbits.cend(), [](const Medbit &medbit) {
            return medbit.entryText.startsWith(QStringLiteral("Blood panel"));
        });
        QVERIFY(lab != medbits.cend());
        view->state()->setSelectedMedbit(*lab);
        QTRY_VERIFY(child<QWidget>(view, "inspectorPreviewPanel") &&
                    child<QWidget>(view, "inspectorPreviewPanel")->isVisible());
        if (width > 0)
            view->resize(width, view->height());
        // The window takes the minimum its columns need once its layout has heard of the preview.
        const QWidget *splitter = child<QSplitter>(view, "mainSplitter");
        QTRY_VERIFY(view->minimumSizeHint().width() >= splitter->minimumSizeHint().width() &&
                    view->width() >= view->minimumSizeHint().width());

        // Once laid out: each column at least its minimum, inside the window, beside the others.
        QTRY_COMPARE(columnFaults(view), QStringList());
        QVERIFY(child<QSplitter>(view, "detailSplitter")->handle(1)->isVisible());
    }

    // However narrow the user makes the window, the entry card keeps clear of the preview beside it.
    void entryCard_neverUnderThePreview_data()
    {
        QTest::addColumn<int>("width");
        for (int width : {1000, 900, 808})
            QTest::addRow("%d px", width) << width;
    }
    void entryCard_neverUnderThePreview()
    {
        QFETCH(int, width);
        QVERIFY(m_window.open(QSize(1400, 800)));
        ContentView *view = m_window.view();
        QTRY_VERIFY_WITH_TIMEOUT(view->findChild<MedbitDetailPanel *>(), 10000);
        const QList<Medbit> &medbits = view->medbitStore()->medbits();
        const auto lab = std::find_if(medbits.cbegin(), medbits.cend(), [](const Medbit &medbit) {
            return medbit.entryText.startsWith(QStringLiteral("Blood panel"));
        });
        QVERIFY(lab != medbits.cend());
        view->state()->setSelectedMedbit(*lab);
        QTRY_VERIFY(child<QWidget>(view, "inspectorPreviewPanel") &&
                    child<QWidget>(view, "inspectorPreviewPanel")->isVisible());
        view->resize(width, view->height());
        QTRY_VERIFY(view->width() >= view->minimumSizeHint().width());
        QTRY_COMPARE(cardOverPreview(view), QString());
    }

private:
    // Where the visible entry card overlaps the preview, or nothing when they keep apart.
    static QString cardOverPreview(const QWidget *view)
    {
        const QList<QWidget *> cards = view->findChildren<QWidget *>(QStringLiteral("entryCard"));
        const auto card = std::find_if(cards.cbegin(), cards.cend(), [](QWidget *each) { return each->isVisible(); });
        const auto *preview = child<QWidget>(view, "inspectorPreviewPanel");
        if (card == cards.cend() || !preview)
            return QStringLiteral("card or preview missing");
        const QRect cardRect((*card)->mapTo(view, QPoint(0, 0)), (*card)->size());
        const QRect previewRect(preview->mapTo(view, QPoint(0, 0)), preview->size());
        if (!cardRect.intersects(previewRect))
            return QString();
        return QStringLiteral("window %1: card %2..%3, preview from %4")
            .arg(view->width())
            .arg(cardRect.left())
            .arg(cardRect.right())
            .arg(previewRect.left());
    }

    static QStringList columnFaults(const QWidget *view)
    {
        QStringList faults;
        QList<QRect> shown;
        for (const char *name : {"sidebarPanel", "timelinePanel", "medbitDetailPanel", "inspectorPreviewPanel"}) {
            const auto *column = child<QWidget>(view, name);
            if (!column || !column->isVisible()) {
                faults << QLatin1String(name) + QLatin1String(" missing");
                continue;
            }
            const QRect rect(column->mapTo(view, QPoint(0, 0)), column->size());
            if (column->width() < column->minimumWidth())
                faults << QLatin1String(name) + QLatin1String(" below its minimum");
            if (!view->rect().contains(rect))
                faults << QLatin1String(name) + QLatin1String(" outside the window");
            if (std::any_of(shown.cbegin(), shown.cend(), [&](const QRect &other) { return rect.intersects(other); }))
                faults << QLatin1String(name) + QLatin1String(" over another column");
            shown << rect;
        }
        return faults;
    }

    TimelineListView *list() const { return child<TimelineListView>(m_window.view(), "timelineList"); }
    BusyIndicator *spinner() const { return child<BusyIndicator>(m_window.view(), "timelineLoadingIndicator"); }
    QPushButton *tryAgain() const { return child<QPushButton>(m_window.view(), "timelineTryAgainButton"); }

    const QString listPath = QStringLiteral("/api/medbits/list/summary");
    StandinServer m_server;
    SignedInWindow m_window{m_server};
};

QTEST_MAIN(TimelineScreenTest)
#include "TimelineScreenTest.moc"
