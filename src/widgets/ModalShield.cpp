#include "ModalShield.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QWidget>

namespace
{

// The window a modal dialog blocks, when it has one.
QWidget *blockedWindow(const QWidget *dialog)
{
    if (!dialog->isWindow() || dialog->windowModality() == Qt::NonModal || !dialog->parentWidget())
        return nullptr;
    return dialog->parentWidget()->window();
}

// The widgets between the window's visible modal dialogs and the window, the window included: they hold the
// dialogs, so they stay enabled.
QSet<QWidget *> dialogAncestors(QWidget *window)
{
    QSet<QWidget *> ancestors;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (!widget->isVisible() || blockedWindow(widget) != window)
            continue;
        for (QWidget *ancestor = widget->parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
            ancestors.insert(ancestor);
            if (ancestor == window)
                break;
        }
    }
    return ancestors;
}

// Everything of the window beside the dialogs: the other children of each dialog's ancestors.
QList<QWidget *> coveredWidgets(const QSet<QWidget *> &ancestors)
{
    QList<QWidget *> covered;
    for (QWidget *ancestor : ancestors) {
        for (QWidget *child : ancestor->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (!child->isWindow() && !ancestors.contains(child))
                covered.append(child);
        }
    }
    return covered;
}

// The items of the menu bars and popup menus of the covered widgets: a screen reader presses an item through
// its action, which acts whatever state its menu's widget is in.
QList<QAction *> coveredActions(const QList<QWidget *> &covered)
{
    QList<QAction *> actions;
    for (QWidget *widget : covered) {
        if (auto *bar = qobject_cast<QMenuBar *>(widget))
            actions += bar->actions();
        for (QMenuBar *bar : widget->findChildren<QMenuBar *>())
            actions += bar->actions();
        for (QMenu *menu : widget->findChildren<QMenu *>())
            actions += menu->actions();
    }
    return actions;
}

// Enables again what this shield disabled and is no longer covered, and forgets it.
template <typename T> void releaseUncovered(QList<QPointer<T>> &held, const QList<T *> &covered)
{
    for (const QPointer<T> &item : std::as_const(held)) {
        if (item && !covered.contains(item.data()))
            item->setEnabled(true);
    }
    held.removeIf([&covered](const QPointer<T> &item) { return !covered.contains(item.data()); });
}

} // namespace

ModalShield::ModalShield(QObject *parent) : QObject(parent) {}

void ModalShield::install()
{
    static QPointer<ModalShield> shield;
    if (shield)
        return;
    shield = new ModalShield(qApp);
    qApp->installEventFilter(shield);
}

bool ModalShield::isAnyWindowBlocked()
{
    return QApplication::activeModalWidget() != nullptr;
}

bool ModalShield::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (QWidget *window = widget ? blockedWindow(widget) : nullptr)
            refresh(window);
    }
    return false;
}

void ModalShield::refresh(QWidget *window)
{
    const QList<QWidget *> covered = coveredWidgets(dialogAncestors(window));
    const QList<QAction *> actions = coveredActions(covered);
    if (!m_windows.contains(window) && covered.isEmpty())
        return;
    Shielded &shielded = m_windows[window];
    if (shielded.disabled.isEmpty())
        shielded.focus = window->focusWidget();
    releaseUncovered(shielded.disabled, covered);
    releaseUncovered(shielded.disabledActions, actions);
    for (QWidget *widget : covered) {
        if (!widget->testAttribute(Qt::WA_ForceDisabled)) {
            widget->setEnabled(false);
            shielded.disabled.append(widget);
        }
    }
    for (QAction *action : actions) {
        if (action->isEnabled()) {
            action->setEnabled(false);
            shielded.disabledActions.append(action);
        }
    }
    if (!shielded.disabled.isEmpty() || !shielded.disabledActions.isEmpty())
        return;
    if (shielded.focus && shielded.focus->isEnabled())
        shielded.focus->setFocus();
    m_windows.remove(window);
}
