#include "MarkdownDocumentRenderer.h"

#include "MarkdownRenderer.h"

#include <QTextCursor>
#include <QTextDocument>

#include <optional>

namespace
{

bool isBlank(QStringView line)
{
    for (QChar c : line) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t'))
            return false;
    }
    return true;
}

struct Fence {
    QChar mark;
    qsizetype length = 0;
};

// A code fence at the left margin: three or more backticks or tildes (a backtick fence has none after).
std::optional<Fence> fenceAt(QStringView line)
{
    const QChar mark = line.isEmpty() ? QChar() : line.front();
    if (mark != QLatin1Char('`') && mark != QLatin1Char('~'))
        return std::nullopt;
    qsizetype length = 0;
    while (length < line.size() && line[length] == mark)
        ++length;
    if (length < 3 || (mark == QLatin1Char('`') && line.mid(length).contains(mark)))
        return std::nullopt;
    return Fence{mark, length};
}

bool closes(const Fence &open, QStringView line)
{
    const std::optional<Fence> fence = fenceAt(line);
    return fence && fence->mark == open.mark && fence->length >= open.length && isBlank(line.mid(fence->length));
}

bool hasFenceMarks(QStringView line)
{
    return line.contains(u"```") || line.contains(u"~~~");
}

} // namespace

MarkdownDocumentRenderer::MarkdownDocumentRenderer(QTextDocument *document) : m_document(document) {}

void MarkdownDocumentRenderer::show(const QString &markdown)
{
    // A link definition can make a link of earlier text, and a carriage return ends lines where the
    // block boundaries are not looked for: then the whole text renders every time.
    const bool splits = !markdown.contains(u"]:") && !markdown.contains(QLatin1Char('\r'));
    if (!splits || !markdown.startsWith(m_kept))
        reset();
    const qsizetype kept = splits ? keptLength(markdown) : 0;
    QTextCursor edit(m_document);
    // One edit: the document lays out its changed end once.
    edit.beginEditBlock();
    edit.setPosition(m_keptEnd);
    edit.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    edit.removeSelectedText();
    if (kept > m_kept.size()) {
        const std::optional<bool> wroteText = render(markdown, m_kept.size(), kept);
        if (wroteText) {
            m_kept = markdown.left(kept);
            m_keptEnd = m_document->characterCount() - 1;
            m_keptText = m_keptText || *wroteText;
        }
    }
    if (m_kept.size() < kept || !render(markdown, kept, markdown.size()))
        showPlain(markdown);
    edit.endEditBlock();
}

void MarkdownDocumentRenderer::reset()
{
    m_kept.clear();
    m_keptEnd = 0;
    m_keptText = false;
}

// Where the last top-level block that later text cannot change ends: before a line at the left margin
// that follows an empty line outside a code fence. Such a line starts a new block in any context but a
// fence, which is followed only while its lines are unambiguous; past an ambiguous one nothing is kept.
qsizetype MarkdownDocumentRenderer::keptLength(const QString &markdown) const
{
    qsizetype kept = m_kept.size();
    std::optional<Fence> fence;
    bool afterBlank = false;
    for (qsizetype start = kept; start < markdown.size();) {
        const qsizetype end = markdown.indexOf(QLatin1Char('\n'), start);
        const QStringView line = QStringView(markdown).mid(start, (end < 0 ? markdown.size() : end) - start);
        if (!fence && afterBlank && !line.isEmpty() && !line.front().isSpace())
            kept = start;
        if (end < 0)
            break;
        if (fence && closes(*fence, line))
            fence.reset();
        else if (!fence && fenceAt(line))
            fence = fenceAt(line);
        else if (hasFenceMarks(line))
            return kept;
        afterBlank = !fence && isBlank(line);
        start = end + 1;
    }
    return kept;
}

std::optional<bool> MarkdownDocumentRenderer::render(const QString &markdown, qsizetype from, qsizetype to)
{
    return appendRenderedMarkdown(m_document, markdown.mid(from, to - from), m_keptText);
}

// The parser fails only when it runs out of memory; the text as given is still worth showing.
void MarkdownDocumentRenderer::showPlain(const QString &markdown)
{
    QTextCursor all(m_document);
    all.select(QTextCursor::Document);
    all.insertText(markdown, QTextCharFormat());
    reset();
}
