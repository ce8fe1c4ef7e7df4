#pragma once

#include <QLabel>

// An answer of the service, selectable and word-wrapped: Markdown rendered as styled text whose http,
// https and mailto links open on the desktop, or an error shown verbatim in the error colour. The font is
// the caller's.
class MarkdownAnswerLabel final : public QLabel
{
    Q_OBJECT

public:
    explicit MarkdownAnswerLabel(QWidget *parent = nullptr);

    void setMarkdown(const QString &markdown);
    // Plain text: nothing in it is read as Markdown or HTML.
    void setErrorText(const QString &text);

private:
    bool m_showsError = false;
};
