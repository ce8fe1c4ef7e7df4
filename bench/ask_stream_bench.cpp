// Streaming an answer into an open conversation, piece by piece as the panel applies it (the session
// appends, the conversation view updates the answer's row, the layout settles and the view paints),
// against the anchor: a QPlainTextEdit of the same size appending the same pieces and painting after each.
// Sides alternate round by round. Goals: the whole stream of 40,000 characters within 1.5x the anchor,
// of 5,000 within 1.3x, and the last piece of 40,000 characters shown within 8 ms.
// Run by hand: ./ask_stream_bench
#include "AlternatingRounds.h"
#include "LoadAverage.h"

#include "ask/AnswerEventSource.h"
#include "ask/AskConversationDetailView.h"
#include "ask/AskSession.h"
#include "ask/AskSessions.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QWindow>

#include <QCoroAsyncGenerator>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace
{

constexpr int pieceSize = 10;

QString answerText(int length)
{
    const QString paragraph =
        QStringLiteral("Your **blood pressure** readings from March were within the normal range, and the cardiologist "
                       "noted *no change*.\n\n- Total cholesterol: 182 mg/dL\n- Vitamin D: 34 ng/mL\n\n");
    QString text;
    while (text.size() < length)
        text += paragraph;
    text.truncate(length);
    return text;
}

// Yields the answer in equal pieces, without waiting between them.
class ScriptedAnswer final : public AnswerEventSource
{
public:
    explicit ScriptedAnswer(QString text) : m_text(std::move(text)) {}

    QCoro::AsyncGenerator<AnswerEvent> open(AnswerQuestion) override
    {
        for (qsizetype at = 0; at < m_text.size(); at += pieceSize) {
            // Built outside the co_yield: GCC 12 destroys an aggregate temporary of a co_ expression twice.
            AnswerEvent delta(ChatMessageDeltaEvent{m_text.mid(at, pieceSize)});
            co_yield std::move(delta);
        }
    }

private:
    QString m_text;
};

// A window paints only once the platform has exposed it.
bool shown(QWidget *widget)
{
    widget->show();
    QCoreApplication::processEvents();
    return widget->windowHandle() && widget->windowHandle()->isExposed();
}

// What the event loop does between two pieces of a network stream: posted work (showing new rows,
// layouts) runs, then the window paints.
void settleAndPaint(QWidget *widget)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    widget->repaint();
}

// Whole streams; the time of each one's last piece is kept beside it.
struct Stream {
    QString text;
    std::vector<double> lastPieceMs;

    void measured()
    {
        AskSessions sessions(std::make_shared<ScriptedAnswer>(text));
        AskSession session(QStringLiteral("bench"), &sessions);
        std::unique_ptr<AskConversationDetailView> view;
        QElapsedTimer piece;
        std::vector<double> changes;
        // Connected before the view's own reaction, so that the piece's time spans it.
        QObject::connect(&session, &AskSession::turnChanged, &session, [&piece] { piece.start(); });
        QObject::connect(&session, &AskSession::selectedConversationIDChanged, &session, [&] {
            if (view || !session.selectedConversation())
                return;
            view = std::make_unique<AskConversationDetailView>(&session, *session.selectedConversationID(), nullptr);
            view->resize(800, 900);
            if (!shown(view.get()))
                std::abort();
            QObject::connect(&session, &AskSession::turnChanged, view.get(), [&] {
                settleAndPaint(view.get());
                changes.push_back(double(piece.nsecsElapsed()) / 1e6);
            });
        });
        session.submitQuestion(QStringLiteral("What do my results say?"));
        // One more change follows the pieces: the stream ends without "done", which stops the answer streaming.
        const qsizetype pieces = (text.size() + pieceSize - 1) / pieceSize;
        if (qsizetype(changes.size()) != pieces + 1)
            std::abort();
        lastPieceMs.push_back(changes[size_t(pieces - 1)]);
    }

    void anchor()
    {
        QPlainTextEdit edit;
        edit.resize(800, 900);
        if (!shown(&edit))
            std::abort();
        QElapsedTimer piece;
        for (qsizetype at = 0; at < text.size(); at += pieceSize) {
            piece.start();
            edit.moveCursor(QTextCursor::End);
            edit.insertPlainText(text.mid(at, pieceSize));
            settleAndPaint(&edit);
        }
        lastPieceMs.push_back(double(piece.nsecsElapsed()) / 1e6);
    }
};

AlternatingRounds::Summary runStreams(int length, int rounds, double &measuredLast, double &anchorLast)
{
    Stream measured{answerText(length), {}};
    Stream anchor{answerText(length), {}};
    const AlternatingRounds::Summary summary = AlternatingRounds::run(
        rounds, [&anchor] { anchor.anchor(); }, [&measured] { measured.measured(); });
    measuredLast = AlternatingRounds::median(measured.lastPieceMs);
    anchorLast = AlternatingRounds::median(anchor.lastPieceMs);
    std::printf("\n%d characters in %d pieces\n", length, length / pieceSize);
    AlternatingRounds::print(rounds, "QPlainTextEdit appends (anchor)", "answer in the conversation", summary);
    return summary;
}

double currentLoad()
{
    double load = 0;
    return getloadavg(&load, 1) == 1 ? load : 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    LoadAverage::print();
    double last40k = 0;
    double anchorLast40k = 0;
    double last5k = 0;
    double anchorLast5k = 0;
    const AlternatingRounds::Summary large = runStreams(40000, 5, last40k, anchorLast40k);
    const double largeLoad = currentLoad();
    const AlternatingRounds::Summary small = runStreams(5000, 11, last5k, anchorLast5k);
    const double smallLoad = currentLoad();
    std::printf("\nlast piece of 40,000 characters: %.2f ms (anchor %.2f ms)\n", last40k, anchorLast40k);
    LoadAverage::print();
    std::printf("RESULT ask_stream_40k measured=%.0fms anchor=%.0fms ratio=%.2f goal=1.5 load=%.2f\n",
                large.secondMedian, large.firstMedian, large.ratioMedian, largeLoad);
    std::printf("RESULT ask_stream_5k measured=%.0fms anchor=%.0fms ratio=%.2f goal=1.3 load=%.2f\n",
                small.secondMedian, small.firstMedian, small.ratioMedian, smallLoad);
    std::printf("RESULT ask_last_piece_40k measured=%.2fms anchor=%.2fms ratio=%.2f goal_ms=8 load=%.2f\n", last40k,
                anchorLast40k, last40k / anchorLast40k, largeLoad);
    return 0;
}
