// Decoding a timeline of 10,000 entries: the JSON parse alone against the full decode into Medbit records,
// and the heap the decoded records hold. Goals: decode <= 1.5x parse, records < 20 MB. Run by hand.
#include "net/APIClient.h"
#include "records/Medbit.h"

#include "TimelineEntries.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>

#include <malloc.h>

#include <algorithm>
#include <cstdio>

namespace
{

constexpr int rounds = 15;

// The fastest of several rounds, in milliseconds. What the work returns is released after the clock stops.
template <typename Work> double bestOf(Work work)
{
    double best = 1e300;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        [[maybe_unused]] const auto result = work();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray bytes = TimelineEntries::summaryReply();
    std::printf("reply: %d entries, %.2f MB of JSON\n", TimelineEntries::entryCount, bytes.size() / 1e6);

    // Both include freeing the parsed document; the records are the product and outlive the clock.
    const double parse = bestOf([&] { return QJsonDocument::fromJson(bytes).isArray(); });
    const double decode = bestOf([&] { return APIClient::decodeReply<QList<Medbit>>(bytes); });
    std::printf("QJsonDocument::fromJson:        %8.2f ms\n", parse);
    std::printf("decode into Medbit records:     %8.2f ms  (%.2fx the parse; goal <= 1.5x)\n", decode, decode / parse);

    malloc_trim(0);
    const size_t before = mallinfo2().uordblks;
    const QList<Medbit> records = APIClient::decodeReply<QList<Medbit>>(bytes);
    malloc_trim(0);
    const size_t after = mallinfo2().uordblks;
    std::printf("heap held by %lld records:     %8.2f MB  (goal < 20 MB)\n", static_cast<long long>(records.size()),
                (after - before) / 1e6);
    return 0;
}
