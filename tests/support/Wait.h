// Waiting in tests: on a condition, with a deadline, polling briefly; never a
// fixed sleep.
#pragma once

#include <chrono>
#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// Calls done until it holds or the time is up; true if it held. Between
// calls, step runs (or, without one, the thread yields for a moment).
inline bool WaitUntil(const std::function<bool()>& done, int milliseconds,
                      const std::function<void()>& step = nullptr)
{
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;)
    {
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        if (step)
            step();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

// Waits for a child process to end: its exit code, 128 + the signal that ended
// it, or -1 when it was still running at the deadline (it is then killed).
inline int WaitExit(pid_t pid, int milliseconds)
{
    int status = 0;
    if (WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, milliseconds))
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}
