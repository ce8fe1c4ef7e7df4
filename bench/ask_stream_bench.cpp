// Streaming an answer into an open conversation: 20,000 characters of Markdown in 2,000 deltas, each
// applied as the panel applies it (the session appends, the conversation view redraws the answer's row,
// the layout settles and the view paints). Prints the time of the last delta, at full size, beside the
// first one's as its anchor. Goal: the last delta well under a frame at 60 Hz (16.7 ms).
// Run by hand: QT_QPA_PLATFORM=offscreen ./ask_stream_bench
#include "ask/AnswerEventSource.h"
#include "ask/AskConversationDetailView.h"
#include "ask/AskSession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QList>

#include <QCoroAsyncGenerator>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace
{

constexpr int deltaCount = 2000;
constexpr int deltaSize = 10;

QString answerText()
{
    const QString paragraph =
        QStringLiteral("Your **blood pressure** readings from March were within the normal range, and the cardiologist "
                       "noted *no change*.\n\n- Total cholesterol: 182 mg/dL\n- Vitamin D: 34 ng/mL\n\n");
    QString text;
    while (text.size() < deltaCount * deltaSize)
        text += paragraph;
    text.truncate(deltaCount * deltaSize);
    return text;
}

// Yields the answer in equal pieces, without waiting between them.
class ScriptedAnswer final : public AnswerEventSource
{
public:
    QCoro::AsyncGenerator<AnswerEvent> open(AnswerQuestion) override
    {
        const QString text = answerText();
        for (int i = 0; i < deltaCount; ++i) {
            // Built outside the co_yield: GCC 12 destroys an aggregate temporary of a co_ expression twice.
            AnswerEvent delta(ChatMessageDeltaEvent{text.mid(i * deltaSize, deltaSize)});
            co_yield std::move(delta);
        }
    }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    AskSession session(QStringLiteral("bench"), std::make_shared<ScriptedAnswer>());
    QList<qint64> nanoseconds;
    QElapsedTimer timer;
    std::unique_ptr<AskConversationDetailView> view;
    // Connected before the view's own reaction, so that the measure spans it.
    QObject::connect(&session, &AskSession::turnChanged, &app, [&timer] { timer.start(); });
    QObject::connect(&session, &AskSession::selectedConversationIDChanged, &app, [&] {
        if (view || !session.selectedConversation())
            return;
        view = std::make_unique<AskConversationDetailView>(&session, *session.selectedConversationID(), nullptr);
        view->resize(800, 900);
        view->show();
        QObject::connect(&session, &AskSession::turnChanged, &app, [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            view->repaint();
            nanoseconds.append(timer.nsecsElapsed());
        });
    });
    session.submitQuestion(QStringLiteral("What do my results say?"));
    // One more change follows the deltas: the stream ends without "done", which stops the answer streaming.
    if (nanoseconds.size() != deltaCount + 1) {
        std::printf("expected %d deltas, measured %lld\n", deltaCount, static_cast<long long>(nanoseconds.size()));
        return 1;
    }
    const QList<qint64> lastTen = nanoseconds.mid(deltaCount - 10, 10);
    std::printf("first delta (10 characters):     %.3f ms\n", double(nanoseconds.first()) / 1e6);
    std::printf("last delta (20,000 characters):  %.3f ms\n", double(nanoseconds.at(deltaCount - 1)) / 1e6);
    std::printf("slowest of the last ten deltas:  %.3f ms\n",
                double(*std::max_element(lastTen.cbegin(), lastTen.cend())) / 1e6);
    return 0;
}
