// The application shell: the main window, its window procedure and the main
// message loop that runs a frame whenever no message waits.
#pragma once

#include "platform/Win32.h"

class SoundSystem;

extern HINSTANCE g_instance;
extern HWND g_mainWindow;
// The main window is active: the loop re-centres the cursor while it is set.
extern bool g_windowActive;
// A key-down arrived and its character has not been forwarded yet.
extern bool g_keyDownSeen;
// Time of the last server tick, by timeGetTime.
extern DWORD g_lastServerUpdate;
// The one sound system, created by Kernel::Init; null before and after.
extern SoundSystem* g_soundSystem;

void CreateMainWindow();
void DestroyMainWindow();
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// One pass of the main loop: takes and dispatches one message if one waits,
// otherwise runs the idle work and one frame. The loop's state lives in the
// caller: the last message taken and the profiler stamp.
enum class LoopPass
{
    Message,
    Frame
};
LoopPass MainLoopPass(MSG& msg, DWORD& profilerStamp);
