// The real clipboard panel with a history of 500 items (every other one a 1200x900 photo) on the offscreen
// platform: time to the first painted frame, the slowest and median repaint while scrolling the whole list a
// page at a time, the decoding of the thumbnails that goes on meanwhile (in all, and its longest turn of the
// event loop), one new row with its repaint, and one recorded copy with the history's save and repaint. The anchor,
// measured in the same run, is the same scroll over text items only, so the cost that images add shows as the
// difference. Medians of several rounds, in milliseconds. Goal: no repaint while scrolling above 16 ms.
#include "clipboard/ApplicationActivity.h"
#include "clipboard/ClipboardListModel.h"
#include "clipboard/ClipboardManager.h"
#include "clipboard/ClipboardPanel.h"
#include "clipboard/Pasteboard.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QElapsedTimer>
#include <QImage>
#include <QLinearGradient>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace
{

constexpr int itemCount = 500;
constexpr int rounds = 5;

QByteArray photo(int seed)
{
    QImage image(1200, 900, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 1200, 900);
    gradient.setColorAt(0, QColor::fromHsv(seed * 7 % 360, 200, 220));
    gradient.setColorAt(1, QColor::fromHsv(seed * 13 % 360, 120, 90));
    painter.fillRect(image.rect(), gradient);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QList<ClipboardItem> history(bool withImages)
{
    QList<ClipboardItem> items;
    for (int index = 0; index < itemCount; ++index) {
        ClipboardItem item{QUuid::createUuid(),
                           QStringLiteral("Copied note %1 about the dose of the evening tablets, which the "
                                          "pharmacist changed after the last visit")
                               .arg(index),
                           std::nullopt,
                           ClipboardActionType::Copy,
                           QStringLiteral("Ask"),
                           QDateTime::currentDateTimeUtc().addSecs(-60 * index),
                           QStringLiteral("bench")};
        if (withImages && index % 2 == 1) {
            item.file =
                ClipboardFile{QStringLiteral("Photo %1.png").arg(index), QStringLiteral("image/png"), photo(index)};
            item.text = item.file->filename;
        }
        items.append(item);
    }
    return items;
}

double elapsed(QElapsedTimer &timer)
{
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    return ms;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::map<std::string, double> runRound(const QList<ClipboardItem> &items, Pasteboard *pasteboard)
{
    ApplicationActivity activity(false);
    ClipboardManager manager(QStringLiteral("bench"), ClipboardSeams{pasteboard, &activity, {}});
    manager.setItems(items);
    std::map<std::string, double> figures;
    QElapsedTimer timer;
    timer.start();
    ClipboardPanel panel(WindowContext{.clipboardManager = &manager, .patientID = QStringLiteral("bench")});
    panel.resize(900, 800);
    panel.show();
    panel.repaint();
    figures["first frame"] = elapsed(timer);
    QCoreApplication::processEvents();

    auto *list = panel.findChild<QListView *>(QStringLiteral("clipboardList"));
    QScrollBar *bar = list->verticalScrollBar();
    std::vector<double> repaints{0.0};
    while (bar->value() < bar->maximum()) {
        bar->setValue(bar->value() + bar->pageStep());
        timer.restart();
        list->viewport()->repaint();
        repaints.push_back(elapsed(timer));
    }
    figures["scroll: slowest page"] = *std::max_element(repaints.begin(), repaints.end());
    figures["scroll: median page"] = median(repaints);
    const auto *model = static_cast<const ClipboardListModel *>(list->model());
    double longestTurn = 0;
    timer.restart();
    QElapsedTimer turn;
    while (model->hasImagesToDecode()) {
        turn.start();
        QCoreApplication::processEvents();
        longestTurn = std::max(longestTurn, double(turn.nsecsElapsed()) / 1e6);
    }
    figures["thumbnails: all decoded"] = elapsed(timer);
    figures["thumbnails: longest turn"] = longestTurn;
    bar->setValue(0);
    QList<ClipboardItem> grown = items;
    grown.prepend(ClipboardItem{QUuid::createUuid(), QStringLiteral("one more copy"), std::nullopt,
                                ClipboardActionType::Copy, QStringLiteral("Ask"), QDateTime::currentDateTimeUtc(),
                                QStringLiteral("bench")});
    timer.restart();
    manager.setItems(grown);
    panel.repaint();
    figures["one new row shown"] = elapsed(timer);
    // The history's own cost of an event: it writes the whole list, files included, to the settings.
    manager.record(ClipboardActionType::Copy, QStringLiteral("one recorded copy"), QStringLiteral("Ask"));
    panel.repaint();
    figures["one recorded copy, saved"] = elapsed(timer);
    return figures;
}

void report(const char *title, const QList<ClipboardItem> &items, Pasteboard *pasteboard)
{
    std::map<std::string, std::vector<double>> samples;
    for (int round = 0; round < rounds; ++round) {
        for (const auto &[name, ms] : runRound(items, pasteboard))
            samples[name].push_back(ms);
    }
    std::printf("%s, %d items, medians of %d rounds\n", title, itemCount, rounds);
    for (const auto &[name, values] : samples)
        std::printf("  %-24s %8.2f ms\n", name.c_str(), median(values));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    Pasteboard pasteboard(QGuiApplication::clipboard());
    report("anchor: text items only", history(false), &pasteboard);
    report("every other item a photo", history(true), &pasteboard);
    return 0;
}
