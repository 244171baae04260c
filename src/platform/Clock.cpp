// Clocks over CLOCK_MONOTONIC: one epoch for the millisecond clocks and the
// nanosecond performance counter.
#include "platform/TestHooks.h"
#include "platform/Win32.h"

#include <time.h>

namespace
{
bool g_fixedClock = false;
DWORD g_fixedMilliseconds = 0;

int64_t MonotonicNanoseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

DWORD Milliseconds()
{
    if (g_fixedClock)
        return g_fixedMilliseconds;
    // Callers rely on a reading above zero from the first frame on.
    DWORD ms = static_cast<DWORD>(MonotonicNanoseconds() / 1000000LL);
    return ms == 0 ? 1 : ms;
}
} // namespace

DWORD GetTickCount()
{
    return Milliseconds();
}

DWORD timeGetTime()
{
    return Milliseconds();
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count)
{
    if (!count)
        return FALSE;
    if (g_fixedClock)
        count->QuadPart = static_cast<int64_t>(g_fixedMilliseconds) * 1000000LL;
    else
        count->QuadPart = MonotonicNanoseconds();
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    if (!frequency)
        return FALSE;
    frequency->QuadPart = 1000000000LL;
    return TRUE;
}

void TestSetClock(DWORD milliseconds)
{
    g_fixedClock = true;
    g_fixedMilliseconds = milliseconds;
}

void TestUseRealClock()
{
    g_fixedClock = false;
}
