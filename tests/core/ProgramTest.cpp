// Runs the real program headless in a scratch folder and stops it as a user's
// session would, by SIGTERM.
#include "support/ScratchFolder.h"
#include "support/TextFiles.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
// Starts the program in the folder, its sound going to SDL's disk driver,
// which writes the device's output to "device.raw" there.
pid_t Spawn(const std::string& dir)
{
    pid_t pid = fork();
    if (pid == 0)
    {
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", "device.raw", 1);
        execl(TOLVI_BINARY, TOLVI_BINARY, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

class ProgramTest : public ::testing::Test
{
protected:
    // True once the program's log shows the main loop's block open.
    bool InMainloop() const
    {
        std::vector<std::string> lines = ReadLines(dir + "/tolvi.log");
        for (size_t i = 0; i + 1 < lines.size(); ++i)
        {
            if (lines[i] == "Mainloop" && lines[i + 1] == "{")
                return true;
        }
        return false;
    }
    // True once the program has opened its sound device, which it does in
    // its start-up after the video.
    bool SoundOpened() const
    {
        struct stat info;
        return stat((dir + "/device.raw").c_str(), &info) == 0;
    }
    ScratchFolder scratch{"program"};
    std::string dir = scratch.path;
};
} // namespace

TEST_F(ProgramTest, StartsRunsFramesAndStopsCleanlyOnSigterm)
{
    pid_t pid = Spawn(dir);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitUntil([this] { return InMainloop(); }, 60000)) << "no main loop in tolvi.log";
    kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 60000), 0);

    std::vector<std::string> lines = ReadLines(dir + "/tolvi.log");
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines[0], "Initializing Kernel");
    EXPECT_EQ(lines[1], "{");
    EXPECT_EQ(lines[2], " tolvi.log opened");

    // The main loop's block, then the shut-down block, close the file.
    size_t mainloop = 0;
    while (mainloop < lines.size() && lines[mainloop] != "Mainloop")
        ++mainloop;
    ASSERT_LT(mainloop + 1, lines.size());
    EXPECT_EQ(lines[mainloop - 1], "}");
    EXPECT_EQ(lines[mainloop + 1], "{");
    size_t shutdown = mainloop;
    while (shutdown < lines.size() && lines[shutdown] != "Shutting Down Kernel")
        ++shutdown;
    ASSERT_LT(shutdown + 1, lines.size());
    EXPECT_EQ(lines[shutdown - 1], "}");
    EXPECT_EQ(lines[shutdown + 1], "{");
    EXPECT_EQ(lines[lines.size() - 2], " deleting remaining memory objects...");
    EXPECT_EQ(lines.back(), "}");
}

TEST_F(ProgramTest, RunsWhenTheLogFileCannotBeCreated)
{
    // A folder in the log file's place: no log, but the program still runs and
    // stops cleanly.
    ASSERT_EQ(mkdir((dir + "/tolvi.log").c_str(), 0755), 0);
    pid_t pid = Spawn(dir);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitUntil([this] { return SoundOpened(); }, 60000)) << "the program never started";
    kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 60000), 0);
}
