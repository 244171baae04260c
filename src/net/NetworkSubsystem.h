// Starts the socket layer with the Kernel and stops it with the Kernel; every
// socket operation first asks it whether sockets are ready.
#pragma once

#include "platform/Winsock.h"

class NetworkSubsystem
{
public:
    static NetworkSubsystem* Instance();
    NetworkSubsystem();
    // Shuts down if still ready.
    ~NetworkSubsystem();

    // Called by the Kernel's start-up; a second call while ready does nothing
    // but log its scope. A failed start leaves the subsystem not ready.
    void Init();
    // Called by the Kernel's shut-down.
    void Shutdown();
    bool IsReady() const { return ready; }

private:
    WSADATA wsaData = {};
    bool ready = false;
};
