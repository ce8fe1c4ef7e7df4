#include "PasteCheckedAccessible.h"

#include "ClipboardTrackingTextField.h"
#include "PasteCheckedTextEdit.h"

#include <QAccessibleWidget>
#include <QTextCursor>

#include <algorithm>
#include <utility>

namespace
{

// An editable text read and edited through a few primitives of its widget; inserts go through the widget's
// check.
class CheckedTextAccessible : public QAccessibleWidget,
                              public QAccessibleTextInterface,
                              public QAccessibleEditableTextInterface
{
public:
    explicit CheckedTextAccessible(QWidget *widget) : QAccessibleWidget(widget, QAccessible::EditableText) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = !isReadOnly();
        state.readOnly = isReadOnly();
        state.selectableText = true;
        state.multiLine = isMultiLine();
        return state;
    }

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Value ? content() : QAccessibleWidget::text(kind);
    }
    void setText(QAccessible::Text kind, const QString &text) override
    {
        if (kind == QAccessible::Value)
            replaceRange(0, characterCount(), text);
        else
            QAccessibleWidget::setText(kind, text);
    }

    void selection(int index, int *start, int *end) const override
    {
        const auto [from, to] = selectedRange();
        const bool selected = index == 0 && from != to;
        *start = selected ? from : 0;
        *end = selected ? to : 0;
    }
    int selectionCount() const override
    {
        const auto [from, to] = selectedRange();
        return from != to ? 1 : 0;
    }
    void addSelection(int start, int end) override { select(start, end); }
    void removeSelection(int index) override
    {
        if (index == 0)
            select(caret(), caret());
    }
    void setSelection(int index, int start, int end) override
    {
        if (index == 0)
            select(start, end);
    }
    int cursorPosition() const override { return caret(); }
    void setCursorPosition(int position) override { select(position, position); }
    QString text(int start, int end) const override { return content().mid(start, end - start); }
    int characterCount() const override { return int(content().size()); }
    QRect characterRect(int offset) const override
    {
        const QRect local = localCharacterRect(offset);
        return QRect(widget()->mapToGlobal(local.topLeft()), local.size());
    }
    int offsetAtPoint(const QPoint &point) const override { return localOffsetAt(widget()->mapFromGlobal(point)); }
    void scrollToSubstring(int start, int) override { select(start, start); }
    QString attributes(int offset, int *start, int *end) const override
    {
        *start = *end = offset;
        return QString();
    }

    void deleteText(int start, int end) override { replaceRange(start, end, QString()); }
    void insertText(int offset, const QString &text) override { insertChecked(bounded(offset), text); }
    void replaceText(int start, int end, const QString &text) override { replaceRange(start, end, text); }

protected:
    virtual QString content() const = 0;
    virtual int caret() const = 0;
    // Start and end; equal when nothing is selected.
    virtual std::pair<int, int> selectedRange() const = 0;
    // Selects from `anchor` to `position`, where the caret goes.
    virtual void selectRange(int anchor, int position) = 0;
    virtual QRect localCharacterRect(int offset) const = 0;
    virtual int localOffsetAt(const QPoint &point) const = 0;
    virtual void replaceBounded(int start, int end, const QString &text) = 0;
    virtual void insertChecked(int offset, const QString &text) = 0;
    virtual bool isReadOnly() const = 0;
    virtual bool isMultiLine() const = 0;

    int bounded(int offset) const { return std::clamp(offset, 0, characterCount()); }

private:
    void select(int anchor, int position) { selectRange(bounded(anchor), bounded(position)); }
    void replaceRange(int start, int end, const QString &text)
    {
        if (!isReadOnly())
            replaceBounded(bounded(std::min(start, end)), bounded(std::max(start, end)), text);
    }
};

class LineInputAccessible final : public CheckedTextAccessible
{
public:
    explicit LineInputAccessible(ClipboardTrackingTextField *field) : CheckedTextAccessible(field) {}

protected:
    QString content() const override
    {
        return field()->echoMode() == QLineEdit::Normal ? field()->text() : field()->displayText();
    }
    int caret() const override { return field()->cursorPosition(); }
    std::pair<int, int> selectedRange() const override
    {
        if (!field()->hasSelectedText())
            return {caret(), caret()};
        return {field()->selectionStart(), field()->selectionEnd()};
    }
    void selectRange(int anchor, int position) override
    {
        if (anchor == position)
            field()->setCursorPosition(position);
        else
            field()->setSelection(anchor, position - anchor);
    }
    QRect localCharacterRect(int offset) const override { return field()->characterRect(offset); }
    int localOffsetAt(const QPoint &point) const override { return field()->cursorPositionAt(point); }
    void replaceBounded(int start, int end, const QString &text) override
    {
        field()->setSelection(start, end - start);
        field()->insert(text);
    }
    void insertChecked(int offset, const QString &text) override { field()->insertAccessibly(offset, text); }
    bool isReadOnly() const override { return field()->isReadOnly(); }
    bool isMultiLine() const override { return false; }

private:
    ClipboardTrackingTextField *field() const { return static_cast<ClipboardTrackingTextField *>(widget()); }
};

class PlainInputAccessible final : public CheckedTextAccessible
{
public:
    explicit PlainInputAccessible(PasteCheckedTextEdit *edit) : CheckedTextAccessible(edit) {}

protected:
    QString content() const override { return edit()->toPlainText(); }
    int caret() const override { return edit()->textCursor().position(); }
    std::pair<int, int> selectedRange() const override
    {
        const QTextCursor cursor = edit()->textCursor();
        return {cursor.selectionStart(), cursor.selectionEnd()};
    }
    void selectRange(int anchor, int position) override { edit()->setTextCursor(cursorFor(anchor, position)); }
    QRect localCharacterRect(int offset) const override
    {
        const QRect caret = edit()->cursorRect(cursorFor(offset, offset));
        const int width = edit()->fontMetrics().horizontalAdvance(content().mid(offset, 1));
        return QRect(edit()->viewport()->mapTo(edit(), caret.topLeft()), QSize(std::max(width, 1), caret.height()));
    }
    int localOffsetAt(const QPoint &point) const override
    {
        return edit()->cursorForPosition(edit()->viewport()->mapFrom(edit(), point)).position();
    }
    void replaceBounded(int start, int end, const QString &text) override
    {
        QTextCursor cursor = cursorFor(start, end);
        cursor.insertText(text);
        edit()->setTextCursor(cursor);
    }
    void insertChecked(int offset, const QString &text) override { edit()->insertAccessibly(offset, text); }
    bool isReadOnly() const override { return edit()->isReadOnly(); }
    bool isMultiLine() const override { return true; }

private:
    PasteCheckedTextEdit *edit() const { return static_cast<PasteCheckedTextEdit *>(widget()); }
    QTextCursor cursorFor(int anchor, int position) const
    {
        QTextCursor cursor(edit()->document());
        cursor.setPosition(anchor);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
        return cursor;
    }
};

QAccessibleInterface *checkedInputAccessible(const QString &, QObject *object)
{
    if (auto *field = qobject_cast<ClipboardTrackingTextField *>(object))
        return new LineInputAccessible(field);
    if (auto *edit = qobject_cast<PasteCheckedTextEdit *>(object))
        return new PlainInputAccessible(edit);
    return nullptr;
}

} // namespace

void PasteCheckedAccessible::install()
{
    static const bool installed = (QAccessible::installFactory(&checkedInputAccessible), true);
    Q_UNUSED(installed);
}
