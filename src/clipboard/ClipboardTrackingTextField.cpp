#include "ClipboardTrackingTextField.h"

#include "ClipboardManager.h"
#include "CrossPatientPasteAlert.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

ClipboardTrackingTextField::ClipboardTrackingTextField(ClipboardManager *manager, const QString &placeholder,
                                                       const QString &source, QWidget *parent)
    : QLineEdit(parent), m_manager(manager), m_source(source)
{
    setPlaceholderText(placeholder);
    setAccessibleName(placeholder);
    setFrame(false);
}

void ClipboardTrackingTextField::performClipboardAction(ClipboardActionType action)
{
    switch (action) {
    case ClipboardActionType::Copy: {
        const QString selected = selectedText();
        copy();
        report(action, selected);
        break;
    }
    case ClipboardActionType::Cut: {
        if (isReadOnly())
            return;
        const QString selected = selectedText();
        cut();
        report(action, selected);
        break;
    }
    case ClipboardActionType::Paste:
        if (!isReadOnly())
            pasteChecked();
        break;
    }
}

void ClipboardTrackingTextField::pasteChecked()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    const QString pasted = data && data->hasText() ? data->text() : QString();
    if (pasted.isEmpty() || !m_checksPatientOnPaste || !m_manager || !m_manager->clipboardHoldsAnotherPatientsCopy()) {
        paste();
        report(ClipboardActionType::Paste, pasted);
        return;
    }
    // What the question was about, whatever the clipboard holds by the answer.
    auto *alert = new CrossPatientPasteAlert(this);
    connect(alert, &CrossPatientPasteAlert::allowed, this, [this, pasted] {
        insert(pasted);
        report(ClipboardActionType::Paste, pasted);
    });
    alert->open();
}

bool ClipboardTrackingTextField::event(QEvent *event)
{
    // Claim the clipboard keys before any window shortcut can take them.
    if (event->type() == QEvent::ShortcutOverride && clipboardActionFor(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void ClipboardTrackingTextField::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Handled either way, so Return never reaches a default button or a parent.
        if (m_onSubmit)
            m_onSubmit();
        event->accept();
        return;
    }
    if (const auto action = clipboardActionFor(event)) {
        performClipboardAction(*action);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void ClipboardTrackingTextField::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The standard actions are connected to the line edit's own slots; a successful disconnect tells which
    // action is which, whatever the language of their titles.
    for (QAction *menuAction : menu->actions()) {
        if (disconnect(menuAction, SIGNAL(triggered()), this, SLOT(copy())))
            reroute(menuAction, ClipboardActionType::Copy);
        else if (disconnect(menuAction, SIGNAL(triggered()), this, SLOT(cut())))
            reroute(menuAction, ClipboardActionType::Cut);
        else if (disconnect(menuAction, SIGNAL(triggered()), this, SLOT(paste())))
            reroute(menuAction, ClipboardActionType::Paste);
    }
    menu->popup(event->globalPos());
}

void ClipboardTrackingTextField::reroute(QAction *menuAction, ClipboardActionType action)
{
    connect(menuAction, &QAction::triggered, this, [this, action] { performClipboardAction(action); });
}

std::optional<ClipboardActionType> ClipboardTrackingTextField::clipboardActionFor(const QKeyEvent *event)
{
    // The platform's bindings, plus the classic Insert/Delete keys that some keyboard schemes leave out
    // (from either block of keys, as matches() treats them).
    const QKeyCombination combination(event->modifiers() & ~Qt::KeypadModifier, Qt::Key(event->key()));
    if (event->matches(QKeySequence::Copy) || combination == (Qt::CTRL | Qt::Key_Insert))
        return ClipboardActionType::Copy;
    if (event->matches(QKeySequence::Cut) || combination == (Qt::SHIFT | Qt::Key_Delete))
        return ClipboardActionType::Cut;
    if (event->matches(QKeySequence::Paste) || combination == (Qt::SHIFT | Qt::Key_Insert))
        return ClipboardActionType::Paste;
    return std::nullopt;
}

void ClipboardTrackingTextField::report(ClipboardActionType action, const QString &text)
{
    // A field that hides its text (a password) keeps it out of the history too.
    if (text.isEmpty() || !m_manager || echoMode() != QLineEdit::Normal)
        return;
    m_manager->record(action, text, m_source);
}
