// Decoding a timeline of 10,000 entries: the JSON parse alone against the full decode into Medbit records,
// and the heap the decoded records hold. Goals: decode <= 1.5x parse, records < 20 MB. Run by hand.
#include "AlternatingRounds.h"
#include "net/APIClient.h"
#include "records/Medbit.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

#include <malloc.h>

#include <cstdio>

namespace
{

constexpr int entryCount = 10000;
constexpr int rounds = 21;

QJsonObject document(int i)
{
    return {
        {QStringLiteral("_id"), QStringLiteral("66f0c0ffee%1").arg(i, 14, 10, QLatin1Char('0'))},
        {QStringLiteral("uri"), QStringLiteral("https://files.example.test/patients/p1/documents/scan-%1.pdf").arg(i)},
        {QStringLiteral("thumbnail"),
         QStringLiteral("https://files.example.test/patients/p1/thumbs/scan-%1.png").arg(i)},
        {QStringLiteral("fileName"), QStringLiteral("Scan %1.pdf").arg(i)},
        {QStringLiteral("type"), QStringLiteral("application/pdf")},
        {QStringLiteral("medbitIds"), QJsonArray{QStringLiteral("66f0beef%1").arg(i, 16, 10, QLatin1Char('0'))}}};
}

QJsonObject entry(int i)
{
    static const QStringList codes{QStringLiteral("hx"), QStringLiteral("rx"), QStringLiteral("ax"),
                                   QStringLiteral("zx"), QStringLiteral("vx"), QStringLiteral("lab")};
    QJsonObject object{
        {QStringLiteral("_id"), QStringLiteral("66f0beef%1").arg(i, 16, 10, QLatin1Char('0'))},
        {QStringLiteral("entryText"),
         QStringLiteral("Follow-up visit %1: blood pressure 128/82, advised to continue the current dose and to "
                        "return in three months for another check of kidney values and potassium.")
             .arg(i)},
        {QStringLiteral("date"), qint64(1500000000) + qint64(i) * 86400},
        {QStringLiteral("isApproxDate"), i % 7 == 0},
        {QStringLiteral("isLocked"), false},
        {QStringLiteral("isStarred"), i % 5 == 0},
        {QStringLiteral("tags"), QJsonArray{codes.at(i % 6), codes.at((i + 1) % 6)}},
        {QStringLiteral("documents"), i % 4 == 0 ? QJsonArray{document(i)} : QJsonArray{}},
    };
    if (i % 3 == 0) {
        object.insert(QStringLiteral("translated"), QStringLiteral("Kontrolltermin %1: Blutdruck 128/82.").arg(i));
        object.insert(QStringLiteral("language"), QStringLiteral("de"));
    }
    return object;
}

QByteArray summaryReply()
{
    QJsonArray list;
    for (int i = 0; i < entryCount; ++i)
        list.append(entry(i));
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray bytes = summaryReply();
    std::printf("reply: %d entries, %.2f MB of JSON\n", entryCount, bytes.size() / 1e6);

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
