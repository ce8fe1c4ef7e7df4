#pragma once

#include "../net/AwaitTask.h"

#include "net/APIError.h"

#include <QCoroTask>

#include <optional>

// Runs a task that is expected to fail: the APIError it threw, or nullopt when it succeeded.
template <typename T> std::optional<APIError> failureOf(QCoro::Task<T> task)
{
    try {
        AwaitTask::run(std::move(task));
    } catch (const APIError &error) {
        return error;
    }
    return std::nullopt;
}
