#include "ClipboardTrackingTextField.h"

#include "ClipboardManager.h"
#include "CrossPatientPasteAlert.h"
#include "PasteCheckedAccessible.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>

ClipboardTrackingTextField::ClipboardTrackingTextField(ClipboardManager *manager, const QString &placeholder,
                                                       const QString &source, QWidget *parent)
    : QLineEdit(parent), m_manager(manager), m_source(source)
{
    PasteCheckedAccessible::install();
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
            pasteChecked(QClipboard::Clipboard);
        break;
    }
}

void ClipboardTrackingTextField::pasteChecked(QClipboard::Mode mode)
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData(mode);
    const QString pasted = data && data->hasText() ? data->text() : QString();
    if (pasted.isEmpty())
        return;
    // What the question was about, whatever the clipboard holds by the answer.
    CrossPatientPasteAlert::insertAfterAsking(this, asksBeforePasting(mode), [this, mode, pasted] {
        insert(pasted);
        if (mode == QClipboard::Clipboard)
            report(ClipboardActionType::Paste, pasted);
    });
}

bool ClipboardTrackingTextField::asksBeforePasting(QClipboard::Mode mode) const
{
    if (!m_checksPatientOnPaste || !m_manager)
        return false;
    return mode == QClipboard::Selection ? m_manager->selectionHoldsAnotherPatientsText()
                                         : m_manager->clipboardHoldsAnotherPatientsCopy();
}

void ClipboardTrackingTextField::insertAccessibly(int position, const QString &text)
{
    if (isReadOnly())
        return;
    const bool asks = m_checksPatientOnPaste && m_manager && m_manager->isAnotherPatientsCopy(text);
    CrossPatientPasteAlert::insertAfterAsking(this, asks, [this, position, text] {
        setCursorPosition(position);
        insert(text);
    });
}

QRect ClipboardTrackingTextField::characterRect(int position) const
{
    // The caret's place is known only where the caret is; the others lie its text's width away.
    const QRect caret = cursorRect();
    const int from = std::min(position, cursorPosition());
    const int to = std::max(position, cursorPosition());
    const int width = fontMetrics().horizontalAdvance(displayText().mid(from, to - from));
    const int x = caret.center().x() + (position < cursorPosition() ? -width : width);
    const int advance = fontMetrics().horizontalAdvance(displayText().mid(position, 1));
    return QRect(x, caret.top(), std::max(advance, 1), caret.height());
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

void ClipboardTrackingTextField::mouseReleaseEvent(QMouseEvent *event)
{
    // Where the platform has a selection buffer, QLineEdit pastes it on a middle click, past the check.
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        if (!isReadOnly()) {
            deselect();
            pasteChecked(QClipboard::Selection);
        }
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
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
