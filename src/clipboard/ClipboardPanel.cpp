#include "ClipboardPanel.h"

#include "ClipboardDetailColumn.h"
#include "ClipboardListColumn.h"
#include "ClipboardPanelController.h"
#include "CrossPatientPasteAlert.h"

#include "widgets/FormKit.h"
#include "widgets/SymbolIcons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace
{

constexpr int listMinimumWidth = 300;
constexpr int listIdealWidth = 340;
constexpr int listMaximumWidth = 420;
constexpr int detailMinimumWidth = 350;
constexpr int emptyDetailSymbolSize = 32;

} // namespace

ClipboardPanel::ClipboardPanel(const WindowContext &context, QWidget *parent)
    : QWidget(parent), m_context(context),
      // The list follows the history before the controller picks the shown item from it.
      m_list(new ClipboardListColumn(context.clipboardManager, this)),
      m_detail(new ClipboardDetailColumn(context.clipboardManager, this)), m_detailSide(new QStackedWidget(this))
{
    m_controller = new ClipboardPanelController(context.clipboardManager, this);
    setAutoFillBackground(true);
    m_list->setObjectName(QStringLiteral("clipboardListColumn"));
    m_list->setMinimumWidth(listMinimumWidth);
    m_list->setMaximumWidth(listMaximumWidth);
    m_detail->setObjectName(QStringLiteral("clipboardDetailColumn"));
    m_detailSide->setMinimumWidth(detailMinimumWidth);
    m_detailSide->addWidget(buildEmptyDetail());
    m_detailSide->addWidget(m_detail);

    auto *split = new QSplitter(Qt::Horizontal, this);
    split->setChildrenCollapsible(false);
    split->addWidget(m_list);
    split->addWidget(m_detailSide);
    split->setStretchFactor(1, 1);
    split->setSizes({listIdealWidth, detailMinimumWidth});
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);

    connect(m_list, &ClipboardListColumn::itemChosen, m_controller, &ClipboardPanelController::select);
    connect(m_list, &ClipboardListColumn::clearConfirmed, m_controller, &ClipboardPanelController::clearAll);
    connect(m_list, &ClipboardListColumn::pasteRequested, m_controller, &ClipboardPanelController::handlePaste);
    connect(m_detail, &ClipboardDetailColumn::deleteConfirmed, m_controller, &ClipboardPanelController::deleteItem);
    connect(m_detail, &ClipboardDetailColumn::newEntryRequested, this, &ClipboardPanel::openEntryForm);
    connect(m_controller, &ClipboardPanelController::selectedItemChanged, this, &ClipboardPanel::showSelectedItem);
    connect(m_controller, &ClipboardPanelController::pasteNeedsAnswer, this, &ClipboardPanel::askBeforePaste);
    connect(m_controller, &ClipboardPanelController::pasteProblemChanged, m_list,
            [this] { m_list->setPasteProblem(m_controller->pasteProblem()); });
    showSelectedItem();
}

QWidget *ClipboardPanel::buildEmptyDetail()
{
    auto *empty = FormKit::emptyState(QStringLiteral("doc.text.magnifyingglass"), emptyDetailSymbolSize,
                                      tr("Select an item to view its details."),
                                      QStringLiteral("clipboardEmptyDetailMessage"), this);
    empty->setObjectName(QStringLiteral("clipboardEmptyDetail"));
    return empty;
}

void ClipboardPanel::showSelectedItem()
{
    const std::optional<ClipboardItem> item = m_controller->selectedItem();
    m_list->setSelectedItemID(item ? item->id : QUuid());
    if (item)
        m_detail->setItem(*item);
    m_detailSide->setCurrentWidget(item ? static_cast<QWidget *>(m_detail) : m_detailSide->widget(0));
}

void ClipboardPanel::askBeforePaste()
{
    auto *alert = new CrossPatientPasteAlert(this);
    connect(alert, &CrossPatientPasteAlert::allowed, m_controller, &ClipboardPanelController::allowPendingPaste);
    connect(alert, &CrossPatientPasteAlert::cancelled, m_controller, &ClipboardPanelController::cancelPendingPaste);
    alert->open();
}

void ClipboardPanel::openEntryForm(const ClipboardItem &item)
{
    // A draft that cannot be written opens nothing; there is no place to tell more.
    const std::optional<CreateEntryDraft> draft = m_controller->makeCreateEntryDraft(item);
    if (draft && m_context.openEntryForm)
        m_context.openEntryForm(draft->initialText, draft->attachmentURL);
}
