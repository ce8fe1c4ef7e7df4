#include "MarkdownAnswerLabel.h"

#include "ask/MarkdownRenderer.h"
#include "platform/UrlOpener.h"
#include "widgets/Theme.h"

#include <QAbstractTextDocumentLayout>
#include <QTextCursor>
#include <QtMath>

MarkdownAnswerLabel::MarkdownAnswerLabel(QWidget *parent) : QTextBrowser(parent), m_renderer(document())
{
    // A focus stop, for its links: a screen reader hears this name, then the text.
    setAccessibleName(tr("Answer"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    setOpenLinks(false);
    setWordWrapMode(QTextOption::WordWrap);
    viewport()->setAutoFillBackground(false);
    document()->setDocumentMargin(0);
    document()->setUndoRedoEnabled(false);
    setInkColor(palette().color(QPalette::WindowText));
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &QWidget::updateGeometry);
    connect(this, &QTextBrowser::anchorClicked, this,
            [this](const QUrl &url) { Q_EMIT linkActivated(url.toString(QUrl::FullyEncoded)); });
    // The renderer keeps only openable links; the check here also guards text that did not come through it.
    connect(this, &MarkdownAnswerLabel::linkActivated, this, [](const QString &link) {
        const QUrl url(link);
        if (isOpenableMarkdownLink(url))
            UrlOpener::open(url);
    });
}

void MarkdownAnswerLabel::setMarkdown(const QString &markdown)
{
    if (m_showsError) {
        setPalette(QPalette());
        setInkColor(palette().color(QPalette::WindowText));
        m_showsError = false;
        m_renderer.reset();
    }
    m_markdown = markdown;
    ++m_revision;
    m_renderer.show(markdown);
}

void MarkdownAnswerLabel::setErrorText(const QString &text)
{
    m_showsError = true;
    Theme::setTextColor(this, Theme::errorColor());
    setInkColor(Theme::errorColor());
    m_renderer.reset();
    // Replaced in place, as the renderer writes, so that the document keeps its settings.
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    all.insertText(text, QTextCharFormat());
}

QString MarkdownAnswerLabel::text() const
{
    return m_showsError ? toPlainText() : toHtml();
}

Qt::TextFormat MarkdownAnswerLabel::textFormat() const
{
    return m_showsError ? Qt::PlainText : Qt::RichText;
}

bool MarkdownAnswerLabel::hasHeightForWidth() const
{
    return true;
}

// The document is laid out at the widget's width; a short error is measured at another and put back.
int MarkdownAnswerLabel::heightForWidth(int width) const
{
    QTextDocument *shown = document();
    const qreal current = shown->textWidth();
    if (qFuzzyCompare(current, qreal(width)))
        return qCeil(shown->size().height());
    if (!m_showsError)
        return m_measure.height(*shown, m_markdown, m_revision, width);
    shown->setTextWidth(width);
    const int height = qCeil(shown->size().height());
    shown->setTextWidth(current);
    return height;
}

QSize MarkdownAnswerLabel::sizeHint() const
{
    return {fontMetrics().averageCharWidth() * 80, qCeil(document()->size().height())};
}

QSize MarkdownAnswerLabel::minimumSizeHint() const
{
    return {fontMetrics().averageCharWidth() * 4, fontMetrics().height()};
}

// Text views draw in the text role, labels in the window text role that callers and themes set.
void MarkdownAnswerLabel::setInkColor(const QColor &color)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Text, color);
    colours.setColor(QPalette::Base, Qt::transparent);
    setPalette(colours);
}

void MarkdownAnswerLabel::changeEvent(QEvent *event)
{
    QTextBrowser::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        m_measure.clear();
}
