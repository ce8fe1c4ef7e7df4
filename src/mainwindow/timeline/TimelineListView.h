#pragma once

#include <QListView>
#include <QTimer>

class TimelineModel;
class TimelineRowDelegate;

// The timeline's list. Thousands of rows are laid out at once with estimated heights, so the first frame
// shows rows and the scroll bar works from the start; the rows in sight are measured before they are
// painted, the rest a few milliseconds per event-loop turn, and each correction keeps the entry at the top
// of the view in place. The vertical scroll bar is always shown: one appearing while the rows change would
// change the width, and with it every row's height.
class TimelineListView final : public QListView
{
    Q_OBJECT

public:
    TimelineListView(TimelineModel *model, QWidget *parent = nullptr);

    TimelineRowDelegate *rowDelegate() const { return m_delegate; }
    // Every shown row is laid out at its measured height.
    bool isFullyLaidOut() const { return m_laidOutExactly; }

    void doItemsLayout() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void rowsChanged();
    void layOutRows();
    // Measures the rows that fill the view from the top, when the view is at the top.
    void measureRowsAtTop();
    void relayoutKeepingTopRow();
    // Measures the rows in sight that were laid out at an estimate, and lays out again until none is left.
    void measureRowsInSight();
    void measureSomeRows();
    void rememberTopRow();
    void restoreTopRow();
    void forgetRows(int first, int last);

    TimelineModel *m_model = nullptr;
    TimelineRowDelegate *m_delegate = nullptr;
    QTimer m_measuring;
    int m_nextRowToMeasure = 0;
    bool m_laidOutExactly = true;
    bool m_layingOut = false;
    int m_topListPosition = -1;
    int m_topOffset = 0;
};
