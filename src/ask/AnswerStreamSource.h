#pragma once

#include "AnswerEventSource.h"

// Answers read from the service's event stream through AnswerStream, which skips what does not decode.
class AnswerStreamSource final : public AnswerEventSource
{
public:
    QCoro::AsyncGenerator<AnswerEvent> open(AnswerQuestion question) override;
};
