#pragma once

#include "window/WindowContext.h"

#include <QWidget>

class ClipboardDetailColumn;
class ClipboardListColumn;
class ClipboardPanelController;
class QStackedWidget;
struct ClipboardItem;

// The clipboard section of the window for one patient: the history on the left, the shown item on the right
// (or "Select an item to view its details."). Pasting into the history asks first when the clipboard still
// holds what was copied under another patient. The window makes a new panel for every patient; an open
// question goes with the old one, and its paste with it.
class ClipboardPanel final : public QWidget
{
    Q_OBJECT

public:
    ClipboardPanel(const WindowContext &context, QWidget *parent = nullptr);

private:
    QWidget *buildEmptyDetail();
    void showSelectedItem();
    void askBeforePaste();
    void openEntryForm(const ClipboardItem &item);

    WindowContext m_context;
    ClipboardPanelController *m_controller = nullptr;
    ClipboardListColumn *m_list = nullptr;
    ClipboardDetailColumn *m_detail = nullptr;
    QStackedWidget *m_detailSide = nullptr;
};
