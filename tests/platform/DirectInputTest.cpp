// The keyboard and mouse devices fed by events pushed into SDL's own queue,
// as the window's message pump takes them; and typed text.
#include "platform/DirectInput.h"
#include "platform/SdlWindow.h"
#include "platform/TestHooks.h"
#include "support/TestWindow.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{
class DirectInputTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestClearMessages();
        void* created = nullptr;
        ASSERT_EQ(
            DirectInput8Create(nullptr, DIRECTINPUT_VERSION, IID_IDirectInput8A, &created, nullptr),
            DI_OK);
        input = static_cast<IDirectInput8A*>(created);
        keyboard = Open(GUID_SysKeyboard, &c_dfDIKeyboard);
        mouse = Open(GUID_SysMouse, &c_dfDIMouse2);
        ASSERT_EQ(keyboard->Acquire(), DI_OK);
        ASSERT_EQ(mouse->Acquire(), DI_OK);
        Pump();
        ReadMouse(); // forget whatever moved before
    }
    void TearDown() override
    {
        keyboard->Release();
        mouse->Release();
        input->Release();
        TestClearMessages();
    }

    IDirectInputDevice8A* Open(REFGUID guid, const DIDATAFORMAT* format)
    {
        IDirectInputDevice8A* device = nullptr;
        EXPECT_EQ(input->CreateDevice(guid, &device, nullptr), DI_OK);
        EXPECT_EQ(device->SetDataFormat(format), DI_OK);
        EXPECT_EQ(device->SetCooperativeLevel(window.window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
                  DI_OK);
        return device;
    }
    // Every event kind used here keeps its window id in the same place.
    void Push(SDL_Event event)
    {
        event.window.windowID = SDL_GetWindowID(PlatformGetSdlWindow(window.window));
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }
    void PushKey(SDL_Scancode scancode, bool down)
    {
        SDL_Event event = {};
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.scancode = scancode;
        event.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
        Push(event);
    }
    void PushFocus(Uint8 change)
    {
        SDL_Event event = {};
        event.type = SDL_WINDOWEVENT;
        event.window.event = change;
        Push(event);
    }
    // Takes every message the pump makes of SDL's queue.
    std::vector<MSG> Pump()
    {
        std::vector<MSG> taken;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            taken.push_back(msg);
        return taken;
    }
    std::vector<BYTE> ReadKeys()
    {
        std::vector<BYTE> keys(256, 0xEE);
        EXPECT_EQ(keyboard->GetDeviceState(256, keys.data()), DI_OK);
        return keys;
    }
    DIMOUSESTATE2 ReadMouse()
    {
        DIMOUSESTATE2 state;
        memset(&state, 0xEE, sizeof(state));
        EXPECT_EQ(mouse->GetDeviceState(sizeof(state), &state), DI_OK);
        return state;
    }

    TestWindow window;
    IDirectInput8A* input = nullptr;
    IDirectInputDevice8A* keyboard = nullptr;
    IDirectInputDevice8A* mouse = nullptr;
};

struct KeyRow
{
    SDL_Scancode scancode;
    int code;
};

// Every key the game binds, and the other keys a player types with: the
// letter and digit rows by their physical place, then the rest one by one.
std::vector<KeyRow> BoundKeys()
{
    std::vector<KeyRow> rows;
    struct Row
    {
        const char* letters;
        int firstCode;
    };
    for (Row row : {Row{"QWERTYUIOP", 0x10}, Row{"ASDFGHJKL", 0x1E}, Row{"ZXCVBNM", 0x2C}})
    {
        for (int i = 0; row.letters[i]; ++i)
        {
            SDL_Scancode scancode =
                static_cast<SDL_Scancode>(SDL_SCANCODE_A + row.letters[i] - 'A');
            rows.push_back({scancode, row.firstCode + i});
        }
    }
    for (int i = 0; i < 10; ++i) // 1 to 9, then 0
        rows.push_back({static_cast<SDL_Scancode>(SDL_SCANCODE_1 + i), 0x02 + i});
    const KeyRow others[] = {
        {SDL_SCANCODE_ESCAPE, 0x01},   {SDL_SCANCODE_BACKSPACE, 0x0E}, {SDL_SCANCODE_RETURN, 0x1C},
        {SDL_SCANCODE_LCTRL, 0x1D},    {SDL_SCANCODE_LSHIFT, 0x2A},    {SDL_SCANCODE_RSHIFT, 0x36},
        {SDL_SCANCODE_SPACE, 0x39},    {SDL_SCANCODE_RCTRL, 0x9D},     {SDL_SCANCODE_UP, 0xC8},
        {SDL_SCANCODE_LEFT, 0xCB},     {SDL_SCANCODE_RIGHT, 0xCD},     {SDL_SCANCODE_DOWN, 0xD0},
        {SDL_SCANCODE_KP_ENTER, 0x9C}, {SDL_SCANCODE_TAB, 0x0F},
    };
    rows.insert(rows.end(), std::begin(others), std::end(others));
    return rows;
}
} // namespace

TEST_F(DirectInputTest, EachKeyFromSdlsQueueLandsOnItsCodeAlone)
{
    for (const KeyRow& row : BoundKeys())
    {
        PushKey(row.scancode, true);
        Pump();
        std::vector<BYTE> keys = ReadKeys();
        for (int code = 0; code < 256; ++code)
        {
            ASSERT_EQ(keys[code], code == row.code ? 0x80 : 0)
                << SDL_GetScancodeName(row.scancode) << " at code " << code;
        }
        PushKey(row.scancode, false);
        Pump();
        EXPECT_EQ(ReadKeys()[row.code], 0) << SDL_GetScancodeName(row.scancode);
    }
}

TEST_F(DirectInputTest, MouseReportsMotionSinceItsLastReadAndItsButtons)
{
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    for (int step : {3, 4})
    {
        event.motion.xrel = step;
        event.motion.yrel = -1;
        Push(event);
    }
    event = {};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.y = -2;
    Push(event);
    // SDL numbers left, middle, right, then the side buttons, from 1.
    const int buttonIndex[] = {-1, 0, 2, 1, 3, 4};
    for (Uint8 button = SDL_BUTTON_LEFT; button <= SDL_BUTTON_X2; ++button)
    {
        if (button == SDL_BUTTON_MIDDLE)
            continue; // stays up
        event = {};
        event.type = SDL_MOUSEBUTTONDOWN;
        event.button.button = button;
        event.button.state = SDL_PRESSED;
        Push(event);
    }
    Pump();

    DIMOUSESTATE2 state = ReadMouse();
    EXPECT_EQ(state.lX, 7);
    EXPECT_EQ(state.lY, -2);
    EXPECT_EQ(state.lZ, -240);
    for (Uint8 button = SDL_BUTTON_LEFT; button <= SDL_BUTTON_X2; ++button)
    {
        EXPECT_EQ(state.rgbButtons[buttonIndex[button]], button == SDL_BUTTON_MIDDLE ? 0 : 0x80)
            << "SDL button " << int(button);
    }
    EXPECT_EQ(state.rgbButtons[5] | state.rgbButtons[6] | state.rgbButtons[7], 0);

    state = ReadMouse();
    EXPECT_EQ(state.lX, 0) << "a read resets the motion";
    EXPECT_EQ(state.lY, 0);
    EXPECT_EQ(state.lZ, 0);
    EXPECT_EQ(state.rgbButtons[0], 0x80) << "buttons stay down until released";
}

TEST_F(DirectInputTest, PointerWarpsAreNoMotion)
{
    RECT rect;
    ASSERT_TRUE(GetWindowRect(window.window, &rect));
    TestMovePointer(rect.left + 100, rect.top + 100);
    SetCursorPos(rect.left + 400, rect.top + 300);
    Pump();
    DIMOUSESTATE2 state = ReadMouse();
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.lY, 0);
}

TEST_F(DirectInputTest, FocusLossLosesTheDevicesUntilTheFocusReturns)
{
    PushKey(SDL_SCANCODE_W, true);
    Pump();
    ASSERT_EQ(ReadKeys()[0x11], 0x80);

    PushFocus(SDL_WINDOWEVENT_FOCUS_LOST);
    std::vector<MSG> messages = Pump();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message, WM_ACTIVATE);
    EXPECT_EQ(messages[0].wParam, 0u);
    BYTE keys[256];
    memset(keys, 0xEE, sizeof(keys));
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_INPUTLOST);
    EXPECT_EQ(keys[0x11], 0xEE) << "a failed read writes nothing";
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);

    // Motion while away is not reported; the key released elsewhere is up.
    SDL_Event motion = {};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.xrel = 50;
    Push(motion);
    PushFocus(SDL_WINDOWEVENT_FOCUS_GAINED);
    messages = Pump();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].wParam, 1u);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    EXPECT_EQ(ReadKeys()[0x11], 0);
    EXPECT_EQ(ReadMouse().lX, 0);
}

TEST_F(DirectInputTest, CallsOutsideTheContractAreRefused)
{
    void* created = nullptr;
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0700, IID_IDirectInput8A, &created, nullptr),
              DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(DirectInput8Create(nullptr, DIRECTINPUT_VERSION, GUID_SysMouse, &created, nullptr),
              DIERR_NOINTERFACE);
    EXPECT_EQ(created, nullptr);
    IDirectInputDevice8A* device = nullptr;
    EXPECT_EQ(input->CreateDevice(IID_IDirectInput8A, &device, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(device, nullptr);

    BYTE small[16];
    EXPECT_EQ(keyboard->GetDeviceState(sizeof(small), small), DIERR_INVALIDPARAM);
    EXPECT_EQ(mouse->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
    mouse->Unacquire();
    EXPECT_EQ(mouse->SetDataFormat(&c_dfDIKeyboard), DIERR_INVALIDPARAM);
    EXPECT_EQ(mouse->SetCooperativeLevel(window.window, DISCL_EXCLUSIVE | DISCL_FOREGROUND),
              DIERR_INVALIDPARAM);
    EXPECT_EQ(mouse->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
              DIERR_INVALIDPARAM);
}

TEST_F(DirectInputTest, TypedTextArrivesAsLatin1Characters)
{
    SDL_Event event = {};
    event.type = SDL_TEXTINPUT;
    // a, e acute, the euro sign (not in Latin-1), b, a stray byte, c.
    strcpy(event.text.text, "a\xC3\xA9\xE2\x82\xAC"
                            "b\xFF"
                            "c");
    Push(event);
    std::vector<WPARAM> characters;
    for (const MSG& msg : Pump())
    {
        if (msg.message == WM_CHAR)
            characters.push_back(msg.wParam);
    }
    EXPECT_EQ(characters, (std::vector<WPARAM>{'a', 0xE9, 'b', 'c'}));
}
