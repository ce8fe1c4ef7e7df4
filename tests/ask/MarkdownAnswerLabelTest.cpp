#include "ask/MarkdownAnswerLabel.h"
#include "ask/MarkdownRenderer.h"
#include "platform/UrlOpener.h"
#include "widgets/Theme.h"

#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QtMath>

namespace
{

// What the label shows, as plain text.
QString shownText(const MarkdownAnswerLabel &label)
{
    if (label.textFormat() == Qt::PlainText)
        return label.text();
    QTextDocument document;
    document.setHtml(label.text());
    return document.toPlainText();
}

QColor textColor(const MarkdownAnswerLabel &label)
{
    return label.palette().color(QPalette::WindowText);
}

// Each block's text and formats, a stretch of one format at a time however the document split it.
QStringList layout(const QTextDocument &document)
{
    QStringList blocks;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString line = QString::number(block.blockFormat().properties().size()) + QLatin1Char('|');
        QTextCharFormat previous;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format != previous)
                line += QStringLiteral("[%1]").arg(QDebug::toString(format.properties()));
            line += it.fragment().text();
            previous = format;
        }
        blocks << line;
    }
    return blocks;
}

QStringList oneShotLayout(const QString &markdown)
{
    QTextDocument document;
    QTextCursor(&document).insertFragment(renderMarkdown(markdown));
    return layout(document);
}

} // namespace

class MarkdownAnswerLabelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_opened.clear();
        UrlOpener::setHandlerForTesting([this](const QUrl &url) { m_opened.append(url); });
    }

    void cleanup() { UrlOpener::setHandlerForTesting({}); }

    void shows_data()
    {
        QTest::addColumn<bool>("isError");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Markdown styles") << false << QStringLiteral("**bold** text") << QStringLiteral("bold text");
        QTest::newRow("HTML in Markdown stays text")
            << false << QStringLiteral("<b>not bold</b>") << QStringLiteral("<b>not bold</b>");
        QTest::newRow("HTML in an error stays text")
            << true << QStringLiteral("<b>not bold</b>") << QStringLiteral("<b>not bold</b>");
        QTest::newRow("an error is no Markdown")
            << true << QStringLiteral("**Failed**") << QStringLiteral("**Failed**");
    }

    void shows()
    {
        QFETCH(bool, isError);
        QFETCH(QString, answer);
        QFETCH(QString, shown);
        MarkdownAnswerLabel label;
        if (isError)
            label.setErrorText(answer);
        else
            label.setMarkdown(answer);
        QCOMPARE(shownText(label), shown);
        QCOMPARE(textColor(label) == Theme::errorColor(), isError);
    }

    void markdownAfterAnError_isNoLongerRed()
    {
        MarkdownAnswerLabel label;
        const QColor normal = textColor(label);
        label.setErrorText(QStringLiteral("Something went wrong."));
        label.setMarkdown(QStringLiteral("All well."));
        QCOMPARE(textColor(label), normal);
    }

    void clickedLink_opens()
    {
        MarkdownAnswerLabel label;
        label.setMarkdown(QStringLiteral("[guide](https://example.org/guide)"));
        label.resize(300, 40);
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));
        const QPoint onLink(4, label.fontMetrics().height() / 2);
        QTest::mouseClick(label.viewport(), Qt::LeftButton, {}, onLink);
        QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("https://example.org/guide"))});
    }

    void activatedLink_opensOnlyWebAndMail_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("opens");
        QTest::newRow("https") << QStringLiteral("https://example.org/guide") << true;
        QTest::newRow("http") << QStringLiteral("http://example.org") << true;
        QTest::newRow("mailto") << QStringLiteral("mailto:care@example.org") << true;
        QTest::newRow("upper-case scheme") << QStringLiteral("HTTPS://example.org") << true;
        QTest::newRow("javascript") << QStringLiteral("javascript:alert(1)") << false;
        QTest::newRow("file") << QStringLiteral("file:///etc/passwd") << false;
        QTest::newRow("ftp") << QStringLiteral("ftp://example.org/x") << false;
        QTest::newRow("relative") << QStringLiteral("guide.html") << false;
    }

    void activatedLink_opensOnlyWebAndMail()
    {
        QFETCH(QString, link);
        QFETCH(bool, opens);
        MarkdownAnswerLabel label;
        label.setMarkdown(QStringLiteral("See the guide."));
        Q_EMIT label.linkActivated(link);
        QCOMPARE(m_opened, opens ? QList<QUrl>{QUrl(link)} : QList<QUrl>());
    }

    // Pieces split the Markdown anywhere, mid-token too; every step shows what the text so far renders to.
    void streamedAnswer_rendersAsTheWholeText_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<int>("pieceSize");
        const QString mixed = QStringLiteral(
            "Your **blood pressure** was *fine*.\n\n- Cholesterol: `182`\n- [guide](https://example.org/g)\n\n"
            "```\ncode\n\nmore\n```\n\nAfter ~~old~~ new\nline two\n\n1. one\n\n2. two\n\n    indented\n\n"
            "# Head\n\n> quoted\n\n| a | b |\n|---|---|\n| 1 | 2 |\n\nEnd &amp; done");
        for (int size : {1, 2, 3, 7, 10})
            QTest::newRow(qPrintable(QStringLiteral("mixed in pieces of %1").arg(size))) << mixed << size;
        QTest::newRow("a link defined later")
            << QStringLiteral("See [guide].\n\nMore.\n\n[guide]: https://example.org") << 4;
        QTest::newRow("item continued after an empty line") << QStringLiteral("- a\n\n  b\n\nc\n\n- d") << 1;
        QTest::newRow("fence in an item") << QStringLiteral("- a\n  ```\n  x\n\nb\n```\ncode\n\nc\n```\n\nd") << 1;
        QTest::newRow("indented closing fence") << QStringLiteral("```\nx\n  ```\n\ny\n```\n\nz") << 1;
        QTest::newRow("rule, then text") << QStringLiteral("a\n\n---\n\n***\n\nb") << 2;
    }

    void streamedAnswer_rendersAsTheWholeText()
    {
        QFETCH(QString, markdown);
        QFETCH(int, pieceSize);
        MarkdownAnswerLabel label;
        for (qsizetype end = pieceSize; end < markdown.size() + pieceSize; end += pieceSize) {
            const QString soFar = markdown.left(end);
            label.setMarkdown(soFar);
            QCOMPARE(layout(*label.document()), oneShotLayout(soFar));
        }
    }

    // Layouts ask for heights at widths the answer is not shown at, while it grows.
    void growingAnswer_fitsAnyWidth()
    {
        MarkdownAnswerLabel label;
        label.resize(400, 40);
        label.show();
        const QString answer = QStringLiteral("A **long** answer that wraps at narrow widths.\n\n- one item\n\n");
        QString soFar;
        for (int part = 0; part < 4; ++part) {
            soFar += answer;
            label.setMarkdown(soFar);
            for (int width : {120, 250, 400}) {
                QTextDocument expected;
                expected.setDefaultFont(label.font());
                expected.setDocumentMargin(0);
                expected.setDefaultTextOption(label.document()->defaultTextOption());
                QTextCursor(&expected).insertFragment(renderMarkdown(soFar));
                expected.setTextWidth(width);
                QCOMPARE(label.heightForWidth(width), qCeil(expected.size().height()));
            }
        }
    }

private:
    QList<QUrl> m_opened;
};

QTEST_MAIN(MarkdownAnswerLabelTest)
#include "MarkdownAnswerLabelTest.moc"
