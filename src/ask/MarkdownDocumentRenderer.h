#pragma once

#include <QString>

#include <optional>

class QTextDocument;

// Keeps a document showing renderMarkdown of a text that grows at its end, as an answer does while it
// streams. Top-level blocks that later text can no longer change stay as rendered; each update renders
// only what follows them, so a long answer costs about as much per update as its unfinished end.
class MarkdownDocumentRenderer final
{
public:
    explicit MarkdownDocumentRenderer(QTextDocument *document);

    void show(const QString &markdown);
    // Forgets what was rendered, for when the document is given other text.
    void reset();

private:
    qsizetype keptLength(const QString &markdown) const;
    std::optional<bool> render(const QString &markdown, qsizetype from, qsizetype to);
    void showPlain(const QString &markdown);

    QTextDocument *m_document = nullptr;
    QString m_kept;    // the source of the blocks that stay
    int m_keptEnd = 0; // where they end in the document
    bool m_keptText = false;
};
