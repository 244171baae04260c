#include "core/Shell.h"
#include "core/Kernel.h"
#include "core/Profiler.h"
#include "core/RefObject.h"
#include "core/SmartPtr.h"
#include "core/Timer.h"
#include "platform/TestHooks.h"
#include "support/TestWindow.h"
#include "video/VideoTestSupport.h"

#include <gtest/gtest.h>

namespace
{
const UINT kUserMessage = 0x0400;

struct Flag : RefObject
{
    explicit Flag(bool* dead) : dead(dead) {}
    ~Flag() override { *dead = true; }
    bool* dead;
};

class ShellTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // No main window here, nor the shared video an earlier test left on one.
        VideoTestSupport::Stop();
        TestClearMessages();
        TestSetClock(1000);
        g_windowActive = false; // keep the loop from asking for a window
        g_keyDownSeen = false;
    }
    void TearDown() override
    {
        TestClearMessages();
        TestUseRealClock();
        g_windowActive = true;
        RefObject::CollectGarbage();
    }
};
} // namespace

TEST_F(ShellTest, WaitingMessagesStarveFramesOneMessagePerPass)
{
    bool dead = false;
    {
        SmartPtr<Flag> flag(new Flag(&dead));
    }
    for (int i = 0; i < 3; ++i)
        TestPostMessage(nullptr, kUserMessage + i, 0, 0);

    MSG msg = {};
    DWORD stamp = 0;
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(MainLoopPass(msg, stamp), LoopPass::Message);
        EXPECT_EQ(msg.message, kUserMessage + i);
        EXPECT_FALSE(dead) << "no frame may run while messages wait";
    }
    EXPECT_EQ(MainLoopPass(msg, stamp), LoopPass::Frame);
    EXPECT_TRUE(dead) << "the frame ends by deleting released objects";
}

TEST_F(ShellTest, QuitComesOnlyAfterOtherMessages)
{
    PostQuitMessage(0);
    TestPostMessage(nullptr, kUserMessage, 0, 0);
    MSG msg = {};
    DWORD stamp = 0;
    MainLoopPass(msg, stamp);
    EXPECT_EQ(msg.message, kUserMessage);
    MainLoopPass(msg, stamp);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(MainLoopPass(msg, stamp), LoopPass::Frame);
}

TEST_F(ShellTest, ProfilerStampCyclesOnFirstPassThenEvery200Ms)
{
    MSG msg = {};
    DWORD stamp = 0;
    MainLoopPass(msg, stamp);
    EXPECT_EQ(stamp, 1200u);
    TestSetClock(1200);
    MainLoopPass(msg, stamp);
    EXPECT_EQ(stamp, 1200u);
    TestSetClock(1201);
    MainLoopPass(msg, stamp);
    EXPECT_EQ(stamp, 1401u);
}

TEST_F(ShellTest, KeyDownLetsExactlyOneCharacterThrough)
{
    WindowProc(nullptr, WM_CHAR, 'a', 0);
    EXPECT_FALSE(g_keyDownSeen);
    WindowProc(nullptr, WM_KEYDOWN, 0, 0);
    EXPECT_TRUE(g_keyDownSeen);
    WindowProc(nullptr, WM_CHAR, 'b', 0);
    EXPECT_FALSE(g_keyDownSeen);
    WindowProc(nullptr, WM_CHAR, 'c', 0);
    EXPECT_FALSE(g_keyDownSeen);
}

TEST_F(ShellTest, ActivationMovesTheCursorCounterAndActiveFlag)
{
    int before = TestGetCursorCounter();
    WindowProc(nullptr, WM_ACTIVATE, 0, 0);
    EXPECT_FALSE(g_windowActive);
    EXPECT_EQ(TestGetCursorCounter(), before + 1);
    WindowProc(nullptr, WM_ACTIVATE, 0x00010002, 0); // any non-zero wParam activates
    EXPECT_TRUE(g_windowActive);
    EXPECT_EQ(TestGetCursorCounter(), before);
}

TEST_F(ShellTest, CloseMessagePostsQuit)
{
    WindowProc(nullptr, WM_CLOSE, 0, 0);
    MSG msg = {};
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
}

TEST_F(ShellTest, FramesTickTheTimerAndCycleTheProfilerFrame)
{
    Timer::Instance()->Initialize();
    Profiler::GetInstance()->Start();
    MSG msg = {};
    DWORD stamp = 0;
    TestSetClock(1040);
    MainLoopPass(msg, stamp);
    EXPECT_FLOAT_EQ(Timer::Instance()->GetFrameTime(), 0.04f);
    EXPECT_DOUBLE_EQ(Profiler::GetInstance()->GetFrameMilliseconds(), 40.0)
        << "the first idle pass closes the profiler frame";

    TestSetClock(1100);
    MainLoopPass(msg, stamp);
    EXPECT_FLOAT_EQ(Timer::Instance()->GetFrameTime(), 0.06f);
    EXPECT_DOUBLE_EQ(Profiler::GetInstance()->GetFrameMilliseconds(), 40.0)
        << "and then not again within 200 ms";
    TestSetClock(1241);
    MainLoopPass(msg, stamp);
    EXPECT_DOUBLE_EQ(Profiler::GetInstance()->GetFrameMilliseconds(), 201.0);
}

TEST_F(ShellTest, ActiveWindowPullsThePointerToItsCentreEveryFrameWhereverItIs)
{
    TestWindow window;
    g_mainWindow = window.window;
    RECT rect;
    ASSERT_TRUE(GetWindowRect(window.window, &rect));
    MSG msg = {};
    DWORD stamp = 0;
    // Headless SDL never sees the pointer over the window: it counts as having
    // left it, and must be brought back all the same, but only while active.
    for (bool active : {true, true, false})
    {
        g_windowActive = active;
        const POINT away = {rect.left + 20, rect.top + 40};
        TestMovePointer(away.x, away.y);
        while (MainLoopPass(msg, stamp) != LoopPass::Frame)
        {
        }
        POINT expected =
            active ? POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2} : away;
        EXPECT_EQ(TestGetPointer().x, expected.x) << "active " << active;
        EXPECT_EQ(TestGetPointer().y, expected.y) << "active " << active;
    }
    g_mainWindow = nullptr;
}
