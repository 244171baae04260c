// DirectInput over SDL2 events.
//
// One state for the whole program, fed by the window's event pump: a byte per
// key code (SDL scancodes are positional, like key codes, so one table maps
// them), a byte per mouse button and running sums of the mouse's relative
// motion. A device's read copies the key or button bytes and reports the sums'
// growth since its previous read. SDL's own keyboard state is not used: it
// does not see events pushed into the queue, which the tests rely on.
#include "platform/DirectInput.h"
#include "platform/InputTestHooks.h"
#include "platform/SdlWindow.h"

#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

const GUID IID_IDirectInput8A = {0x746f6c01, 0x0003, 0x0001, {0, 0, 0, 0, 0, 0, 0, 1}};
const GUID GUID_SysKeyboard = {0x746f6c01, 0x0003, 0x0002, {0, 0, 0, 0, 0, 0, 0, 2}};
const GUID GUID_SysMouse = {0x746f6c01, 0x0003, 0x0003, {0, 0, 0, 0, 0, 0, 0, 3}};

const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), 256};
const DIDATAFORMAT c_dfDIMouse2 = {sizeof(DIDATAFORMAT), sizeof(DIMOUSESTATE2)};

namespace
{
struct ScancodeKey
{
    SDL_Scancode scancode;
    BYTE key;
};

// Every key of a PC keyboard that has a key code.
const ScancodeKey kScancodeKeys[] = {
    {SDL_SCANCODE_ESCAPE, DIK_ESCAPE},
    {SDL_SCANCODE_1, DIK_1},
    {SDL_SCANCODE_2, DIK_2},
    {SDL_SCANCODE_3, DIK_3},
    {SDL_SCANCODE_4, DIK_4},
    {SDL_SCANCODE_5, DIK_5},
    {SDL_SCANCODE_6, DIK_6},
    {SDL_SCANCODE_7, DIK_7},
    {SDL_SCANCODE_8, DIK_8},
    {SDL_SCANCODE_9, DIK_9},
    {SDL_SCANCODE_0, DIK_0},
    {SDL_SCANCODE_MINUS, DIK_MINUS},
    {SDL_SCANCODE_EQUALS, DIK_EQUALS},
    {SDL_SCANCODE_BACKSPACE, DIK_BACK},
    {SDL_SCANCODE_TAB, DIK_TAB},
    {SDL_SCANCODE_Q, DIK_Q},
    {SDL_SCANCODE_W, DIK_W},
    {SDL_SCANCODE_E, DIK_E},
    {SDL_SCANCODE_R, DIK_R},
    {SDL_SCANCODE_T, DIK_T},
    {SDL_SCANCODE_Y, DIK_Y},
    {SDL_SCANCODE_U, DIK_U},
    {SDL_SCANCODE_I, DIK_I},
    {SDL_SCANCODE_O, DIK_O},
    {SDL_SCANCODE_P, DIK_P},
    {SDL_SCANCODE_LEFTBRACKET, DIK_LBRACKET},
    {SDL_SCANCODE_RIGHTBRACKET, DIK_RBRACKET},
    {SDL_SCANCODE_RETURN, DIK_RETURN},
    {SDL_SCANCODE_LCTRL, DIK_LCONTROL},
    {SDL_SCANCODE_A, DIK_A},
    {SDL_SCANCODE_S, DIK_S},
    {SDL_SCANCODE_D, DIK_D},
    {SDL_SCANCODE_F, DIK_F},
    {SDL_SCANCODE_G, DIK_G},
    {SDL_SCANCODE_H, DIK_H},
    {SDL_SCANCODE_J, DIK_J},
    {SDL_SCANCODE_K, DIK_K},
    {SDL_SCANCODE_L, DIK_L},
    {SDL_SCANCODE_SEMICOLON, DIK_SEMICOLON},
    {SDL_SCANCODE_APOSTROPHE, DIK_APOSTROPHE},
    {SDL_SCANCODE_GRAVE, DIK_GRAVE},
    {SDL_SCANCODE_LSHIFT, DIK_LSHIFT},
    {SDL_SCANCODE_BACKSLASH, DIK_BACKSLASH},
    {SDL_SCANCODE_Z, DIK_Z},
    {SDL_SCANCODE_X, DIK_X},
    {SDL_SCANCODE_C, DIK_C},
    {SDL_SCANCODE_V, DIK_V},
    {SDL_SCANCODE_B, DIK_B},
    {SDL_SCANCODE_N, DIK_N},
    {SDL_SCANCODE_M, DIK_M},
    {SDL_SCANCODE_COMMA, DIK_COMMA},
    {SDL_SCANCODE_PERIOD, DIK_PERIOD},
    {SDL_SCANCODE_SLASH, DIK_SLASH},
    {SDL_SCANCODE_RSHIFT, DIK_RSHIFT},
    {SDL_SCANCODE_KP_MULTIPLY, DIK_MULTIPLY},
    {SDL_SCANCODE_LALT, DIK_LMENU},
    {SDL_SCANCODE_SPACE, DIK_SPACE},
    {SDL_SCANCODE_CAPSLOCK, DIK_CAPITAL},
    {SDL_SCANCODE_F1, DIK_F1},
    {SDL_SCANCODE_F2, DIK_F2},
    {SDL_SCANCODE_F3, DIK_F3},
    {SDL_SCANCODE_F4, DIK_F4},
    {SDL_SCANCODE_F5, DIK_F5},
    {SDL_SCANCODE_F6, DIK_F6},
    {SDL_SCANCODE_F7, DIK_F7},
    {SDL_SCANCODE_F8, DIK_F8},
    {SDL_SCANCODE_F9, DIK_F9},
    {SDL_SCANCODE_F10, DIK_F10},
    {SDL_SCANCODE_NUMLOCKCLEAR, DIK_NUMLOCK},
    {SDL_SCANCODE_SCROLLLOCK, DIK_SCROLL},
    {SDL_SCANCODE_KP_7, DIK_NUMPAD7},
    {SDL_SCANCODE_KP_8, DIK_NUMPAD8},
    {SDL_SCANCODE_KP_9, DIK_NUMPAD9},
    {SDL_SCANCODE_KP_MINUS, DIK_SUBTRACT},
    {SDL_SCANCODE_KP_4, DIK_NUMPAD4},
    {SDL_SCANCODE_KP_5, DIK_NUMPAD5},
    {SDL_SCANCODE_KP_6, DIK_NUMPAD6},
    {SDL_SCANCODE_KP_PLUS, DIK_ADD},
    {SDL_SCANCODE_KP_1, DIK_NUMPAD1},
    {SDL_SCANCODE_KP_2, DIK_NUMPAD2},
    {SDL_SCANCODE_KP_3, DIK_NUMPAD3},
    {SDL_SCANCODE_KP_0, DIK_NUMPAD0},
    {SDL_SCANCODE_KP_PERIOD, DIK_DECIMAL},
    {SDL_SCANCODE_NONUSBACKSLASH, DIK_OEM_102},
    {SDL_SCANCODE_F11, DIK_F11},
    {SDL_SCANCODE_F12, DIK_F12},
    {SDL_SCANCODE_KP_ENTER, DIK_NUMPADENTER},
    {SDL_SCANCODE_RCTRL, DIK_RCONTROL},
    {SDL_SCANCODE_KP_DIVIDE, DIK_DIVIDE},
    {SDL_SCANCODE_PRINTSCREEN, DIK_SYSRQ},
    {SDL_SCANCODE_RALT, DIK_RMENU},
    {SDL_SCANCODE_PAUSE, DIK_PAUSE},
    {SDL_SCANCODE_HOME, DIK_HOME},
    {SDL_SCANCODE_UP, DIK_UP},
    {SDL_SCANCODE_PAGEUP, DIK_PRIOR},
    {SDL_SCANCODE_LEFT, DIK_LEFT},
    {SDL_SCANCODE_RIGHT, DIK_RIGHT},
    {SDL_SCANCODE_END, DIK_END},
    {SDL_SCANCODE_DOWN, DIK_DOWN},
    {SDL_SCANCODE_PAGEDOWN, DIK_NEXT},
    {SDL_SCANCODE_INSERT, DIK_INSERT},
    {SDL_SCANCODE_DELETE, DIK_DELETE},
    {SDL_SCANCODE_LGUI, DIK_LWIN},
    {SDL_SCANCODE_RGUI, DIK_RWIN},
    {SDL_SCANCODE_APPLICATION, DIK_APPS},
};

// Windows reports 120 units per wheel notch.
const LONG kWheelDelta = 120;

struct InputState
{
    BYTE keys[256];
    BYTE buttons[8];
    int64_t motion[3]; // summed x, y and wheel since the program started
};

InputState g_state = {};
int g_focusLosses = 0;  // times the program's window lost the focus
int g_relativeMice = 0; // acquired mouse devices; SDL's relative mode is on while above 0
bool g_failReads = false;
bool g_refuseInterface = false;
bool g_refuseKeyboard = false;
bool g_refuseMouse = false;

BYTE KeyOfScancode(SDL_Scancode scancode)
{
    static BYTE table[SDL_NUM_SCANCODES];
    static bool built = false;
    if (!built)
    {
        for (const ScancodeKey& entry : kScancodeKeys)
            table[entry.scancode] = entry.key;
        built = true;
    }
    return scancode >= 0 && scancode < SDL_NUM_SCANCODES ? table[scancode] : 0;
}

// SDL numbers buttons from 1 as left, middle, right, then the side buttons.
int ButtonIndex(Uint8 sdlButton)
{
    switch (sdlButton)
    {
    case SDL_BUTTON_LEFT:
        return 0;
    case SDL_BUTTON_RIGHT:
        return 1;
    case SDL_BUTTON_MIDDLE:
        return 2;
    default:
        return sdlButton >= SDL_BUTTON_X1 && sdlButton <= 8 ? sdlButton - 1 : -1;
    }
}

LONG ClampToLong(int64_t value)
{
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<LONG>(value);
}

// Relative mode gives raw motion and keeps the pointer in the window; drivers
// without it (the headless one) report plain pointer motion instead.
void HoldRelativeMouse(bool hold)
{
    g_relativeMice += hold ? 1 : -1;
    if (!PlatformVideoReady())
        return;
    if (hold && g_relativeMice == 1)
    {
        SDL_SetHint(SDL_HINT_MOUSE_RELATIVE_MODE_WARP, "0");
        SDL_SetRelativeMouseMode(SDL_TRUE);
    }
    else if (!hold && g_relativeMice == 0)
        SDL_SetRelativeMouseMode(SDL_FALSE);
}

class InputDevice;
std::vector<InputDevice*> g_devices; // alive, for the tests' reset

class InputDevice final : public IDirectInputDevice8A
{
public:
    explicit InputDevice(bool mouse) : mouse(mouse) { g_devices.push_back(this); }

    ULONG AddRef() override { return ++references; }
    ULONG Release() override
    {
        ULONG left = --references;
        if (left == 0)
        {
            Unacquire();
            delete this;
        }
        return left;
    }

    HRESULT Acquire() override
    {
        if (!format)
            return DIERR_NOTINITIALIZED;
        if (acquired && !Lost())
            return DI_NOEFFECT;
        if ((flags & DISCL_FOREGROUND) && !PlatformWindowFocused(window))
            return DIERR_OTHERAPPHASPRIO;
        acquired = true;
        focusLossesAtAcquire = g_focusLosses;
        if (mouse)
        {
            // Motion made while the device was not acquired is not reported.
            CatchUp();
            HoldRelativeMouse(true);
        }
        return DI_OK;
    }

    HRESULT Unacquire() override
    {
        if (!acquired)
            return DI_NOEFFECT;
        acquired = false;
        if (mouse)
            HoldRelativeMouse(false);
        return DI_OK;
    }

    HRESULT GetDeviceState(DWORD bytes, LPVOID data) override
    {
        if (!format)
            return DIERR_NOTINITIALIZED;
        if (!data || bytes != format->dwDataSize)
            return DIERR_INVALIDPARAM;
        if (!acquired)
            return DIERR_NOTACQUIRED;
        if (Lost())
            return DIERR_INPUTLOST;
        if (g_failReads)
            return DIERR_GENERIC;
        if (!mouse)
        {
            memcpy(data, g_state.keys, sizeof(g_state.keys));
            return DI_OK;
        }
        DIMOUSESTATE2 state;
        state.lX = ClampToLong(g_state.motion[0] - readMotion[0]);
        state.lY = ClampToLong(g_state.motion[1] - readMotion[1]);
        state.lZ = ClampToLong(g_state.motion[2] - readMotion[2]);
        memcpy(state.rgbButtons, g_state.buttons, sizeof(state.rgbButtons));
        CatchUp();
        memcpy(data, &state, sizeof(state));
        return DI_OK;
    }

    // A foreground device is lost, and unacquired, once its window has lost
    // the focus after it was acquired, even if the focus came back since.
    bool Lost()
    {
        if (!(flags & DISCL_FOREGROUND) ||
            (focusLossesAtAcquire == g_focusLosses && PlatformWindowFocused(window)))
            return false;
        Unacquire();
        return true;
    }

    // Forgets the motion made since the last read.
    void CatchUp() { memcpy(readMotion, g_state.motion, sizeof(readMotion)); }

    HRESULT SetDataFormat(LPCDIDATAFORMAT newFormat) override
    {
        if (acquired)
            return DIERR_ACQUIRED;
        if (!newFormat || newFormat->dwDataSize != (mouse ? sizeof(DIMOUSESTATE2) : 256))
            return DIERR_INVALIDPARAM;
        format = newFormat;
        return DI_OK;
    }

    HRESULT SetCooperativeLevel(HWND newWindow, DWORD newFlags) override
    {
        if (acquired)
            return DIERR_ACQUIRED;
        bool foreground = (newFlags & DISCL_FOREGROUND) != 0;
        bool oneAccess = (newFlags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE)) == DISCL_NONEXCLUSIVE;
        bool oneScope = foreground != ((newFlags & DISCL_BACKGROUND) != 0);
        if (!oneAccess || !oneScope || (foreground && !IsWindow(newWindow)))
            return DIERR_INVALIDPARAM;
        window = newWindow;
        flags = newFlags;
        return DI_OK;
    }

private:
    ~InputDevice() { g_devices.erase(std::remove(g_devices.begin(), g_devices.end(), this)); }

    const bool mouse;
    ULONG references = 1;
    LPCDIDATAFORMAT format = nullptr;
    HWND window = nullptr;
    DWORD flags = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    bool acquired = false;
    int focusLossesAtAcquire = 0;
    int64_t readMotion[3] = {0, 0, 0};
};

class DirectInput final : public IDirectInput8A
{
public:
    ULONG AddRef() override { return ++references; }
    ULONG Release() override
    {
        ULONG left = --references;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT CreateDevice(REFGUID device, LPDIRECTINPUTDEVICE8A* result, void* outer) override
    {
        if (!result)
            return DIERR_INVALIDPARAM;
        *result = nullptr;
        if (outer)
            return DIERR_NOAGGREGATION;
        bool keyboard = device == GUID_SysKeyboard;
        bool mouse = device == GUID_SysMouse;
        if ((!keyboard && !mouse) || (keyboard && g_refuseKeyboard) || (mouse && g_refuseMouse))
            return DIERR_DEVICENOTREG;
        *result = new InputDevice(mouse);
        return DI_OK;
    }

private:
    ~DirectInput() = default;

    ULONG references = 1;
};
} // namespace

HRESULT DirectInput8Create(HINSTANCE, DWORD version, REFIID iid, LPVOID* result, void* outer)
{
    if (!result)
        return DIERR_INVALIDPARAM;
    *result = nullptr;
    if (outer)
        return DIERR_NOAGGREGATION;
    if (version != DIRECTINPUT_VERSION)
        return DIERR_OLDDIRECTINPUTVERSION;
    if (iid != IID_IDirectInput8A)
        return DIERR_NOINTERFACE;
    if (g_refuseInterface)
        return DIERR_GENERIC;
    *result = static_cast<IDirectInput8A*>(new DirectInput());
    return DI_OK;
}

void PlatformInputEvent(const SDL_Event& event)
{
    switch (event.type)
    {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (BYTE key = KeyOfScancode(event.key.keysym.scancode))
            g_state.keys[key] = event.type == SDL_KEYDOWN ? 0x80 : 0;
        break;
    case SDL_MOUSEMOTION:
        g_state.motion[0] += event.motion.xrel;
        g_state.motion[1] += event.motion.yrel;
        break;
    case SDL_MOUSEWHEEL:
    {
        int64_t notches = event.wheel.y;
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
            notches = -notches;
        g_state.motion[2] += notches * kWheelDelta;
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    {
        int index = ButtonIndex(event.button.button);
        if (index >= 0)
            g_state.buttons[index] = event.type == SDL_MOUSEBUTTONDOWN ? 0x80 : 0;
        break;
    }
    default:
        break;
    }
}

void PlatformInputFocusLost()
{
    ++g_focusLosses;
    memset(g_state.keys, 0, sizeof(g_state.keys));
    memset(g_state.buttons, 0, sizeof(g_state.buttons));
}

void TestSetKeyState(BYTE keyCode, BYTE value)
{
    g_state.keys[keyCode] = value;
}

void TestSetMouseButton(int button, BYTE value)
{
    if (button >= 0 && button < 8)
        g_state.buttons[button] = value;
}

void TestMoveMouse(LONG dx, LONG dy, LONG dz)
{
    g_state.motion[0] += dx;
    g_state.motion[1] += dy;
    g_state.motion[2] += dz;
}

void TestFailDeviceReads(bool fail)
{
    g_failReads = fail;
}

void TestRefuseDirectInput(bool refuse)
{
    g_refuseInterface = refuse;
}

void TestRefuseInputDevice(REFGUID device, bool refuse)
{
    if (device == GUID_SysKeyboard)
        g_refuseKeyboard = refuse;
    else if (device == GUID_SysMouse)
        g_refuseMouse = refuse;
}

void TestResetInput()
{
    memset(g_state.keys, 0, sizeof(g_state.keys));
    memset(g_state.buttons, 0, sizeof(g_state.buttons));
    g_failReads = false;
    g_refuseInterface = false;
    g_refuseKeyboard = false;
    g_refuseMouse = false;
    for (InputDevice* device : g_devices)
        device->CatchUp();
}
