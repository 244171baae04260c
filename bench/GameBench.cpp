// The whole game in the data set, each measurement in a fresh process of this
// binary (the game's start-up changes every singleton for good): start-up to
// the first presented frame, and the frames of the game's scene at 800 by 600
// headless, with the main thread's own CPU time per frame (what the engine
// spends, without the GL driver's rasterizer threads). Needs
// SDL_VIDEODRIVER=offscreen without a display.
#include "core/Kernel.h"
#include "core/Log.h"
#include "core/Profiler.h"
#include "core/Shell.h"
#include "platform/TestHooks.h"
#include "support/ScratchFolder.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
const char* const kChildMode = "TOLVI_GAME_BENCH_MODE";
const char* const kChildOut = "TOLVI_GAME_BENCH_OUT";
// Frames measured after the splash has gone, 50 ms of game time each.
constexpr int kMeasuredFrames = 300;
constexpr DWORD kFrameMs = 50;

double ThreadCpuSeconds()
{
    timespec t = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// One frame on the injected clock, messages first as the main loop takes them.
void Frame(MSG& msg, DWORD& stamp, DWORD& clock)
{
    clock += kFrameMs;
    TestSetClock(clock);
    while (MainLoopPass(msg, stamp) != LoopPass::Frame)
    {
    }
}

// The child's work: writes its measurements (seconds) to the output file and
// ends the process.
void RunChild(const std::string& mode, const char* out)
{
    const auto start = std::chrono::steady_clock::now();
    DWORD clock = 1000;
    TestSetClock(clock);
    CreateMainWindow();
    ShowCursor(FALSE);
    Profiler::GetInstance()->Start();
    Kernel::GetInstance()->Init();
    MSG msg = {};
    DWORD stamp = 0;
    Frame(msg, stamp, clock);
    double results[2] = {Seconds(std::chrono::steady_clock::now() - start), 0.0};
    if (mode == "frames")
    {
        // Past the fade: the scene alone.
        for (DWORD played = 0; played < 12000; played += kFrameMs)
            Frame(msg, stamp, clock);
        const auto wall = std::chrono::steady_clock::now();
        const double cpu = ThreadCpuSeconds();
        for (int i = 0; i < kMeasuredFrames; ++i)
            Frame(msg, stamp, clock);
        results[0] = Seconds(std::chrono::steady_clock::now() - wall) / kMeasuredFrames;
        results[1] = (ThreadCpuSeconds() - cpu) / kMeasuredFrames;
    }
    if (FILE* file = std::fopen(out, "w"))
    {
        std::fprintf(file, "%.9f %.9f\n", results[0], results[1]);
        std::fclose(file);
    }
    std::_Exit(0);
}

// The child runs only this, registered only in the child.
void BM_GameChild(benchmark::State& state)
{
    for (auto _ : state)
        RunChild(std::getenv(kChildMode), std::getenv(kChildOut));
}

const bool g_childRegistered = []
{
    if (std::getenv(kChildMode) && std::getenv(kChildOut))
        benchmark::RegisterBenchmark("BM_GameChild", BM_GameChild)->Iterations(1);
    return true;
}();

// Runs a child in the made data set; false when it failed.
bool Measure(const std::string& mode, const std::string& folder, double results[2])
{
    const std::string out = folder + "/bench.txt";
    std::remove(out.c_str());
    pid_t child = fork();
    if (child == 0)
    {
        if (chdir(folder.c_str()) != 0)
            _exit(126);
        setenv(kChildMode, mode.c_str(), 1);
        setenv(kChildOut, out.c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        execl("/proc/self/exe", "tolvi_bench", "--benchmark_filter=^BM_GameChild/",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return false;
    FILE* file = std::fopen(out.c_str(), "r");
    if (!file)
        return false;
    const bool read = std::fscanf(file, "%lf %lf", &results[0], &results[1]) == 2;
    std::fclose(file);
    return read;
}

// The data set, made once for every benchmark here.
const ScratchFolder* DataSet()
{
#ifdef TOLVI_MAKEDATA
    static ScratchFolder* folder = []
    {
        ScratchFolder* made = new ScratchFolder("game-bench");
        const std::string command =
            std::string("\"") + TOLVI_MAKEDATA + "\" \"" + made->path + "\" > /dev/null";
        if (std::system(command.c_str()) != 0)
        {
            delete made;
            return static_cast<ScratchFolder*>(nullptr);
        }
        return made;
    }();
    return folder;
#else
    return nullptr;
#endif
}

// From the window's creation through the Kernel's start-up (scene, models,
// textures, music) to the first presented frame; process start not counted.
void BM_GameStartupToFirstFrame(benchmark::State& state)
{
    const ScratchFolder* data = DataSet();
    if (!data)
    {
        state.SkipWithError("no data set (built without tools/)");
        return;
    }
    for (auto _ : state)
    {
        double results[2];
        if (!Measure("startup", data->path, results))
        {
            state.SkipWithError("the game's start-up failed");
            return;
        }
        state.SetIterationTime(results[0]);
    }
}
BENCHMARK(BM_GameStartupToFirstFrame)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// One frame of the game's scene after the splash: the time is the wall time of
// a whole frame (present included); engine_cpu_ms the main thread's CPU.
void BM_GameSceneFrame800x600(benchmark::State& state)
{
    const ScratchFolder* data = DataSet();
    if (!data)
    {
        state.SkipWithError("no data set (built without tools/)");
        return;
    }
    double cpu = 0.0;
    for (auto _ : state)
    {
        double results[2];
        if (!Measure("frames", data->path, results))
        {
            state.SkipWithError("the game did not run");
            return;
        }
        state.SetIterationTime(results[0]);
        cpu += results[1];
    }
    state.counters["engine_cpu_ms"] =
        benchmark::Counter(cpu * 1000.0 / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_GameSceneFrame800x600)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
} // namespace
