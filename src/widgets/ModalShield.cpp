#include "ModalShield.h"

#include <QApplication>
#include <QEvent>
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
    if (!m_windows.contains(window) && covered.isEmpty())
        return;
    Shielded &shielded = m_windows[window];
    if (shielded.disabled.isEmpty())
        shielded.focus = window->focusWidget();
    for (const QPointer<QWidget> &widget : std::as_const(shielded.disabled)) {
        if (widget && !covered.contains(widget.data()))
            widget->setEnabled(true);
    }
    shielded.disabled.removeIf([&covered](const QPointer<QWidget> &widget) { return !covered.contains(widget); });
    for (QWidget *widget : covered) {
        if (!widget->testAttribute(Qt::WA_ForceDisabled)) {
            widget->setEnabled(false);
            shielded.disabled.append(widget);
        }
    }
    if (!shielded.disabled.isEmpty())
        return;
    if (shielded.focus && shielded.focus->isEnabled())
        shielded.focus->setFocus();
    m_windows.remove(window);
}
