// Feeds arbitrary bytes to the event-stream parser in chunks whose sizes come from the input, and
// checks that the events never depend on where the chunks were cut.
#include "net/SSEParser.h"

#include <cstddef>
#include <cstdint>

namespace
{

QList<SSEEvent> parseWhole(QByteArrayView bytes)
{
    SSEParser parser;
    QList<SSEEvent> events;
    parser.feed(bytes, events);
    parser.finish(events);
    return events;
}

QList<SSEEvent> parseChunked(QByteArrayView bytes, QByteArrayView sizes)
{
    SSEParser parser;
    QList<SSEEvent> events;
    qsizetype offset = 0;
    for (qsizetype i = 0; offset < bytes.size(); ++i) {
        const qsizetype size = sizes.isEmpty() ? 1 : qsizetype(quint8(sizes[i % sizes.size()]) % 16) + 1;
        const qsizetype take = qMin(size, bytes.size() - offset);
        parser.feed(bytes.sliced(offset, take), events);
        offset += take;
    }
    parser.finish(events);
    return events;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype split = input.isEmpty() ? 0 : qsizetype(quint8(input[0]) % 8);
    const QByteArrayView sizes =
        input.sliced(qMin(input.size(), qsizetype(1))).first(qMin(split, qMax(input.size() - 1, qsizetype(0))));
    const QByteArrayView stream = input.sliced(qMin(input.size(), 1 + sizes.size()));
    if (parseWhole(stream) != parseChunked(stream, sizes))
        __builtin_trap();
    return 0;
}
