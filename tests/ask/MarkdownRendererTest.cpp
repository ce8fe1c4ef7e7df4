#include "ask/MarkdownRenderer.h"

#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace
{

// The rendered text with block breaks as "\n" and hard line breaks inside a block as U+2028.
QString shown(const QString &markdown)
{
    QString text = renderMarkdown(markdown).toRawText();
    return text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

// The format of the first stretch of rendered text that reads exactly `text`.
QTextCharFormat formatOf(const QString &markdown, const QString &text)
{
    QTextDocument document;
    QTextCursor(&document).insertFragment(renderMarkdown(markdown));
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().text() == text)
                return it.fragment().charFormat();
        }
    }
    qWarning() << "no run reads" << text;
    return {};
}

} // namespace

class MarkdownRendererTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void render_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one word") << "Hello"
                                  << "Hello";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("two paragraphs") << "One\n\nTwo"
                                        << "One\nTwo";
        QTest::newRow("single break") << "One\nTwo" << QStringLiteral("One\u2028Two");
        QTest::newRow("bullets") << "- a\n- b" << QStringLiteral("\u2022 a\n\u2022 b");
        QTest::newRow("numbers") << "1. a\n2. b" << QStringLiteral("\u2022 a\n\u2022 b");
        QTest::newRow("item of several runs") << "- plain **bold** plain" << QStringLiteral("\u2022 plain bold plain");
        QTest::newRow("nested item") << "- a\n  - b" << QStringLiteral("\u2022 a\n\u2022 b");
        QTest::newRow("loose list") << "- a\n\n- b" << QStringLiteral("\u2022 a\n\u2022 b");
        QTest::newRow("heading, paragraph") << "# Title\nBody"
                                            << "Title\nBody";
        QTest::newRow("fenced code") << "```\ncode\n\nmore\n```" << QStringLiteral("code  \u2028  \u2028more  ");
        QTest::newRow("first block a list") << "- first\n\nafter" << QStringLiteral("\u2022 first\nafter");
        QTest::newRow("quote") << "> quoted\n\nplain"
                               << "quoted\nplain";
        QTest::newRow("table cells") << "| a | b |\n|---|---|\n| 1 | 2 |"
                                     << "a\nb\n1\n2";
        QTest::newRow("raw HTML stays text") << "<b>raw</b> <img src=\"http://x/y.png\">"
                                             << "<b>raw</b> <img src=\"http://x/y.png\">";
        QTest::newRow("HTML block stays text") << "<div>\n*a*\n</div>" << QStringLiteral("<div>\u2028a\u2028</div>");
        QTest::newRow("entities") << "&amp; &copy; &#65;" << QStringLiteral("& \u00a9 A");
        QTest::newRow("image shows its text") << "![scan](http://example.com/x.png)"
                                              << "scan";
    }

    void render()
    {
        QFETCH(QString, markdown);
        QFETCH(QString, expected);
        QCOMPARE(shown(markdown), expected);
    }

    // The parser reports the end of a strikethrough it never opened here; the text still renders whole.
    void unbalancedStrikethrough_rendersItsText()
    {
        const QString text = shown(QStringLiteral("![a](b~c)d~\ne~ f"));
        QVERIFY2(text.startsWith(QLatin1Char('a')) && text.endsWith(QLatin1Char('f')), qPrintable(text));
    }

    void inlineStyles_stay_andHeadingsUseTheBodyStyle()
    {
        const QString markdown = QStringLiteral("# Head\n**b** *i* `c` ~~s~~ [l](https://example.com/a?b=1)");
        QVERIFY(formatOf(markdown, QStringLiteral("b")).fontWeight() == QFont::Bold);
        QVERIFY(formatOf(markdown, QStringLiteral("i")).fontItalic());
        QVERIFY(formatOf(markdown, QStringLiteral("c")).fontFixedPitch());
        QVERIFY(formatOf(markdown, QStringLiteral("s")).fontStrikeOut());
        QCOMPARE(formatOf(markdown, QStringLiteral("l")).anchorHref(), QStringLiteral("https://example.com/a?b=1"));
        const QTextCharFormat head = formatOf(markdown, QStringLiteral("Head"));
        QVERIFY(head.fontWeight() != QFont::Bold && !head.hasProperty(QTextFormat::FontPointSize));
    }

    void links_onlyWebAndMailStayLinks_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("href"); // empty: plain text
        QTest::newRow("https") << "[a](https://example.com)"
                               << "a"
                               << "https://example.com";
        QTest::newRow("http autolink") << "see http://example.com/x"
                                       << "http://example.com/x"
                                       << "http://example.com/x";
        QTest::newRow("mail autolink") << "<me@example.com>"
                                       << "me@example.com"
                                       << "mailto:me@example.com";
        QTest::newRow("entity in target") << "[a](https://example.com/?x=1&amp;y=2)"
                                          << "a"
                                          << "https://example.com/?x=1&y=2";
        QTest::newRow("javascript") << "[a](javascript:alert(1))"
                                    << "a"
                                    << "";
        QTest::newRow("file") << "[a](file:///etc/passwd)"
                              << "a"
                              << "";
        QTest::newRow("relative") << "[a](/patients)"
                                  << "a"
                                  << "";
    }

    void links_onlyWebAndMailStayLinks()
    {
        QFETCH(QString, markdown);
        QFETCH(QString, text);
        QFETCH(QString, href);
        const QTextCharFormat format = formatOf(markdown, text);
        QCOMPARE(format.isAnchor(), !href.isEmpty());
        QCOMPARE(format.anchorHref(), href);
    }

    void html_neverCarriesActiveContent()
    {
        const QString html =
            renderMarkdown(QStringLiteral("<img src=\"http://x/y.png\"> ![a](http://x/z.png)")).toHtml();
        QVERIFY(!html.contains(QLatin1StringView("<img")));
        QVERIFY(html.contains(QLatin1StringView("&lt;img")));
    }
};

QTEST_MAIN(MarkdownRendererTest)
#include "MarkdownRendererTest.moc"
