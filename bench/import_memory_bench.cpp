// Peak memory and time of one large document import: three files (60 MB together) uploaded to a local stand-in
// as one multipart form and analysed. Each round resets the process's peak resident memory, imports, and takes
// the growth of the peak over the resident memory before the import, and the import's wall time. The anchor is the
// files' size: an import that held the files once would grow by 1x. Goal: at most 1.2x. Medians of the rounds. Run by
// hand, from a Release build.
#include "AlternatingRounds.h"
#include "LoadAverage.h"
#include "StandinProcess.h"

#include "import/DocumentImportManager.h"
#include "net/APIClient.h"
#include "net/AuthTokenProviding.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>

#include <httplib.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr qint64 fileBytes = 20 * 1000 * 1000;
constexpr int fileCount = 3;
constexpr int rounds = 5;

// The demo user's token, never renewed: a round takes seconds.
class FixedToken final : public AuthTokenProviding
{
public:
    explicit FixedToken(QString token) : m_token(std::move(token)) {}
    std::optional<QString> accessToken() const override { return m_token; }
    QCoro::Task<bool> refreshAccessToken() override { co_return false; }
    void clearSession() override {}

private:
    QString m_token;
};

struct RoundResult {
    qint64 growth = 0;
    qint64 elapsedMs = 0;
};

struct DemoSession {
    QString token;
    QString patientID;
};

QJsonDocument json(const httplib::Result &result)
{
    return result ? QJsonDocument::fromJson(QByteArray::fromStdString(result->body)) : QJsonDocument();
}

DemoSession signIn(int port)
{
    httplib::Client client("127.0.0.1", port);
    const QJsonObject login{{QStringLiteral("email"), QStringLiteral("demo@vantorelle.test")},
                            {QStringLiteral("password"), QStringLiteral("health-demo-2026")}};
    const QJsonObject session =
        json(client.Post("/api/auth/userLogin", QJsonDocument(login).toJson().toStdString(), "application/json"))
            .object();
    const QString token = session[QLatin1String("token")][QLatin1String("access")].toString();
    const std::string userID = session[QLatin1String("user")][QLatin1String("_id")].toString().toStdString();
    const httplib::Headers headers{{"Authorization", "Bearer " + token.toStdString()}};
    const QJsonArray patients = json(client.Get("/api/patients/listAll?userId=" + userID, headers)).array();
    return {token, patients.first()[QLatin1String("_id")].toString()};
}

// A field of /proc/self/status in bytes ("VmRSS:", "VmHWM:").
qint64 statusField(const char *name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(name))
            return line.mid(qstrlen(name)).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return 0;
}

// Makes the peak resident memory start again from the current one (Linux 4.0 and later).
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
        qFatal("cannot reset the peak resident memory");
}

QList<QUrl> writeFiles(const QTemporaryDir &folder)
{
    QList<QUrl> urls;
    for (int i = 0; i < fileCount; ++i) {
        const QString path = folder.filePath(QStringLiteral("scan-%1.pdf").arg(i));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(fileBytes, char('a' + i))) != fileBytes)
            qFatal("cannot write the import files");
        urls.append(QUrl::fromLocalFile(path));
    }
    return urls;
}

// Runs the event loop until the import has been analysed or has failed; false after two minutes. A real loop,
// not QTest::qWaitFor: that sleeps 10 ms between turns, and the upload needs a turn of this thread for every
// 16 KB that Qt's network thread sends.
bool runUntilImported(const DocumentImportManager &manager)
{
    const auto ended = [&manager] { return manager.isExtractionDone() || manager.activeError().has_value(); };
    QEventLoop loop;
    const auto quitWhenEnded = [&] {
        if (ended())
            loop.quit();
    };
    QObject::connect(&manager, &DocumentImportManager::isExtractionDoneChanged, &loop, quitWhenEnded);
    QObject::connect(&manager, &DocumentImportManager::activeErrorChanged, &loop, quitWhenEnded);
    QTimer::singleShot(std::chrono::minutes(2), &loop, &QEventLoop::quit);
    if (!ended())
        loop.exec();
    return ended();
}

// Growth of the peak resident memory over one import, in bytes, and its wall time.
RoundResult importRound(const QString &patientID, const QList<QUrl> &urls)
{
    malloc_trim(0);
    resetPeak();
    const qint64 before = statusField("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    {
        DocumentImportManager manager(patientID);
        manager.importFiles(urls);
        if (!runUntilImported(manager))
            qFatal("the import did not finish");
        if (manager.activeError())
            qFatal("the import failed: %s", qPrintable(manager.activeError()->description()));
    }
    return {statusField("VmHWM:") - before, clock.elapsed()};
}

using AlternatingRounds::median;

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    StandinProcess standin({QStringLiteral("--seed"), QStringLiteral("demo")});
    if (standin.port() == 0)
        qFatal("the stand-in did not start");
    const DemoSession session = signIn(standin.port());
    FixedToken token(session.token);
    APIClient::shared().setBaseURLForTesting(QUrl(QStringLiteral("http://127.0.0.1:%1/api").arg(standin.port())));
    APIClient::shared().setAuthProvider(&token);
    QTemporaryDir folder;
    const QList<QUrl> urls = writeFiles(folder);
    const double anchor = double(fileBytes) * fileCount / 1e6;

    std::vector<double> growths;
    std::vector<double> seconds;
    for (int round = 0; round < rounds; ++round) {
        const RoundResult result = importRound(session.patientID, urls);
        growths.push_back(double(result.growth) / 1e6);
        seconds.push_back(double(result.elapsedMs) / 1e3);
        std::printf("round %d: peak grew by %.1f MB in %.2f s\n", round + 1, growths.back(), seconds.back());
    }
    const double measured = median(growths);
    std::printf("RESULT import_peak measured=%.1fMB anchor=%.1fMB ratio=%.2f goal=1.2 load=%.2f\n", measured, anchor,
                measured / anchor, LoadAverage::lastMinute());
    std::printf("RESULT import_time measured=%.2fs load=%.2f\n", median(seconds), LoadAverage::lastMinute());
    return 0;
}
