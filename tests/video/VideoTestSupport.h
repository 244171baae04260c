// The real video subsystem on the main window, started once per test process,
// and read-back of the frame it presented.
#pragma once

#include "core/Shell.h"
#include "platform/VideoTestHooks.h"
#include "video/Video.h"

namespace VideoTestSupport
{
// Creates the main window and initialises Video on the first call; true while
// a device exists.
inline bool Start()
{
    static bool started = []
    {
        if (!g_mainWindow)
            CreateMainWindow();
        if (!Video::Instance().device)
            Video::Instance().Initialize();
        return true;
    }();
    (void)started;
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
