#pragma once

#include "net/APIError.h"

#include <QCoroTask>

#include <optional>

// QCoro::waitFor never returns from a task that throws, so tests wait for this wrapper instead: the
// APIError that the task threw, or nullopt when it succeeded.
template <typename T>
QCoro::Task<std::optional<APIError>> failureOf(QCoro::Task<T> task)
{
    try {
        co_await std::move(task);
    } catch (const APIError &error) {
        co_return error;
    }
    co_return std::nullopt;
}
