#pragma once

#include <QPointer>
#include <QWidget>

class ClipboardManager;
class EntryQuestionsStore;
class InspectorPreviewPanel;
class MedbitDetailPanel;
class MedbitStore;
class QSplitter;
class WindowState;
struct WindowContext;

// The timeline's right-hand column: the selected entry's detail and, while one of its attachments is open,
// the preview beside it, a divider between them. Both follow the window's state, and each goes, with its running work,
// when there is nothing for it to show. It is not made for a patient: the entry shown says whose it is.
class TimelineDetail final : public QWidget
{
    Q_OBJECT

public:
    // `questions` are the questions asked about each entry in this window.
    TimelineDetail(const WindowContext &context, EntryQuestionsStore *questions, QWidget *parent);

Q_SIGNALS:
    // "Try Again" after the shown entry could not be fetched in full.
    void fetchAgainRequested();

private:
    void refreshDetail();
    void refreshPreview();

    MedbitStore *m_medbitStore = nullptr;
    ClipboardManager *m_clipboardManager = nullptr;
    WindowState *m_state = nullptr;
    EntryQuestionsStore *m_entryQuestions = nullptr;
    QSplitter *m_splitter = nullptr;
    QWidget *m_empty = nullptr;
    QPointer<MedbitDetailPanel> m_detail;
    QPointer<InspectorPreviewPanel> m_preview;
};
