#include "AnswerFold.h"

#include "AnswerEventSource.h"

AnswerFold::Change AnswerFold::apply(const AnswerEvent &event)
{
    if (const auto *piece = std::get_if<ChatMessageDeltaEvent>(&event)) {
        m_text += piece->delta;
        return Change::grew;
    }
    if (const auto *error = std::get_if<AnswerStreamError>(&event)) {
        fail(error->message.value_or(answerFailedText()));
        return Change::failed;
    }
    return Change::none;
}

void AnswerFold::fail(const QString &failure)
{
    m_isError = true;
    m_text = failure;
}
