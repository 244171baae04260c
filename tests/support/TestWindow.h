// A window with the default window procedure. Shown, it has the focus, as a
// window the user just opened, so foreground input devices acquire on it.
#pragma once

#include "platform/Win32.h"

class TestWindow
{
public:
    explicit TestWindow(int width = 800, int height = 600, bool shown = true)
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "TolviTestWindow";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "TolviTestWindow", "test window", WS_OVERLAPPEDWINDOW, 0, 0,
                                 width, height, nullptr, nullptr, nullptr, nullptr);
        if (shown)
            ShowWindow(window, SW_SHOW);
    }
    ~TestWindow()
    {
        DestroyWindow(window);
        UnregisterClassA("TolviTestWindow", nullptr);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND window = nullptr;
};
