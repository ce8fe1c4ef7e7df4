#include "MarkdownRenderer.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <md4c.h>

#include <optional>
#include <vector>

namespace
{

// Raw HTML is not recognised at all, so it reaches the text callback as ordinary characters.
constexpr unsigned parseFlags = MD_FLAG_NOHTML | MD_FLAG_TABLES | MD_FLAG_STRIKETHROUGH |
                                MD_FLAG_PERMISSIVEURLAUTOLINKS | MD_FLAG_PERMISSIVEEMAILAUTOLINKS |
                                MD_FLAG_PERMISSIVEWWWAUTOLINKS;

// Entities arrive verbatim ("&amp;", "&#65;"); md4c has checked their shape, so Qt's HTML entity
// table can read them without anything else being interpreted.
QString decodedEntity(const QString &entity)
{
    return QTextDocumentFragment::fromHtml(entity).toPlainText();
}

// A link target as written, with its entities decoded ("?a=1&amp;b=2").
QString attributeText(const MD_ATTRIBUTE &attribute)
{
    QString text;
    for (int i = 0; attribute.substr_offsets[i] < attribute.size; ++i) {
        const MD_OFFSET begin = attribute.substr_offsets[i];
        const QString part =
            QString::fromUtf8(attribute.text + begin, qsizetype(attribute.substr_offsets[i + 1] - begin));
        text += attribute.substr_types[i] == MD_TEXT_ENTITY ? decodedEntity(part) : part;
    }
    return text;
}

// Walks md4c's parse. Each entered block gets a fresh identity; a text run belongs to the innermost
// open block, and a change of that block between runs starts a new line.
class Walk
{
public:
    // Writes at the end of the document; after earlier text the first run starts a new line.
    Walk(QTextDocument *document, bool afterText) : m_cursor(document), m_isFirstBlock(!afterText)
    {
        m_cursor.movePosition(QTextCursor::End);
        m_formats.push_back(QTextCharFormat());
    }

    bool wroteText() const { return !m_isFirstBlock; }

    void enterBlock(MD_BLOCKTYPE type)
    {
        m_blocks.push_back(Block{++m_lastIdentity, type == MD_BLOCK_LI});
        m_pendingCodeBreaks = 0;
    }

    void leaveBlock()
    {
        if (!m_blocks.empty())
            m_blocks.pop_back();
    }

    void enterSpan(MD_SPANTYPE type, void *detail)
    {
        QTextCharFormat format = m_formats.back();
        switch (type) {
        case MD_SPAN_EM:
            format.setFontItalic(true);
            break;
        case MD_SPAN_STRONG:
            format.setFontWeight(QFont::Bold);
            break;
        case MD_SPAN_CODE:
            format.setFontFamilies(QFontDatabase::systemFont(QFontDatabase::FixedFont).families());
            format.setFontFixedPitch(true);
            break;
        case MD_SPAN_DEL:
            format.setFontStrikeOut(true);
            break;
        case MD_SPAN_A:
            applyLink(format, attributeText(static_cast<MD_SPAN_A_DETAIL *>(detail)->href));
            break;
        default:
            break;
        }
        m_formats.push_back(format);
    }

    // md4c 0.4 can report the end of a strikethrough it never opened ("![a](b~c)d~" then a lone "~" on a later
    // line): the base format stays, whatever the parser reports.
    void leaveSpan()
    {
        if (m_formats.size() > 1)
            m_formats.pop_back();
    }

    void text(MD_TEXTTYPE type, const QString &text)
    {
        switch (type) {
        case MD_TEXT_BR:
        case MD_TEXT_SOFTBR:
            append(QString(QChar::LineSeparator));
            break;
        case MD_TEXT_NULLCHAR:
            append(QString(QChar::ReplacementCharacter));
            break;
        case MD_TEXT_ENTITY:
            append(decodedEntity(text));
            break;
        case MD_TEXT_CODE:
            appendCode(text);
            break;
        default:
            append(text);
            break;
        }
    }

private:
    struct Block {
        quint64 identity = 0;
        bool isListItem = false;
    };

    static void applyLink(QTextCharFormat &format, const QString &href)
    {
        const QUrl url(href);
        if (!isOpenableMarkdownLink(url))
            return;
        format.setAnchor(true);
        format.setAnchorHref(url.toString(QUrl::FullyEncoded));
        format.setFontUnderline(true);
        format.setForeground(QGuiApplication::palette().link());
    }

    // A code block arrives line by line, each line's break as its own run; the break after the last
    // line is dropped so the block does not end in an empty line.
    void appendCode(const QString &text)
    {
        if (text == QLatin1StringView("\n")) {
            ++m_pendingCodeBreaks;
            return;
        }
        if (m_pendingCodeBreaks > 0)
            append(QString(m_pendingCodeBreaks, QChar::LineSeparator));
        m_pendingCodeBreaks = 0;
        append(text);
    }

    void append(const QString &text)
    {
        if (!m_blocks.empty())
            startRun(m_blocks.back().identity);
        m_cursor.insertText(text, m_formats.back());
    }

    void startRun(quint64 identity)
    {
        if (m_isFirstBlock || identity != m_previousIdentity) {
            if (!m_isFirstBlock)
                m_cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
            if (isInListItem())
                m_cursor.insertText(QStringLiteral("\u2022 "), QTextCharFormat());
            m_previousIdentity = identity;
        }
        m_isFirstBlock = false;
    }

    bool isInListItem() const
    {
        for (const Block &block : m_blocks) {
            if (block.isListItem)
                return true;
        }
        return false;
    }

    QTextCursor m_cursor;
    std::vector<Block> m_blocks;
    std::vector<QTextCharFormat> m_formats;
    quint64 m_lastIdentity = 0;
    quint64 m_previousIdentity = 0;
    bool m_isFirstBlock;
    int m_pendingCodeBreaks = 0;
};

Walk &walkOf(void *userdata)
{
    return *static_cast<Walk *>(userdata);
}

} // namespace

std::optional<bool> appendRenderedMarkdown(QTextDocument *document, const QString &markdown, bool afterText)
{
    // Every single line break becomes a hard break; an empty line still separates paragraphs.
    QString source = markdown;
    source.replace(QLatin1Char('\n'), QLatin1StringView("  \n"));
    const QByteArray utf8 = source.toUtf8();

    Walk walk(document, afterText);
    MD_PARSER parser{};
    parser.flags = parseFlags;
    parser.enter_block = [](MD_BLOCKTYPE type, void *, void *userdata) {
        if (type != MD_BLOCK_DOC)
            walkOf(userdata).enterBlock(type);
        return 0;
    };
    parser.leave_block = [](MD_BLOCKTYPE type, void *, void *userdata) {
        if (type != MD_BLOCK_DOC)
            walkOf(userdata).leaveBlock();
        return 0;
    };
    parser.enter_span = [](MD_SPANTYPE type, void *detail, void *userdata) {
        walkOf(userdata).enterSpan(type, detail);
        return 0;
    };
    parser.leave_span = [](MD_SPANTYPE, void *, void *userdata) {
        walkOf(userdata).leaveSpan();
        return 0;
    };
    parser.text = [](MD_TEXTTYPE type, const MD_CHAR *text, MD_SIZE size, void *userdata) {
        walkOf(userdata).text(type, QString::fromUtf8(text, qsizetype(size)));
        return 0;
    };
    if (md_parse(utf8.constData(), MD_SIZE(utf8.size()), &parser, &walk) != 0)
        return std::nullopt;
    return walk.wroteText();
}

QTextDocumentFragment renderMarkdown(const QString &markdown)
{
    // md4c fails only when it runs out of memory; the text as given is still worth showing.
    QTextDocument document;
    if (appendRenderedMarkdown(&document, markdown, false).has_value())
        return QTextDocumentFragment(&document);
    return QTextDocumentFragment::fromPlainText(markdown);
}

bool isOpenableMarkdownLink(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1StringView("http") || scheme == QLatin1StringView("https") ||
                             scheme == QLatin1StringView("mailto"));
}
