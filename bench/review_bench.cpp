// The review sheet of an import with 500 suggestions: how long after the analysis's last event the sheet
// shows its rows, and the heap each row costs. The stand-in streams one "message" event with the 500 entries
// and a "done" event; the clock runs from the first suggestions reaching the review until the sheet has
// painted. Anchor, measured in the same rounds: a plain QListView showing the same 500 texts.
// Goals: 150 ms to show, 30 KB a row. Then the longest frame while typing into a row in the middle of the
// sheet, from a key press to its repaint, against typing into a plain QPlainTextEdit; goal: 16 ms. And the
// longest the window goes without answering, from the suggestions' arrival until every row is built and
// painted, against the plain list's longest block showing the same texts; goal: 50 ms.
#include "SignedInSession.h"
#include "StandinServer.h"

#include "import/DocumentImportManager.h"
#include "import/DocumentImportReview.h"
#include "import/ReviewTextField.h"
#include "import/SmartTimelinePreviewView.h"
#include "net/APIClient.h"
#include "records/MedbitStore.h"
#include "records/Patient.h"

#include "AlternatingRounds.h"
#include "AwaitTask.h"
#include "LoadAverage.h"
#include "LongestBlock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QListView>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>

#include <malloc.h>

#include <cstdio>

namespace
{

constexpr int suggestionCount = 500;
constexpr int rounds = 7;

QString entryText(int index)
{
    return QStringLiteral("Suggested entry %1: blood pressure 120/80 measured at the annual checkup").arg(index);
}

QJsonObject script()
{
    QJsonArray items;
    for (int i = 0; i < suggestionCount; ++i)
        items.append(QJsonObject{{"_id", QStringLiteral("s%1").arg(i)},
                                 {"entryText", entryText(i)},
                                 {"date", 1700000000 + i},
                                 {"tags", QJsonArray{"hx"}}});
    const QByteArray message =
        QJsonDocument(QJsonObject{{"tag", "hx"}, {"items", items}}).toJson(QJsonDocument::Compact);
    const QString events = QStringLiteral("event: message\ndata: ") + QString::fromUtf8(message) +
                           QStringLiteral("\n\nevent: done\ndata: {\"files\":[],\"analyzeId\":\"a1\"}\n\n");
    return {{"method", "POST"},
            {"path", "/api/patients/smart_analyze_asset"},
            {"chunks", QJsonArray{QJsonObject{{"data", events}}}}};
}

qint64 heapBytes()
{
    return qint64(mallinfo2().uordblks);
}

struct Measured {
    double ms = 0;
    double rowKB = 0;
    double typingFrameMs = 0;
    double blockMs = 0;
};

// Clicks into `target` and types into whatever took the focus; returns the longest time from a key press
// to the repaint it caused.
double longestTypingFrame(QWidget *target)
{
    QTest::mouseClick(target, Qt::LeftButton);
    QApplication::processEvents();
    QWidget *editor = QApplication::focusWidget();
    if (!editor)
        qFatal("nothing took the focus");
    double longest = 0;
    for (const QChar key : QStringLiteral(" since the spring of 2019, checked twice")) {
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(editor, key.toLatin1());
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
        longest = std::max(longest, double(clock.nsecsElapsed()) / 1e6);
    }
    return longest;
}

// Types into the entry of the row in the middle of the sheet, scrolled into view as a person would.
double typeIntoReview(SmartTimelinePreviewView &view)
{
    const QList<ReviewTextField *> fields = view.findChildren<ReviewTextField *>(QStringLiteral("entryTextEditor"));
    ReviewTextField *field = fields.at(fields.size() / 2);
    view.findChild<QScrollArea *>(QStringLiteral("reviewList"))->ensureWidgetVisible(field);
    QApplication::processEvents();
    return longestTypingFrame(field);
}

// The anchor: the same typing into a plain text editor holding one entry's text.
double typeIntoPlainEditor()
{
    QPlainTextEdit editor(entryText(250));
    editor.resize(560, 640);
    editor.show();
    if (!QTest::qWaitForWindowExposed(&editor))
        qFatal("the editor was not shown");
    return longestTypingFrame(editor.viewport());
}

// The review: from the suggestions' arrival to the painted sheet.
Measured openReview(StandinServer &server, DocumentImportManager &manager, MedbitStore &store, const QUrl &file)
{
    server.scriptStream(script());
    QElapsedTimer clock;
    qint64 heapBefore = 0;
    auto blocks = std::make_unique<LongestBlock>();
    // Connected before the sheet, so the clock starts before the sheet builds its rows.
    const QMetaObject::Connection arrival =
        QObject::connect(manager.review(), &DocumentImportReview::sectionsChanged, [&] {
            if (!clock.isValid() && !manager.review()->flattenedSuggestions().isEmpty()) {
                heapBefore = heapBytes();
                clock.start();
                blocks->watch();
            }
        });
    SmartTimelinePreviewView view(&manager, &store);
    view.show();
    manager.importFiles({file});
    if (!LongestBlock::spin([&] { return manager.isExtractionDone(); }, 30000))
        qFatal("the analysis did not finish");
    view.grab();
    QObject::disconnect(arrival);
    Measured measured{double(clock.nsecsElapsed()) / 1e6};
    const auto builtRows = [&view] {
        return view.findChildren<ReviewTextField *>(QStringLiteral("entryTextEditor")).size() == suggestionCount;
    };
    if (!LongestBlock::spin(builtRows, 30000))
        qFatal("the rows were not all built");
    // A few more turns for the layout and the paint of the last rows.
    LongestBlock::spin([turns = 0]() mutable { return ++turns > 20; }, 30000);
    measured.blockMs = blocks->longestMs();
    blocks.reset();
    measured.rowKB = double(heapBytes() - heapBefore) / suggestionCount / 1024;
    measured.typingFrameMs = typeIntoReview(view);
    manager.reset();
    return measured;
}

// The anchor: the same texts in a plain list view, timed and weighed the same way.
Measured openPlainList()
{
    QStringList texts;
    for (int i = 0; i < suggestionCount; ++i)
        texts.append(entryText(i));
    QListView list;
    list.resize(560, 640);
    list.show();
    QStringListModel model;
    LongestBlock blocks;
    blocks.watch();
    const qint64 heapBefore = heapBytes();
    QElapsedTimer clock;
    clock.start();
    model.setStringList(texts);
    list.setModel(&model);
    QApplication::processEvents();
    list.grab();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    const double rowKB = double(heapBytes() - heapBefore) / suggestionCount / 1024;
    LongestBlock::spin([turns = 0]() mutable { return ++turns > 20; }, 30000);
    return {ms, rowKB, typeIntoPlainEditor(), blocks.longestMs()};
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("VANTORELLE_STANDIN"))
        qputenv("VANTORELLE_STANDIN", VANTORELLE_STANDIN_PATH);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    StandinServer server({QStringLiteral("--seed"), QStringLiteral("demo")});
    SignedInSession session(server, SignedInSession::Stores::AuthOnly);
    session.signIn(StandinServer::demoEmail, StandinServer::demoPassword);
    const APIRequest request{.path = QStringLiteral("/patients/listAll"),
                             .query = {{QStringLiteral("userId"), session.userID()}}};
    const QList<Patient> patients = AwaitTask::run(APIClient::shared().request<QList<Patient>>(request));
    DocumentImportManager manager(patients.first()._id);
    MedbitStore store;
    QTemporaryDir folder;
    QFile pdf(folder.filePath(QStringLiteral("checkup.pdf")));
    if (!pdf.open(QIODevice::WriteOnly) || pdf.write("%PDF-1.4 bench") < 0)
        qFatal("cannot write the import file");
    pdf.close();
    const QUrl file = QUrl::fromLocalFile(pdf.fileName());

    // The review's clock starts at an event from the stand-in, so each side is timed by its own clock;
    // the sides still alternate, and which goes first alternates too.
    std::vector<double> anchorMs, reviewMs, ratios, anchorKB, reviewKB, anchorTyping, reviewTyping, anchorBlock,
        reviewBlock;
    for (int round = 0; round < rounds; ++round) {
        Measured anchor, review;
        if (round % 2 == 0) {
            anchor = openPlainList();
            review = openReview(server, manager, store, file);
        } else {
            review = openReview(server, manager, store, file);
            anchor = openPlainList();
        }
        anchorMs.push_back(anchor.ms);
        reviewMs.push_back(review.ms);
        ratios.push_back(review.ms / anchor.ms);
        anchorKB.push_back(anchor.rowKB);
        reviewKB.push_back(review.rowKB);
        anchorTyping.push_back(anchor.typingFrameMs);
        reviewTyping.push_back(review.typingFrameMs);
        anchorBlock.push_back(anchor.blockMs);
        reviewBlock.push_back(review.blockMs);
    }
    AlternatingRounds::Summary summary;
    summary.firstMedian = AlternatingRounds::median(anchorMs);
    summary.secondMedian = AlternatingRounds::median(reviewMs);
    summary.ratioMedian = AlternatingRounds::median(ratios);
    summary.ratioMin = *std::min_element(ratios.begin(), ratios.end());
    summary.ratioMax = *std::max_element(ratios.begin(), ratios.end());
    AlternatingRounds::print(rounds, "plain QListView, 500 rows", "review sheet, 500 suggestions", summary);
    LoadAverage::print();
    double loads[3] = {};
    getloadavg(loads, 3);
    const double rowKB = AlternatingRounds::median(reviewKB);
    const double plainKB = AlternatingRounds::median(anchorKB);
    std::printf("RESULT review_open_500 measured=%.0fms anchor=%.0fms ratio=%.2f goal_ms=150 load=%.2f\n",
                summary.secondMedian, summary.firstMedian, summary.ratioMedian, loads[0]);
    std::printf("RESULT review_row_kb measured=%.1fKB anchor=%.1fKB ratio=%.2f goal=30 load=%.2f\n", rowKB, plainKB,
                rowKB / plainKB, loads[0]);
    const double typingMs = AlternatingRounds::median(reviewTyping);
    const double plainTypingMs = AlternatingRounds::median(anchorTyping);
    std::printf("RESULT review_typing_frame measured=%.1fms anchor=%.1fms ratio=%.2f goal_ms=16 load=%.2f\n", typingMs,
                plainTypingMs, typingMs / plainTypingMs, loads[0]);
    const double blockMs = AlternatingRounds::median(reviewBlock);
    const double plainBlockMs = AlternatingRounds::median(anchorBlock);
    std::printf("RESULT review_open_block measured=%.1fms anchor=%.1fms ratio=%.2f goal_ms=50 max=%.1fms load=%.2f\n",
                blockMs, plainBlockMs, blockMs / plainBlockMs,
                *std::max_element(reviewBlock.begin(), reviewBlock.end()), loads[0]);
    return 0;
}
