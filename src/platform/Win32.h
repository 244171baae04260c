// The small subset of the Windows API that the game calls: window class,
// window, message queue, cursor and clocks. Implemented over SDL2 and POSIX.
#pragma once

#include <cstdint>

typedef int32_t BOOL;
typedef int32_t LONG;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef uint16_t ATOM;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef char* LPSTR;
typedef const char* LPCSTR;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#ifndef NULL
#define NULL 0
#endif

// Results of the COM-style interfaces (Direct3D, DirectInput, DirectSound):
// negative values are failures.
typedef int32_t HRESULT;
typedef uint32_t ULONG;
const HRESULT S_OK = 0;
const HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
const HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

#define WINAPI
#define CALLBACK

// Interface and device identifiers. Compared by value.
struct GUID
{
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
typedef const GUID* LPCGUID;
typedef const GUID& REFIID;
inline bool operator==(const GUID& a, const GUID& b)
{
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; i++)
    {
        if (a.Data4[i] != b.Data4[i])
            return false;
    }
    return true;
}
inline bool operator!=(const GUID& a, const GUID& b)
{
    return !(a == b);
}
extern const GUID GUID_NULL;

struct PlatformInstance;
struct PlatformWindow;
struct PlatformCursor;
struct PlatformGdiObject;
typedef PlatformInstance* HINSTANCE;
typedef PlatformWindow* HWND;
typedef PlatformCursor* HCURSOR;
typedef PlatformCursor* HICON;
typedef PlatformGdiObject* HGDIOBJ;
typedef PlatformGdiObject* HBRUSH;

union LARGE_INTEGER
{
    int64_t QuadPart;
    struct
    {
        uint32_t LowPart;
        int32_t HighPart;
    } u;
};

struct POINT
{
    LONG x;
    LONG y;
};

struct RECT
{
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct MSG
{
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSA
{
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};

// Messages.
const UINT WM_DESTROY = 0x0002;
const UINT WM_ACTIVATE = 0x0006;
const UINT WM_CLOSE = 0x0010;
const UINT WM_QUIT = 0x0012;
const UINT WM_KEYDOWN = 0x0100;
const UINT WM_CHAR = 0x0102;

// Styles and flags.
const UINT CS_VREDRAW = 0x0001;
const UINT CS_HREDRAW = 0x0002;
const DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;
const int SW_HIDE = 0;
const int SW_SHOW = 5;
const UINT PM_NOREMOVE = 0;
const UINT PM_REMOVE = 1;
const int BLACK_BRUSH = 4;
#define IDC_ARROW ((LPCSTR)(uintptr_t)32512)

// Window class and window.
ATOM RegisterClassA(const WNDCLASSA* windowClass);
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                     int width, int height, HWND parent, void* menu, HINSTANCE instance,
                     void* param);
BOOL ShowWindow(HWND window, int command);
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
HWND FindWindowA(LPCSTR className, LPCSTR title);
BOOL SetWindowTextA(HWND window, LPCSTR text);
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL GetClientRect(HWND window, RECT* rect);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
HGDIOBJ GetStockObject(int object);

// Messages.
BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// Cursor. ShowCursor keeps a display counter; the cursor shows while it is >= 0.
int ShowCursor(BOOL show);
BOOL SetCursorPos(int x, int y);

// Clocks: milliseconds since an arbitrary start (never 0 on the first call),
// and a monotonic high-resolution counter.
DWORD GetTickCount();
DWORD timeGetTime();
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);

// The program's entry, called by main() on the thread that enters the program.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
