// Internal to the platform layer: the SDL window behind an HWND, for the
// renderer and input backends.
#pragma once

#include "platform/Win32.h"

struct SDL_Window;

SDL_Window* PlatformGetSdlWindow(HWND window);
// True once SDL's video subsystem is up (the window was created).
bool PlatformVideoReady();
