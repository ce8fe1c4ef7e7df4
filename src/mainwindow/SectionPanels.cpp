#include "mainwindow/SectionPanels.h"

#include "mainwindow/timeline/TimelineDetail.h"
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

// What a section shows until it has a panel of its own: an empty column made for the patient.
QWidget *placeholder(const WindowContext &context, QWidget *parent)
{
    auto *panel = new QWidget(parent);
    panel->setProperty("patientID", context.patientID);
    return panel;
}

constexpr SectionPanel sections[] = {
    {SidebarSection::timeline, "timelineDetail", "timelineRow", QT_TRANSLATE_NOOP("SidebarPanel", "Timeline"), "clock",
     "icon-timeline", false, make<TimelineDetail>},
    {SidebarSection::ask, "askPanel", "askRow", QT_TRANSLATE_NOOP("SidebarPanel", "Ask"), "bubble.left", "icon-ask",
     true, placeholder},
    {SidebarSection::healthStory, "healthStoryPanel", "healthStoryRow",
     QT_TRANSLATE_NOOP("SidebarPanel", "Health Story"), "heart", "icon-health-story", true, placeholder},
    {SidebarSection::healthDocuments, "healthDocumentsPanel", "healthDocumentsRow",
     QT_TRANSLATE_NOOP("SidebarPanel", "Health Documents"), "doc.text", "icon-health-documents", true, placeholder},
    {SidebarSection::clipboard, "clipboardPanel", "clipboardRow", QT_TRANSLATE_NOOP("SidebarPanel", "Clipboard"),
     "clipboard", "icon-clipboard", true, placeholder},
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
