// The whole game as a user plays it, headless, in the made data set: the
// program's start-up, main loop and shut-down as WinMain runs them, with the
// clock and the keys injected and the presented frames read back.
#include "core/Kernel.h"
#include "core/Log.h"
#include "core/Profiler.h"
#include "core/Shell.h"
#include "platform/Process.h"
#include "platform/TestHooks.h"
#include "platform/VideoTestHooks.h"
#include "support/FreshProcess.h"
#include "support/SdlEvents.h"
#include "support/TextFiles.h"
#include "tools/MakerRun.h"
#include "video/Video.h"

#include "assets/Image.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace
{
// Milliseconds of injected clock per frame: 20 frames a second.
constexpr DWORD kFrameMs = 50;

// The program in the child: window, Kernel start-up, frames on the injected
// clock, and the shut-down once the loop takes its quit message.
class Session
{
public:
    Session()
    {
        TestSetClock(clock);
        CreateMainWindow();
        ShowCursor(FALSE);
        Profiler::GetInstance()->Start();
        Kernel::GetInstance()->Init();
        mainloop = new LogScope("Mainloop");
    }

    ~Session()
    {
        delete mainloop;
        Kernel::GetInstance()->Shutdown();
        DestroyMainWindow();
        ShowCursor(TRUE);
    }

    // Frames of kFrameMs each for the given time; the messages waiting are
    // handled first, as the loop does.
    void Play(DWORD milliseconds)
    {
        for (DWORD played = 0; played < milliseconds; played += kFrameMs)
        {
            clock += kFrameMs;
            TestSetClock(clock);
            while (MainLoopPass(msg, profilerStamp) != LoopPass::Frame)
            {
            }
        }
    }

    // Runs the loop until it takes its quit message.
    void RunUntilQuit()
    {
        while (msg.message != WM_QUIT)
            MainLoopPass(msg, profilerStamp);
    }

    // The picture last presented; saved as a PNG when TOLVI_GAME_SHOTS names
    // a folder, for a person to look at.
    TestFrame Shot(const char* name)
    {
        TestFrame frame = TestReadFrame(Video::Instance().device);
        if (const char* folder = std::getenv("TOLVI_GAME_SHOTS"))
        {
            assets::Image image(frame.width, frame.height);
            for (int y = 0; y < frame.height; ++y)
            {
                for (int x = 0; x < frame.width; ++x)
                {
                    const uint32_t c = frame.At(x, y);
                    image.At(x, y) =
                        assets::Rgba{static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                     static_cast<uint8_t>(c), 255};
                }
            }
            assets::WritePng(image, std::string(folder) + "/" + name + ".png", false);
        }
        return frame;
    }

    DWORD clock = 1000;
    MSG msg = {};
    DWORD profilerStamp = 0;
    LogScope* mainloop = nullptr;
};

// Fraction of the pixels of two frames that differ by more than a few levels
// in some channel.
double Differing(const TestFrame& a, const TestFrame& b)
{
    size_t differing = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
    {
        for (int shift = 0; shift < 24; shift += 8)
        {
            const int ca = static_cast<int>((a.pixels[i] >> shift) & 0xFF);
            const int cb = static_cast<int>((b.pixels[i] >> shift) & 0xFF);
            if (std::abs(ca - cb) > 8)
            {
                ++differing;
                break;
            }
        }
    }
    return static_cast<double>(differing) / static_cast<double>(a.pixels.size());
}

std::vector<int16_t> ReadSamples(const std::string& path)
{
    std::vector<uint8_t> bytes = ReadBytes(path);
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

size_t Find(const std::vector<std::string>& lines, const std::string& line, size_t from = 0)
{
    return static_cast<size_t>(
        std::find(lines.begin() + std::min(from, lines.size()), lines.end(), line) - lines.begin());
}
} // namespace

TEST(GameProgramTest, PlaysAsAUserSeesAndHearsItAndStopsOnCtrlC)
{
    if (const char* folder = FreshProcessFolder())
    {
        ASSERT_EQ(chdir(folder), 0);
        PlatformInstallSignalHandlers();
        Session session;
        session.Play(kFrameMs);
        const TestFrame title = session.Shot("title");
        session.Play(12000);
        const TestFrame scene = session.Shot("scene");
        EXPECT_GT(Differing(title, scene), 0.5) << "still the title card after 12 s";

        // Ready for the parent's Ctrl+C.
        std::ofstream("ready") << "ready\n";
        session.RunUntilQuit();
        return;
    }

    TOLVI_REQUIRE_MAKER();
    MakerRun data;
    ASSERT_TRUE(data.Make());
    pid_t child = StartFreshProcess(data.path, {{"SDL_AUDIODRIVER", "disk"},
                                                {"SDL_DISKAUDIOFILE", data.File("device.raw")},
                                                {"SDL_DISKAUDIODELAY", "5"}});
    ASSERT_GT(child, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(300);
    while (!std::ifstream(data.File("ready")) && std::chrono::steady_clock::now() < deadline)
    {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child)
            FAIL() << "the game ended before it was stopped, status " << status;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(child, SIGINT);
    EXPECT_EQ(WaitExit(child, std::chrono::seconds(60)), 0);

    std::vector<int16_t> samples = ReadSamples(data.File("device.raw"));
    EXPECT_TRUE(
        std::any_of(samples.begin(), samples.end(), [](int16_t s) { return std::abs(s) > 1000; }))
        << samples.size() << " samples reached the device, all near silence";

    const std::vector<std::string> log = ReadLines(data.File("tolvi.log"));
    const size_t stop = Find(log, "Shutting Down Kernel", Find(log, "Mainloop"));
    ASSERT_LT(stop + 5, log.size()) << "no shut-down in tolvi.log";
    EXPECT_EQ(std::vector<std::string>(log.begin() + stop, log.begin() + stop + 5),
              (std::vector<std::string>{"Shutting Down Kernel", "{", " Stopping Mod", " {", " }"}));
    EXPECT_EQ(log[log.size() - 2], " deleting remaining memory objects...");
    EXPECT_EQ(log.back(), "}");
}
