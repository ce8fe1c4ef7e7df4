#include "ReviewTextFieldAccessible.h"

#include "ReviewTextField.h"

#include <QPlainTextEdit>
#include <QTextCursor>

ReviewTextFieldAccessible::ReviewTextFieldAccessible(ReviewTextField *field)
    : QAccessibleWidget(field, QAccessible::EditableText)
{
}

QAccessibleInterface *ReviewTextFieldAccessible::create(const QString &, QObject *object)
{
    if (auto *field = qobject_cast<ReviewTextField *>(object))
        return new ReviewTextFieldAccessible(field);
    return nullptr;
}

ReviewTextField *ReviewTextFieldAccessible::field() const
{
    return static_cast<ReviewTextField *>(widget());
}

QString ReviewTextFieldAccessible::content() const
{
    return field()->toPlainText();
}

int ReviewTextFieldAccessible::clamped(int offset) const
{
    return std::clamp(offset, 0, characterCount());
}

QAccessible::State ReviewTextFieldAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = field()->isEnabled();
    state.multiLine = true;
    state.focusable = true;
    return state;
}

QString ReviewTextFieldAccessible::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Value)
        return content();
    return QAccessibleWidget::text(kind);
}

void *ReviewTextFieldAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

void ReviewTextFieldAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    const QPlainTextEdit *editor = field()->editor();
    if (selectionIndex != 0 || !editor || !editor->textCursor().hasSelection())
        return;
    *startOffset = editor->textCursor().selectionStart();
    *endOffset = editor->textCursor().selectionEnd();
}

int ReviewTextFieldAccessible::selectionCount() const
{
    const QPlainTextEdit *editor = field()->editor();
    return editor && editor->textCursor().hasSelection() ? 1 : 0;
}

void ReviewTextFieldAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void ReviewTextFieldAccessible::removeSelection(int selectionIndex)
{
    QPlainTextEdit *editor = field()->editor();
    if (selectionIndex != 0 || !editor)
        return;
    QTextCursor cursor = editor->textCursor();
    cursor.clearSelection();
    editor->setTextCursor(cursor);
}

void ReviewTextFieldAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    QPlainTextEdit *editor = field()->editor();
    if (selectionIndex != 0 || !editor)
        return;
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(clamped(startOffset));
    cursor.setPosition(clamped(endOffset), QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
}

int ReviewTextFieldAccessible::cursorPosition() const
{
    const QPlainTextEdit *editor = field()->editor();
    return editor ? editor->textCursor().position() : 0;
}

void ReviewTextFieldAccessible::setCursorPosition(int position)
{
    setSelection(0, position, position);
}

QString ReviewTextFieldAccessible::text(int startOffset, int endOffset) const
{
    const int start = clamped(startOffset);
    return content().mid(start, clamped(endOffset) - start);
}

int ReviewTextFieldAccessible::characterCount() const
{
    return int(content().size());
}

// Positions on screen are the open editor's; the painted text offers none.
QRect ReviewTextFieldAccessible::characterRect(int offset) const
{
    const QPlainTextEdit *editor = field()->editor();
    if (!editor)
        return {};
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(clamped(offset));
    const QRect local = editor->cursorRect(cursor);
    return QRect(editor->viewport()->mapToGlobal(local.topLeft()), local.size());
}

int ReviewTextFieldAccessible::offsetAtPoint(const QPoint &point) const
{
    const QPlainTextEdit *editor = field()->editor();
    if (!editor)
        return -1;
    return editor->cursorForPosition(editor->viewport()->mapFromGlobal(point)).position();
}

void ReviewTextFieldAccessible::scrollToSubstring(int, int) {}

QString ReviewTextFieldAccessible::attributes(int, int *startOffset, int *endOffset) const
{
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

void ReviewTextFieldAccessible::deleteText(int startOffset, int endOffset)
{
    replaceText(startOffset, endOffset, QString());
}

void ReviewTextFieldAccessible::insertText(int offset, const QString &text)
{
    replaceText(offset, offset, text);
}

void ReviewTextFieldAccessible::replaceText(int startOffset, int endOffset, const QString &text)
{
    if (!field()->isEnabled())
        return;
    const int start = clamped(startOffset);
    field()->edit(content().replace(start, clamped(endOffset) - start, text));
}
