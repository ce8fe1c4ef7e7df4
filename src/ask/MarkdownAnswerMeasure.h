#pragma once

#include <QString>

#include <memory>
#include <vector>

class MarkdownDocumentRenderer;
class QTextDocument;

// Heights of a rendered answer at widths other than the one it is shown at. Layouts ask for them after
// every change (with and without a scroll bar, at the preferred width); laying the shown answer out again
// at each would cost as much as the answer is long. Each width asked for gets its own copy of the answer,
// laid out at that width and brought up to date the way the shown one is, from its unfinished end.
class MarkdownAnswerMeasure final
{
public:
    MarkdownAnswerMeasure();
    ~MarkdownAnswerMeasure();

    // The height of markdown at width, rendered in the shown document's font; revision changes with the text.
    int height(const QTextDocument &shown, const QString &markdown, quint64 revision, int width);
    // For a change of font.
    void clear();

private:
    struct Copy;
    Copy &copyFor(const QTextDocument &shown, int width);

    std::vector<std::unique_ptr<Copy>> m_copies;
    quint64 m_uses = 0;
};
