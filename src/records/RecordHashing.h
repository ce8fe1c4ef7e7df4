#pragma once

#include <QHashFunctions>
#include <QList>

#include <optional>

// Hash building blocks shared by the records: an optional feeds a presence mark before its value and a
// list its length before its elements, so that equal values hash equally and different shapes rarely do.
namespace RecordHashing
{

template <typename T> size_t combine(size_t seed, const T &value)
{
    return QtPrivate::QHashCombine{}(seed, value);
}

template <typename T> size_t combine(size_t seed, const std::optional<T> &value)
{
    seed = combine(seed, value.has_value());
    return value ? combine(seed, *value) : seed;
}

template <typename T> size_t combine(size_t seed, const QList<T> &values)
{
    seed = combine(seed, values.size());
    for (const T &value : values)
        seed = combine(seed, value);
    return seed;
}

} // namespace RecordHashing
