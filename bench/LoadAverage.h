#pragma once

#include <cstdio>
#include <cstdlib>

// Benchmarks on a shared machine say how busy it was while they ran.
namespace LoadAverage
{

// The load average of the last minute; -1 when unknown.
inline double oneMinute()
{
    double load = -1;
    return getloadavg(&load, 1) == 1 ? load : -1;
}

inline void print()
{
    double loads[3] = {};
    if (getloadavg(loads, 3) == 3)
        std::printf("load average: %.2f %.2f %.2f\n", loads[0], loads[1], loads[2]);
}

} // namespace LoadAverage
