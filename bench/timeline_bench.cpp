// The real timeline panel with 10,000 entries on the offscreen platform: time from handing the list over to
// the first painted frame and to every row laid out, one search keystroke and one category filter (each with
// its repaint), and the heap the list adds beyond the records. Medians of several rounds, in milliseconds.
// Goals: first frame <= 50 ms, laid out <= 300 ms, keystroke <= 8 ms, added memory < 25 % of the records'.
#include "clipboard/ClipboardManager.h"
#include "mainwindow/timeline/TimelineListView.h"
#include "mainwindow/timeline/TimelinePanel.h"
#include "net/APIClient.h"
#include "records/MedbitStore.h"
#include "window/WindowState.h"

#include "TimelineEntries.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStandardPaths>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace
{

constexpr int rounds = 7;

size_t heapInUse()
{
    malloc_trim(0);
    return mallinfo2().uordblks;
}

double elapsed(QElapsedTimer &timer)
{
    const double ms = timer.nsecsElapsed() / 1e6;
    timer.restart();
    return ms;
}

void typeKey(QLineEdit *field, Qt::Key key, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(field, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(field, &release);
}

// One round on a fresh panel; the figures of the round by name.
std::map<std::string, double> runRound(const QList<Medbit> &records, size_t *addedBytes)
{
    std::map<std::string, double> figures;
    WindowState state;
    ClipboardManager clipboard{QString()};
    MedbitStore store;
    const size_t before = heapInUse();
    {
        TimelinePanel panel(&store, &state, &clipboard);
        panel.resize(300, 900);
        panel.show();
        QCoreApplication::processEvents();
        TimelineListView *list = panel.listView();
        auto *search = panel.findChild<QLineEdit *>(QStringLiteral("searchField"));

        QElapsedTimer timer;
        timer.start();
        store.setMedbits(records);
        panel.repaint();
        figures["first frame"] = elapsed(timer);
        while (!list->isFullyLaidOut())
            QCoreApplication::processEvents();
        figures["fully laid out"] = figures["first frame"] + elapsed(timer);
        *addedBytes = heapInUse() - before;
        timer.restart();

        typeKey(search, Qt::Key_X, QStringLiteral("x"));
        panel.repaint();
        figures["keystroke \"x\""] = elapsed(timer);
        typeKey(search, Qt::Key_A, QStringLiteral("a"));
        panel.repaint();
        figures["keystroke \"xa\""] = elapsed(timer);
        search->clear();
        panel.repaint();
        figures["clearing the search"] = elapsed(timer);
        state.setSelectedCategoryFilter(QStringLiteral("rx"));
        panel.repaint();
        figures["category filter \"rx\""] = elapsed(timer);
        state.setSelectedCategoryFilter(std::nullopt);
        panel.repaint();
        figures["clearing the filter"] = elapsed(timer);
    }
    return figures;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);

    const QByteArray reply = TimelineEntries::summaryReply();
    const size_t beforeRecords = heapInUse();
    const QList<Medbit> records = APIClient::decodeReply<QList<Medbit>>(reply);
    const size_t recordBytes = heapInUse() - beforeRecords;

    std::map<std::string, std::vector<double>> samples;
    std::vector<double> added;
    for (int round = 0; round < rounds; ++round) {
        size_t addedBytes = 0;
        for (const auto &[name, ms] : runRound(records, &addedBytes))
            samples[name].push_back(ms);
        added.push_back(double(addedBytes));
    }
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    std::printf("%d entries, medians of %d rounds\n", TimelineEntries::entryCount, rounds);
    for (const auto &[name, values] : samples)
        std::printf("  %-24s %8.2f ms\n", name.c_str(), median(values));
    const double addedMedian = median(added);
    std::printf("  records                  %8.2f MB\n", recordBytes / 1e6);
    std::printf("  added by the list        %8.2f MB (%.1f %% of the records)\n", addedMedian / 1e6,
                100.0 * addedMedian / double(recordBytes));
    return 0;
}
