// The program as WinMain runs it, for tests in a fresh process: the window and
// the Kernel's start-up, frames on the injected clock, and the shut-down once
// the loop has taken its quit message.
#pragma once

#include "core/Kernel.h"
#include "core/Log.h"
#include "core/Profiler.h"
#include "core/Shell.h"
#include "platform/TestHooks.h"

#include <memory>

class ProgramSession
{
public:
    // Milliseconds of injected clock per frame: 20 frames a second.
    static constexpr DWORD kFrameMs = 50;

    ProgramSession()
    {
        TestSetClock(clock);
        CreateMainWindow();
        ShowCursor(FALSE);
        Profiler::GetInstance()->Start();
        Kernel::GetInstance()->Init();
        mainloop = std::make_unique<LogScope>("Mainloop");
    }

    ~ProgramSession()
    {
        mainloop.reset();
        Kernel::GetInstance()->Shutdown();
        DestroyMainWindow();
        ShowCursor(TRUE);
    }

    // Frames of kFrameMs each for the given time; the messages waiting are
    // handled first, as the loop does.
    void Play(DWORD milliseconds = kFrameMs)
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

    DWORD clock = 1000;
    MSG msg = {};
    DWORD profilerStamp = 0;
    std::unique_ptr<LogScope> mainloop;
};
