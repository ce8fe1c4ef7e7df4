#pragma once

#include "records/Medbit.h"
#include "window/SidebarSection.h"

#include <QObject>
#include <QString>

#include <optional>

// What one main window shows, shared by its columns: each panel reads and writes these values, so they stay
// in step the way bound values do. Every setter notifies only when the value changes.
class WindowState final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    SidebarSection selectedSection() const { return m_selectedSection; }
    void setSelectedSection(SidebarSection section);
    const std::optional<QString> &selectedCategoryFilter() const { return m_selectedCategoryFilter; }
    void setSelectedCategoryFilter(const std::optional<QString> &code);
    const std::optional<Medbit> &selectedMedbit() const { return m_selectedMedbit; }
    void setSelectedMedbit(const std::optional<Medbit> &medbit);
    const std::optional<QString> &activeDocumentName() const { return m_activeDocumentName; }
    void setActiveDocumentName(const std::optional<QString> &name);
    // The window turns to another patient: what was the previous one's (the selected entry and the attachment
    // previewed beside it, and with them their detail, preview and messages) goes before anything of the new
    // patient shows. The section and the category filter are the window's and stay.
    void leavePatient();

Q_SIGNALS:
    void selectedSectionChanged();
    void selectedCategoryFilterChanged();
    void selectedMedbitChanged();
    void activeDocumentNameChanged();

private:
    SidebarSection m_selectedSection = SidebarSection::timeline;
    std::optional<QString> m_selectedCategoryFilter;
    std::optional<Medbit> m_selectedMedbit;
    std::optional<QString> m_activeDocumentName;
};
