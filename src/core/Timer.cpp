#include "core/Timer.h"

#include "core/PerformanceCounter.h"
#include "platform/Win32.h"

namespace
{
Timer g_timer;
} // namespace

Timer* Timer::Instance()
{
    return &g_timer;
}

void Timer::Initialize()
{
    fps = 0;
    fpsInterval = 1000;
    scaledFrameTime = 0.1f;
    lastCount = ReadPerformanceCounter();
    intervalStart = lastCount;
    frameTime = 0.1f;
    timeScale = 1.0f;
    intervalFrames = 0;
    frequency = ReadPerformanceFrequency();
}

void Timer::Update()
{
    // Not initialised (frequency still 0): a division by it would give an
    // infinite frame time, which the physics would try to step through.
    if (frequency <= 0)
    {
        ticks = timeGetTime();
        return;
    }
    int64_t now = ReadPerformanceCounter();
    ++intervalFrames;
    int64_t threshold = fpsInterval * frequency / 1000;
    if (now - intervalStart > threshold)
    {
        // Counts the frames of the window including this one.
        fps = static_cast<int32_t>(intervalFrames * frequency / (now - intervalStart));
        intervalFrames = 0;
        intervalStart = now;
    }
    frameTime =
        static_cast<float>(static_cast<double>(now - lastCount) / static_cast<double>(frequency));
    scaledFrameTime = frameTime * timeScale;
    lastCount = now;
    ticks = timeGetTime();
}

void Timer::Shutdown() {}
