#include "ask/MarkdownAnswerLabel.h"
#include "platform/UrlOpener.h"
#include "widgets/Theme.h"

#include <QTest>
#include <QTextDocument>

namespace
{

// What the label shows, as plain text.
QString shownText(const QLabel &label)
{
    if (label.textFormat() == Qt::PlainText)
        return label.text();
    QTextDocument document;
    document.setHtml(label.text());
    return document.toPlainText();
}

QColor textColor(const QLabel &label)
{
    return label.palette().color(QPalette::WindowText);
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
        const QPoint onLink(4, label.height() / 2);
        QTest::mouseClick(&label, Qt::LeftButton, {}, onLink);
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

private:
    QList<QUrl> m_opened;
};

QTEST_MAIN(MarkdownAnswerLabelTest)
#include "MarkdownAnswerLabelTest.moc"
