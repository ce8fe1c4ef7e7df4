#include "ScreenAction.h"

ScreenAction::BusyScope::BusyScope(const QPointer<ScreenAction> &action) : m_action(action)
{
    m_action->setBusy(true);
}

ScreenAction::BusyScope::~BusyScope()
{
    if (m_action)
        m_action->setBusy(false);
}

void ScreenAction::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    Q_EMIT busyChanged(busy);
}
