#include "mainwindow/timeline/TimelineDetail.h"

#include "mainwindow/DiscardLater.h"
#include "mainwindow/entry/InspectorPreviewPanel.h"
#include "mainwindow/entry/MedbitDetailPanel.h"
#include "records/MedbitStore.h"
#include "widgets/FocusOrder.h"
#include "widgets/FormKit.h"
#include "window/WindowContext.h"
#include "window/WindowState.h"

#include <QHBoxLayout>
#include <QSplitter>

TimelineDetail::TimelineDetail(const WindowContext &context, EntryQuestionsStore *questions, QWidget *parent)
    : QWidget(parent), m_medbitStore(context.medbitStore), m_clipboardManager(context.clipboardManager),
      m_state(context.state), m_entryQuestions(questions), m_splitter(new QSplitter(this))
{
    m_splitter->setObjectName(QStringLiteral("detailSplitter"));
    m_splitter->setChildrenCollapsible(false);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);
    m_empty = FormKit::emptyState(QStringLiteral("doc.text"), 28,
                                  tr("No entry selected. Choose one in the timeline to see it here."),
                                  QStringLiteral("noEntrySelectedText"), this);
    layout->addWidget(m_empty);
    connect(m_state, &WindowState::selectedMedbitChanged, this, &TimelineDetail::refreshDetail);
    connect(m_state, &WindowState::activeDocumentNameChanged, this, &TimelineDetail::refreshPreview);
    refreshDetail();
}

void TimelineDetail::refreshDetail()
{
    const std::optional<Medbit> &selected = m_state->selectedMedbit();
    if (!selected) {
        // With no entry selected the panel goes, and its questions with it.
        discardLater(m_detail);
        m_splitter->hide();
        m_empty->show();
    } else {
        m_empty->hide();
        m_splitter->show();
        if (!m_detail) {
            m_detail = new MedbitDetailPanel(m_medbitStore, m_entryQuestions, m_clipboardManager, m_state, m_splitter);
            connect(m_detail, &MedbitDetailPanel::fetchAgainRequested, this, &TimelineDetail::fetchAgainRequested);
            QSizePolicy grows = m_detail->sizePolicy();
            grows.setHorizontalStretch(1);
            m_detail->setSizePolicy(grows);
            m_splitter->insertWidget(0, m_detail);
        }
        // The entry comes from the store's list, so it is that patient's, whichever one the picker names.
        m_detail->setMedbit(*selected, m_medbitStore->patientID());
    }
    refreshPreview();
}

void TimelineDetail::refreshPreview()
{
    const std::optional<Medbit> &selected = m_state->selectedMedbit();
    const std::optional<QString> &name = m_state->activeDocumentName();
    if (!selected || !name) {
        // Closing the preview ends its load with it.
        discardLater(m_preview);
        return;
    }
    if (!m_preview) {
        m_preview = new InspectorPreviewPanel(m_state, m_splitter);
        // It shares the room the window gives beyond the columns' minimums with the entry.
        QSizePolicy grows = m_preview->sizePolicy();
        grows.setHorizontalStretch(1);
        m_preview->setSizePolicy(grows);
        m_splitter->addWidget(m_preview);
    }
    m_preview->setAttachment(*selected, *name);
    // The preview opens, and the entry's content is rebuilt, after what stands left of them.
    FocusOrder::chain({m_detail, m_preview});
}
