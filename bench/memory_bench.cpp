// Resident memory at rest: a window showing the 10,000-entry timeline (decoded from the service's reply, every
// row measured) against a bare QMainWindow with a QLabel, each in a fresh process of this same program and
// measured the same way: shown, the event loop run for a while, then VmRSS. The sides alternate over the
// rounds. Goal: timeline <= 1.6x the bare window. Run by hand: ./memory_bench
#include "LoadAverage.h"
#include "TimelineEntries.h"

#include "clipboard/ClipboardManager.h"
#include "mainwindow/timeline/TimelineListView.h"
#include "mainwindow/timeline/TimelinePanel.h"
#include "net/APIClient.h"
#include "records/MedbitStore.h"
#include "window/WindowState.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

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
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < settleMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
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

// The reply comes from a file the parent wrote, as a client gets it from the network: one buffer of bytes,
// with nothing of the reply's making left in this process's heap.
int showTimeline(const QString &replyPath)
{
    WindowState state;
    ClipboardManager clipboard{QString()};
    MedbitStore store;
    QMainWindow window;
    auto *panel = new TimelinePanel(&store, &state, &clipboard, &window);
    window.setCentralWidget(panel);
    window.resize(windowSize);
    window.show();
    {
        QFile file(replyPath);
        if (!file.open(QIODevice::ReadOnly))
            return 1;
        const QByteArray reply = file.readAll();
        store.setMedbits(APIClient::decodeReply<QList<Medbit>>(reply));
    }
    while (!panel->listView()->isFullyLaidOut())
        QCoreApplication::processEvents();
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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.contains(QStringLiteral("bare")))
        return showBare();
    if (arguments.size() == 3 && arguments.at(1) == QStringLiteral("timeline"))
        return showTimeline(arguments.at(2));

    QTemporaryFile replyFile;
    if (!replyFile.open() || replyFile.write(TimelineEntries::summaryReply()) < 0 || !replyFile.flush())
        return 1;
    const QStringList bareSide{QStringLiteral("bare")};
    const QStringList timelineSide{QStringLiteral("timeline"), replyFile.fileName()};

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
    std::printf("  the 10,000-entry timeline shown     %8.1f MB\n", median(timeline));
    std::printf("  ratio: median %.3f, range %.3f to %.3f (goal <= 1.6)\n", median(ratios),
                *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()));
    LoadAverage::print();
    return 0;
}
