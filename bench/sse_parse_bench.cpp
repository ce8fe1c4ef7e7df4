// Event-stream parsing speed: 64 MiB of answer events fed in random chunk sizes, against plain memchr
// line splitting over the same chunks. Goal: the parser at least 25 % of the splitting's speed.
// Run by hand: ./sse_parse_bench
#include "AlternatingRounds.h"
#include "LoadAverage.h"
#include "net/SSEParser.h"

#include <QByteArray>
#include <QList>

#include <cstdio>
#include <cstring>
#include <random>

namespace
{

constexpr qsizetype streamSize = 64 * 1024 * 1024;
constexpr int rounds = 11;

QByteArray answerStream(std::mt19937 &random)
{
    static const char *const words[] = {"Your", "blood",        "pressure", "readings", "from",   "March",
                                        "were", "within",       "the",      "normal",   "range,", "and",
                                        "the",  "cardiologist", "noted",    "no",       "change."};
    std::uniform_int_distribution<int> wordCount(1, 4);
    std::uniform_int_distribution<int> word(0, std::size(words) - 1);
    QByteArray stream;
    stream.reserve(streamSize + 256);
    while (stream.size() < streamSize) {
        stream += "event: message\ndata: {\"content\":\"";
        for (int i = wordCount(random); i > 0; --i)
            stream.append(words[word(random)]).append(' ');
        stream += "\"}\n\n";
    }
    stream += "event: done\ndata: {\"channelId\":\"c1\",\"usedMedbits\":[]}\n\n";
    return stream;
}

QList<QByteArrayView> chunks(const QByteArray &stream, std::mt19937 &random)
{
    std::uniform_int_distribution<qsizetype> size(1, 16384);
    QList<QByteArrayView> result;
    for (qsizetype offset = 0; offset < stream.size();) {
        const qsizetype take = qMin(size(random), stream.size() - offset);
        result.append(QByteArrayView(stream).sliced(offset, take));
        offset += take;
    }
    return result;
}

double megabytesPerSecond(qsizetype bytes, double milliseconds)
{
    return double(bytes) / (1024.0 * 1024.0) / (milliseconds / 1000.0);
}

} // namespace

int main()
{
    std::mt19937 random(2026);
    const QByteArray stream = answerStream(random);
    const QList<QByteArrayView> pieces = chunks(stream, random);

    qsizetype events = 0;
    const auto parse = [&] {
        events = 0;
        SSEParser parser;
        QList<SSEEvent> batch;
        for (QByteArrayView piece : pieces) {
            parser.feed(piece, batch);
            events += batch.size();
            batch.clear();
        }
        parser.finish(batch);
        events += batch.size();
    };

    qsizetype lines = 0;
    const auto split = [&] {
        lines = 0;
        for (QByteArrayView piece : pieces) {
            const char *cursor = piece.data();
            const char *const end = cursor + piece.size();
            while (const void *found = std::memchr(cursor, '\n', size_t(end - cursor))) {
                ++lines;
                cursor = static_cast<const char *>(found) + 1;
            }
        }
    };
    const AlternatingRounds::Summary summary = AlternatingRounds::run(rounds, parse, split);

    std::printf("%lld bytes in %lld chunks: %lld events, %lld line feeds\n", qlonglong(stream.size()),
                qlonglong(pieces.size()), qlonglong(events), qlonglong(lines));
    AlternatingRounds::print(rounds, "event parser", "memchr line split", summary);
    // The time ratio splitting / parsing is the parser's speed as a share of the splitting's.
    std::printf("  event parser: %.1f MB/s, line split: %.1f MB/s (medians)\n",
                megabytesPerSecond(stream.size(), summary.firstMedian),
                megabytesPerSecond(stream.size(), summary.secondMedian));
    std::printf("  parser / splitting speed: median %.1f %%, range %.1f to %.1f %% (goal: at least 25 %%)\n",
                100.0 * summary.ratioMedian, 100.0 * summary.ratioMin, 100.0 * summary.ratioMax);
    std::printf("RESULT sse_parse measured=%.2fms anchor=%.2fms ratio=%.3f goal_min=0.25 load=%.2f\n",
                summary.firstMedian, summary.secondMedian, summary.ratioMedian, LoadAverage::lastMinute());
    return 0;
}
