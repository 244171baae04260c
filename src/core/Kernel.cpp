#include "core/Kernel.h"

#include "audio/DirectSoundSystem.h"
#include "core/Log.h"
#include "core/RefObject.h"
#include "core/Shell.h"
#include "core/Timer.h"
#include "game/Mod.h"
#include "gui/GuiManager.h"
#include "input/InputSystem.h"
#include "net/NetClient.h"
#include "net/NetworkSubsystem.h"
#include "net/Server.h"
#include "physics/Physics.h"
#include "scene/SceneGraph.h"
#include "video/Video.h"

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
    Video::Instance().Initialize();
    InputSystem::Instance()->Init();
    DirectSoundSystem* soundSystem = new DirectSoundSystem();
    g_soundSystem = soundSystem;
    soundSystem->Init();
    NetworkSubsystem::Instance()->Init();
    Timer::Instance()->Initialize();
    Physics::Instance()->Init();
    Mod::Instance()->Start();
}

void Kernel::Update()
{
    Mod::Instance()->Frame();
    Timer::Instance()->Update();
    InputSystem::Instance()->Update();
    // The server ticks at most once per millisecond reading.
    if (timeGetTime() > g_lastServerUpdate)
    {
        g_lastServerUpdate = timeGetTime();
        Server::Instance()->Update();
    }
    Physics::Instance()->Update();
    NetClient::Instance()->Update();
    MainSceneGraph.Update();
    SecondarySceneGraph.Move();
    GuiManager::Instance().Update();
    Video::Instance().Render();
    if (g_soundSystem)
        g_soundSystem->Update();
    RefObject::CollectGarbage();
}

void Kernel::Shutdown()
{
    LogScope scope("Shutting Down Kernel");
    Mod::Instance()->Stop();
    Physics::Instance()->Shutdown();
    Timer::Instance()->Shutdown();
    NetworkSubsystem::Instance()->Shutdown();
    if (g_soundSystem)
        g_soundSystem->Shutdown();
    // Each start creates its own; nothing holds this one after the shut-down.
    delete g_soundSystem;
    g_soundSystem = nullptr;
    InputSystem::Instance()->Shutdown();
    Video::Instance().Shutdown();
    Log::Printf(Log::Instance(), "deleting remaining memory objects...\n");
    RefObject::DeleteAll();
}
