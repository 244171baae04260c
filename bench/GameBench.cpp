// The whole game in the data set, each measurement in a fresh process of this
// binary (the game's start-up changes every singleton for good): start-up to
// the first presented frame; the frames of the game's scene at 800 by 600
// headless, with the main thread's own CPU time per frame (what the engine
// spends, without the GL driver's rasterizer threads); and the drawing of that
// scene against the plain OpenGL program of GlBaseline drawing the same
// picture in the same process. Needs SDL_VIDEODRIVER=offscreen without a
// display.
#include "BenchSupport.h"
#include "GameSceneBaseline.h"
#include "GlBaseline.h"

#include "core/Kernel.h"
#include "core/Log.h"
#include "core/Profiler.h"
#include "core/Shell.h"
#include "platform/TestHooks.h"
#include "platform/VideoTestHooks.h"
#include "support/ImageFiles.h"
#include "support/ScratchFolder.h"
#include "video/Video.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{
const char* const kChildMode = "TOLVI_GAME_BENCH_MODE";
const char* const kChildOut = "TOLVI_GAME_BENCH_OUT";
// Frames measured after the splash has gone, 50 ms of game time each.
constexpr int kMeasuredFrames = 300;
constexpr DWORD kFrameMs = 50;
// Pairs of frames, engine and baseline, drawn against each other.
constexpr int kVersusPairs = 300;
// Copies of the baseline the engine races, one after the other.
constexpr int kBaselineCopies = 3;
// A channel further apart than this makes a pixel differ.
constexpr int kLevelTolerance = 8;

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

bool PixelsDiffer(uint32_t a, uint32_t b)
{
    for (int shift = 0; shift < 24; shift += 8)
    {
        int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > kLevelTolerance || d < -kLevelTolerance)
            return true;
    }
    return false;
}

// The picture as a PNG, when TOLVI_BENCH_SHOTS names a folder, for a person
// to look at.
void SavePicture(const char* name, const std::vector<uint32_t>& argb, int width, int height)
{
    const char* folder = std::getenv("TOLVI_BENCH_SHOTS");
    if (!folder)
        return;
    WritePng(std::string(folder) + "/" + name + ".png", width, height, argb, false);
}

// Frames of `first` and `second` in alternating pairs, the order turning every
// pair, each frame ending when its picture is done: their median milliseconds
// and the median ratio first / second of neighbouring frames.
template <typename First, typename Second>
void Race(First first, Second second, double& firstMs, double& secondMs, double& ratio)
{
    std::vector<double> firstTimes;
    std::vector<double> secondTimes;
    std::vector<double> ratios;
    for (int pair = 0; pair < kVersusPairs; ++pair)
    {
        double firstTime = 0.0;
        double secondTime = 0.0;
        RacePair(static_cast<size_t>(pair), first, second, firstTime, secondTime);
        firstTimes.push_back(firstTime);
        secondTimes.push_back(secondTime);
        ratios.push_back(firstTime / secondTime);
    }
    firstMs = Median(firstTimes);
    secondMs = Median(secondTimes);
    ratio = Median(ratios);
}

// The game's scene, frozen, drawn by Video::Render and by the baseline in
// alternating pairs. Results: median engine and baseline milliseconds, the
// median ratio of neighbouring frames, the fraction of pixels in which the two
// pictures differ, and the spread of the baseline's copies (slowest median
// over fastest); empty when the baseline cannot run.
//
// Equal GL programs in one process do not draw equally fast: some copies of
// the baseline come out 15-30 % slower than others, at random from one
// process to the next (where the driver's large blocks land in memory, as far
// as can be told; raising the heap's mmap threshold with KeepHeapPages does
// not remove it, so the heap keeps the C library's defaults here). The
// baseline stands for the least a plain program needs, so the engine races
// several copies and is measured against the fastest: the largest ratio.
std::vector<double> RaceBaseline()
{
    Video& video = Video::Instance();
    std::vector<std::unique_ptr<GlBaseline>> copies;
    std::string why;
    for (int i = 0; i < kBaselineCopies; ++i)
    {
        copies.push_back(std::make_unique<GlBaseline>(video.width, video.height));
        if (!copies.back()->Ready() || !FeedGameScene(*copies.back(), why))
            return {};
    }
    auto engineFrame = [&video]
    {
        video.Render();
        // Present leaves the device's context current.
        glFinish();
    };
    engineFrame();
    const TestFrame engine = TestReadFrame(video.device);
    const std::vector<uint32_t> plain = copies[0]->DrawAndReadAll();
    if (plain.size() != engine.pixels.size())
        return {};
    size_t differing = 0;
    for (size_t i = 0; i < plain.size(); ++i)
        differing += PixelsDiffer(plain[i], engine.pixels[i]);
    SavePicture("engine", engine.pixels, engine.width, engine.height);
    SavePicture("baseline", plain, engine.width, engine.height);

    std::vector<double> result;
    double fastest = 0.0;
    double slowest = 0.0;
    for (const std::unique_ptr<GlBaseline>& copy : copies)
    {
        GlBaseline* baseline = copy.get();
        double engineMs = 0.0, baselineMs = 0.0, ratio = 0.0;
        Race(
            engineFrame, [baseline] { baseline->DrawFrame(); }, engineMs, baselineMs, ratio);
        if (result.empty() || ratio > result[2])
            result = {engineMs, baselineMs, ratio};
        fastest = fastest == 0.0 ? baselineMs : std::min(fastest, baselineMs);
        slowest = std::max(slowest, baselineMs);
    }
    result.push_back(static_cast<double>(differing) / static_cast<double>(plain.size()));
    result.push_back(slowest / fastest);
    return result;
}

// The time each line of the log was written, to count what the start-up
// spends where.
class StampedLog : public LogOutput
{
public:
    using Clock = std::chrono::steady_clock;

    void Open() override {}
    void Close() override {}
    // The indent comes as a write of its own, left out here.
    void Write(const char* text) override
    {
        if (text[strspn(text, " ")] != '\0')
            lines.push_back({Clock::now(), text});
    }

    // When the first line that starts with `start` was written; `otherwise`
    // when none was.
    Clock::time_point TimeOf(const char* start, Clock::time_point otherwise) const
    {
        for (const auto& line : lines)
        {
            if (line.second.compare(0, strlen(start), start) == 0)
                return line.first;
        }
        return otherwise;
    }
    // Seconds spent by the texture loads: each from the line before its
    // "Texture ... loaded." line (nothing else happens between the two).
    double TextureLoads() const
    {
        double total = 0.0;
        for (size_t i = 1; i < lines.size(); ++i)
        {
            if (lines[i].second.compare(0, 8, "Texture ") == 0 &&
                lines[i].second.find(" loaded.") != std::string::npos)
                total += Seconds(lines[i].first - lines[i - 1].first);
        }
        return total;
    }

private:
    std::vector<std::pair<Clock::time_point, std::string>> lines;
};

// The child's work: writes its measurements (seconds) to the output file and
// ends the process.
void RunChild(const std::string& mode, const char* out)
{
    const auto start = std::chrono::steady_clock::now();
    DWORD clock = 1000;
    TestSetClock(clock);
    CreateMainWindow();
    const auto windowMade = std::chrono::steady_clock::now();
    ShowCursor(FALSE);
    Profiler::GetInstance()->Start();
    SmartPtr<StampedLog> log = new StampedLog();
    Log::Instance()->AddOutput(log.Get());
    Kernel::GetInstance()->Init();
    const auto started = std::chrono::steady_clock::now();
    MSG msg = {};
    DWORD stamp = 0;
    Frame(msg, stamp, clock);
    const auto firstFrame = std::chrono::steady_clock::now();
    // The whole start-up, then its parts: the window (with the GL driver's
    // loading), the video device, the texture loads, the rest of the game
    // module's scene (models, physics, music), and the first frame (with the
    // driver's compilation of each new pipeline state).
    const double textures = log->TextureLoads();
    const auto videoStart = log->TimeOf("Initializing Video Subsystem", windowMade);
    const auto inputStart = log->TimeOf("Initializing Input Subsystem", videoStart);
    const auto modStart = log->TimeOf("Starting Mod", started);
    std::vector<double> results = {Seconds(firstFrame - start),
                                   Seconds(windowMade - start),
                                   Seconds(inputStart - videoStart),
                                   textures,
                                   Seconds(started - modStart) - textures,
                                   Seconds(firstFrame - started)};
    if (mode == "frames" || mode == "versus")
    {
        // Past the fade: the scene alone.
        for (DWORD played = 0; played < 12000; played += kFrameMs)
            Frame(msg, stamp, clock);
    }
    if (mode == "frames")
    {
        const auto wall = std::chrono::steady_clock::now();
        const double cpu = ThreadCpuSeconds();
        for (int i = 0; i < kMeasuredFrames; ++i)
            Frame(msg, stamp, clock);
        results = {Seconds(std::chrono::steady_clock::now() - wall) / kMeasuredFrames,
                   (ThreadCpuSeconds() - cpu) / kMeasuredFrames};
    }
    else if (mode == "versus")
        results = RaceBaseline();
    if (FILE* file = std::fopen(out, "w"))
    {
        for (double value : results)
            std::fprintf(file, "%.9f\n", value);
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

// Runs a child in the data set and reads what it wrote; false, with the
// benchmark skipped, when there is no data set, or the child failed (the
// error is `failure`) or wrote fewer than `count` numbers.
bool Measure(benchmark::State& state, const std::string& mode, size_t count, const char* failure,
             std::vector<double>& results)
{
    const ScratchFolder* data = SharedDataSet();
    if (!data)
    {
        state.SkipWithError("no data set (built without tools/)");
        return false;
    }
    const std::string& folder = data->path;
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
    results.clear();
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
        WEXITSTATUS(status) == 0)
    {
        if (FILE* file = std::fopen(out.c_str(), "r"))
        {
            double value = 0.0;
            while (std::fscanf(file, "%lf", &value) == 1)
                results.push_back(value);
            std::fclose(file);
        }
    }
    if (results.size() >= count)
        return true;
    state.SkipWithError(failure);
    return false;
}

// From the window's creation through the Kernel's start-up (scene, models,
// textures, music) to the first presented frame; process start not counted.
// The counters split the medians: the window (with the GL driver's loading),
// the video device, the texture loads, the rest of the scene, and the first
// frame (with the driver's compilation of each new pipeline state).
void BM_GameStartupToFirstFrame(benchmark::State& state)
{
    const char* const parts[] = {"window_ms", "video_ms", "textures_ms", "scene_rest_ms",
                                 "first_frame_ms"};
    std::vector<double> times[5];
    for (auto _ : state)
    {
        std::vector<double> results;
        if (!Measure(state, "startup", 6, "the game's start-up failed", results))
            return;
        state.SetIterationTime(results[0]);
        for (int i = 0; i < 5; ++i)
            times[i].push_back(results[static_cast<size_t>(i) + 1] * 1000.0);
    }
    for (int i = 0; i < 5; ++i)
        state.counters[parts[i]] = Median(times[i]);
}
BENCHMARK(BM_GameStartupToFirstFrame)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// One frame of the game's scene after the splash: the time is the wall time of
// a whole frame (present included); engine_cpu_ms the main thread's CPU.
void BM_GameSceneFrame800x600(benchmark::State& state)
{
    double cpu = 0.0;
    for (auto _ : state)
    {
        std::vector<double> results;
        if (!Measure(state, "frames", 2, "the game did not run", results))
            return;
        state.SetIterationTime(results[0]);
        cpu += results[1];
    }
    state.counters["engine_cpu_ms"] =
        benchmark::Counter(cpu * 1000.0 / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_GameSceneFrame800x600)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

// The game's scene after the splash, frozen, drawn by the engine's whole
// Video::Render (scene, HUD, wire boxes, present) and by the plain OpenGL
// program, alternating in one process. The time is the engine's median frame;
// the counters give both medians, the median ratio, the share of pixels
// where the two pictures differ by more than a few levels, and how far apart
// the baseline's equal copies came (see RaceBaseline).
void BM_GameSceneVsBaseline(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    std::vector<double> engine;
    std::vector<double> plain;
    std::vector<double> ratio;
    std::vector<double> spread;
    double differing = 0.0;
    for (auto _ : state)
    {
        std::vector<double> results;
        if (!Measure(state, "versus", 5, "the game or the baseline did not run", results))
            return;
        state.SetIterationTime(results[0] / 1000.0);
        engine.push_back(results[0]);
        plain.push_back(results[1]);
        ratio.push_back(results[2]);
        differing = std::max(differing, results[3]);
        spread.push_back(results[4]);
    }
    state.counters["engine_ms"] = Median(engine);
    state.counters["baseline_ms"] = Median(plain);
    state.counters["ratio"] = Median(ratio);
    state.counters["differing_pixels"] = differing;
    state.counters["baseline_copies_spread"] = Median(spread);
}
BENCHMARK(BM_GameSceneVsBaseline)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
} // namespace
