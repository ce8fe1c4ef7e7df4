#include "mainwindow/sidebar/SidebarPanel.h"

#include "app/PatientChoice.h"
#include "mainwindow/SectionPanels.h"
#include "mainwindow/sidebar/ImportDocumentSidebarRow.h"
#include "mainwindow/sidebar/PatientPicker.h"
#include "mainwindow/sidebar/SidebarActionRow.h"
#include "mainwindow/sidebar/SidebarCategoryRow.h"
#include "records/CategoryColors.h"
#include "records/PatientStore.h"
#include "widgets/FormKit.h"
#include "widgets/Theme.h"
#include "window/WindowState.h"

#include <QLabel>
#include <QVBoxLayout>

namespace
{

struct CategorySeed {
    const char *initials;
    const char *title;
    const char *code;
    const QColor &(*color)();
};

QVBoxLayout *groupLayout(QWidget *group)
{
    auto *layout = new QVBoxLayout(group);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    return layout;
}

constexpr int sidebarMinimumWidth = 200;
constexpr int sidebarMaximumWidth = 260;

} // namespace

SidebarPanel::SidebarPanel(PatientStore *patientStore, WindowState *state, DocumentImportManager *importManager,
                           QWidget *parent)
    : QWidget(parent), m_patientStore(patientStore), m_state(state)
{
    setObjectName(QStringLiteral("sidebarPanel"));
    setMaximumWidth(sidebarMaximumWidth);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(12);
    m_patientPicker = new PatientPicker(this);
    connect(m_patientPicker, &PatientPicker::patientChosen, this, &SidebarPanel::choosePatient);
    layout->addWidget(m_patientPicker, 0, Qt::AlignLeft);
    auto *importRow = new ImportDocumentSidebarRow(importManager, this);
    connect(importRow, &ImportDocumentSidebarRow::importSheetRequested, this, &SidebarPanel::importSheetRequested);
    layout->addWidget(importRow);
    layout->addSpacing(8);
    layout->addWidget(buildSectionRows());
    auto *header = new QLabel(tr("CATEGORIES"), this);
    header->setObjectName(QStringLiteral("categoriesHeader"));
    header->setFont(Theme::systemFont(10, QFont::Bold));
    FormKit::setSecondary(header);
    header->setContentsMargins(0, 16, 0, 0);
    layout->addWidget(header);
    layout->addWidget(buildCategoryRows());
    layout->addStretch(1);
    layout->addSpacing(4);
    auto *settings = new SidebarActionRow(
        QStringLiteral("gearshape"), tr("Settings"), std::nullopt, [this] { Q_EMIT settingsRequested(); }, this);
    settings->setObjectName(QStringLiteral("settingsButton"));
    layout->addWidget(settings);

    connect(patientStore, &PatientStore::patientsChanged, this, &SidebarPanel::refreshPatientPicker);
    connect(patientStore, &PatientStore::selectedPatientIDChanged, this, &SidebarPanel::refreshPatientPicker);
    connect(state, &WindowState::selectedSectionChanged, this, &SidebarPanel::refreshSelection);
    connect(state, &WindowState::selectedCategoryFilterChanged, this, &SidebarPanel::refreshSelection);
    refreshPatientPicker();
    refreshSelection();
}

// At least its own minimum, and as wide as its longest label needs (up to its maximum), so that no label is
// cut however narrow the window is made.
QSize SidebarPanel::minimumSizeHint() const
{
    return QWidget::minimumSizeHint().expandedTo(QSize(sidebarMinimumWidth, 0));
}

QWidget *SidebarPanel::buildSectionRows()
{
    auto *group = new QWidget(this);
    QVBoxLayout *layout = groupLayout(group);
    for (const SectionPanel &seed : SectionPanels::all()) {
        const SidebarSection section = seed.section;
        auto action = section == SidebarSection::timeline
                          ? std::function<void()>([this] { showTimeline(); })
                          : std::function<void()>([this, section] { selectSection(section); });
        auto *row = new SidebarActionRow(QLatin1String(seed.icon), tr(seed.title), QLatin1String(seed.customIcon),
                                         std::move(action), group);
        row->setObjectName(QLatin1String(seed.rowName));
        layout->addWidget(row);
        m_sectionRows.append({row, section});
    }
    return group;
}

QWidget *SidebarPanel::buildCategoryRows()
{
    static const CategorySeed seeds[] = {
        {"Hx", "Health Problems", "hx", categoryColorHx},   {"Rx", "Medicines", "rx", categoryColorRx},
        {"Ax", "Allergies", "ax", categoryColorAx},         {"Zx", "Surgeries", "zx", categoryColorZx},
        {"Vx", "Vaccinations", "vx", categoryColorVx},      {"Lab", "Diagnostics / Imaging", "lab", categoryColorLab},
        {"$", "Medical Expenses", "$", categoryColorOther}, {"@", "Contact Information", "@", categoryColorOther},
    };
    auto *group = new QWidget(this);
    QVBoxLayout *layout = groupLayout(group);
    for (const CategorySeed &seed : seeds) {
        const QString code = QLatin1String(seed.code);
        auto *row = new SidebarCategoryRow(
            QLatin1String(seed.initials), tr(seed.title), seed.color(), [this, code] { toggleCategory(code); }, group);
        row->setObjectName(QStringLiteral("categoryRow-") + code);
        layout->addWidget(row);
        m_categoryRows.append({row, code});
    }
    return group;
}

void SidebarPanel::showTimeline()
{
    m_state->setSelectedSection(SidebarSection::timeline);
    m_state->setSelectedCategoryFilter(std::nullopt);
}

void SidebarPanel::selectSection(SidebarSection section)
{
    m_state->setSelectedSection(section);
}

void SidebarPanel::toggleCategory(const QString &code)
{
    m_state->setSelectedSection(SidebarSection::timeline);
    if (m_state->selectedCategoryFilter() == code)
        m_state->setSelectedCategoryFilter(std::nullopt);
    else
        m_state->setSelectedCategoryFilter(code);
}

void SidebarPanel::refreshSelection()
{
    const std::optional<QString> &filter = m_state->selectedCategoryFilter();
    for (const SectionRow &entry : std::as_const(m_sectionRows)) {
        const bool selected = entry.section == m_state->selectedSection() &&
                              (entry.section != SidebarSection::timeline || !filter.has_value());
        entry.row->setSelected(selected);
    }
    for (const CategoryRow &entry : std::as_const(m_categoryRows))
        entry.row->setSelected(filter == entry.code);
}

void SidebarPanel::refreshPatientPicker()
{
    m_patientPicker->setPatients(m_patientStore->patients(), m_patientStore->selectedPatientID());
}

void SidebarPanel::choosePatient(const QString &id)
{
    PatientChoice::choose(m_patientStore, id);
}
