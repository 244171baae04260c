// The soak run: the whole game, as WinMain runs it, played for minutes by a
// script of held keys, shots, ESC and mouse motion fed through the input
// devices' hooks, printing the process's resident memory as it goes. Not a
// test: it asks whether memory stays bounded over a long play.
//
//   tolvi_soak [--idle] [--frames] [length] [every]
//
// length and every are seconds of real time (default 600 and 10), or frames
// with --frames (then the clock is injected at 50 ms a frame, so the game
// sees the same play whatever the machine's speed). --idle feeds no input.
// The data set is made into a scratch folder by the maker. Set
// SDL_VIDEODRIVER=offscreen to run without a display. Each line: time, frames,
// resident MB, MB in use in the main thread's heap, scene nodes. To see what
// holds the memory, run it under a heap profiler (heaptrack tolvi_soak 120).
#include "BenchSupport.h"

#include "core/Kernel.h"
#include "core/Log.h"
#include "core/Profiler.h"
#include "core/Shell.h"
#include "platform/InputTestHooks.h"
#include "platform/TestHooks.h"
#include "scene/SceneGraph.h"

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

namespace
{
constexpr DWORD kFrameMs = 50;
// The script repeats every cycle; a key is held from its start to its end.
constexpr double kCycleSeconds = 24.0;
// DirectInput key codes.
constexpr BYTE kEsc = 0x01, kW = 0x11, kT = 0x14, kA = 0x1E, kS = 0x1F, kD = 0x20, kG = 0x22,
               kC = 0x2E, kV = 0x2F, kN = 0x31, kM = 0x32, kSpace = 0x39, kUp = 0xC8, kLeft = 0xCB;

struct HeldKey
{
    BYTE key;
    double start;
    double end;
};

// Driving, turning, turret and gun, slow motion, the camera switched and
// flown, and a trip to menu mode and back (ESC acts on release).
const HeldKey kScript[] = {
    {kC, 0.0, 4.0},     {kN, 4.0, 6.0},   {kC, 6.0, 9.0},     {kA, 6.5, 8.5},      {kV, 9.0, 11.0},
    {kM, 11.0, 13.0},   {kW, 13.0, 14.0}, {kS, 14.0, 15.0},   {kD, 15.0, 17.0},    {kT, 17.0, 19.0},
    {kC, 17.0, 19.0},   {kG, 19.0, 19.2}, {kUp, 19.3, 20.5},  {kLeft, 19.5, 20.5}, {kG, 20.6, 20.8},
    {kEsc, 21.0, 21.2}, {kC, 21.1, 22.0}, {kEsc, 22.0, 22.2},
};
// One shell every this many seconds.
constexpr double kShotInterval = 0.25;

// Resident set of the process in kB, from the kernel's own account.
long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
    {
        if (line.compare(0, 6, "VmRSS:") == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

// kB handed out by the main thread's heap and not freed (the GL driver's
// threads have heaps of their own).
long HeapInUseKb()
{
    struct mallinfo2 info = mallinfo2();
    return static_cast<long>((info.uordblks + info.hblkhd) / 1024);
}

size_t CountNodes(const SceneNode* node)
{
    size_t count = 1;
    for (const SmartPtr<SceneNode>& child : node->GetChildren())
        count += CountNodes(child.Get());
    return count;
}

// Sets every key of the script as it stands at `seconds` of play, and fires
// once per shot interval: SPACE down for one frame, up for the next.
void Drive(double seconds, double& nextShot, bool& spaceDown)
{
    const double at = seconds - kCycleSeconds * static_cast<long>(seconds / kCycleSeconds);
    BYTE state[256] = {};
    for (const HeldKey& held : kScript)
    {
        if (at >= held.start && at < held.end)
            state[held.key] = 0x80;
    }
    for (const HeldKey& held : kScript)
        TestSetKeyState(held.key, state[held.key]);
    if (spaceDown)
        spaceDown = false;
    else if (seconds >= nextShot)
    {
        spaceDown = true;
        nextShot = seconds + kShotInterval;
    }
    TestSetKeyState(kSpace, spaceDown ? 0x80 : 0);
    // Looking about: right and left, up and down, in slow waves.
    const long phase = static_cast<long>(seconds * 2.0) % 8;
    TestMoveMouse(phase < 4 ? 3 : -3, phase % 4 < 2 ? 1 : -1, 0);
}

void Report(double seconds, long frames)
{
    std::printf("%9.1f %9ld %10.1f %10.1f %7zu\n", seconds, frames, ResidentKb() / 1024.0,
                HeapInUseKb() / 1024.0, CountNodes(MainSceneGraph.GetRoot()));
    std::fflush(stdout);
}
} // namespace

int main(int argc, char** argv)
{
    bool idle = false;
    bool byFrames = false;
    double numbers[2] = {600.0, 10.0};
    int given = 0;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--idle") == 0)
            idle = true;
        else if (std::strcmp(argv[i], "--frames") == 0)
            byFrames = true;
        else if (given < 2 && std::atof(argv[i]) > 0.0)
            numbers[given++] = std::atof(argv[i]);
        else
        {
            std::fprintf(stderr, "usage: %s [--idle] [--frames] [length] [every]\n", argv[0]);
            return 2;
        }
    }
    if (byFrames && given < 2)
        numbers[1] = numbers[0] / 10.0;

    const ScratchFolder* data = SharedDataSet();
    if (!data)
    {
        std::fprintf(stderr, "the data set could not be made\n");
        return 1;
    }
    WorkingFolder folder(data->path);

    DWORD clock = 1000;
    if (byFrames)
        TestSetClock(clock);
    CreateMainWindow();
    ShowCursor(FALSE);
    Profiler::GetInstance()->Start();
    Kernel::GetInstance()->Init();
    auto mainloop = std::make_unique<LogScope>("Mainloop");

    std::printf("#  seconds    frames     rss_MB    heap_MB   nodes\n");
    const auto start = std::chrono::steady_clock::now();
    MSG msg = {};
    DWORD stamp = 0;
    long frames = 0;
    double nextReport = 0.0;
    double nextShot = 0.0;
    bool spaceDown = false;
    for (;;)
    {
        const double seconds =
            byFrames
                ? frames * kFrameMs / 1000.0
                : std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double progress = byFrames ? static_cast<double>(frames) : seconds;
        if (progress >= nextReport)
        {
            Report(seconds, frames);
            nextReport += numbers[1];
        }
        if (progress >= numbers[0] || msg.message == WM_QUIT)
            break;
        if (!idle)
            Drive(seconds, nextShot, spaceDown);
        if (byFrames)
        {
            clock += kFrameMs;
            TestSetClock(clock);
        }
        while (MainLoopPass(msg, stamp) != LoopPass::Frame && msg.message != WM_QUIT)
        {
        }
        ++frames;
    }

    mainloop.reset();
    Kernel::GetInstance()->Shutdown();
    DestroyMainWindow();
    ShowCursor(TRUE);
    return 0;
}
