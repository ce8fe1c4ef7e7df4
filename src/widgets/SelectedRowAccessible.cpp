#include "SelectedRowAccessible.h"

#include <QAbstractButton>

SelectedRowAccessible::SelectedRowAccessible(QAbstractButton *row, QAccessible::Role role,
                                             std::function<bool()> isSelected)
    : QAccessibleWidget(row, role), m_isSelected(std::move(isSelected))
{
}

void SelectedRowAccessible::announceSelectionChange(QAbstractButton *row)
{
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(row, changed);
    QAccessible::updateAccessibility(&event);
}

QString SelectedRowAccessible::text(QAccessible::Text kind) const
{
    const QString text = QAccessibleWidget::text(kind);
    if (kind == QAccessible::Name && text.isEmpty())
        return row()->text();
    return text;
}

QAccessible::State SelectedRowAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = m_isSelected();
    return state;
}

QStringList SelectedRowAccessible::actionNames() const
{
    // A row without an action takes no focus and does nothing.
    const bool acts = row()->isEnabled() && row()->focusPolicy() != Qt::NoFocus;
    if (!acts)
        return QAccessibleWidget::actionNames();
    // A check box is toggled first, a button pressed first.
    const QStringList own = role() == QAccessible::CheckBox ? QStringList{toggleAction(), pressAction()}
                                                            : QStringList{pressAction(), toggleAction()};
    return own + QAccessibleWidget::actionNames();
}

void SelectedRowAccessible::doAction(const QString &name)
{
    if (name == pressAction() || name == toggleAction()) {
        if (row()->isEnabled())
            row()->click();
        return;
    }
    QAccessibleWidget::doAction(name);
}

QAbstractButton *SelectedRowAccessible::row() const
{
    return static_cast<QAbstractButton *>(widget());
}
