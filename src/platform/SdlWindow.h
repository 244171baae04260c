// Internal to the platform layer: the SDL window behind an HWND, for the
// renderer and input backends.
#pragma once

#include "platform/Win32.h"

struct SDL_Window;
union SDL_Event;

SDL_Window* PlatformGetSdlWindow(HWND window);
// True once SDL's video subsystem is up (the window was created).
bool PlatformVideoReady();
// The window is alive and has the keyboard focus: shown and not deactivated since.
bool PlatformWindowFocused(HWND window);

// The window's event pump hands the input devices every keyboard and mouse
// event it takes from SDL, and tells them when the focus went elsewhere (no
// release reaches us then, so every key and button counts as up).
void PlatformInputEvent(const SDL_Event& event);
void PlatformInputFocusLost();
