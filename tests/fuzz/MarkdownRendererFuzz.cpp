// Renders arbitrary bytes, read as the service's UTF-8 answer text, as Markdown: any text renders, and no
// link but http, https and mailto survives into the rendered document.
#include "ask/MarkdownRenderer.h"

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "MarkdownRendererFuzz";
    static char *argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString markdown = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QTextDocument document;
    QTextCursor(&document).insertFragment(renderMarkdown(markdown));
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QString href = it.fragment().charFormat().anchorHref();
            if (!href.isEmpty() && !isOpenableMarkdownLink(QUrl(href)))
                std::abort();
        }
    }
    return 0;
}
