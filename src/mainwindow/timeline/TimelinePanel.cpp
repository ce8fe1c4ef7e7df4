#include "mainwindow/timeline/TimelinePanel.h"

#include "clipboard/ClipboardTrackingTextField.h"
#include "mainwindow/timeline/TimelineListView.h"
#include "mainwindow/timeline/TimelineLoadState.h"
#include "mainwindow/timeline/TimelineModel.h"
#include "records/MedbitStore.h"
#include "widgets/FormKit.h"
#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"
#include "window/WindowState.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScopedValueRollback>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

constexpr int headerSymbolSize = 16;

QToolButton *symbolButton(const QString &symbol, const QString &name, const QString &title, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(SymbolIcons::icon(symbol));
    button->setIconSize(QSize(headerSymbolSize, headerSymbolSize));
    button->setAutoRaise(true);
    button->setToolTip(title);
    button->setAccessibleName(title);
    Theme::showFocusRing(button);
    return button;
}

} // namespace

TimelinePanel::TimelinePanel(MedbitStore *medbitStore, WindowState *state, ClipboardManager *clipboard, QWidget *parent)
    : QWidget(parent), m_medbitStore(medbitStore), m_state(state), m_model(new TimelineModel(this))
{
    setObjectName(QStringLiteral("timelinePanel"));
    setMinimumWidth(240);
    setMaximumWidth(300);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // Built top to bottom, which is the order Tab takes.
    layout->addWidget(buildHeader(clipboard));
    layout->addWidget(buildFilterChip());
    m_list = new TimelineListView(m_model, this);
    layout->addWidget(m_list, 1);
    auto *loadState = new TimelineLoadState(medbitStore, this);
    layout->addWidget(loadState, 1);
    m_list->setVisible(!loadState->isShown());
    connect(loadState, &TimelineLoadState::shownChanged, m_list, [this](bool shown) { m_list->setVisible(!shown); });

    connect(medbitStore, &MedbitStore::medbitsChanged, this, &TimelinePanel::showMedbits);
    connect(state, &WindowState::selectedMedbitChanged, this, &TimelinePanel::showSelection);
    connect(state, &WindowState::selectedCategoryFilterChanged, this, &TimelinePanel::applyFilter);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TimelinePanel::onViewSelectionChanged);
    applyFilter();
    showMedbits();
}

QWidget *TimelinePanel::buildHeader(ClipboardManager *clipboard)
{
    auto *header = new QWidget(this);
    auto *layout = new QHBoxLayout(header);
    layout->setContentsMargins(16, 16, 16, 8);
    layout->setSpacing(12);
    layout->addWidget(buildSearchBox(clipboard), 1);
    auto *newEntry =
        symbolButton(QStringLiteral("square.and.pencil"), QStringLiteral("newEntryButton"), tr("New Entry"), header);
    layout->addWidget(newEntry);
    connect(newEntry, &QToolButton::clicked, this, &TimelinePanel::newEntryRequested);
    return header;
}

QWidget *TimelinePanel::buildSearchBox(ClipboardManager *clipboard)
{
    auto *box = new QFrame(this);
    box->setObjectName(QStringLiteral("searchBox"));
    box->setStyleSheet(QStringLiteral("#searchBox { background: palette(base); border-radius: 14px;"
                                      " border: 1px solid rgba(128, 128, 128, 51); }"));
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(12, 4, 8, 4);
    layout->setSpacing(8);
    auto *magnifier = new QLabel(box);
    magnifier->setPixmap(SymbolIcons::tinted(QStringLiteral("magnifyingglass"), headerSymbolSize,
                                             Theme::secondaryColor(this), devicePixelRatioF()));
    layout->addWidget(magnifier);
    m_search = new ClipboardTrackingTextField(clipboard, tr("Search Timeline"), QStringLiteral("Search Timeline"), box);
    m_search->setObjectName(QStringLiteral("searchField"));
    m_search->setAccessibleName(tr("Search Timeline"));
    // A search is neither stored nor sent: another patient's text may go in without a question.
    m_search->setChecksPatientOnPaste(false);
    m_search->setFixedHeight(20);
    layout->addWidget(m_search, 1);
    m_clearSearch =
        symbolButton(QStringLiteral("xmark.circle.fill"), QStringLiteral("clearSearchButton"), tr("Clear Search"), box);
    m_clearSearch->hide();
    layout->addWidget(m_clearSearch);
    connect(m_clearSearch, &QToolButton::clicked, m_search, &QLineEdit::clear);
    connect(m_search, &QLineEdit::textChanged, this, [this](const QString &text) {
        // The button follows the untrimmed text: spaces alone do not narrow the list but can be cleared.
        m_clearSearch->setVisible(!text.isEmpty());
        applyFilter();
    });
    return box;
}

QWidget *TimelinePanel::buildFilterChip()
{
    m_filterChip = new QWidget(this);
    m_filterChip->setObjectName(QStringLiteral("filterChip"));
    auto *layout = new QHBoxLayout(m_filterChip);
    layout->setContentsMargins(16, 0, 16, 8);
    layout->setSpacing(6);
    m_filterLabel = new QLabel(m_filterChip);
    m_filterLabel->setObjectName(QStringLiteral("filterChipLabel"));
    m_filterLabel->setTextFormat(Qt::PlainText);
    m_filterLabel->setFont(Theme::captionFont());
    FormKit::setSecondary(m_filterLabel);
    layout->addWidget(m_filterLabel);
    auto *clear = symbolButton(QStringLiteral("xmark.circle.fill"), QStringLiteral("clearFilterButton"),
                               tr("Clear Filter"), m_filterChip);
    layout->addWidget(clear);
    layout->addStretch();
    connect(clear, &QToolButton::clicked, this, [this] { m_state->setSelectedCategoryFilter(std::nullopt); });
    return m_filterChip;
}

void TimelinePanel::showMedbits()
{
    {
        const QScopedValueRollback<bool> showing(m_showingState, true);
        m_model->setMedbits(m_medbitStore->medbits());
    }
    showSelection();
}

void TimelinePanel::applyFilter()
{
    const std::optional<QString> &code = m_state->selectedCategoryFilter();
    m_filterChip->setVisible(code.has_value());
    m_filterLabel->setText(tr("Filtered: ") + code.value_or(QString()));
    {
        const QScopedValueRollback<bool> showing(m_showingState, true);
        m_model->setFilter(code, m_search->text());
    }
    showSelection();
}

void TimelinePanel::showSelection()
{
    const std::optional<Medbit> &selected = m_state->selectedMedbit();
    const int row = selected ? m_model->rowOf(selected->id) : -1;
    const QScopedValueRollback<bool> showing(m_showingState, true);
    if (row < 0)
        m_list->selectionModel()->clear();
    else
        m_list->selectionModel()->setCurrentIndex(m_model->index(row), QItemSelectionModel::ClearAndSelect);
}

void TimelinePanel::onViewSelectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    // Only the user's choice of a row is a selection; rows leaving the view under a filter are not.
    if (m_showingState)
        return;
    if (!selected.indexes().isEmpty())
        m_state->setSelectedMedbit(m_model->medbitAt(selected.indexes().first().row()));
    else if (!deselected.indexes().isEmpty())
        m_state->setSelectedMedbit(std::nullopt); // Ctrl+click on the selected row
}
