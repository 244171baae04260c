// Helpers the benchmarks that run beside the OpenGL baseline share: a heap that
// keeps its pages, medians of noisy frame times, a millisecond clock, and the
// engine's projection as GL takes it.
#pragma once

#include "math/Matrix.h"

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <vector>

// The engine and the baseline share one process heap, and the GL driver
// allocates and frees large vertex blocks at every draw. With the C library's
// defaults, whether those frees hand pages back to the system (to be faulted
// in again at the next draw) depends on the order of the two programs'
// allocations, and one side pays page faults the other does not: the heap is
// told to keep what it has, for both.
inline void KeepHeapPages()
{
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
}

inline double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

inline double Milliseconds(std::chrono::steady_clock::time_point from)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from)
        .count();
}

// Direct3D's clip depth runs 0..w, GL's -w..w: z' = 2z - w, applied last.
inline Matrix GlClip(const Matrix& projection)
{
    return projection * Matrix(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2, 0, 0, 0, -1, 1);
}
