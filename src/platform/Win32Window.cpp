// Window class, window, message queue and cursor over SDL2.
//
// The SDL window is created at the client size that an 800 by 600 outer window
// with the usual frame and caption metrics would have; GetWindowRect reports
// the outer rectangle around it. SDL events become the few window messages the
// shell handles; mouse motion and buttons do not (the input system reads them
// as device state).
#include "platform/Process.h"
#include "platform/SdlWindow.h"
#include "platform/TestHooks.h"
#include "platform/Win32.h"

#include <SDL.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

struct PlatformWindow
{
    std::string className;
    std::string title;
    WNDPROC proc = nullptr;
    SDL_Window* sdl = nullptr;
    bool alive = true;
    bool focused = false;
    int outerX = 0;
    int outerY = 0;
    int outerWidth = 0;
    int outerHeight = 0;
};

namespace
{
// Nominal frame metrics of an overlapped window: the client area of an 800 by
// 600 window is 784 by 561.
const int kFrameSide = 8;
const int kFrameTop = 31;
const int kFrameBottom = 8;

std::map<std::string, WNDCLASSA> g_classes;
std::vector<PlatformWindow*> g_windows;
std::deque<MSG> g_queue;
bool g_quitPosted = false;
int g_quitCode = 0;
int g_cursorCounter = 0;
int g_cursorMoves = 0;
bool g_videoReady = false;
volatile std::sig_atomic_t g_terminateRequested = 0;

// Characters from SDL's text events, one Latin-1 byte each; characters that
// Latin-1 lacks, and bytes that are not UTF-8, are dropped.
void QueueText(HWND window, const char* utf8)
{
    char* latin1 = SDL_iconv_string("ISO-8859-1", "UTF-8", utf8, SDL_strlen(utf8) + 1);
    if (!latin1)
        return;
    for (const char* p = latin1; *p; ++p)
    {
        WPARAM code = static_cast<unsigned char>(*p);
        g_queue.push_back(MSG{window, WM_CHAR, code, 0, GetTickCount(), {0, 0}});
    }
    SDL_free(latin1);
}

HWND MainWindow()
{
    for (PlatformWindow* window : g_windows)
    {
        if (window->alive)
            return window;
    }
    return nullptr;
}

HWND WindowOfSdl(Uint32 windowId)
{
    for (PlatformWindow* window : g_windows)
    {
        if (window->alive && window->sdl && SDL_GetWindowID(window->sdl) == windowId)
            return window;
    }
    return MainWindow();
}

void Post(HWND window, UINT message, WPARAM wParam)
{
    g_queue.push_back(MSG{window, message, wParam, 0, GetTickCount(), {0, 0}});
}

void PumpEvents()
{
    if (g_terminateRequested)
    {
        g_terminateRequested = 0;
        if (HWND window = MainWindow())
            Post(window, WM_CLOSE, 0);
    }
    if (!g_videoReady)
        return;
    SDL_Event event;
    while (SDL_PollEvent(&event))
    {
        switch (event.type)
        {
        case SDL_QUIT:
            if (HWND window = MainWindow())
                Post(window, WM_CLOSE, 0);
            break;
        case SDL_WINDOWEVENT:
        {
            HWND window = WindowOfSdl(event.window.windowID);
            if (!window)
                break;
            if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
            {
                window->focused = true;
                Post(window, WM_ACTIVATE, 1);
            }
            else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
            {
                window->focused = false;
                PlatformInputFocusLost();
                Post(window, WM_ACTIVATE, 0);
            }
            else if (event.window.event == SDL_WINDOWEVENT_CLOSE)
                Post(window, WM_CLOSE, 0);
            break;
        }
        case SDL_KEYDOWN:
            PlatformInputEvent(event);
            if (HWND window = WindowOfSdl(event.key.windowID))
            {
                g_queue.push_back(MSG{window,
                                      WM_KEYDOWN,
                                      static_cast<WPARAM>(event.key.keysym.sym),
                                      static_cast<LPARAM>(event.key.keysym.scancode),
                                      GetTickCount(),
                                      {0, 0}});
            }
            break;
        case SDL_KEYUP:
        case SDL_MOUSEMOTION:
        case SDL_MOUSEWHEEL:
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            PlatformInputEvent(event);
            break;
        case SDL_TEXTINPUT:
            if (HWND window = WindowOfSdl(event.text.windowID))
                QueueText(window, event.text.text);
            break;
        default:
            break;
        }
    }
}

// Puts SDL's pointer at a screen point, relative to the main window's client
// area. A warp moves the pointer without relative motion, so the mouse device
// reports none.
void WarpPointer(int x, int y)
{
    HWND window = MainWindow();
    if (!g_videoReady || !window || !window->sdl)
        return;
    RECT outer;
    GetWindowRect(window, &outer);
    SDL_WarpMouseInWindow(window->sdl, x - outer.left - kFrameSide, y - outer.top - kFrameTop);
}

PlatformWindow* Lookup(HWND window)
{
    for (PlatformWindow* w : g_windows)
    {
        if (w == window)
            return w;
    }
    return nullptr;
}

void TerminateHandler(int)
{
    g_terminateRequested = 1;
}
} // namespace

void PlatformInstallSignalHandlers()
{
    struct sigaction action;
    memset(&action, 0, sizeof(action));
    action.sa_handler = TerminateHandler;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

ATOM RegisterClassA(const WNDCLASSA* windowClass)
{
    if (!windowClass || !windowClass->lpszClassName)
        return 0;
    g_classes[windowClass->lpszClassName] = *windowClass;
    return 1;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE)
{
    if (!className)
        return FALSE;
    return g_classes.erase(className) ? TRUE : FALSE;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR title, DWORD, int x, int y, int width,
                     int height, HWND, void*, HINSTANCE, void*)
{
    if (!className)
        return nullptr;
    auto found = g_classes.find(className);
    if (found == g_classes.end())
        return nullptr;

    if (!g_videoReady)
    {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            return nullptr;
        // The GL driver stays loaded until SDL_Quit, rather than being unloaded
        // with each last window and loaded again with the next.
        SDL_GL_LoadLibrary(nullptr);
        g_videoReady = true;
    }

    int clientWidth = width - 2 * kFrameSide;
    int clientHeight = height - kFrameTop - kFrameBottom;
    if (clientWidth < 1)
        clientWidth = 1;
    if (clientHeight < 1)
        clientHeight = 1;
    // The pixel format is chosen with the window: double-buffered, with the
    // depth and stencil buffer a Direct3D device asks for, so that the device
    // can draw straight into the window. Without them the device still draws,
    // through a framebuffer of its own.
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_Window* sdl =
        SDL_CreateWindow(title ? title : "", x + kFrameSide, y + kFrameTop, clientWidth,
                         clientHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!sdl)
    {
        SDL_GL_ResetAttributes();
        sdl = SDL_CreateWindow(title ? title : "", x + kFrameSide, y + kFrameTop, clientWidth,
                               clientHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    }
    if (!sdl)
        return nullptr;

    PlatformWindow* window = new PlatformWindow();
    window->className = className;
    window->title = title ? title : "";
    window->proc = found->second.lpfnWndProc;
    window->sdl = sdl;
    window->outerX = x;
    window->outerY = y;
    window->outerWidth = width;
    window->outerHeight = height;
    g_windows.push_back(window);
    return window;
}

BOOL ShowWindow(HWND handle, int command)
{
    PlatformWindow* window = Lookup(handle);
    if (!window || !window->alive)
        return FALSE;
    if (command == SW_HIDE)
    {
        SDL_HideWindow(window->sdl);
        window->focused = false;
        return TRUE;
    }
    SDL_ShowWindow(window->sdl);
    window->focused = true;
    // The activation arrives while the window is shown, before the caller goes
    // on, as the shell expects; a window with no window manager to focus it
    // counts as active.
    if (window->proc)
        window->proc(window, WM_ACTIVATE, 1, 0);
    return TRUE;
}

BOOL DestroyWindow(HWND handle)
{
    PlatformWindow* window = Lookup(handle);
    if (!window)
        return FALSE;
    bool wasAlive = window->alive;
    if (wasAlive)
    {
        window->alive = false;
        if (window->proc)
            window->proc(window, WM_DESTROY, 0, 0);
    }
    // The SDL window outlives the closed window until here, since the renderer
    // releases its context on it after the close. The handle is dead from here
    // on: a second DestroyWindow on it fails like one on any unknown handle.
    if (window->sdl)
        SDL_DestroyWindow(window->sdl);
    g_windows.erase(std::remove(g_windows.begin(), g_windows.end(), window), g_windows.end());
    delete window;
    return wasAlive ? TRUE : FALSE;
}

BOOL IsWindow(HWND handle)
{
    PlatformWindow* window = Lookup(handle);
    return window && window->alive ? TRUE : FALSE;
}

HWND FindWindowA(LPCSTR className, LPCSTR title)
{
    for (PlatformWindow* window : g_windows)
    {
        if (!window->alive)
            continue;
        if (className && window->className != className)
            continue;
        if (title && window->title != title)
            continue;
        return window;
    }
    return nullptr;
}

BOOL SetWindowTextA(HWND handle, LPCSTR text)
{
    PlatformWindow* window = Lookup(handle);
    if (!window || !window->alive)
        return FALSE;
    window->title = text ? text : "";
    if (window->sdl)
        SDL_SetWindowTitle(window->sdl, window->title.c_str());
    return TRUE;
}

BOOL GetWindowRect(HWND handle, RECT* rect)
{
    PlatformWindow* window = Lookup(handle);
    if (!window || !window->alive || !rect)
        return FALSE;
    int x = window->outerX + kFrameSide;
    int y = window->outerY + kFrameTop;
    if (window->sdl)
        SDL_GetWindowPosition(window->sdl, &x, &y);
    rect->left = x - kFrameSide;
    rect->top = y - kFrameTop;
    rect->right = rect->left + window->outerWidth;
    rect->bottom = rect->top + window->outerHeight;
    return TRUE;
}

BOOL GetClientRect(HWND handle, RECT* rect)
{
    PlatformWindow* window = Lookup(handle);
    if (!window || !window->alive || !rect)
        return FALSE;
    int width = 0;
    int height = 0;
    if (window->sdl)
        SDL_GetWindowSize(window->sdl, &width, &height);
    rect->left = 0;
    rect->top = 0;
    rect->right = width;
    rect->bottom = height;
    return TRUE;
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR)
{
    return nullptr;
}

HGDIOBJ GetStockObject(int)
{
    return nullptr;
}

BOOL PeekMessageA(MSG* msg, HWND, UINT, UINT, UINT removeFlags)
{
    if (!msg)
        return FALSE;
    PumpEvents();
    if (!g_queue.empty())
    {
        *msg = g_queue.front();
        if (removeFlags & PM_REMOVE)
            g_queue.pop_front();
        return TRUE;
    }
    // The quit message comes only once nothing else waits.
    if (g_quitPosted)
    {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(g_quitCode), 0, GetTickCount(), {0, 0}};
        if (removeFlags & PM_REMOVE)
            g_quitPosted = false;
        return TRUE;
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG* msg)
{
    if (!msg || msg->message != WM_KEYDOWN)
        return FALSE;
    // Keys that produce a control character but no text event.
    int character = -1;
    switch (static_cast<SDL_Keycode>(msg->wParam))
    {
    case SDLK_BACKSPACE:
        character = 8;
        break;
    case SDLK_TAB:
        character = 9;
        break;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        character = 13;
        break;
    case SDLK_ESCAPE:
        character = 27;
        break;
    default:
        break;
    }
    if (character < 0)
        return FALSE;
    g_queue.push_front(
        MSG{msg->hwnd, WM_CHAR, static_cast<WPARAM>(character), 0, msg->time, {0, 0}});
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg)
{
    if (!msg || !msg->hwnd)
        return 0;
    PlatformWindow* window = Lookup(msg->hwnd);
    if (!window || !window->proc)
        return 0;
    return window->proc(window, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcA(HWND handle, UINT message, WPARAM, LPARAM)
{
    if (message == WM_CLOSE)
    {
        // The window is gone for the program from here on; the SDL window is
        // only hidden so that the renderer can still release its context.
        PlatformWindow* window = Lookup(handle);
        if (window && window->alive)
        {
            if (window->sdl)
                SDL_HideWindow(window->sdl);
            window->alive = false;
            if (window->proc)
                window->proc(window, WM_DESTROY, 0, 0);
        }
    }
    return 0;
}

void PostQuitMessage(int exitCode)
{
    g_quitPosted = true;
    g_quitCode = exitCode;
}

int ShowCursor(BOOL show)
{
    g_cursorCounter += show ? 1 : -1;
    if (g_videoReady)
        SDL_ShowCursor(g_cursorCounter >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return g_cursorCounter;
}

BOOL SetCursorPos(int x, int y)
{
    ++g_cursorMoves;
    // In relative mode SDL holds the pointer in the window itself; otherwise
    // the pointer moves wherever it is, also outside the window.
    if (g_videoReady && !SDL_GetRelativeMouseMode())
        WarpPointer(x, y);
    return TRUE;
}

SDL_Window* PlatformGetSdlWindow(HWND handle)
{
    PlatformWindow* window = Lookup(handle);
    return window ? window->sdl : nullptr;
}

bool PlatformVideoReady()
{
    return g_videoReady;
}

bool PlatformWindowFocused(HWND handle)
{
    PlatformWindow* window = Lookup(handle);
    return window && window->alive && window->focused;
}

void TestPostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_queue.push_back(MSG{window, message, wParam, lParam, GetTickCount(), {0, 0}});
}

void TestClearMessages()
{
    g_queue.clear();
    g_quitPosted = false;
}

int TestGetCursorCounter()
{
    return g_cursorCounter;
}

int TestGetCursorMoves()
{
    return g_cursorMoves;
}

void TestMovePointer(int x, int y)
{
    WarpPointer(x, y);
}

POINT TestGetPointer()
{
    POINT point = {0, 0};
    HWND window = MainWindow();
    if (!g_videoReady || !window)
        return point;
    int x = 0;
    int y = 0;
    SDL_GetMouseState(&x, &y);
    RECT outer;
    GetWindowRect(window, &outer);
    point.x = outer.left + kFrameSide + x;
    point.y = outer.top + kFrameTop + y;
    return point;
}

void PlatformShutdown()
{
    for (PlatformWindow* window : g_windows)
    {
        if (window->sdl)
        {
            SDL_DestroyWindow(window->sdl);
            window->sdl = nullptr;
        }
    }
    // SDL's video, and with it the GL driver, is left to the end of the
    // process: Mesa's driver strands memory it still holds when it is
    // unloaded, which a leak check then cannot even trace to it.
    Uint32 others = SDL_WasInit(SDL_INIT_EVERYTHING) & ~(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    if (others)
        SDL_QuitSubSystem(others);
}
