#include "AnswerReader.h"

#include "net/APIClient.h"
#include "net/APIError.h"

QCoro::Task<> AnswerReader::read(std::shared_ptr<AnswerEventSource> source, AnswerQuestion question,
                                 QPointer<QObject> holder, EventHandler onEvent, EndHandler onEnd)
{
    // The question and its answer are one change: the service keeps both once the stream has ended.
    ChangesInFlight::Hold hold = APIClient::shared().changes().hold();
    std::optional<QString> failure;
    try {
        QCoro::AsyncGenerator<AnswerEvent> events = source->open(std::move(question));
        QCORO_FOREACH(const AnswerEvent &event, events)
        {
            if (holder)
                onEvent(event);
        }
    } catch (const APIError &error) {
        failure = error.description();
        hold.fail(error);
    }
    if (holder)
        onEnd(failure);
}
