#pragma once

#include "MarkdownAnswerMeasure.h"
#include "MarkdownDocumentRenderer.h"

#include <QTextBrowser>

// An answer of the service, selectable and word-wrapped, as tall as its text: Markdown rendered as styled
// text whose http, https and mailto links open on the desktop, or an error shown verbatim in the error
// colour. The font is the caller's. A growing answer costs each update about as much as its unfinished end.
class MarkdownAnswerLabel final : public QTextBrowser
{
    Q_OBJECT

public:
    explicit MarkdownAnswerLabel(QWidget *parent = nullptr);

    void setMarkdown(const QString &markdown);
    // Plain text: nothing in it is read as Markdown or HTML.
    void setErrorText(const QString &text);

    // What is shown: the rendered Markdown as HTML (Qt::RichText), or the error (Qt::PlainText).
    QString text() const;
    Qt::TextFormat textFormat() const;

    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void linkActivated(const QString &link);

protected:
    void changeEvent(QEvent *event) override;

private:
    void setInkColor(const QColor &color);

    MarkdownDocumentRenderer m_renderer;
    mutable MarkdownAnswerMeasure m_measure;
    QString m_markdown;
    quint64 m_revision = 0;
    bool m_showsError = false;
};
