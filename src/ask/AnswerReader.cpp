#include "AnswerReader.h"

#include "net/APIError.h"

QCoro::Task<> AnswerReader::read(std::shared_ptr<AnswerEventSource> source, AnswerQuestion question,
                                 QPointer<QObject> holder, EventHandler onEvent, EndHandler onEnd)
{
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
    }
    if (holder)
        onEnd(failure);
}
