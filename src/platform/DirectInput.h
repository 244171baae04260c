// The subset of DirectInput 8 that the input system calls: the interface, the
// system keyboard and mouse, their data formats, cooperative level, acquire
// and immediate state reads. Implemented over SDL2's events: the keyboard is
// 256 bytes indexed by key code (0x80 while down), the mouse reports the
// motion summed since its last read and one byte per button.
#pragma once

#include "platform/Win32.h"

typedef void* LPVOID;
typedef const GUID& REFGUID;

// Result codes (our own numbering; only their sign is a contract).
const HRESULT DI_OK = 0;
const HRESULT DI_NOEFFECT = 1; // already acquired, or not acquired on Unacquire
const HRESULT DIERR_GENERIC = -1;
const HRESULT DIERR_INVALIDPARAM = -2;
const HRESULT DIERR_NOINTERFACE = -3;
const HRESULT DIERR_NOAGGREGATION = -4;
const HRESULT DIERR_OLDDIRECTINPUTVERSION = -5;
const HRESULT DIERR_DEVICENOTREG = -6;   // no such device on this machine
const HRESULT DIERR_NOTINITIALIZED = -7; // no data format set yet
const HRESULT DIERR_ACQUIRED = -8;       // the call needs an unacquired device
const HRESULT DIERR_NOTACQUIRED = -9;
const HRESULT DIERR_INPUTLOST = -10;       // the window lost the foreground: acquire again
const HRESULT DIERR_OTHERAPPHASPRIO = -11; // foreground device of a window without focus

const DWORD DIRECTINPUT_VERSION = 0x0800;

// Cooperative levels: one of the first two with one of the last two.
const DWORD DISCL_EXCLUSIVE = 0x1;
const DWORD DISCL_NONEXCLUSIVE = 0x2;
const DWORD DISCL_FOREGROUND = 0x4;
const DWORD DISCL_BACKGROUND = 0x8;

extern const GUID IID_IDirectInput8A;
extern const GUID GUID_SysKeyboard;
extern const GUID GUID_SysMouse;

// The layout a device's GetDeviceState fills; only the two below exist.
struct DIDATAFORMAT
{
    DWORD dwSize;
    DWORD dwDataSize; // bytes GetDeviceState writes
};
typedef const DIDATAFORMAT* LPCDIDATAFORMAT;

// The keyboard's 256 bytes, one per key code.
extern const DIDATAFORMAT c_dfDIKeyboard;
// The mouse as a DIMOUSESTATE2.
extern const DIDATAFORMAT c_dfDIMouse2;

// Relative counts since the previous read (x first; the wheel in lZ, 120 per
// notch) and one byte per button: 0 left, 1 right, 2 middle, 3 and 4 the side
// buttons; non-zero while down.
struct DIMOUSESTATE2
{
    LONG lX;
    LONG lY;
    LONG lZ;
    BYTE rgbButtons[8];
};
static_assert(sizeof(DIMOUSESTATE2) == 20, "DIMOUSESTATE2 is 20 bytes");

// A keyboard or mouse. Reads need a data format, then Acquire; a foreground
// device is lost when its window loses the focus (reads fail with
// DIERR_INPUTLOST) and acquires again only while the window has it. A failed
// read writes nothing.
struct IDirectInputDevice8A
{
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT Acquire() = 0;
    virtual HRESULT Unacquire() = 0;
    // bytes must be the data format's size.
    virtual HRESULT GetDeviceState(DWORD bytes, LPVOID data) = 0;
    virtual HRESULT SetDataFormat(LPCDIDATAFORMAT format) = 0;
    // Until it is set a device is non-exclusive and background. Exclusive
    // access is not offered; a foreground level needs a live window.
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;

protected:
    ~IDirectInputDevice8A() = default;
};
typedef IDirectInputDevice8A* LPDIRECTINPUTDEVICE8A;

struct IDirectInput8A
{
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    // GUID_SysKeyboard or GUID_SysMouse; anything else is DIERR_DEVICENOTREG.
    virtual HRESULT CreateDevice(REFGUID device, LPDIRECTINPUTDEVICE8A* result, void* outer) = 0;

protected:
    ~IDirectInput8A() = default;
};
typedef IDirectInput8A* LPDIRECTINPUT8A;

// Version DIRECTINPUT_VERSION and IID_IDirectInput8A only; no aggregation.
// The instance is not used.
HRESULT DirectInput8Create(HINSTANCE instance, DWORD version, REFIID iid, LPVOID* result,
                           void* outer);

// Key codes: the keyboard's set-1 scan codes, extended keys plus 0x80.
const BYTE DIK_ESCAPE = 0x01;
const BYTE DIK_1 = 0x02;
const BYTE DIK_2 = 0x03;
const BYTE DIK_3 = 0x04;
const BYTE DIK_4 = 0x05;
const BYTE DIK_5 = 0x06;
const BYTE DIK_6 = 0x07;
const BYTE DIK_7 = 0x08;
const BYTE DIK_8 = 0x09;
const BYTE DIK_9 = 0x0A;
const BYTE DIK_0 = 0x0B;
const BYTE DIK_MINUS = 0x0C;
const BYTE DIK_EQUALS = 0x0D;
const BYTE DIK_BACK = 0x0E;
const BYTE DIK_TAB = 0x0F;
const BYTE DIK_Q = 0x10;
const BYTE DIK_W = 0x11;
const BYTE DIK_E = 0x12;
const BYTE DIK_R = 0x13;
const BYTE DIK_T = 0x14;
const BYTE DIK_Y = 0x15;
const BYTE DIK_U = 0x16;
const BYTE DIK_I = 0x17;
const BYTE DIK_O = 0x18;
const BYTE DIK_P = 0x19;
const BYTE DIK_LBRACKET = 0x1A;
const BYTE DIK_RBRACKET = 0x1B;
const BYTE DIK_RETURN = 0x1C;
const BYTE DIK_LCONTROL = 0x1D;
const BYTE DIK_A = 0x1E;
const BYTE DIK_S = 0x1F;
const BYTE DIK_D = 0x20;
const BYTE DIK_F = 0x21;
const BYTE DIK_G = 0x22;
const BYTE DIK_H = 0x23;
const BYTE DIK_J = 0x24;
const BYTE DIK_K = 0x25;
const BYTE DIK_L = 0x26;
const BYTE DIK_SEMICOLON = 0x27;
const BYTE DIK_APOSTROPHE = 0x28;
const BYTE DIK_GRAVE = 0x29;
const BYTE DIK_LSHIFT = 0x2A;
const BYTE DIK_BACKSLASH = 0x2B;
const BYTE DIK_Z = 0x2C;
const BYTE DIK_X = 0x2D;
const BYTE DIK_C = 0x2E;
const BYTE DIK_V = 0x2F;
const BYTE DIK_B = 0x30;
const BYTE DIK_N = 0x31;
const BYTE DIK_M = 0x32;
const BYTE DIK_COMMA = 0x33;
const BYTE DIK_PERIOD = 0x34;
const BYTE DIK_SLASH = 0x35;
const BYTE DIK_RSHIFT = 0x36;
const BYTE DIK_MULTIPLY = 0x37;
const BYTE DIK_LMENU = 0x38;
const BYTE DIK_SPACE = 0x39;
const BYTE DIK_CAPITAL = 0x3A;
const BYTE DIK_F1 = 0x3B;
const BYTE DIK_F2 = 0x3C;
const BYTE DIK_F3 = 0x3D;
const BYTE DIK_F4 = 0x3E;
const BYTE DIK_F5 = 0x3F;
const BYTE DIK_F6 = 0x40;
const BYTE DIK_F7 = 0x41;
const BYTE DIK_F8 = 0x42;
const BYTE DIK_F9 = 0x43;
const BYTE DIK_F10 = 0x44;
const BYTE DIK_NUMLOCK = 0x45;
const BYTE DIK_SCROLL = 0x46;
const BYTE DIK_NUMPAD7 = 0x47;
const BYTE DIK_NUMPAD8 = 0x48;
const BYTE DIK_NUMPAD9 = 0x49;
const BYTE DIK_SUBTRACT = 0x4A;
const BYTE DIK_NUMPAD4 = 0x4B;
const BYTE DIK_NUMPAD5 = 0x4C;
const BYTE DIK_NUMPAD6 = 0x4D;
const BYTE DIK_ADD = 0x4E;
const BYTE DIK_NUMPAD1 = 0x4F;
const BYTE DIK_NUMPAD2 = 0x50;
const BYTE DIK_NUMPAD3 = 0x51;
const BYTE DIK_NUMPAD0 = 0x52;
const BYTE DIK_DECIMAL = 0x53;
const BYTE DIK_OEM_102 = 0x56;
const BYTE DIK_F11 = 0x57;
const BYTE DIK_F12 = 0x58;
const BYTE DIK_NUMPADENTER = 0x9C;
const BYTE DIK_RCONTROL = 0x9D;
const BYTE DIK_DIVIDE = 0xB5;
const BYTE DIK_SYSRQ = 0xB7;
const BYTE DIK_RMENU = 0xB8;
const BYTE DIK_PAUSE = 0xC5;
const BYTE DIK_HOME = 0xC7;
const BYTE DIK_UP = 0xC8;
const BYTE DIK_PRIOR = 0xC9;
const BYTE DIK_LEFT = 0xCB;
const BYTE DIK_RIGHT = 0xCD;
const BYTE DIK_END = 0xCF;
const BYTE DIK_DOWN = 0xD0;
const BYTE DIK_NEXT = 0xD1;
const BYTE DIK_INSERT = 0xD2;
const BYTE DIK_DELETE = 0xD3;
const BYTE DIK_LWIN = 0xDB;
const BYTE DIK_RWIN = 0xDC;
const BYTE DIK_APPS = 0xDD;
