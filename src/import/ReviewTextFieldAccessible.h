#pragma once

#include <QAccessibleWidget>

class ReviewTextField;

// Reads a review text as the editable text it is, with its content, whether or not its editor is open: a
// screen reader hears every suggestion before it is saved, and can change it without moving the focus.
class ReviewTextFieldAccessible final : public QAccessibleWidget,
                                        public QAccessibleTextInterface,
                                        public QAccessibleEditableTextInterface
{
public:
    explicit ReviewTextFieldAccessible(ReviewTextField *field);

    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    // Text: the field's text; the caret and selection are the open editor's, else at the start.
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

    // Editable text: each change is the person's edit, reported like typing.
    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString &text) override;
    void replaceText(int startOffset, int endOffset, const QString &text) override;

    static QAccessibleInterface *create(const QString &className, QObject *object);

private:
    ReviewTextField *field() const;
    QString content() const;
    int clamped(int offset) const;
};
