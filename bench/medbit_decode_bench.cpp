// Decoding a timeline of 10,000 entries: the JSON parse alone against the full decode into Medbit records,
// and the heap the decoded records hold. Goals: decode <= 1.5x parse, records < 20 MB. Run by hand.
#include "AlternatingRounds.h"
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
    std::printf("  goal: decode <= 1.5x the parse\n");

    malloc_trim(0);
    const size_t before = mallinfo2().uordblks;
    const QList<Medbit> records = APIClient::decodeReply<QList<Medbit>>(bytes);
    malloc_trim(0);
    const size_t after = mallinfo2().uordblks;
    std::printf("heap held by %lld records:     %8.2f MB  (goal < 20 MB)\n", static_cast<long long>(records.size()),
                (after - before) / 1e6);
    return 0;
}
