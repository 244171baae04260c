// A shown window with the default window procedure: it has the focus, as a
// window the user just opened, so foreground input devices acquire on it.
#pragma once

#include "platform/Win32.h"

class TestWindow
{
public:
    TestWindow()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "TolviTestWindow";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "TolviTestWindow", "test window", WS_OVERLAPPEDWINDOW, 0, 0,
                                 800, 600, nullptr, nullptr, nullptr, nullptr);
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
