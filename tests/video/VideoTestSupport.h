// The real video subsystem on the main window, started by the first test that
// needs it (and again after a test shut it down) and left running for the
// next, its stop for a test that starts its own, and read-back of the frame it
// presented.
#pragma once

#include "core/Shell.h"
#include "platform/VideoTestHooks.h"
#include "video/Video.h"

namespace VideoTestSupport
{
// Creates the main window and initialises Video where either is missing; true
// while a device exists.
inline bool Start()
{
    if (!g_mainWindow)
        CreateMainWindow();
    if (!Video::Instance().device)
        Video::Instance().Initialize();
    return Video::Instance().device != nullptr;
}

// Shuts Video down and destroys the main window, so that the next start
// begins from nothing. A start over a running one would drop the old device
// and window unreleased.
inline void Stop()
{
    Video& video = Video::Instance();
    if (video.device || video.direct3d)
        video.Shutdown();
    if (g_mainWindow)
        DestroyMainWindow();
    g_mainWindow = nullptr;
}

inline IDirect3DDevice9* Device()
{
    return Video::Instance().device;
}

// What the last Video::Render presented.
inline TestFrame Frame()
{
    return TestReadFrame(Device());
}
} // namespace VideoTestSupport
