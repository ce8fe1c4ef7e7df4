// The Health Documents section over the stand-in's large patient (2,500 documents), in the real window on the
// platform it runs on, against a plain icon-mode QListView of 2,500 items. Each side runs in a fresh process of
// this same program, so that what one round leaves in the heap does not count in the next; the sides alternate
// over the rounds. Measured for the section: from the click on its sidebar row to the cards in view showing
// their thumbnails; resident memory after opening (thumbnails in view shown) and after scrolling the whole
// grid, both over the window before the click. For the plain view: its first frame with rows, and its memory
// shown and scrolled through. Goals: 150 ms, +25 MB, +60 MB.
#include "AlternatingRounds.h"
#include "LoadAverage.h"

#include "documents/DocumentGridView.h"
#include "documents/DocumentThumbnailCard.h"
#include "documents/HealthDocumentsPanel.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/sidebar/SidebarRow.h"
#include "net/APIClient.h"
#include "records/MedbitStore.h"
#include "widgets/SymbolIcons.h"

#include "SignedInWindow.h"
#include "StandinServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QMainWindow>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QScrollBar>
#include <QStringListModel>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{

constexpr int rounds = 5;
constexpr int documentCount = 2500;
constexpr int settleMs = 500;

struct Sample {
    double firstMs = 0;
    double openMB = 0;
    double scrolledMB = 0;
};

double residentMB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return -1;
}

void runEvents(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Runs the event loop until `condition` holds, waking for every event so the moment is not rounded up.
template <typename Condition> void waitFor(Condition condition, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > ms)
            qFatal("the bench waited %d ms in vain", ms);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

bool visibleCardsLoaded(DocumentGridView *grid)
{
    if (!grid->isVisible())
        return false;
    const auto *card = qobject_cast<DocumentThumbnailCard *>(grid->itemDelegate());
    const auto [first, last] = grid->rowsInView();
    if (last < first)
        return false;
    for (int row = first; row <= last; ++row) {
        if (card->preview(grid->model()->index(row, 0)) == DocumentThumbnailCard::Preview::loading)
            return false;
    }
    return true;
}

void scrollThrough(QAbstractScrollArea *view)
{
    QScrollBar *bar = view->verticalScrollBar();
    for (int value = 0; value <= bar->maximum() + bar->pageStep(); value += bar->pageStep()) {
        bar->setValue(value);
        runEvents(15);
    }
    runEvents(2 * settleMs);
}

int runDocuments()
{
    StandinServer server({QStringLiteral("--seed"), QStringLiteral("large")});
    SignedInWindow window(server);
    if (!server.isRunning() || !window.open(QSize(1400, 900)))
        return 1;
    MedbitStore *store = window.view()->medbitStore();
    waitFor([store] { return store->medbits().size() >= 10000; }, 60000);
    runEvents(settleMs);
    const double before = residentMB();
    QElapsedTimer clock;
    double listedAt = -1;
    QObject context;
    int fetched = 0;
    int aborted = 0;
    QObject::connect(APIClient::shared().network(), &QNetworkAccessManager::finished, &context,
                     [&](QNetworkReply *reply) {
                         if (reply->url().path().endsWith(QLatin1String("/patients/all_documents")))
                             listedAt = clock.nsecsElapsed() / 1e6;
                         if (reply->url().path().endsWith(QLatin1String("/patients/document"))) {
                             ++fetched;
                             aborted += reply->error() == QNetworkReply::OperationCanceledError ? 1 : 0;
                         }
                     });
    clock.start();
    QTest::mouseClick(window.view()->findChild<SidebarRow *>(QStringLiteral("healthDocumentsRow")), Qt::LeftButton);
    HealthDocumentsPanel *panel = nullptr;
    waitFor([&] { return (panel = window.view()->findChild<HealthDocumentsPanel *>()); }, 5000);
    auto *grid = panel->findChild<DocumentGridView *>(QStringLiteral("documentsGrid"));
    waitFor([grid] { return visibleCardsLoaded(grid); }, 60000);
    const double shownAt = clock.nsecsElapsed() / 1e6;
    const auto [first, last] = grid->rowsInView();
    std::fprintf(stderr,
                 "documents side: list reply at %.1f ms, cards %d to %d in view with their thumbnails at %.1f ms, "
                 "%d record fetches answered\n",
                 listedAt, first, last, shownAt, fetched);
    if (grid->model()->rowCount() != documentCount || listedAt < 0)
        qFatal("the grid shows %d documents", grid->model()->rowCount());
    runEvents(settleMs);
    const double opened = residentMB();
    scrollThrough(grid);
    std::fprintf(stderr, "documents side: after scrolling, %d record fetches ended, %d of them aborted\n", fetched,
                 aborted);
    std::printf("%.2f %.2f %.2f\n", shownAt, opened - before, residentMB() - before);
    return 0;
}

int runAnchor()
{
    QMainWindow window;
    auto *view = new QListView(&window);
    view->setViewMode(QListView::IconMode);
    view->setUniformItemSizes(true);
    view->setGridSize(QSize(146, 200));
    window.setCentralWidget(view);
    window.resize(1400, 900);
    window.show();
    runEvents(settleMs);
    const double before = residentMB();
    QStringList names;
    for (int i = 0; i < documentCount; ++i)
        names.append(QStringLiteral("Document %1.pdf").arg(i));
    QElapsedTimer clock;
    clock.start();
    auto *model = new QStringListModel(names, &window);
    view->setModel(model);
    // The frame counts once it shows rows.
    waitFor([view, model] { return !view->visualRect(model->index(0)).isEmpty(); }, 5000);
    view->viewport()->repaint();
    const double firstMs = clock.nsecsElapsed() / 1e6;
    runEvents(settleMs);
    const double opened = residentMB();
    scrollThrough(view);
    std::printf("%.2f %.2f %.2f\n", firstMs, opened - before, residentMB() - before);
    return 0;
}

Sample sampleOf(const char *side)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(side)});
    if (!child.waitForFinished(300000) || child.exitCode() != 0)
        qFatal("the %s side failed", side);
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split('\n').last().split(' ');
    return {fields.value(0).toDouble(), fields.value(1).toDouble(), fields.value(2).toDouble()};
}

double loadAverage()
{
    double loads[1] = {};
    return getloadavg(loads, 1) == 1 ? loads[0] : -1;
}

void printResult(const char *name, const std::vector<double> &measured, const std::vector<double> &anchor,
                 const char *unit, const char *goal, double load)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < measured.size(); ++i)
        ratios.push_back(anchor[i] > 0 ? measured[i] / anchor[i] : 0);
    std::printf("RESULT %s measured=%.1f%s anchor=%.1f%s ratio=%.2f %s load=%.2f\n", name,
                AlternatingRounds::median(measured), unit, AlternatingRounds::median(anchor), unit,
                AlternatingRounds::median(ratios), goal, load);
}

} // namespace

int main(int argc, char **argv)
{
    // Each side runs in a child process, which inherits it.
    if (qEnvironmentVariableIsEmpty("VANTORELLE_STANDIN"))
        qputenv("VANTORELLE_STANDIN", VANTORELLE_STANDIN_PATH);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SymbolIcons::installFallbackTheme();
    if (argc > 1 && QByteArray(argv[1]) == "documents")
        return runDocuments();
    if (argc > 1 && QByteArray(argv[1]) == "anchor")
        return runAnchor();
    std::vector<Sample> documents;
    std::vector<Sample> anchors;
    for (int round = 0; round < rounds; ++round) {
        // Which side goes first alternates, as in AlternatingRounds.
        if (round % 2 == 0) {
            documents.push_back(sampleOf("documents"));
            anchors.push_back(sampleOf("anchor"));
        } else {
            anchors.push_back(sampleOf("anchor"));
            documents.push_back(sampleOf("documents"));
        }
        std::printf("round %d: documents %.1f ms +%.1f MB +%.1f MB, plain view %.1f ms +%.1f MB +%.1f MB\n", round,
                    documents.back().firstMs, documents.back().openMB, documents.back().scrolledMB,
                    anchors.back().firstMs, anchors.back().openMB, anchors.back().scrolledMB);
    }
    LoadAverage::print();
    const double load = loadAverage();
    const auto column = [](const std::vector<Sample> &samples, double Sample::*field) {
        std::vector<double> values;
        for (const Sample &sample : samples)
            values.push_back(sample.*field);
        return values;
    };
    printResult("documents_first_thumbnails", column(documents, &Sample::firstMs), column(anchors, &Sample::firstMs),
                "ms", "goal_ms=150", load);
    printResult("documents_memory_open", column(documents, &Sample::openMB), column(anchors, &Sample::openMB), "MB",
                "goal_mb=25", load);
    printResult("documents_memory_scrolled", column(documents, &Sample::scrolledMB),
                column(anchors, &Sample::scrolledMB), "MB", "goal_mb=60", load);
    return 0;
}
