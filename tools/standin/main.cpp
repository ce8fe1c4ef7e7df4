#include "AuthRoutes.h"
#include "ControlRoutes.h"
#include "DocumentRoutes.h"
#include "FaultBook.h"
#include "MedbitRoutes.h"
#include "PatientRoutes.h"
#include "RequestLog.h"
#include "Router.h"
#include "StandinState.h"

#include <QString>

#include <httplib.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <pthread.h>
#include <thread>

namespace
{

constexpr const char *demoEmail = "demo@vantorelle.test";
constexpr const char *demoPassword = "health-demo-2026";
constexpr size_t poolThreads = 64; // hanging and streaming requests each hold a thread

struct Options {
    int port = 8787;
    StandinState::Seed seed = StandinState::Seed::none;
};

bool parseOptions(int argc, char **argv, Options *options)
{
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--port") == 0 && hasValue) {
            bool ok = false;
            options->port = QString::fromLocal8Bit(argv[++i]).toInt(&ok);
            if (!ok || options->port < 0 || options->port > 65535)
                return false;
        } else if (std::strcmp(argv[i], "--seed") == 0 && hasValue && std::strcmp(argv[i + 1], "demo") == 0) {
            options->seed = StandinState::Seed::demo;
            ++i;
        } else if (std::strcmp(argv[i], "--seed") == 0 && hasValue && std::strcmp(argv[i + 1], "large") == 0) {
            options->seed = StandinState::Seed::large;
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

int bindPort(httplib::Server &server, int port)
{
    if (port == 0)
        return server.bind_to_any_port("127.0.0.1");
    return server.bind_to_port("127.0.0.1", port) ? port : -1;
}

void installRoutes(Router &router, StandinState &state)
{
    AuthRoutes::install(router, state);
    PatientRoutes::install(router, state);
    MedbitRoutes::install(router, state);
    DocumentRoutes::install(router, state);
    // Chat, analysis, translation and batch-save routes go here, before the fallback.
    router.addFallback();
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: %s --port N [--seed demo|large]\n", argv[0]);
        return 2;
    }
    // Stop signals are taken by sigwait below; every thread started later inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(poolThreads); };
    const int port = bindPort(server, options.port);
    if (port <= 0) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", options.port);
        return 1;
    }
    StandinState state(QStringLiteral("http://127.0.0.1:%1").arg(port), options.seed);
    RequestLog log;
    FaultBook faults;
    ControlRoutes::install(server, state, log, faults);
    Router router(server, log, faults);
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
