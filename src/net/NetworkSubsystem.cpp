#include "net/NetworkSubsystem.h"

#include "core/Log.h"

NetworkSubsystem* NetworkSubsystem::Instance()
{
    static NetworkSubsystem subsystem;
    return &subsystem;
}

// The destructor may log at exit: making the log first makes it outlive us.
NetworkSubsystem::NetworkSubsystem()
{
    Log::Instance();
}

NetworkSubsystem::~NetworkSubsystem()
{
    if (ready)
        Shutdown();
}

void NetworkSubsystem::Init()
{
    LogScope scope("Initializing Network Subsystem");
    if (ready)
        return;
    Log::Printf(Log::Instance(), "Starting up Winsock.\n");
    if (WSAStartup(0x0002, &wsaData) == 0)
        ready = true;
}

void NetworkSubsystem::Shutdown()
{
    LogScope scope("Shutting Down Network Subsystem");
    if (!ready)
        return;
    Log::Printf(Log::Instance(), "Shutting down Winsock.\n");
    WSACleanup();
    ready = false;
}
