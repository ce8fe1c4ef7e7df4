// Decoding a timeline of 10,000 entries: QJsonDocument's parse alone against the client's full decode of
// the same bytes into Medbit records, and the heap the decoded records hold. Goals: decode <= 0.5x the
// parse alone, records < 20 MB. Run by hand; it prints the load average, since the machine may be shared.
#include "AlternatingRounds.h"
#include "LoadAverage.h"
#include "TimelineEntries.h"
#include "net/APIClient.h"
#include "records/Medbit.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <malloc.h>

#include <cstdio>

namespace
{

constexpr int rounds = 21;

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray bytes = TimelineEntries::summaryReply();
    std::printf("reply: %d entries, %.2f MB of JSON\n", TimelineEntries::entryCount, bytes.size() / 1e6);

    // Both include freeing the parsed document; the records are the product and outlive the clock.
    const AlternatingRounds::Summary summary = AlternatingRounds::run(
        rounds, [&] { return QJsonDocument::fromJson(bytes).isArray(); },
        [&] { return APIClient::decodeReply<QList<Medbit>>(bytes); });
    AlternatingRounds::print(rounds, "QJsonDocument::fromJson", "decode into Medbit records", summary);
    std::printf("  goal: decode <= 0.5x the parse alone\n");

    malloc_trim(0);
    const size_t before = mallinfo2().uordblks;
    const QList<Medbit> records = APIClient::decodeReply<QList<Medbit>>(bytes);
    malloc_trim(0);
    const size_t after = mallinfo2().uordblks;
    const double heldMB = (after - before) / 1e6;
    std::printf("heap held by %lld records:     %8.2f MB  (goal < 20 MB)\n", static_cast<long long>(records.size()),
                heldMB);
    LoadAverage::print();
    std::printf("RESULT medbit_decode measured=%.1fms anchor=%.1fms ratio=%.2f goal=0.5 load=%.2f\n",
                summary.secondMedian, summary.firstMedian, summary.ratioMedian, LoadAverage::lastMinute());
    std::printf("RESULT medbit_records_heap measured=%.2fMB goal_mb=20 load=%.2f\n", heldMB, LoadAverage::lastMinute());
    return 0;
}
