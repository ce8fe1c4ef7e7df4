#pragma once

#include <QAccessibleWidget>

#include <functional>

class QAbstractButton;

// Reads a row button that marks one choice of several (the open section, the current patient) in its real
// state: checkable, checked while its choice is the selected one, with "Press" and "Toggle" both a click.
// The row itself is not checkable: a screen reader's Toggle of a checkable button flips its tick without a
// click, so the choice would read as made while nothing was chosen.
class SelectedRowAccessible final : public QAccessibleWidget
{
public:
    SelectedRowAccessible(QAbstractButton *row, QAccessible::Role role, std::function<bool()> isSelected);
    // Tells a screen reader that the row's checked state changed; the row calls it as it marks or unmarks.
    static void announceSelectionChange(QAbstractButton *row);

    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString &name) override;

private:
    QAbstractButton *row() const;

    std::function<bool()> m_isSelected;
};
