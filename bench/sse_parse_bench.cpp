// Event-stream parsing speed: 64 MiB of answer events fed in random chunk sizes, against plain memchr
// line splitting over the same chunks. Run by hand: ./sse_parse_bench
#include "net/SSEParser.h"

#include <QByteArray>
#include <QList>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>

namespace
{

constexpr qsizetype streamSize = 64 * 1024 * 1024;

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

template <typename Work> double megabytesPerSecond(qsizetype bytes, Work &&work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    return double(bytes) / (1024.0 * 1024.0) / seconds.count();
}

} // namespace

int main()
{
    std::mt19937 random(2026);
    const QByteArray stream = answerStream(random);
    const QList<QByteArrayView> pieces = chunks(stream, random);

    qsizetype events = 0;
    const double parser = megabytesPerSecond(stream.size(), [&] {
        SSEParser parser;
        QList<SSEEvent> batch;
        for (QByteArrayView piece : pieces) {
            parser.feed(piece, batch);
            events += batch.size();
            batch.clear();
        }
        parser.finish(batch);
        events += batch.size();
    });

    qsizetype lines = 0;
    const double splitting = megabytesPerSecond(stream.size(), [&] {
        for (QByteArrayView piece : pieces) {
            const char *cursor = piece.data();
            const char *const end = cursor + piece.size();
            while (const void *found = std::memchr(cursor, '\n', size_t(end - cursor))) {
                ++lines;
                cursor = static_cast<const char *>(found) + 1;
            }
        }
    });

    std::printf("%lld bytes in %lld chunks: %lld events, %lld line feeds\n", qlonglong(stream.size()),
                qlonglong(pieces.size()), qlonglong(events), qlonglong(lines));
    std::printf("event parser:       %8.1f MB/s\n", parser);
    std::printf("memchr line split:  %8.1f MB/s\n", splitting);
    std::printf("parser / splitting: %8.1f %% (goal: at least 25 %%)\n", 100.0 * parser / splitting);
    return 0;
}
