#pragma once

#include "AnswerStream.h"

#include <QCoreApplication>
#include <QString>

#include <QCoroAsyncGenerator>

// An answer's failure text when the service gives none.
inline QString answerFailedText()
{
    return QCoreApplication::translate("AskSession", "Something went wrong.");
}

// Where answers come from. open() yields the question's events in arrival order and ends with the stream;
// a stream that fails throws APIError. Holders keep the source by shared pointer, so that a stream read to
// its end after its reader's owner is gone still has its source.
class AnswerEventSource
{
public:
    virtual ~AnswerEventSource() = default;
    virtual QCoro::AsyncGenerator<AnswerEvent> open(AnswerQuestion question) = 0;
};
