#include "core/Kernel.h"

#include "core/Log.h"
#include "core/RefObject.h"
#include "core/Shell.h"
#include "net/NetClient.h"
#include "net/NetworkSubsystem.h"
#include "net/Server.h"

namespace
{
Kernel g_kernel;
} // namespace

Kernel* Kernel::GetInstance()
{
    return &g_kernel;
}

void Kernel::Init()
{
    LogFile* logFile = new LogFile();
    logFile->SetFileName("tolvi.log");
    logFile->SetAppend(false);
    Log::Instance()->AddOutput(logFile);

    LogScope scope("Initializing Kernel");
    Log::Printf(Log::Instance(), "tolvi.log opened\n");
    NetworkSubsystem::Instance()->Init();
}

void Kernel::Update()
{
    // The server ticks at most once per millisecond reading.
    if (timeGetTime() > g_lastServerUpdate)
    {
        g_lastServerUpdate = timeGetTime();
        Server::Instance()->Update();
    }
    NetClient::Instance()->Update();
    RefObject::CollectGarbage();
}

void Kernel::Shutdown()
{
    LogScope scope("Shutting Down Kernel");
    NetworkSubsystem::Instance()->Shutdown();
    Log::Printf(Log::Instance(), "deleting remaining memory objects...\n");
    RefObject::DeleteAll();
}
