// Runs the current test again in a fresh process of this test binary, for
// tests that change the program's singletons for good (the Kernel's start-up,
// the game's scene, signal handlers). In that process FreshProcessFolder()
// holds the folder the parent gave; elsewhere it is null.
#pragma once

#include "support/Wait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

inline const char* FreshProcessFolder()
{
    return std::getenv("TOLVI_FRESH_PROCESS_FOLDER");
}

// Starts the current test in a new process with the folder and the extra
// environment; the child's exit status is the test's result (0 passed).
inline pid_t StartFreshProcess(const std::string& folder,
                               const std::vector<std::pair<std::string, std::string>>& env = {})
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter =
        std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    pid_t child = fork();
    if (child == 0)
    {
        setenv("TOLVI_FRESH_PROCESS_FOLDER", folder.c_str(), 1);
        for (const auto& entry : env)
            setenv(entry.first.c_str(), entry.second.c_str(), 1);
        execl("/proc/self/exe", "tolvi_tests", filter.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return child;
}

// The child's exit status (128 + the signal if one ended it), or -1 after
// killing it when the limit passed first.
inline int WaitExit(pid_t pid, std::chrono::seconds limit)
{
    return WaitExit(pid, static_cast<int>(std::chrono::milliseconds(limit).count()));
}
