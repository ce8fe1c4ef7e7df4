#pragma once

#include "window/SidebarSection.h"

#include <span>

class QWidget;
struct WindowContext;

// Builds a section's panel for the right-hand column from what the window hands it.
using SectionPanelFactory = QWidget *(*)(const WindowContext &context, QWidget *parent);

// One section of the main window: how the sidebar shows it and what fills the right-hand column.
struct SectionPanel {
    SidebarSection section;
    const char *panelName;  // the panel's object name, which the window gives it
    const char *rowName;    // the sidebar row's object name
    const char *title;      // the sidebar row's title, translated by the sidebar
    const char *icon;       // the sidebar row's system symbol
    const char *customIcon; // the application's own image for the row, shown in place of the symbol
    bool keyedByPatient;    // a new patient gets a new panel, with all of its own state back at the start
    // None for the timeline: the window's timeline section builds that panel, with what it keeps for the window.
    SectionPanelFactory build;
};

// The sections in the sidebar's order, one row each. Adding a section's panel changes its row only.
namespace SectionPanels
{
std::span<const SectionPanel> all();
const SectionPanel &of(SidebarSection section);
} // namespace SectionPanels
