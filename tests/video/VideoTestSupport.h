// The real video subsystem on the main window, started by the first test that
// needs it (and again after a test shut it down), and read-back of the frame
// it presented.
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
