// Runs the real program headless in a scratch folder and stops it as a user's
// session would, by SIGTERM.
#include "support/ScratchFolder.h"
#include "support/TextFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{
bool HasLine(const std::vector<std::string>& lines, const std::string& wanted)
{
    for (const std::string& line : lines)
    {
        if (line == wanted)
            return true;
    }
    return false;
}

pid_t Spawn(const std::string& dir)
{
    pid_t pid = fork();
    if (pid == 0)
    {
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        execl(TOLVI_BINARY, TOLVI_BINARY, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

int WaitExit(pid_t pid, int seconds)
{
    for (int i = 0; i < seconds * 20; ++i)
    {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

class ProgramTest : public ::testing::Test
{
protected:
    // Waits until the program's log shows the main loop running.
    bool WaitForMainloop(int seconds)
    {
        for (int i = 0; i < seconds * 20; ++i)
        {
            if (HasLine(ReadLines(dir + "/tolvi.log"), "Mainloop"))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    ScratchFolder scratch{"program"};
    std::string dir = scratch.path;
};
} // namespace

TEST_F(ProgramTest, StartsRunsFramesAndStopsCleanlyOnSigterm)
{
    pid_t pid = Spawn(dir);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitForMainloop(60)) << "no main loop in tolvi.log";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 60), 0);

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
    std::this_thread::sleep_for(std::chrono::seconds(2));
    kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 60), 0);
}
