#include "mainwindow/SectionPanels.h"

#include "ask/AskAppPanel.h"
#include "ask/HealthStoryPanel.h"
#include "clipboard/ClipboardPanel.h"
#include "documents/HealthDocumentsPanel.h"
#include "window/WindowContext.h"

#include <QCoreApplication>
#include <QWidget>

#include <algorithm>

namespace
{

template <typename Panel> QWidget *make(const WindowContext &context, QWidget *parent)
{
    return new Panel(context, parent);
}

constexpr SectionPanel sections[] = {
    {SidebarSection::timeline, "timelineDetail", "timelineRow", QT_TRANSLATE_NOOP("SidebarPanel", "Timeline"), "clock",
     "icon-timeline", false, nullptr},
    {SidebarSection::ask, "askPanel", "askRow", QT_TRANSLATE_NOOP("SidebarPanel", "Ask"), "bubble.left", "icon-ask",
     true, make<AskAppPanel>},
    {SidebarSection::healthStory, "healthStoryPanel", "healthStoryRow",
     QT_TRANSLATE_NOOP("SidebarPanel", "Health Story"), "heart", "icon-health-story", true, make<HealthStoryPanel>},
    {SidebarSection::healthDocuments, "healthDocumentsPanel", "healthDocumentsRow",
     QT_TRANSLATE_NOOP("SidebarPanel", "Health Documents"), "doc.text", "icon-health-documents", true,
     make<HealthDocumentsPanel>},
    {SidebarSection::clipboard, "clipboardPanel", "clipboardRow", QT_TRANSLATE_NOOP("SidebarPanel", "Clipboard"),
     "clipboard", "icon-clipboard", true, make<ClipboardPanel>},
};

} // namespace

std::span<const SectionPanel> SectionPanels::all()
{
    return sections;
}

const SectionPanel &SectionPanels::of(SidebarSection section)
{
    return *std::find_if(std::begin(sections), std::end(sections),
                         [section](const SectionPanel &row) { return row.section == section; });
}
