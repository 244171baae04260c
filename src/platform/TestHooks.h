// Hooks through which tests control the platform layer: a settable clock and
// messages injected into the queue. The game itself never calls these.
#pragma once

#include "platform/Win32.h"

// Replaces the millisecond clocks (GetTickCount, timeGetTime) with a fixed
// reading; the performance counter then reads that time in nanoseconds.
void TestSetClock(DWORD milliseconds);
// Returns the clocks to the real monotonic clock.
void TestUseRealClock();

// Appends a message to the queue that PeekMessageA reads.
void TestPostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Empties the queue and forgets a posted quit.
void TestClearMessages();
// The ShowCursor display counter.
int TestGetCursorCounter();
// Number of SetCursorPos calls so far.
int TestGetCursorMoves();
// Puts the system pointer at a screen point, as a user's hand would, whatever
// window it is over.
void TestMovePointer(int x, int y);
// Where SDL has the system pointer, in screen coordinates (taken relative to
// the first live window).
POINT TestGetPointer();
