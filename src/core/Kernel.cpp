#include "core/Kernel.h"

#include "core/Log.h"
#include "core/RefObject.h"
#include "core/Shell.h"
#include "core/Timer.h"
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
    Timer::Instance()->Initialize();
}

void Kernel::Update()
{
    Timer::Instance()->Update();
    MainSceneGraph.Update();
    SecondarySceneGraph.Move();
    Video::Instance().Render();
    RefObject::CollectGarbage();
}

void Kernel::Shutdown()
{
    LogScope scope("Shutting Down Kernel");
    Timer::Instance()->Shutdown();
    Video::Instance().Shutdown();
    Log::Printf(Log::Instance(), "deleting remaining memory objects...\n");
    RefObject::DeleteAll();
}
