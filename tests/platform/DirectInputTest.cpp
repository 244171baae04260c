// The keyboard and mouse devices fed by events pushed into SDL's own queue,
// as the window's message pump takes them; and typed text.
#include "platform/DirectInput.h"
#include "platform/TestHooks.h"
#include "support/SdlEvents.h"
#include "support/TestWindow.h"

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
        device->SetDataFormat(format);
        device->SetCooperativeLevel(window.window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
        EXPECT_EQ(device->Acquire(), DI_OK);
        return device;
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
        DIMOUSESTATE2 state = {};
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
std::vector<KeyRow> PlayerKeys()
{
    std::vector<KeyRow> rows = {
        {SDL_SCANCODE_ESCAPE, 0x01}, {SDL_SCANCODE_BACKSPACE, 0x0E}, {SDL_SCANCODE_TAB, 0x0F},
        {SDL_SCANCODE_RETURN, 0x1C}, {SDL_SCANCODE_LCTRL, 0x1D},     {SDL_SCANCODE_LSHIFT, 0x2A},
        {SDL_SCANCODE_RSHIFT, 0x36}, {SDL_SCANCODE_SPACE, 0x39},     {SDL_SCANCODE_KP_ENTER, 0x9C},
        {SDL_SCANCODE_RCTRL, 0x9D},  {SDL_SCANCODE_UP, 0xC8},        {SDL_SCANCODE_LEFT, 0xCB},
        {SDL_SCANCODE_RIGHT, 0xCD},  {SDL_SCANCODE_DOWN, 0xD0},
    };
    for (int i = 0; i < 10; ++i) // 1 to 9, then 0
        rows.push_back({static_cast<SDL_Scancode>(SDL_SCANCODE_1 + i), 0x02 + i});
    for (auto row : {std::make_pair("QWERTYUIOP", 0x10), std::make_pair("ASDFGHJKL", 0x1E),
                     std::make_pair("ZXCVBNM", 0x2C)})
    {
        for (int i = 0; row.first[i]; ++i)
            rows.push_back(
                {static_cast<SDL_Scancode>(SDL_SCANCODE_A + row.first[i] - 'A'), row.second + i});
    }
    return rows;
}
} // namespace

TEST_F(DirectInputTest, EachKeyFromSdlsQueueLandsOnItsCodeAlone)
{
    for (const KeyRow& row : PlayerKeys())
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
    PushMotion(3, -1);
    PushMotion(4, -1);
    SDL_Event wheel = {};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = -2;
    PushSdlEvent(wheel);
    // SDL numbers left, middle, right, then the side buttons, from 1.
    const int index[] = {-1, 0, 2, 1, 3, 4};
    for (Uint8 button : {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, SDL_BUTTON_X1, SDL_BUTTON_X2})
        PushButton(button, true);
    Pump();

    DIMOUSESTATE2 state = ReadMouse();
    EXPECT_EQ(state.lX, 7);
    EXPECT_EQ(state.lY, -2);
    EXPECT_EQ(state.lZ, -240);
    for (Uint8 button = SDL_BUTTON_LEFT; button <= SDL_BUTTON_X2; ++button)
    {
        EXPECT_EQ(state.rgbButtons[index[button]], button == SDL_BUTTON_MIDDLE ? 0 : 0x80)
            << "SDL button " << int(button);
    }
    state = ReadMouse();
    EXPECT_EQ(state.lX | state.lY | state.lZ, 0) << "a read resets the motion";
    EXPECT_EQ(state.rgbButtons[0], 0x80) << "buttons stay down until released";

    // Placing the pointer is no motion of the mouse.
    RECT rect;
    GetWindowRect(window.window, &rect);
    TestMovePointer(rect.left + 100, rect.top + 100);
    SetCursorPos(rect.left + 400, rect.top + 300);
    Pump();
    state = ReadMouse();
    EXPECT_EQ(state.lX | state.lY, 0);
}

TEST_F(DirectInputTest, FocusLossLosesTheDevicesUntilTheFocusReturns)
{
    PushKey(SDL_SCANCODE_W, true);
    Pump();
    ASSERT_EQ(ReadKeys()[0x11], 0x80);

    PushFocus(SDL_WINDOWEVENT_FOCUS_LOST, window.window);
    std::vector<MSG> messages = Pump();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message, WM_ACTIVATE);
    EXPECT_EQ(messages[0].wParam, 0u);
    BYTE keys[256] = {};
    keys[0x11] = 0xEE;
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_INPUTLOST);
    EXPECT_EQ(keys[0x11], 0xEE) << "a failed read writes nothing";
    EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);

    // Motion while away is not reported; the key released elsewhere is up.
    PushMotion(50, 0);
    PushFocus(SDL_WINDOWEVENT_FOCUS_GAINED, window.window);
    messages = Pump();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].wParam, 1u);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    EXPECT_EQ(ReadKeys()[0x11], 0);
    EXPECT_EQ(ReadMouse().lX, 0);
}

TEST_F(DirectInputTest, TypedTextArrivesAsLatin1Characters)
{
    // a, e acute, the euro sign (not in Latin-1), b, a stray byte, c.
    SDL_Event event = {};
    event.type = SDL_TEXTINPUT;
    strcpy(event.text.text, "a\xC3\xA9\xE2\x82\xAC"
                            "b\xFF"
                            "c");
    PushSdlEvent(event);
    std::vector<WPARAM> characters;
    for (const MSG& msg : Pump())
        characters.push_back(msg.message == WM_CHAR ? msg.wParam : 0);
    EXPECT_EQ(characters, (std::vector<WPARAM>{'a', 0xE9, 'b', 'c'}));
}
