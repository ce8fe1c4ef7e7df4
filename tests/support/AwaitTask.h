#pragma once

#include <QEventLoop>
#include <QTimer>

#include "net/APIError.h"

#include <QCoroTask>

#include <chrono>
#include <exception>
#include <optional>

// Runs a task to its end in a local event loop, with a deadline, and hands back its result or rethrows
// its exception. QCoro::waitFor (0.8) loses an exception and then waits forever.
namespace AwaitTask
{

struct Outcome {
    QEventLoop loop;
    bool done = false;
    std::exception_ptr error;
};

template <typename T> QCoro::Task<> capture(QCoro::Task<T> task, Outcome *outcome, std::optional<T> *result)
{
    try {
        result->emplace(co_await std::move(task));
    } catch (...) {
        outcome->error = std::current_exception();
    }
    outcome->done = true;
    outcome->loop.quit();
}

inline QCoro::Task<> capture(QCoro::Task<> task, Outcome *outcome)
{
    try {
        co_await std::move(task);
    } catch (...) {
        outcome->error = std::current_exception();
    }
    outcome->done = true;
    outcome->loop.quit();
}

inline void finish(Outcome &outcome)
{
    if (!outcome.done) {
        QTimer::singleShot(std::chrono::seconds(20), &outcome.loop, &QEventLoop::quit);
        outcome.loop.exec();
    }
    if (outcome.error)
        std::rethrow_exception(outcome.error);
    // The task still refers to this frame, so the test cannot go on.
    if (!outcome.done)
        qFatal("the task did not finish within its deadline");
}

template <typename T> T run(QCoro::Task<T> task)
{
    Outcome outcome;
    std::optional<T> result;
    capture(std::move(task), &outcome, &result);
    finish(outcome);
    return std::move(*result);
}

inline void run(QCoro::Task<> task)
{
    Outcome outcome;
    capture(std::move(task), &outcome);
    finish(outcome);
}

// Runs a task that is expected to fail: the error of that type it threw, or nullopt when it succeeded.
template <typename Error = APIError, typename T> std::optional<Error> failureOf(QCoro::Task<T> task)
{
    try {
        run(std::move(task));
    } catch (const Error &error) {
        return error;
    }
    return std::nullopt;
}

} // namespace AwaitTask
