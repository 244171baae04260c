// Events pushed into SDL's own queue, as a user's keyboard and mouse make
// them; the platform's message pump takes them to the main window.
#pragma once

#include "platform/SdlWindow.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>

inline void PushSdlEvent(SDL_Event event)
{
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

// A key going down, with the text it types if any, or up.
inline void PushKey(SDL_Scancode scancode, bool down, const char* text = nullptr)
{
    SDL_Event event = {};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = scancode;
    event.key.keysym.sym = SDL_GetKeyFromScancode(scancode);
    PushSdlEvent(event);
    if (!text)
        return;
    event = {};
    event.type = SDL_TEXTINPUT;
    strncpy(event.text.text, text, sizeof(event.text.text) - 1);
    PushSdlEvent(event);
}

inline void PushMotion(int dx, int dy)
{
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    event.motion.xrel = dx;
    event.motion.yrel = dy;
    PushSdlEvent(event);
}

// SDL's button numbers: SDL_BUTTON_LEFT and so on.
inline void PushButton(Uint8 button, bool down)
{
    SDL_Event event = {};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.button = button;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    PushSdlEvent(event);
}

// SDL_WINDOWEVENT_FOCUS_GAINED or SDL_WINDOWEVENT_FOCUS_LOST, for the window
// given, or for the main window.
inline void PushFocus(Uint8 change, HWND window = nullptr)
{
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = change;
    if (window)
        event.window.windowID = SDL_GetWindowID(PlatformGetSdlWindow(window));
    PushSdlEvent(event);
}
