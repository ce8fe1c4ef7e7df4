#pragma once

#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>

#include <optional>

// A multi-line text of a review row that is edited in place. It paints its text, wrapped and as tall as
// it needs, and becomes an editor only while the person works in it: a review of hundreds of entries then
// holds one text editor instead of two per entry. Focus, a click or a key opens the editor; leaving it
// closes it again. Every edit is reported at once with textEdited(). A screen reader reads and edits the
// text through the field itself, without opening the editor.
class ReviewTextField final : public QWidget
{
    Q_OBJECT

public:
    ReviewTextField(const QString &accessibleName, QWidget *parent = nullptr);

    QString toPlainText() const { return m_text; }
    // Text set from outside: shown, never reported as an edit.
    void setPlainText(const QString &text);
    // A change made without the editor (a screen reader's): shown and reported like typing.
    void edit(const QString &text);
    // The editor while it is open, else null.
    QPlainTextEdit *editor() const { return m_editor; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

Q_SIGNALS:
    void textEdited(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPlainTextEdit *openEditor();
    void closeEditor();
    void onEditorChanged();
    int measureHeight(int width) const;
    void remeasure();
    void announceText(const QString &before);

    QString m_text;
    QPointer<QPlainTextEdit> m_editor;
    mutable int m_measuredWidth = -1;
    mutable int m_measuredHeight = 0;
    mutable std::optional<QSize> m_sizeHint;
};
