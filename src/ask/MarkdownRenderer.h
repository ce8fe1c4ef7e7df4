#pragma once

#include <QString>
#include <QTextDocumentFragment>
#include <QUrl>

#include <optional>

class QTextDocument;

// Service Markdown (answers, the health story) as one read-only styled text. Inline styles stay
// (emphasis, strong, inline code, strikethrough, links); every line break of the source stays; blocks
// show only as line breaks between them and a bullet before list items. Raw HTML stays literal text,
// images show their alternative text and are never fetched, and only http, https and mailto links
// remain links. Show the result in a QTextBrowser (insertFragment) or a rich-text QLabel (toHtml()).
QTextDocumentFragment renderMarkdown(const QString &markdown);

// Renders markdown at the end of document, as renderMarkdown would, so that a text rendered in parts
// separated at top-level block boundaries reads as the whole rendered at once. After earlier text
// (afterText) the first line starts a new block. Tells whether any text was written, or nothing when
// the parser failed.
std::optional<bool> appendRenderedMarkdown(QTextDocument *document, const QString &markdown, bool afterText);

// The links a rendered text may open: http, https and mailto.
bool isOpenableMarkdownLink(const QUrl &url);
