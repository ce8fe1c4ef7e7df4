#pragma once

#include <QList>
#include <QUuid>
#include <QWidget>

class ClipboardListModel;
class ClipboardManager;
class ClipboardRow;
class PasteTargetView;
class QLabel;
class QItemSelection;
class QListView;
class QModelIndex;
class QPushButton;
class QStackedWidget;

// The left column of the clipboard panel: "Clipboard" with "Clear All" (after its question), the paste target,
// then the history's rows or, while it is empty, "Nothing copied, cut, or pasted yet.". It reports the user's choices;
// the panel decides which row is highlighted.
class ClipboardListColumn final : public QWidget
{
    Q_OBJECT

public:
    explicit ClipboardListColumn(ClipboardManager *manager, QWidget *parent = nullptr);

    // Highlights the row of that id; none for a null id.
    void setSelectedItemID(const QUuid &id);
    // A line under the paste target saying why a paste kept nothing; hidden when empty.
    void setPasteProblem(const QString &problem);

Q_SIGNALS:
    void itemChosen(const QUuid &id);
    // "Clear All" was confirmed: the items its question counted.
    void clearConfirmed(const QList<QUuid> &ids);
    void pasteRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildHeader();
    void confirmClearAll();
    QWidget *buildPasteProblem();
    QWidget *buildEmptyState();
    void buildList();
    void refreshEmptiness();
    void applySelection();
    void onCurrentChanged(const QModelIndex &current);
    void onSelectionChanged(const QItemSelection &selected);
    void choose(const QUuid &id);

    ClipboardListModel *m_model = nullptr;
    ClipboardRow *m_rows = nullptr;
    QPushButton *m_clearAll = nullptr;
    PasteTargetView *m_pasteTarget = nullptr;
    QLabel *m_pasteProblem = nullptr;
    QStackedWidget *m_body = nullptr;
    QListView *m_list = nullptr;
    QUuid m_selectedItemID;
    bool m_applyingSelection = false;
};
