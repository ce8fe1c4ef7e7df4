#include "mainwindow/timeline/TimelineListView.h"
#include "clipboard/ClipboardManager.h"
#include "mainwindow/timeline/TimelineModel.h"
#include "mainwindow/timeline/TimelinePanel.h"
#include "mainwindow/timeline/TimelineRowDelegate.h"
#include "records/MedbitStore.h"
#include "window/WindowState.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

constexpr int entryCount = 3000;

// Texts from one to many lines, every third translated, every fifth a medicine.
QList<Medbit> longTimeline()
{
    QList<Medbit> entries;
    for (int i = 0; i < entryCount; ++i) {
        Medbit medbit;
        medbit.id = u"m%1"_s.arg(i);
        medbit.entryText = u"Visit %1: "_s.arg(i) + u"blood pressure fine, "_s.repeated(i % 9);
        if (i % 3 == 0)
            medbit.translated = u"Besuch %1"_s.arg(i);
        medbit.tags = {i % 5 == 0 ? u"rx"_s : u"hx"_s};
        medbit.date = 1500000000 + qint64(i) * 86400;
        entries.append(medbit);
    }
    return entries;
}

struct TopRow {
    int row = -1;
    int top = 0;
};

TopRow topRow(const TimelineListView &view)
{
    const QModelIndex index = view.indexAt(QPoint(0, 0));
    return {index.row(), view.visualRect(index).top()};
}

// The rows in sight, each with its laid-out height.
QList<QPair<int, int>> rowsInSight(const TimelineListView &view)
{
    QList<QPair<int, int>> rows;
    for (QModelIndex index = view.indexAt(QPoint(0, 0)); index.isValid(); index = index.siblingAtRow(index.row() + 1)) {
        const QRect rect = view.visualRect(index);
        if (rect.top() >= view.viewport()->height())
            break;
        rows.append({index.row(), rect.height()});
    }
    return rows;
}

bool allMeasured(const TimelineListView &view, const TimelineModel &model)
{
    const auto rows = rowsInSight(view);
    return !rows.isEmpty() && std::all_of(rows.cbegin(), rows.cend(), [&](const QPair<int, int> &row) {
        return view.rowDelegate()->hasHeightFor(model.medbitAt(row.first).id);
    });
}

// A list of the window's column size, shown.
struct ShownList {
    ShownList()
    {
        view.resize(300, 700);
        view.show();
    }

    TimelineModel model;
    TimelineListView view{&model};
};

} // namespace

class TimelineListViewTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void longList_showsMeasuredRowsAtOnce_andKeepsThem()
    {
        ShownList list;
        QVERIFY(QTest::qWaitForWindowExposed(&list.view));
        TimelineModel &model = list.model;
        TimelineListView &view = list.view;
        model.setMedbits(longTimeline());
        view.doItemsLayout();

        QVERIFY(!view.isFullyLaidOut());
        QVERIFY(view.verticalScrollBar()->maximum() > 100 * view.viewport()->height());
        QVERIFY(allMeasured(view, model));
        const auto firstSight = rowsInSight(view);
        QCOMPARE(firstSight.first().first, 0);

        QTRY_VERIFY_WITH_TIMEOUT(view.isFullyLaidOut(), 20000);
        QCOMPARE(rowsInSight(view), firstSight);
        QCOMPARE(view.verticalScrollBar()->value(), 0);
    }

    void firstFrame_afterNewEntries_showsRowsAtTheirHeights()
    {
        ShownList list;
        QVERIFY(QTest::qWaitForWindowExposed(&list.view));
        TimelineModel &model = list.model;
        TimelineListView &view = list.view;
        model.setMedbits(longTimeline());
        view.viewport()->repaint(); // no event-loop turn for the posted layout

        QVERIFY(view.verticalScrollBar()->maximum() > 100 * view.viewport()->height());
        const auto rows = rowsInSight(view);
        QCOMPARE(rows.first().first, 0);
        for (const auto &[row, height] : rows)
            QCOMPARE(height, view.rowDelegate()->measuredHeight(model.index(row)));
    }

    void moving_beforeEverythingIsMeasured_showsMeasuredRows_data()
    {
        QTest::addColumn<QString>("move");
        QTest::addColumn<bool>("keepsTopRow");
        QTest::newRow("scroll bar to the middle") << "middle" << true;
        QTest::newRow("page down twice") << "pages" << true;
        QTest::newRow("end key") << "end" << false;
    }

    void moving_beforeEverythingIsMeasured_showsMeasuredRows()
    {
        QFETCH(QString, move);
        QFETCH(bool, keepsTopRow);
        ShownList list;
        QVERIFY(QTest::qWaitForWindowExposed(&list.view));
        TimelineModel &model = list.model;
        TimelineListView &view = list.view;
        model.setMedbits(longTimeline());
        view.doItemsLayout();
        view.setFocus();
        view.setCurrentIndex(model.index(0));
        if (move == "middle"_L1) {
            view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
        } else if (move == "pages"_L1) {
            QTest::keyClick(&view, Qt::Key_PageDown);
            QTest::keyClick(&view, Qt::Key_PageDown);
        } else {
            QTest::keyClick(&view, Qt::Key_End);
            QCOMPARE(view.currentIndex().row(), entryCount - 1);
        }
        QVERIFY(!view.isFullyLaidOut());
        QVERIFY(allMeasured(view, model));
        const TopRow before = topRow(view);
        QVERIFY(before.row > 0);

        QTRY_VERIFY_WITH_TIMEOUT(view.isFullyLaidOut(), 20000);
        if (keepsTopRow) {
            QCOMPARE(topRow(view).row, before.row);
            QCOMPARE(topRow(view).top, before.top);
        }
        if (move != "middle"_L1)
            QVERIFY(view.viewport()->rect().intersects(view.visualRect(view.currentIndex())));
    }

    void searchFilterAndSelection_workWhileRowsAreMeasured()
    {
        WindowState state;
        ClipboardManager clipboard{QString()};
        MedbitStore store;
        TimelinePanel panel(&store, &state, &clipboard);
        panel.resize(300, 700);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        TimelineListView *list = panel.listView();
        store.setMedbits(longTimeline());
        panel.repaint();
        QVERIFY(!list->isFullyLaidOut());

        QTest::keyClicks(panel.findChild<QLineEdit *>(u"searchField"_s), u"Visit 12"_s);
        QCOMPARE(list->model()->rowCount(), 111); // 12 and 120-129 and 1200-1299
        state.setSelectedCategoryFilter(u"rx"_s);
        QCOMPARE(list->model()->rowCount(), 22); // of those, the multiples of five
        QVERIFY(allMeasured(*list, *static_cast<TimelineModel *>(list->model())));

        const QRect second = list->visualRect(list->model()->index(1, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QVERIFY(state.selectedMedbit().has_value());
        QCOMPARE(state.selectedMedbit()->id, u"m125"_s);
        QTRY_VERIFY_WITH_TIMEOUT(list->isFullyLaidOut(), 20000);
        QCOMPARE(list->currentIndex().row(), 1);
    }
};

QTEST_MAIN(TimelineListViewTest)
#include "TimelineListViewTest.moc"
