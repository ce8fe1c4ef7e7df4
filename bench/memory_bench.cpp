// Resident memory at rest: the whole window signed in to the stand-in's large seed, showing its 10,000-entry
// timeline with every row measured, against a bare QMainWindow with a QLabel, each in a fresh process of this
// same program and measured the same way: shown, the event loop run for a while, then VmRSS. The stand-in runs
// in a process of its own, so none of it counts. The sides alternate over the rounds.
// Goal: the signed-in window <= 1.6x the bare window. Run by hand: ./bench/memory_bench
#include "AlternatingRounds.h"
#include "LoadAverage.h"

#include "SignedInSession.h"
#include "StandinServer.h"

#include "mainwindow/ContentView.h"
#include "mainwindow/timeline/TimelineListView.h"
#include "records/MedbitStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

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

// A running event loop, as in the application: processEvents() alone never carries out deleteLater().
void runEventsFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void settle()
{
    runEventsFor(settleMs);
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

bool timelineShown(const ContentView &content)
{
    const auto *list = content.findChild<TimelineListView *>();
    return content.medbitStore()->medbits().size() >= 10000 && list && list->isFullyLaidOut();
}

int showSignedInWindow()
{
    QTemporaryDir settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    StandinServer server({QStringLiteral("--seed"), QStringLiteral("large")});
    if (!server.isRunning())
        return 1;
    SignedInSession session(server);
    QMainWindow window;
    auto *content = new ContentView(session.auth(), session.patients(), &window);
    window.setCentralWidget(content);
    window.resize(windowSize);
    window.show();
    session.signIn(StandinServer::demoEmail, StandinServer::demoPassword);
    QElapsedTimer deadline;
    deadline.start();
    while (!timelineShown(*content) && deadline.elapsed() < 60000)
        runEventsFor(20);
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
    if (qEnvironmentVariableIsEmpty("VANTORELLE_STANDIN"))
        qputenv("VANTORELLE_STANDIN", VANTORELLE_STANDIN_PATH);
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.contains(QStringLiteral("bare")))
        return showBare();
    if (arguments.contains(QStringLiteral("window")))
        return showSignedInWindow();

    const QStringList bareSide{QStringLiteral("bare")};
    const QStringList timelineSide{QStringLiteral("window")};

    std::vector<double> bare;
    std::vector<double> timeline;
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round) {
        const bool bareFirst = round % 2 == 0;
        const double first = childResident(bareFirst ? bareSide : timelineSide);
        const double second = childResident(bareFirst ? timelineSide : bareSide);
        bare.push_back(bareFirst ? first : second);
        timeline.push_back(bareFirst ? second : first);
        ratios.push_back(timeline.back() / bare.back());
    }
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
