#include "window/WindowState.h"

namespace
{

template <typename T> bool assign(T &field, const T &value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

void WindowState::setSelectedSection(SidebarSection section)
{
    if (assign(m_selectedSection, section))
        Q_EMIT selectedSectionChanged();
}

void WindowState::setSelectedCategoryFilter(const std::optional<QString> &code)
{
    if (assign(m_selectedCategoryFilter, code))
        Q_EMIT selectedCategoryFilterChanged();
}

void WindowState::setSelectedMedbit(const std::optional<Medbit> &medbit)
{
    if (assign(m_selectedMedbit, medbit))
        Q_EMIT selectedMedbitChanged();
}

void WindowState::setActiveDocumentName(const std::optional<QString> &name)
{
    if (assign(m_activeDocumentName, name))
        Q_EMIT activeDocumentNameChanged();
}

void WindowState::leavePatient()
{
    setSelectedMedbit(std::nullopt);
    setActiveDocumentName(std::nullopt);
}
