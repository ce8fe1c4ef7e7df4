// The real timeline panel with 10,000 entries on the offscreen platform, in alternating rounds against the
// same job done the straightforward way: QJsonDocument::fromJson of the same bytes, the entries' texts into a
// QStringListModel, shown by a plain QListView set up as a Qt developer would for speed: one line per row, so
// every row has the same height and the view is told so (uniform item sizes). Medians, in milliseconds:
//  - rows at once: from the reply's bytes (decode, hand the list over, paint) to the first frame, on both
//    sides. Only a frame that paints rows counts: the rows each delegate paints are counted, and frames are
//    painted, with the event loop run between them, until one shows rows.
//    Goals: <= 40 ms, and <= 1.0x the straightforward list.
//  - the rest of the rows measured in the background while the list is scrolled a little every event-loop
//    turn: the time until every row is measured, and the worst turn meanwhile (goal: none over 16 ms).
//  - one search keystroke and one category filter, each with its repaint, and the heap the list adds beyond
//    the records (goals: keystroke <= 8 ms, added memory < 25 % of the records').
#include "AlternatingRounds.h"
#include "LoadAverage.h"
#include "TimelineEntries.h"

#include "clipboard/ClipboardManager.h"
#include "mainwindow/timeline/TimelineListView.h"
#include "mainwindow/timeline/TimelinePanel.h"
#include "mainwindow/timeline/TimelineRowDelegate.h"
#include "net/APIClient.h"
#include "records/MedbitStore.h"
#include "window/WindowState.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStringListModel>
#include <QStyledItemDelegate>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace
{

constexpr int rounds = 7;
const QSize listSize(300, 900);

// Passes everything to the delegate it wraps and counts the rows it paints.
class CountingDelegate final : public QStyledItemDelegate
{
public:
    explicit CountingDelegate(QAbstractItemDelegate *inner) : m_inner(inner) {}

    int painted() const { return m_painted; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        ++m_painted;
        m_inner->paint(painter, option, index);
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return m_inner->sizeHint(option, index);
    }

private:
    QAbstractItemDelegate *m_inner = nullptr;
    mutable int m_painted = 0;
};

using Figures = std::map<std::string, double>;

size_t heapInUse()
{
    malloc_trim(0);
    return mallinfo2().uordblks;
}

double elapsed(QElapsedTimer &timer)
{
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    return ms;
}

// Paints frames, letting the event loop run between them, until one shows rows.
void paintUntilRowsShow(QWidget *window, const CountingDelegate &counting, const char *side)
{
    QElapsedTimer deadline;
    deadline.start();
    window->repaint();
    while (counting.painted() == 0) {
        if (deadline.elapsed() > 10000) {
            std::fprintf(stderr, "the %s painted no row in 10 s\n", side);
            std::exit(1);
        }
        QCoreApplication::processEvents();
        window->repaint();
    }
}

void typeKey(QLineEdit *field, Qt::Key key, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(field, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(field, &release);
}

// The entries' texts as the straightforward list reads them from the reply.
QStringList entryTexts(const QByteArray &reply)
{
    QStringList texts;
    const QJsonArray entries = QJsonDocument::fromJson(reply).array();
    texts.reserve(entries.size());
    for (const QJsonValue &entry : entries)
        texts.append(entry[QLatin1StringView("entryText")].toString());
    return texts;
}

double plainListRound(const QByteArray &reply)
{
    QStringListModel model;
    QListView view;
    view.setUniformItemSizes(true);
    QStyledItemDelegate plain;
    CountingDelegate counting(&plain);
    view.setItemDelegate(&counting);
    view.setModel(&model);
    view.resize(listSize);
    view.show();
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    model.setStringList(entryTexts(reply));
    paintUntilRowsShow(&view, counting, "plain list");
    return elapsed(timer);
}

// Scrolls a little and lets the event loop run, until every row is measured; the worst turn.
double worstTurnWhileMeasuring(TimelineListView *list)
{
    double worst = 0;
    QElapsedTimer turn;
    while (!list->isFullyLaidOut()) {
        turn.start();
        list->verticalScrollBar()->setValue(list->verticalScrollBar()->value() + 40);
        QCoreApplication::processEvents();
        worst = std::max(worst, elapsed(turn));
    }
    return worst;
}

void filterFigures(TimelinePanel &panel, WindowState &state, Figures &figures)
{
    auto *search = panel.findChild<QLineEdit *>(QStringLiteral("searchField"));
    QElapsedTimer timer;
    timer.start();
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

// Rounds follow one another without giving memory back to the system, as an application does: the first
// round allocates everything afresh, later ones reuse what the round before freed.
Figures timelineRound(const QByteArray &reply)
{
    Figures figures;
    WindowState state;
    ClipboardManager clipboard{QString()};
    MedbitStore store;
    TimelinePanel panel(&store, &state, &clipboard);
    panel.resize(listSize);
    panel.show();
    QCoreApplication::processEvents();
    TimelineListView *list = panel.listView();
    CountingDelegate counting(list->itemDelegate());
    list->setItemDelegate(&counting);

    QElapsedTimer timer;
    timer.start();
    store.setMedbits(APIClient::decodeReply<QList<Medbit>>(reply));
    paintUntilRowsShow(&panel, counting, "timeline");
    figures["rows at once"] = elapsed(timer);
    figures["worst turn while measuring"] = worstTurnWhileMeasuring(list);
    figures["every row measured"] = figures["rows at once"] + elapsed(timer);
    list->scrollToTop();
    filterFigures(panel, state, figures);
    list->setItemDelegate(list->rowDelegate());
    return figures;
}

// The heap a fully measured list holds beyond the records it shows.
size_t listHeapBytes(const QList<Medbit> &records)
{
    WindowState state;
    ClipboardManager clipboard{QString()};
    MedbitStore store;
    const size_t before = heapInUse();
    TimelinePanel panel(&store, &state, &clipboard);
    panel.resize(listSize);
    panel.show();
    store.setMedbits(records);
    while (!panel.listView()->isFullyLaidOut())
        QCoreApplication::processEvents();
    return heapInUse() - before;
}

using AlternatingRounds::median;

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
    std::vector<double> ratios;
    double firstRound = 0;
    for (int round = 0; round < rounds; ++round) {
        double plain = 0;
        Figures figures;
        if (round % 2 == 0) {
            plain = plainListRound(reply);
            figures = timelineRound(reply);
        } else {
            figures = timelineRound(reply);
            plain = plainListRound(reply);
        }
        for (const auto &[name, ms] : figures)
            samples[name].push_back(ms);
        samples["plain list: reply to rows"].push_back(plain);
        ratios.push_back(figures["rows at once"] / plain);
        if (round == 0)
            firstRound = figures["rows at once"];
    }
    std::printf("%d entries, medians of %d alternating rounds\n", TimelineEntries::entryCount, rounds);
    for (const auto &[name, values] : samples)
        std::printf("  %-32s %8.2f ms\n", name.c_str(), median(values));
    std::printf("  rows at once / plain list: median %.3f, range %.3f to %.3f (goal <= 1.0; rows at once <= 40 ms)\n",
                median(ratios), *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()));
    std::printf("  rows at once in the first round, every page fresh from the system: %.2f ms\n", firstRound);
    const size_t added = listHeapBytes(records);
    std::printf("  records                          %8.2f MB\n", double(recordBytes) / 1e6);
    std::printf("  added by the list                %8.2f MB (%.1f %% of the records)\n", double(added) / 1e6,
                100.0 * double(added) / double(recordBytes));
    LoadAverage::print();
    const double rows = median(samples["rows at once"]);
    const double plainRows = median(samples["plain list: reply to rows"]);
    std::printf("RESULT timeline_rows_after_reply measured=%.2fms anchor=%.2fms ratio=%.3f goal=1.0 load=%.2f\n", rows,
                plainRows, rows / plainRows, LoadAverage::lastMinute());
    return 0;
}
