#include "net/SSEParser.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace QTest
{
template <> char *toString(const SSEEvent &event)
{
    return qstrdup(QByteArray(event.event.toUtf8() + " | " + event.data).constData());
}
} // namespace QTest

namespace
{

QList<SSEEvent> parseChunks(const QList<QByteArray> &chunks)
{
    SSEParser parser;
    QList<SSEEvent> events;
    for (const QByteArray &chunk : chunks)
        parser.feed(chunk, events);
    parser.finish(events);
    return events;
}

SSEEvent sse(const QString &name, const QByteArray &data)
{
    return {name, data};
}

} // namespace

class SSEParserTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lines_splitAtEveryTerminator_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QList<QByteArray>>("lines");
        using L = QList<QByteArray>;
        QTest::newRow("LF") << L{"a\nb\n"} << L{"a", "b"};
        QTest::newRow("CRLF") << L{"a\r\nb\r\n"} << L{"a", "b"};
        QTest::newRow("CR") << L{"a\rb\r"} << L{"a", "b"};
        QTest::newRow("empty lines") << L{"a\n\n\r\n\r\rb\n"} << L{"a", "", "", "", "", "b"};
        QTest::newRow("CR | LF across chunks") << L{"a\r", "\nb\n"} << L{"a", "b"};
        QTest::newRow("CR | empty | LF") << L{"a\r", "", "\nb\n"} << L{"a", "b"};
        QTest::newRow("CR | CR") << L{"a\r", "\rb\n"} << L{"a", "", "b"};
        QTest::newRow("split line") << L{"da", "ta: x", "\n"} << L{"data: x"};
        QTest::newRow("unterminated last") << L{"a\nlast"} << L{"a", "last"};
        QTest::newRow("byte by byte") << L{"a", "\r", "\n", "\n", "b"} << L{"a", "", "b"};
    }
    void lines_splitAtEveryTerminator()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QList<QByteArray>, lines);
        SSELineBuffer buffer;
        QList<QByteArray> seen;
        const auto collect = [&seen](QByteArrayView line) { seen.append(line.toByteArray()); };
        for (const QByteArray &chunk : chunks)
            buffer.feed(chunk, collect);
        buffer.finish(collect);
        QCOMPARE(seen, lines);
    }

    void events_followTheFramingRules_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QList<SSEEvent>>("events");
        using E = QList<SSEEvent>;
        QTest::newRow("named event, flushed at the end") << "event: done\ndata: {}"_ba << E{sse(u"done"_s, "{}")};
        QTest::newRow("two data lines joined") << "data: a\ndata: b\n\n"_ba << E{sse(u"message"_s, "a\nb")};
        QTest::newRow("padded values") << "event: \t step \t\ndata:    x y   \n\n"_ba << E{sse(u"step"_s, "x y")};
        QTest::newRow("no-break space trimmed") << "data:\xc2\xa0x\xc2\xa0\n\n"_ba << E{sse(u"message"_s, "x")};
        QTest::newRow("event line ends the pending one")
            << "event: ping\nevent: message\ndata: d"_ba << E{sse(u"ping"_s, ""), sse(u"message"_s, "d")};
        QTest::newRow("empty name") << "event:\n\n"_ba << E{sse(u""_s, "")};
        QTest::newRow("ignored lines") << ": comment\nid: 7\nretry: 10\n data: no\nDATA: no\ndata: yes\n\n"_ba
                                       << E{sse(u"message"_s, "yes")};
        QTest::newRow("data-only events stay apart")
            << "data: 1\n\ndata: 2\n\n"_ba << E{sse(u"message"_s, "1"), sse(u"message"_s, "2")};
        QTest::newRow("blank lines alone deliver nothing") << "\n\n\r\n"_ba << E{};
        QTest::newRow("empty data line") << "data:\n\n"_ba << E{sse(u"message"_s, "")};
        QTest::newRow("name resets after dispatch")
            << "event: step\ndata: 1\n\ndata: 2\n\n"_ba << E{sse(u"step"_s, "1"), sse(u"message"_s, "2")};
    }
    void events_followTheFramingRules()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QList<SSEEvent>, events);
        QCOMPARE(parseChunks({stream}), events);
        QList<QByteArray> bytes;
        for (char byte : stream)
            bytes.append(QByteArray(1, byte));
        QCOMPARE(parseChunks(bytes), events);
    }

    void events_areDeliveredAtTheirBlankLine()
    {
        SSEParser parser;
        QList<SSEEvent> events;
        parser.feed("event: message\r\ndata: {\"t\":1}\r", events);
        QVERIFY(events.isEmpty());
        parser.feed("\n\r", events);
        QCOMPARE(events, QList<SSEEvent>{sse(u"message"_s, "{\"t\":1}")});
        parser.feed("\n", events);
        parser.finish(events);
        QCOMPARE(events.size(), 1);
    }
};

QTEST_GUILESS_MAIN(SSEParserTest)
#include "SSEParserTest.moc"
