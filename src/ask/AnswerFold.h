#pragma once

#include "AnswerEvent.h"

#include <QString>

// Folds an answer stream's events into the answer a reader shows: a piece grows the text, a failure puts its
// own text in the text's place. "done" changes nothing: it carries the stored messages, which only a
// conversation keeps. It writes the holder's own fields, so that a conversation's turn and an entry's
// question follow the same rules.
class AnswerFold final
{
public:
    enum class Change { none, grew, failed };

    AnswerFold(QString &text, bool &isError) : m_text(text), m_isError(isError) {}

    Change apply(const AnswerEvent &event);
    void fail(const QString &failure);

private:
    QString &m_text;
    bool &m_isError;
};
