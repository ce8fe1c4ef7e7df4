#pragma once

#include "ChatModels.h"

#include <QString>

#include <optional>
#include <variant>

// The answer stream reported a failure: the service's message, or none when its payload did not decode (the
// reader then shows a text of its own).
struct AnswerStreamError {
    std::optional<QString> message;
};

// One event of an answer stream, decoded: the next piece of the answer, the stored question and answer
// ("done"), or the service's failure.
using AnswerEvent = std::variant<ChatMessageDeltaEvent, ChatDoneEvent, AnswerStreamError>;
