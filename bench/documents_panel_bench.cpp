// The Health Documents section over the stand-in's large patient (2,500 documents), in the real window on the
// platform it runs on: time from the section click to the grid (the list and every document's own fetch
// answered), to the cards in view showing their thumbnails, and the paint time of each page while scrolling
// through the grid. Then a visit left while its fetches run: how many of its requests are still running
// once the panel is gone (goal: none), and how many requests the next visit sends (goal: the list and one
// fetch per document, nothing more).
// Run with VANTORELLE_STANDIN set to the stand-in executable.
#include "documents/DocumentGridView.h"
#include "documents/DocumentThumbnailCard.h"
#include "documents/HealthDocumentsPanel.h"
#include "mainwindow/ContentView.h"
#include "mainwindow/sidebar/SidebarRow.h"
#include "net/APIClient.h"
#include "records/MedbitStore.h"
#include "widgets/SymbolIcons.h"
#include "window/WindowState.h"

#include "SignedInWindow.h"
#include "StandinServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

template <typename Condition> void waitFor(Condition condition, int ms)
{
    if (!QTest::qWaitFor(condition, ms))
        qFatal("the bench waited %d ms in vain", ms);
}

int runningReplies()
{
    const QList<QNetworkReply *> replies = APIClient::shared().network()->findChildren<QNetworkReply *>();
    return int(std::count_if(replies.cbegin(), replies.cend(),
                             [](const QNetworkReply *reply) { return !reply->isFinished(); }));
}

HealthDocumentsPanel *openSection(ContentView *view)
{
    QTest::mouseClick(view->findChild<SidebarRow *>(QStringLiteral("healthDocumentsRow")), Qt::LeftButton);
    HealthDocumentsPanel *panel = nullptr;
    waitFor([&] { return (panel = view->findChild<HealthDocumentsPanel *>()); }, 5000);
    return panel;
}

bool visibleCardsLoaded(DocumentGridView *grid)
{
    const auto *card = qobject_cast<DocumentThumbnailCard *>(grid->itemDelegate());
    for (int row = 0; row < grid->model()->rowCount(); ++row) {
        const QModelIndex index = grid->model()->index(row, 0);
        if (!grid->viewport()->rect().intersects(grid->visualRect(index)))
            continue;
        if (card->preview(index) == DocumentThumbnailCard::Preview::loading)
            return false;
    }
    return true;
}

void firstVisit(ContentView *view)
{
    QElapsedTimer timer;
    timer.start();
    HealthDocumentsPanel *panel = openSection(view);
    auto *grid = panel->findChild<DocumentGridView *>(QStringLiteral("documentsGrid"));
    waitFor([grid] { return grid->isVisible(); }, 60000);
    const double gridShown = timer.nsecsElapsed() / 1e6;
    waitFor([grid] { return visibleCardsLoaded(grid); }, 60000);
    const double thumbnailsShown = timer.nsecsElapsed() / 1e6;
    std::vector<double> pages;
    QScrollBar *bar = grid->verticalScrollBar();
    for (int value = 0; value <= bar->maximum(); value += bar->pageStep()) {
        bar->setValue(value);
        QElapsedTimer paint;
        paint.start();
        grid->viewport()->repaint();
        pages.push_back(paint.nsecsElapsed() / 1e6);
    }
    std::sort(pages.begin(), pages.end());
    std::printf("documents: %d\n", grid->model()->rowCount());
    std::printf("click to grid: %.0f ms\n", gridShown);
    std::printf("click to thumbnails in view: %.0f ms\n", thumbnailsShown);
    std::printf("scrolling %zu pages: median %.2f ms, 90th percentile %.2f ms, slowest %.2f ms per page\n",
                pages.size(), pages[pages.size() / 2], pages[pages.size() * 9 / 10], pages.back());
}

// The client's finished replies by path, and how many of them were aborted (the stand-in's log keeps only
// the last thousand requests).
struct ReplyCount {
    QHash<QString, int> finished;
    int aborted = 0;

    explicit ReplyCount(QObject *context)
    {
        QObject::connect(APIClient::shared().network(), &QNetworkAccessManager::finished, context,
                         [this](QNetworkReply *reply) {
                             finished[reply->url().path()] += 1;
                             aborted += reply->error() == QNetworkReply::OperationCanceledError ? 1 : 0;
                         });
    }
};

void leftAndVisitedAgain(ContentView *view)
{
    view->state()->setSelectedSection(SidebarSection::timeline);
    waitFor([] { return runningReplies() == 0; }, 60000);
    {
        QObject context;
        ReplyCount first(&context);
        openSection(view);
        waitFor([&first] { return first.finished.value(QStringLiteral("/api/patients/document")) >= 200; }, 60000);
        const int answered = first.finished.value(QStringLiteral("/api/patients/document"));
        view->state()->setSelectedSection(SidebarSection::timeline);
        waitFor([view] { return !view->findChild<HealthDocumentsPanel *>(); }, 5000);
        QCoreApplication::processEvents();
        std::printf("left after %d fetches had answered: %d requests aborted, %d still running once the panel was "
                    "gone\n",
                    answered, first.aborted, runningReplies());
    }
    QObject context;
    ReplyCount next(&context);
    HealthDocumentsPanel *panel = openSection(view);
    waitFor([panel] { return !panel->isLoading(); }, 60000);
    std::printf("requests of the next visit: %d list, %d fetches, %d refreshes\n",
                next.finished.value(QStringLiteral("/api/patients/all_documents")),
                next.finished.value(QStringLiteral("/api/patients/document")),
                next.finished.value(QStringLiteral("/api/patients/document/refresh")));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    SymbolIcons::installFallbackTheme();
    StandinServer server({QStringLiteral("--seed"), QStringLiteral("large")});
    SignedInWindow window(server);
    if (!server.isRunning() || !window.open(QSize(1400, 900)))
        return 1;
    MedbitStore *store = window.view()->medbitStore();
    waitFor([store] { return store->medbits().size() >= 10000; }, 60000);
    firstVisit(window.view());
    leftAndVisitedAgain(window.view());
    return 0;
}
