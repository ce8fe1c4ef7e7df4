#include "MarkdownAnswerLabel.h"

#include "ask/MarkdownRenderer.h"
#include "platform/UrlOpener.h"
#include "widgets/Theme.h"

MarkdownAnswerLabel::MarkdownAnswerLabel(QWidget *parent) : QLabel(parent)
{
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextBrowserInteraction);
    // The renderer keeps only openable links; the check here also guards text that did not come through it.
    connect(this, &QLabel::linkActivated, this, [](const QString &link) {
        const QUrl url(link);
        if (isOpenableMarkdownLink(url))
            UrlOpener::open(url);
    });
}

void MarkdownAnswerLabel::setMarkdown(const QString &markdown)
{
    if (m_showsError) {
        setPalette(QPalette());
        m_showsError = false;
    }
    setTextFormat(Qt::RichText);
    setText(renderMarkdown(markdown).toHtml());
}

void MarkdownAnswerLabel::setErrorText(const QString &text)
{
    m_showsError = true;
    Theme::setTextColor(this, Theme::errorColor());
    setTextFormat(Qt::PlainText);
    setText(text);
}
