#pragma once

#include "AnswerEventSource.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <QCoroTask>

#include <functional>
#include <memory>
#include <optional>

// Reads one question's answer to the stream's end for a holder that may go meanwhile. Usage:
//   AnswerReader::read(source, question, this, [this](const AnswerEvent &e) {...},
//                      [this](const std::optional<QString> &failure) {...});
// Each event, then the end (with the failure's text when the stream threw APIError), reaches the handlers
// only while the holder lives; the stream runs on to its end either way.
class AnswerReader final
{
public:
    using EventHandler = std::function<void(const AnswerEvent &event)>;
    using EndHandler = std::function<void(const std::optional<QString> &failure)>;

    static QCoro::Task<> read(std::shared_ptr<AnswerEventSource> source, AnswerQuestion question,
                              QPointer<QObject> holder, EventHandler onEvent, EndHandler onEnd);
};
