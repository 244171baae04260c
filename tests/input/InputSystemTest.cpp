// The input system over the real devices, with the key and mouse state set
// through the platform's hooks, and the calls that reach the Mod recorded.
#include "input/InputRecorder.h"

#include "core/Shell.h"
#include "input/InputSystem.h"
#include "platform/InputTestHooks.h"
#include "support/LogCapture.h"
#include "support/SdlEvents.h"
#include "support/TestWindow.h"
#include "video/VideoTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
typedef std::vector<std::string> Calls;

class InputSystemTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestResetInput();
        // The test's window takes the main window's place, which the shared
        // video an earlier test left running must give up first.
        VideoTestSupport::Stop();
        log.Clear();
        g_mainWindow = window.window;
    }
    void TearDown() override
    {
        InputSystem::Instance()->Shutdown();
        TestResetInput();
        g_mainWindow = nullptr;
    }
    // Init, with the log of the start-up forgotten.
    void Start()
    {
        InputSystem::Instance()->Init();
        log.Clear();
    }
    Calls Frame()
    {
        InputSystem::Instance()->Update();
        return spy.Take();
    }

    TestWindow window;
    LogCapture log;
    InputRecorder spy;
};
} // namespace

TEST_F(InputSystemTest, ActivationBeforeInitLogsNothingAndStaysInactive)
{
    InputSystem::Instance()->SetActive(true);
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_FALSE(InputSystem::Instance()->active);
}

TEST_F(InputSystemTest, KeyHeldOverManyFramesGivesOneDownAndOneUp)
{
    Start();
    TestSetKeyState(DIK_C, 0x80);
    EXPECT_EQ(Frame(), (Calls{"keydown 46"}));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Frame(), Calls{});
    TestSetKeyState(DIK_C, 0);
    EXPECT_EQ(Frame(), (Calls{"keyup 46"}));
    EXPECT_EQ(Frame(), Calls{});
}

TEST_F(InputSystemTest, MouseEventsComeFirstThenKeysInAscendingCode)
{
    Start();
    TestSetKeyState(DIK_UP, 0x80); // pressed first, delivered last
    TestSetKeyState(DIK_C, 0x80);
    TestSetKeyState(DIK_W, 0x80);
    TestSetKeyState(255, 0x80); // the first and last codes and buttons too
    TestSetKeyState(0, 0x80);
    TestSetMouseButton(7, 0x80);
    TestSetMouseButton(1, 0x80);
    TestMoveMouse(0, -4, 120); // vertical only; the wheel is not reported
    EXPECT_EQ(Frame(), (Calls{"move 0 -4", "mousedown 1", "mousedown 7", "keydown 0", "keydown 17",
                              "keydown 46", "keydown 200", "keydown 255"}));
    TestMoveMouse(0, 0, 120);
    EXPECT_EQ(Frame(), Calls{}) << "no motion call for the wheel alone";
}

// Buttons compare whole bytes; keys only their top bit.
TEST_F(InputSystemTest, EdgesFollowTheByteRules)
{
    struct Case
    {
        BYTE before;
        BYTE after;
        const char* button; // the call expected for button 2, or ""
        const char* key;    // the call expected for DIK_A, or ""
    };
    const Case cases[] = {
        {0x00, 0x80, "mousedown 2", "keydown 30"},
        {0x80, 0x01, "", "keyup 30"},
        {0x01, 0x00, "mouseup 2", ""},
        {0x00, 0x01, "mousedown 2", ""},
        {0x01, 0x81, "", "keydown 30"},
        {0x81, 0x80, "", ""},
    };
    Start();
    for (const Case& c : cases)
    {
        TestSetMouseButton(2, c.before);
        TestSetKeyState(DIK_A, c.before);
        Frame();
        TestSetMouseButton(2, c.after);
        TestSetKeyState(DIK_A, c.after);
        Calls expected;
        for (const char* call : {c.button, c.key})
        {
            if (*call)
                expected.push_back(call);
        }
        EXPECT_EQ(Frame(), expected) << std::hex << int(c.before) << " -> " << int(c.after);
    }
}

TEST_F(InputSystemTest, InactiveRunsNoHandlerButCharactersPass)
{
    Start();
    TestSetKeyState(DIK_SPACE, 0x80);
    Frame();
    InputSystem::Instance()->SetActive(false);
    InputSystem::Instance()->SetActive(false);
    EXPECT_EQ(log.Lines(), Calls{"Input system deactivated."}) << "repeats log nothing";

    TestSetKeyState(DIK_SPACE, 0);
    TestSetKeyState(DIK_M, 0x80);
    TestMoveMouse(9, 9, 0);
    EXPECT_EQ(Frame(), Calls{});
    InputSystem::Instance()->OnChar('x');
    InputSystem::Instance()->OnChar(static_cast<char>(0xE9));
    EXPECT_EQ(spy.Take(), (Calls{"char 120", "char 233"}));

    // Back in the foreground, the first read reports what changed meanwhile;
    // motion made while inactive is not reported.
    InputSystem::Instance()->SetActive(true);
    EXPECT_EQ(Frame(), (Calls{"keydown 50", "keyup 57"}));
}

// The devices belong to the window in the foreground: once it loses the
// focus they read nothing, even before its procedure deactivates the system.
TEST_F(InputSystemTest, DevicesReadNothingOnceTheWindowLosesTheFocus)
{
    Start();
    TestSetKeyState(DIK_C, 0x80);
    Frame();
    PushFocus(SDL_WINDOWEVENT_FOCUS_LOST, window.window);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    TestSetKeyState(DIK_C, 0);
    TestSetMouseButton(0, 0x80);
    EXPECT_EQ(Frame(), Calls{});
}

TEST_F(InputSystemTest, FailedReadsReportNoMotionAndNoChange)
{
    Start();
    TestSetKeyState(DIK_D, 0x80);
    TestSetMouseButton(0, 0x80);
    TestMoveMouse(30, 0, 0);
    EXPECT_EQ(Frame(), (Calls{"move 30 0", "mousedown 0", "keydown 32"}));

    TestFailDeviceReads(true);
    TestSetKeyState(DIK_D, 0);
    TestSetMouseButton(0, 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Frame(), Calls{}) << "the last motion must not be reported again";
    EXPECT_EQ(InputSystem::Instance()->currentMouse.lX, 0);
    EXPECT_EQ(InputSystem::Instance()->currentMouse.rgbButtons[0], 0x80);
    EXPECT_EQ(InputSystem::Instance()->currentKeys[DIK_D], 0x80);

    TestFailDeviceReads(false);
    EXPECT_EQ(Frame(), (Calls{"mouseup 0", "keyup 32"}));
}

TEST_F(InputSystemTest, APartThatCannotBeCreatedIsLeftOutWithOneLine)
{
    struct Case
    {
        bool interface;
        const GUID* device;
        const char* line;
        Calls calls; // for a key, a button and a move
    };
    const Case cases[] = {
        {false,
         &GUID_SysKeyboard,
         " InputSystem::Init() > IDirectInput8A::CreateDevice() failed: no keyboard.",
         {"move 1 2", "mousedown 0"}},
        {false,
         &GUID_SysMouse,
         " InputSystem::Init() > IDirectInput8A::CreateDevice() failed: no mouse.",
         {"keydown 1"}},
        {true,
         nullptr,
         " InputSystem::Init() > DirectInput8Create() failed: no keyboard or mouse.",
         {}},
    };
    for (const Case& c : cases)
    {
        TestResetInput();
        TestRefuseDirectInput(c.interface);
        if (c.device)
            TestRefuseInputDevice(*c.device, true);
        log.Clear();
        InputSystem::Instance()->Init();
        std::vector<std::string> lines = log.Lines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), c.line), 1);

        TestSetKeyState(DIK_ESCAPE, 0x80);
        TestSetMouseButton(0, 0x80);
        TestMoveMouse(1, 2, 0);
        EXPECT_EQ(Frame(), c.calls) << c.line;
        InputSystem::Instance()->Shutdown();
    }
}
