#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <optional>

class ClipboardManager;
class EntryQuestionsStore;
class MedbitStore;
class QWidget;
class WindowState;
struct Medbit;
struct WindowContext;

// The timeline's part of the window that lives as long as the window, in every section: it keeps the
// selected entry in step with the entry list, fetches the selected entry in full when the list holds only
// its summary (the first time it is selected, and again after a new list), builds the middle column's list and the
// right-hand column, which only follows the selection kept here, and opens the entry form. An entry the user selects in
// the list is fetched only once the selection has rested on it for a moment, so that holding a key down through the
// list does not fetch every entry it passes. The preview follows this window's selection alone: the list is shared
// with every other window, and a change of it in any window that leaves the selected entry and its first attachment as
// they were leaves the preview as the user set it, closed or open.
class TimelineSection final : public QObject
{
    Q_OBJECT

public:
    TimelineSection(MedbitStore *medbitStore, ClipboardManager *clipboardManager, WindowState *state, QWidget *window);

    // The middle column: the entry list with its search, its category filter and "New Entry".
    QWidget *buildList(QWidget *parent);
    // The right-hand column, handed the questions asked about this window's entries.
    QWidget *buildDetail(const WindowContext &context, QWidget *parent);
    // Fills in the window's actions that a section panel is handed.
    void addActions(WindowContext &context);
    void openEntryForm(const QString &text, const std::optional<QUrl> &attachment);
    // Returns to the timeline with `medbit` selected and its first attachment previewed, on the next turn of
    // the event loop: the section being left deletes its panel, which may be the one asking.
    void showMedbit(const Medbit &medbit);

Q_SIGNALS:
    // The list's "New Entry".
    void newEntryRequested();

private:
    void openNewEntryForm();
    void onSelectedMedbitChange();
    void onMedbitsChange();
    void followSelectionWithPreview();
    void fetchMedbitDetail(const QString &id);
    void fetchSelectedDetail();
    void fetchSelectedDetailAgain();

    QWidget *m_window = nullptr;
    MedbitStore *m_medbitStore = nullptr;
    ClipboardManager *m_clipboardManager = nullptr;
    WindowState *m_state = nullptr;
    EntryQuestionsStore *m_entryQuestions = nullptr;
    QTimer m_dwell;
    // What the preview last followed: the selected entry and the name of its attachment.
    struct Followed {
        QString entryID;
        std::optional<QString> attachment;
        bool operator==(const Followed &) const = default;
    };
    std::optional<Followed> m_followed;
};
