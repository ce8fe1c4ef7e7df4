// Holding Page Down from the top of the 10,000-entry timeline to the bottom, in the real window signed in
// to the stand-in's large seed: how many entries were fetched in full, how many documents the preview
// fetched, and the process's peak resident memory. The key repeats at 30 Hz, as a held key does, and the
// window settles for a second at the bottom. Goals: at most 20 full-entry fetches, VmHWM <= 120 MB.
// (signin_bench times the sign-in itself, from the click in a freshly started application.)
// Run by hand, from the build folder: ./bench/paging_bench (it starts tools/standin's stand-in itself).
#include "LoadAverage.h"

#include "SignedInSession.h"
#include "StandinServer.h"

#include "mainwindow/ContentView.h"
#include "mainwindow/ProgramRecords.h"
#include "records/MedbitStore.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace
{

constexpr int keyRepeatMs = 33;
constexpr int settleMs = 1000;

qint64 statusKilobytes(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toLongLong();
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

template <typename Condition> bool waitFor(Condition condition, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < milliseconds)
        runEventsFor(20);
    return condition();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("VANTORELLE_STANDIN"))
        qputenv("VANTORELLE_STANDIN", VANTORELLE_STANDIN_PATH);
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());

    StandinServer server({QStringLiteral("--seed"), QStringLiteral("large")});
    if (!server.isRunning())
        return 1;
    SignedInSession session(server);
    ProgramRecords records;
    ContentView view(session.auth(), session.patients(), &records);
    view.resize(1400, 800);
    view.show();
    session.signIn(StandinServer::demoEmail, StandinServer::demoPassword);
    if (!waitFor([&] { return view.medbitStore()->medbits().size() >= 10000; }, 60000)) {
        std::fprintf(stderr, "the 10,000-entry timeline did not load\n");
        return 1;
    }
    runEventsFor(settleMs);
    const qint64 beforeKilobytes = statusKilobytes("VmRSS:");
    const int fetchesBefore = int(session.requests(QStringLiteral("/api/medbits/get")).size());
    const int documentsBefore = int(session.requests(QStringLiteral("/api/patients/document")).size());

    auto *list = view.findChild<QAbstractItemView *>(QStringLiteral("timelineList"));
    list->setFocus();
    const int lastRow = list->model()->rowCount() - 1;
    int presses = 0;
    QElapsedTimer clock;
    clock.start();
    while (list->currentIndex().row() < lastRow) {
        QTest::keyPress(list, Qt::Key_PageDown, Qt::NoModifier);
        ++presses;
        runEventsFor(keyRepeatMs);
    }
    QTest::keyRelease(list, Qt::Key_PageDown, Qt::NoModifier);
    const qint64 pagingMs = clock.elapsed();
    runEventsFor(settleMs);

    const int fetches = int(session.requests(QStringLiteral("/api/medbits/get")).size()) - fetchesBefore;
    const int documents = int(session.requests(QStringLiteral("/api/patients/document")).size()) - documentsBefore;
    std::printf("holding Page Down through %d entries: %d key presses in %lld ms\n", lastRow + 1, presses, pagingMs);
    std::printf("  full-entry fetches (/medbits/get)   %6d   (goal <= 20)\n", fetches);
    std::printf("  preview document fetches            %6d\n", documents);
    std::printf("  VmRSS before paging                 %6.1f MB\n", double(beforeKilobytes) / 1024.0);
    std::printf("  VmRSS after paging                  %6.1f MB\n", double(statusKilobytes("VmRSS:")) / 1024.0);
    const double peakMB = double(statusKilobytes("VmHWM:")) / 1024.0;
    std::printf("  VmHWM (peak)                        %6.1f MB   (goal <= 120)\n", peakMB);
    LoadAverage::print();
    std::printf("RESULT paging_fetches measured=%d goal=20 load=%.2f\n", fetches, LoadAverage::lastMinute());
    std::printf("RESULT paging_peak measured=%.1fMB goal_mb=120 load=%.2f\n", peakMB, LoadAverage::lastMinute());
    return 0;
}
