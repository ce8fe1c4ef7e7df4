#pragma once

// The sidebar's destinations; a window starts in the timeline. The rows show them in another order.
enum class SidebarSection { timeline, ask, clipboard, healthDocuments, healthStory };
