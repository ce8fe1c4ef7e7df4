// How soon the stand-in starts its reply to the 10,000-entry list of the large seed ("/medbits/list/summary"):
// the first request after start, which builds the reply, then alternating rounds of the list against the
// patient list ("/patients/listAll"), a near-empty reply, as the anchor. Time to the first body byte, in
// milliseconds. Goal: the list starts within 20 ms. Run by hand.
#include "AlternatingRounds.h"
#include "LoadAverage.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

namespace
{

constexpr int rounds = 21;

class Standin
{
public:
    Standin()
    {
        m_process.start(QStringLiteral(VANTORELLE_STANDIN_PATH), {QStringLiteral("--port"), QStringLiteral("0"),
                                                                  QStringLiteral("--seed"), QStringLiteral("large")});
        if (!m_process.waitForReadyRead(60000))
            return;
        const QByteArray line = m_process.readLine().trimmed();
        m_port = line.mid(line.lastIndexOf(':') + 1).split('/').first().toInt();
    }
    ~Standin()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    int port() const { return m_port; }

private:
    QProcess m_process;
    int m_port = 0;
};

// Milliseconds from sending the request to its first body byte; the body is read to its end.
double firstByte(httplib::Client &client, const std::string &path, const httplib::Headers &headers)
{
    const auto start = std::chrono::steady_clock::now();
    std::optional<double> first;
    client.Get(path, headers, [&](const char *, size_t) {
        if (!first)
            first = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        return true;
    });
    return first.value_or(-1);
}

QJsonValue json(const httplib::Result &result)
{
    return result ? QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object() : QJsonValue();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Standin standin;
    if (standin.port() == 0) {
        std::fprintf(stderr, "the stand-in did not start\n");
        return 1;
    }
    httplib::Client client("127.0.0.1", standin.port());
    const QJsonObject login{{QStringLiteral("email"), QStringLiteral("demo@vantorelle.test")},
                            {QStringLiteral("password"), QStringLiteral("health-demo-2026")}};
    const QJsonValue session =
        json(client.Post("/api/auth/userLogin", QJsonDocument(login).toJson().toStdString(), "application/json"));
    const std::string token = session[QLatin1String("token")][QLatin1String("access")].toString().toStdString();
    const std::string userId = session[QLatin1String("user")][QLatin1String("_id")].toString().toStdString();
    const httplib::Headers headers{{"Authorization", "Bearer " + token}};
    const auto patients = client.Get("/api/patients/listAll?userId=" + userId, headers);
    const QJsonArray patientList =
        patients ? QJsonDocument::fromJson(QByteArray::fromStdString(patients->body)).array() : QJsonArray();
    const std::string patientId = patientList.first()[QLatin1String("_id")].toString().toStdString();
    const std::string listPath = "/api/medbits/list/summary?patientId=" + patientId;
    const std::string anchorPath = "/api/patients/listAll?userId=" + userId;

    std::printf("first list request after start (builds the reply): %8.2f ms to the first byte\n",
                firstByte(client, listPath, headers));
    std::vector<double> anchor, list;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            anchor.push_back(firstByte(client, anchorPath, headers));
            list.push_back(firstByte(client, listPath, headers));
        } else {
            list.push_back(firstByte(client, listPath, headers));
            anchor.push_back(firstByte(client, anchorPath, headers));
        }
    }
    std::printf("time to the first byte, medians of %d alternating rounds:\n", rounds);
    std::printf("  patients list (anchor)     %8.2f ms\n", AlternatingRounds::median(anchor));
    std::printf("  10,000-entry list          %8.2f ms (goal <= 20 ms)\n", AlternatingRounds::median(list));
    LoadAverage::print();
    const double listMs = AlternatingRounds::median(list);
    const double anchorMs = AlternatingRounds::median(anchor);
    std::printf("RESULT standin_list_first_byte measured=%.2fms anchor=%.2fms ratio=%.2f goal_ms=20 load=%.2f\n",
                listMs, anchorMs, listMs / anchorMs, LoadAverage::lastMinute());
    return 0;
}
