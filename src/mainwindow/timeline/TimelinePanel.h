#pragma once

#include <QWidget>

class ClipboardManager;
class ClipboardTrackingTextField;
class MedbitStore;
class QItemSelection;
class QLabel;
class QToolButton;
class TimelineListView;
class TimelineModel;
class WindowState;

// The middle column of the timeline section: the search box, the "New Entry" button, the chip of the active
// category filter and the list of entries that pass both. It writes the selection only when the user chooses
// a row: filtering and new entry lists never do, so an entry hidden by the filter stays selected.
class TimelinePanel final : public QWidget
{
    Q_OBJECT

public:
    TimelinePanel(MedbitStore *medbitStore, WindowState *state, ClipboardManager *clipboard, QWidget *parent = nullptr);

    TimelineListView *listView() const { return m_list; }

Q_SIGNALS:
    // The user asked for the entry form.
    void newEntryRequested();

private:
    QWidget *buildHeader(ClipboardManager *clipboard);
    QWidget *buildSearchBox(ClipboardManager *clipboard);
    QWidget *buildFilterChip();
    void showMedbits();
    void applyFilter();
    void showSelection();
    void onViewSelectionChanged(const QItemSelection &selected, const QItemSelection &deselected);

    MedbitStore *m_medbitStore = nullptr;
    WindowState *m_state = nullptr;
    TimelineModel *m_model = nullptr;
    TimelineListView *m_list = nullptr;
    ClipboardTrackingTextField *m_search = nullptr;
    QToolButton *m_clearSearch = nullptr;
    QWidget *m_filterChip = nullptr;
    QLabel *m_filterLabel = nullptr;
    bool m_showingState = false;
};
