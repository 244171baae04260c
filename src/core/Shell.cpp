#include "core/Shell.h"

#include "core/Kernel.h"
#include "core/Log.h"
#include "core/Profiler.h"
#include "input/InputSystem.h"

HINSTANCE g_instance = nullptr;
HWND g_mainWindow = nullptr;
bool g_windowActive = true;
bool g_keyDownSeen = false;
DWORD g_lastServerUpdate = 0;
SoundSystem* g_soundSystem = nullptr;

namespace
{
const char* const kClassName = "TolviWndClass";
const char* const kWindowTitle = "Tolvi output";
} // namespace

void CreateMainWindow()
{
    WNDCLASSA windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = g_instance;
    windowClass.hIcon = nullptr;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);

    g_mainWindow = CreateWindowExA(0, kClassName, kWindowTitle, WS_OVERLAPPEDWINDOW, 0, 0, 800, 600,
                                   nullptr, nullptr, g_instance, nullptr);
    ShowWindow(g_mainWindow, SW_SHOW);
}

void DestroyMainWindow()
{
    // Normally already closed by the default close handling; this then only
    // releases what is left of it.
    DestroyWindow(g_mainWindow);
    UnregisterClassA(kClassName, g_instance);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_ACTIVATE:
        if (wParam != 0)
        {
            InputSystem::Instance()->SetActive(true);
            g_windowActive = true;
            ShowCursor(FALSE);
        }
        else
        {
            InputSystem::Instance()->SetActive(false);
            g_windowActive = false;
            ShowCursor(TRUE);
        }
        break;
    case WM_CLOSE:
        PostQuitMessage(0);
        break;
    case WM_KEYDOWN:
        g_keyDownSeen = true;
        break;
    case WM_CHAR:
        if (g_keyDownSeen)
        {
            InputSystem::Instance()->OnChar(static_cast<char>(wParam & 0xFF));
            g_keyDownSeen = false;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LoopPass MainLoopPass(MSG& msg, DWORD& profilerStamp)
{
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        return LoopPass::Message;
    }

    if (g_windowActive)
    {
        RECT rect = {0, 0, 0, 0};
        if (GetWindowRect(g_mainWindow, &rect))
            SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    }
    Kernel::GetInstance()->Update();
    if (GetTickCount() > profilerStamp)
    {
        profilerStamp = GetTickCount() + 200;
        Profiler::GetInstance()->EndFrame();
        Profiler::GetInstance()->Start();
    }
    return LoopPass::Frame;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_instance = instance;
    CreateMainWindow();
    ShowCursor(FALSE);
    DWORD profilerStamp = 0;
    Profiler::GetInstance()->Start();
    Kernel::GetInstance()->Init();

    {
        LogScope mainloop("Mainloop");
        MSG msg = {};
        while (msg.message != WM_QUIT)
            MainLoopPass(msg, profilerStamp);
    }

    Kernel::GetInstance()->Shutdown();
    DestroyMainWindow();
    ShowCursor(TRUE);
    return 0;
}
