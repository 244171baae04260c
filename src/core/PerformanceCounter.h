// The high-resolution counter that the timer and the profiler measure with.
#pragma once

#include "platform/Win32.h"

#include <cstdint>

// The counter's value now.
inline int64_t ReadPerformanceCounter()
{
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart;
}

// The counter's counts per second.
inline int64_t ReadPerformanceFrequency()
{
    LARGE_INTEGER countsPerSecond;
    QueryPerformanceFrequency(&countsPerSecond);
    return countsPerSecond.QuadPart;
}
