// Helpers the benchmarks share: the engine's video started once, the data set
// made by the maker; and for those that run beside the OpenGL baseline a heap
// that keeps its pages, medians of noisy frame times, a millisecond clock, and
// the engine's projection as GL takes it.
#pragma once

#include "core/Shell.h"
#include "math/Matrix.h"
#include "support/ScratchFolder.h"
#include "video/Video.h"

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

// The main window and the Video subsystem on it, made by the first caller and
// kept for the others: the device, null when there is none.
inline IDirect3DDevice9* StartVideo()
{
    if (!g_mainWindow)
        CreateMainWindow();
    if (!Video::Instance().device)
        Video::Instance().Initialize();
    return Video::Instance().device;
}

// Runs the data set maker into the folder, its report left out; false when it
// fails or the benchmarks were built without it.
inline bool MakeDataSet(const std::string& folder)
{
#ifdef TOLVI_MAKEDATA
    const std::string command =
        std::string("\"") + TOLVI_MAKEDATA + "\" \"" + folder + "\" > /dev/null";
    return std::system(command.c_str()) == 0;
#else
    (void)folder;
    return false;
#endif
}

// The data set, made once for every benchmark that only reads it, in a
// scratch folder removed when the process ends; null when it cannot be made.
inline const ScratchFolder* SharedDataSet()
{
    static const std::unique_ptr<ScratchFolder> folder = []
    {
        auto made = std::make_unique<ScratchFolder>("bench-data");
        if (!MakeDataSet(made->path))
            made.reset();
        return made;
    }();
    return folder.get();
}

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

// One frame of each, each ending when its picture is done, `first` first in
// even pairs and `second` first in odd ones: their milliseconds.
template <typename First, typename Second>
void RacePair(size_t pair, First&& first, Second&& second, double& firstMs, double& secondMs)
{
    for (size_t k = 0; k < 2; ++k)
    {
        const auto start = std::chrono::steady_clock::now();
        if ((pair + k) % 2 == 0)
        {
            first();
            firstMs = Milliseconds(start);
        }
        else
        {
            second();
            secondMs = Milliseconds(start);
        }
    }
}

// Direct3D's clip depth runs 0..w, GL's -w..w: z' = 2z - w, applied last.
inline Matrix GlClip(const Matrix& projection)
{
    return projection * Matrix(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2, 0, 0, 0, -1, 1);
}
