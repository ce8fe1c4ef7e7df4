#include "AuthRoutes.h"
#include "ChannelRoutes.h"
#include "ChatRoutes.h"
#include "ControlRoutes.h"
#include "DocumentRoutes.h"
#include "FaultBook.h"
#include "HealthStoryRoutes.h"
#include "HttpUtil.h"
#include "ImportRoutes.h"
#include "MedbitRoutes.h"
#include "PatientRoutes.h"
#include "RequestLog.h"
#include "Router.h"
#include "SampleFiles.h"
#include "StandinState.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <httplib.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <pthread.h>
#include <thread>

namespace
{

constexpr const char *demoEmail = "demo@vantorelle.test";
constexpr const char *demoPassword = "health-demo-2026";
constexpr size_t poolThreads = 64; // hanging and streaming requests each hold a thread

struct Options {
    qint64 port = 8787;
    StandinState::Seed seed = StandinState::Seed::none;
    bool testControls = false;                // /_standin/ and the request log; tests only
    qint64 maxBodyBytes = 64ll * 1024 * 1024; // larger request bodies are refused with 413
    qint64 logBodyBytes = 64 * 1024;          // the log keeps this much of each body
    std::optional<QString> samplePath;        // writes a document to import there, then exits
};

bool readNumber(const char *text, qint64 min, qint64 max, qint64 *value)
{
    bool ok = false;
    *value = QByteArray(text).toLongLong(&ok);
    return ok && *value >= min && *value <= max;
}

bool parseOption(int argc, char **argv, int *i, Options *options)
{
    const char *name = argv[*i];
    const char *value = *i + 1 < argc ? argv[*i + 1] : nullptr;
    if (std::strcmp(name, "--test-controls") == 0) {
        options->testControls = true;
        return true;
    }
    if (!value)
        return false;
    ++*i;
    const qint64 unlimited = std::numeric_limits<qint64>::max();
    const struct {
        const char *name;
        qint64 min;
        qint64 max;
        qint64 *target;
    } numbers[] = {{"--port", 0, 65535, &options->port},
                   {"--max-body-bytes", 1, unlimited, &options->maxBodyBytes},
                   {"--log-body-bytes", 0, unlimited, &options->logBodyBytes}};
    for (const auto &number : numbers) {
        if (std::strcmp(name, number.name) == 0)
            return readNumber(value, number.min, number.max, number.target);
    }
    if (std::strcmp(name, "--write-sample") == 0) {
        options->samplePath = QString::fromLocal8Bit(value);
        return true;
    }
    if (std::strcmp(name, "--seed") == 0 && std::strcmp(value, "demo") == 0) {
        options->seed = StandinState::Seed::demo;
        return true;
    }
    if (std::strcmp(name, "--seed") == 0 && std::strcmp(value, "large") == 0) {
        options->seed = StandinState::Seed::large;
        return true;
    }
    return false;
}

bool parseOptions(int argc, char **argv, Options *options)
{
    for (int i = 1; i < argc; ++i) {
        if (!parseOption(argc, argv, &i, options))
            return false;
    }
    return true;
}

// A checkup letter that the analysis reads as a condition, a medicine, a vaccination and a test result.
int writeSample(const QString &path)
{
    QFile file(path);
    const QByteArray pdf = SampleFiles::pdf(
        {QStringLiteral("Annual checkup and vaccination, March 2024"),
         QStringLiteral("Condition: seasonal asthma, mild"), QStringLiteral("Medicine: salbutamol inhaler as needed"),
         QStringLiteral("Vaccination: influenza, left arm"), QStringLiteral("Blood panel: all values in range")});
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}

int bindPort(httplib::Server &server, int port)
{
    if (port == 0)
        return server.bind_to_any_port("127.0.0.1");
    return server.bind_to_port("127.0.0.1", port) ? port : -1;
}

// httplib refuses a declared Content-Length over the limit before reading the body, with an empty 413;
// this gives that reply the service's error shape.
void refuseLargeBodies(httplib::Server &server, qint64 maxBodyBytes)
{
    server.set_payload_max_length(size_t(maxBodyBytes));
    const httplib::Server::HandlerWithResponse describeTooLarge = [](const httplib::Request &, httplib::Response &res) {
        if (res.status != 413 || !res.body.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        HttpUtil::replyError(res, 413, QStringLiteral("The request body is too large."));
        return httplib::Server::HandlerResponse::Handled;
    };
    server.set_error_handler(describeTooLarge);
}

void installRoutes(Router &router, StandinState &state)
{
    AuthRoutes::install(router, state);
    PatientRoutes::install(router, state);
    MedbitRoutes::install(router, state);
    ChatRoutes::install(router, state);
    ChannelRoutes::install(router, state);
    HealthStoryRoutes::install(router, state);
    DocumentRoutes::install(router, state);
    ImportRoutes::install(router, state);
    // Chat, analysis, translation and batch-save routes go here, before the fallback.
    router.addFallback();
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parseOptions(argc, argv, &options)) {
        std::fprintf(
            stderr,
            "usage: %s --port N [--seed demo|large] [--test-controls] [--max-body-bytes N] [--log-body-bytes N]\n"
            "       %s --write-sample FILE.pdf\n",
            argv[0], argv[0]);
        return 2;
    }
    if (options.samplePath)
        return writeSample(*options.samplePath);
    // Stop signals are taken by sigwait below; every thread started later inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(poolThreads); };
    server.set_tcp_nodelay(true); // a reply is written as header and body; Nagle would hold the body back
    refuseLargeBodies(server, options.maxBodyBytes);
    const int port = bindPort(server, int(options.port));
    if (port <= 0) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", int(options.port));
        return 1;
    }
    StandinState state(QStringLiteral("http://127.0.0.1:%1").arg(port), options.seed);
    // Without the controls nothing could read the log, so nothing is kept in it.
    std::optional<RequestLog> log;
    FaultBook faults;
    if (options.testControls) {
        log.emplace(qsizetype(options.logBodyBytes));
        ControlRoutes::install(server, state, *log, faults);
    }
    Router router(server, log ? &*log : nullptr, faults, options.maxBodyBytes);
    router.setAfterWrite([&state] {
        const std::lock_guard lock(state.mutex);
        state.forgetChangedListReplies();
    });
    installRoutes(router, state);

    std::printf("listening on http://127.0.0.1:%d/api\n", port);
    if (options.seed != StandinState::Seed::none)
        std::printf("demo account: %s / %s\n", demoEmail, demoPassword);
    std::fflush(stdout);

    std::thread listener([&server] { server.listen_after_bind(); });
    int signal = 0;
    sigwait(&stopSignals, &signal);
    faults.stop();
    server.stop();
    listener.join();
    return 0;
}
