#include "AnswerStreamSource.h"

QCoro::AsyncGenerator<AnswerEvent> AnswerStreamSource::open(AnswerQuestion question)
{
    return AnswerStream::open(std::move(question));
}
