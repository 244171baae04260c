// Process-level services of the platform layer for the program's entry.
#pragma once

// Turns SIGTERM and SIGINT into a close of the main window, delivered by the
// next PeekMessageA.
void PlatformInstallSignalHandlers();
// Releases what the platform layer still holds (SDL's windows and every SDL
// subsystem but video, which ends with the process) before the process exits.
void PlatformShutdown();
