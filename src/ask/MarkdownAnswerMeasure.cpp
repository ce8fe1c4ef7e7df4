#include "MarkdownAnswerMeasure.h"

#include "MarkdownDocumentRenderer.h"

#include <QTextDocument>
#include <QTextOption>
#include <QtMath>

#include <algorithm>

namespace
{

// Layouts ask about a few widths; a window being resized would otherwise leave a copy per width.
constexpr size_t maximumCopies = 4;

} // namespace

struct MarkdownAnswerMeasure::Copy {
    explicit Copy(int width) : renderer(&document), width(width) {}

    QTextDocument document;
    MarkdownDocumentRenderer renderer;
    int width = 0;
    quint64 revision = 0;
    quint64 lastUse = 0;
};

MarkdownAnswerMeasure::MarkdownAnswerMeasure() = default;

MarkdownAnswerMeasure::~MarkdownAnswerMeasure() = default;

int MarkdownAnswerMeasure::height(const QTextDocument &shown, const QString &markdown, quint64 revision, int width)
{
    Copy &copy = copyFor(shown, width);
    if (copy.revision != revision) {
        copy.renderer.show(markdown);
        copy.revision = revision;
    }
    copy.lastUse = ++m_uses;
    return qCeil(copy.document.size().height());
}

void MarkdownAnswerMeasure::clear()
{
    m_copies.clear();
}

MarkdownAnswerMeasure::Copy &MarkdownAnswerMeasure::copyFor(const QTextDocument &shown, int width)
{
    for (const std::unique_ptr<Copy> &copy : m_copies) {
        if (copy->width == width)
            return *copy;
    }
    if (m_copies.size() == maximumCopies) {
        m_copies.erase(std::min_element(m_copies.begin(), m_copies.end(),
                                        [](const auto &a, const auto &b) { return a->lastUse < b->lastUse; }));
    }
    auto copy = std::make_unique<Copy>(width);
    copy->document.setDefaultFont(shown.defaultFont());
    copy->document.setDefaultTextOption(shown.defaultTextOption());
    copy->document.setDocumentMargin(shown.documentMargin());
    copy->document.setUndoRedoEnabled(false);
    copy->document.setTextWidth(width);
    m_copies.push_back(std::move(copy));
    return *m_copies.back();
}
