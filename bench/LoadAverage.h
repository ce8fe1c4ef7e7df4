#pragma once

#include <cstdio>
#include <cstdlib>

// Benchmarks on a shared machine say how busy it was while they ran.
namespace LoadAverage
{

// Over the last minute; 0 when the system does not say.
inline double lastMinute()
{
    double load = 0;
    return getloadavg(&load, 1) == 1 ? load : 0;
}

inline void print()
{
    double loads[3] = {};
    if (getloadavg(loads, 3) == 3)
        std::printf("load average: %.2f %.2f %.2f\n", loads[0], loads[1], loads[2]);
}

} // namespace LoadAverage
