// Resident memory at rest: the application's whole window, started as main.cpp starts it and signed in through
// its sign-in screen to the stand-in's large seed, showing its 10,000-entry timeline with every row measured,
// against a bare QMainWindow with a QLabel, each in a fresh process of this same program and measured the same
// way: shown, the event loop run for a while, then VmRSS. The program links only what the application links (no
// test library, no HTTP server library), so both sides load the same libraries. The stand-in runs in a process
// of its own, so none of it counts. The sides alternate over the rounds.
// Goal: the signed-in window <= 1.6x the bare window. Run by hand: ./bench/memory_bench
#include "AlternatingRounds.h"
#include "LoadAverage.h"

#include "ApplicationWindow.h"
#include "StandinProcess.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr int rounds = 5;
const QSize windowSize(1100, 760);
constexpr int settleMs = 500;

qint64 residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

void settle()
{
    ApplicationWindow::runEventsFor(settleMs);
}

int showBare()
{
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("Vantorelle"), &window));
    window.resize(windowSize);
    window.show();
    settle();
    std::printf("%lld\n", residentKilobytes());
    return 0;
}

int showSignedInWindow(int port)
{
    ApplicationWindow application(port);
    application.window()->resize(windowSize);
    application.signIn();
    const bool shown = ApplicationWindow::waitFor(
        [&] { return application.timelineRows() >= 10000 && application.timelineList()->isFullyLaidOut(); }, 60000);
    if (!shown)
        return 1;
    settle();
    std::printf("%lld\n", residentKilobytes());
    return 0;
}

double childResident(const QStringList &arguments)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(120000);
    return child.readAllStandardOutput().trimmed().toDouble() / 1024.0;
}

using AlternatingRounds::median;

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.contains(QStringLiteral("bare")))
        return showBare();
    if (arguments.size() == 3 && arguments.at(1) == QLatin1String("window"))
        return showSignedInWindow(arguments.at(2).toInt());

    StandinProcess standin({QStringLiteral("--seed"), QStringLiteral("large")});
    if (standin.port() == 0) {
        std::fprintf(stderr, "the stand-in did not start\n");
        return 1;
    }
    const QStringList bareSide{QStringLiteral("bare")};
    const QStringList timelineSide{QStringLiteral("window"), QString::number(standin.port())};

    const AlternatingRounds::Samples samples = AlternatingRounds::sample(rounds, childResident, bareSide, timelineSide);
    const std::vector<double> &bare = samples.first;
    const std::vector<double> &timeline = samples.second;
    const std::vector<double> &ratios = samples.ratios;
    std::printf("resident memory at rest, medians of %d alternating rounds (fresh processes):\n", rounds);
    std::printf("  bare QMainWindow with a QLabel      %8.1f MB\n", median(bare));
    std::printf("  signed-in window, 10,000 entries    %8.1f MB\n", median(timeline));
    std::printf("  ratio: median %.3f, range %.3f to %.3f (goal <= 1.6)\n", median(ratios),
                *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()));
    LoadAverage::print();
    std::printf("RESULT window_rest_memory measured=%.1fMB anchor=%.1fMB ratio=%.3f goal=1.6 load=%.2f\n",
                median(timeline), median(bare), median(timeline) / median(bare), LoadAverage::lastMinute());
    return 0;
}
