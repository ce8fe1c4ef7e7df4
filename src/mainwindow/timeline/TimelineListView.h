#pragma once

#include <QListView>

class TimelineModel;
class TimelineRowDelegate;

// The timeline's list. A first look at thousands of rows is laid out in batches, so the first frame comes
// at once; once every row's height is known, layouts run in one pass, which lets a new filter keep the
// entry at the top of the view in place. The vertical scroll bar is always shown: one appearing while the
// rows change would change the width, and with it every row's height.
class TimelineListView final : public QListView
{
    Q_OBJECT

public:
    TimelineListView(TimelineModel *model, QWidget *parent = nullptr);

    TimelineRowDelegate *rowDelegate() const { return m_delegate; }
    // Every shown row has been measured.
    bool isFullyLaidOut() const;

    void doItemsLayout() override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void rememberTopRow();
    void restoreTopRow();
    void forgetRows(int first, int last);

    TimelineModel *m_model = nullptr;
    TimelineRowDelegate *m_delegate = nullptr;
    int m_topListPosition = -1;
    int m_topOffset = 0;
};
