// Particles updated, and updated and drawn, per second with 10,000 live
// particles in one system. The drawing benchmark needs a display or
// SDL_VIDEODRIVER=offscreen.
#include "BenchSupport.h"

#include "core/RefObject.h"
#include "scene/Camera.h"
#include "scene/ParticleSystem.h"
#include "scene/SceneGraph.h"
#include "video/Video.h"

#include <benchmark/benchmark.h>

namespace
{
constexpr int kParticles = 10000;

// A stopped system of 10,000 particles that never fade, spread over a disc
// rising from the origin.
SmartPtr<ParticleSystem> LiveSystem()
{
    SmartPtr<ParticleSystem> system = new ParticleSystem();
    system->fade = 0.0f;
    system->baseVelocity = Vector3(0.0f, 1.0f, 0.0f);
    system->StopEmitting();
    for (int i = 0; i < kParticles; ++i)
    {
        system->origin = Vector3(static_cast<float>(i % 100) * 0.1f - 5.0f, 0.0f,
                                 static_cast<float>(i / 100) * 0.1f);
        system->EmitParticle();
    }
    for (const SmartPtr<Particle>& p : system->particles)
        p->colour = Color3(0.5f, 0.5f, 0.5f);
    return system;
}

void BM_ParticlesUpdate10000(benchmark::State& state)
{
    SmartPtr<ParticleSystem> system = LiveSystem();
    for (auto _ : state)
    {
        system->Update(0.016f);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kParticles);
    system = nullptr;
    RefObject::CollectGarbage();
}
BENCHMARK(BM_ParticlesUpdate10000);

// Whole frames of the main graph through the Video: the update traversal, then
// the frame (clear, scene, present) that draws every particle as a textured,
// camera-facing square.
void BM_ParticlesUpdateDraw10000(benchmark::State& state)
{
    Video& video = Video::Instance();
    if (!StartVideo())
    {
        state.SkipWithError("no video device");
        return;
    }
    SmartPtr<Camera> camera = new Camera();
    camera->position = Vector3(0.0f, 2.0f, -10.0f);
    video.SetCamera(camera.Get());

    SmartPtr<Texture> texture = new Texture(8, 8, 32, 8);
    if (uint32_t* pixels = static_cast<uint32_t*>(texture->Lock()))
    {
        for (int i = 0; i < 64; ++i)
            pixels[i] = 0x80FFFFFFu;
        texture->Unlock();
    }
    SmartPtr<ParticleSystem> system = LiveSystem();
    system->texture = texture;
    SceneNode* root = MainSceneGraph.GetRoot();
    root->AddChild(camera.Get());
    root->AddChild(system.Get());
    for (auto _ : state)
    {
        root->UpdateTree(Matrix(), 0.016f);
        video.Render();
    }
    state.SetItemsProcessed(state.iterations() * kParticles);
    root->RemoveChild(system.Get());
    root->RemoveChild(camera.Get());
    video.SetCamera(nullptr);
    system = nullptr;
    RefObject::CollectGarbage();
}
BENCHMARK(BM_ParticlesUpdateDraw10000)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
