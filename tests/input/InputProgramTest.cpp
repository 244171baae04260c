// The whole program's frame, headless: key, mouse and text events pushed into
// SDL's queue reach the Mod's handlers with the right key codes, and the input
// system's blocks stand in their places in "tolvi.log".
#include "input/InputRecorder.h"

#include "core/ProgramSession.h"
#include "support/FreshProcess.h"
#include "support/ScratchFolder.h"
#include "support/SdlEvents.h"
#include "support/TextFiles.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace
{
// The program with events pushed between frames. Writes the Mod's input
// calls, and "frame" after each frame, to "calls.txt".
void PlayProgram(const char* folder)
{
    ASSERT_EQ(chdir(folder), 0);
    InputRecorder spy;
    {
        ProgramSession session;
        auto frame = [&]
        {
            session.Play();
            spy.calls.push_back("frame");
        };
        frame();
        PushKey(SDL_SCANCODE_C, true, "c");
        PushKey(SDL_SCANCODE_E, true, "\xC3\xA9"); // e acute, from a French layout's key
        PushMotion(5, -3);
        PushButton(SDL_BUTTON_RIGHT, true);
        frame();
        frame();
        PushKey(SDL_SCANCODE_C, false);
        PushKey(SDL_SCANCODE_E, false);
        PushMotion(0, 7);
        PushButton(SDL_BUTTON_RIGHT, false);
        frame();

        SDL_Event quit = {};
        quit.type = SDL_QUIT;
        PushSdlEvent(quit);
        session.RunUntilQuit();
    }
    std::ofstream out("calls.txt");
    for (const std::string& call : spy.calls)
        out << call << "\n";
}

// The four lines of a subsystem block at the Kernel's block's indent, from
// its title on; lines.size() if the block is not there whole.
size_t BlockAt(const std::vector<std::string>& lines, const std::string& title,
               const std::string& only)
{
    std::vector<std::string> block = {" " + title, " {", "  " + only, " }"};
    auto found = std::search(lines.begin(), lines.end(), block.begin(), block.end());
    return static_cast<size_t>(found - lines.begin());
}

size_t LineAt(const std::vector<std::string>& lines, const std::string& line)
{
    return static_cast<size_t>(std::find(lines.begin(), lines.end(), line) - lines.begin());
}
} // namespace

TEST(InputProgramTest, EventsInSdlsQueueReachTheModThroughTheProgramsFrame)
{
    if (const char* folder = FreshProcessFolder())
    {
        PlayProgram(folder);
        return;
    }

    ScratchFolder dir("input-program");
    EXPECT_EQ(WaitExit(StartFreshProcess(dir.path), std::chrono::seconds(120)), 0);
    std::vector<std::string> calls = ReadLines(dir.path + "/calls.txt");
    std::vector<std::string> lines = ReadLines(dir.path + "/tolvi.log");

    // Characters arrive from the window procedure as the messages are
    // handled; the frame then delivers the mouse, then the keys by code.
    EXPECT_EQ(calls,
              (std::vector<std::string>{"frame", "char 99", "char 233", "move 5 -3", "mousedown 1",
                                        "keydown 18", "keydown 46", "frame", "frame", "move 0 7",
                                        "mouseup 1", "keyup 18", "keyup 46", "frame"}));

    size_t started = BlockAt(lines, "Initializing Input Subsystem", "Input system activated.");
    ASSERT_LT(started, lines.size()) << "no start-up block";
    EXPECT_LT(LineAt(lines, "  Video::Initialize succeded."), started);
    EXPECT_LT(started, LineAt(lines, " Initializing Network Subsystem"));
    size_t stopped = BlockAt(lines, "Shutting Down Input Subsystem", "Input system deactivated.");
    ASSERT_LT(stopped, lines.size()) << "no shut-down block";
    EXPECT_LT(LineAt(lines, "Shutting Down Kernel"), stopped);
    EXPECT_LT(LineAt(lines, " Shutting Down Network Subsystem"), stopped);
    EXPECT_LT(stopped, LineAt(lines, " Shutting down Video subsystem"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "  Input system activated."), 1)
        << "the loop neither deactivates nor activates again";
}
