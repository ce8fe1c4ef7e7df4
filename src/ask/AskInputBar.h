#pragma once

#include <QWidget>

class ClipboardManager;
class ClipboardTrackingTextField;
class QToolButton;

// A question field ("Ask anything", recorded in the clipboard history as "Ask") with its send button: the
// ask bar under the suggestions and the follow-up row of a conversation. The field is an outlined capsule;
// both fields show the same placeholder, so each has its own accessible name. Return in the field and the
// button both submit; what submitting means, and when the button is enabled, is the owner's.
class AskInputBar final : public QWidget
{
    Q_OBJECT

public:
    struct Names {
        QString field;
        QString fieldAccessible;
        QString send;
        QString sendAccessible;
    };

    AskInputBar(ClipboardManager *clipboard, const Names &names, QWidget *parent);

    ClipboardTrackingTextField *field() const { return m_field; }
    QToolButton *sendButton() const { return m_sendButton; }
    // Shows `text` unless the field already holds it, so that the caret stays where the user left it.
    void showText(const QString &text);

Q_SIGNALS:
    void textEdited(const QString &text);
    void submitted();

private:
    ClipboardTrackingTextField *m_field = nullptr;
    QToolButton *m_sendButton = nullptr;
};
