// Simulated seconds per wall second of the physics world: the game's obstacle
// set (the data set's level.txt, placed by the game's own reader) and a pile
// of 200 dynamic boxes. Each iteration is one 0.05 s step; the rate counter
// "sim_s_per_s" is the simulated time per second of wall time. The boxes are
// loaded from 3DS models, which needs a display or SDL_VIDEODRIVER=offscreen.
#include "BenchSupport.h"

#include "core/RefObject.h"
#include "game/Mod.h"
#include "physics/BoxModelFile.h"
#include "physics/Physics.h"
#include "physics/PhysicsBox.h"
#include "scene/SceneNode.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace
{
// Steps a fresh world holding the boxes that `place` puts under the parent it
// is given.
template <class Place> void StepWorld(benchmark::State& state, Place place)
{
    StartVideo();
    Physics* physics = Physics::Instance();
    physics->Init();
    SmartPtr<SceneNode> parent = new RootNode();
    place(parent.Get());
    for (auto _ : state)
        physics->Step(Physics::kStepLength);
    state.counters["sim_s_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * Physics::kStepLength,
                           benchmark::Counter::kIsRate);

    physics->Shutdown();
    parent = nullptr;
    RefObject::CollectGarbage();
}

void BM_PhysicsObstacleSet(benchmark::State& state)
{
    const ScratchFolder* data = SharedDataSet();
    if (!data)
    {
        state.SkipWithError("no data set");
        return;
    }
    WorkingFolder inside(data->path);
    StepWorld(state,
              [](SceneNode* parent) { Mod::Instance()->LoadObstacles("level.txt", parent); });
}
BENCHMARK(BM_PhysicsObstacleSet);

void BM_PhysicsPile200(benchmark::State& state)
{
    // A pyramid of unit boxes, 8 by 8 at the bottom, each layer shifted by half
    // a box so that every box rests on four: 200 bodies in one touching pile.
    // Each centre is 0.1 above its resting place, as the level reader places a
    // dynamic box.
    std::vector<Vector3> centres;
    for (int layer = 0; centres.size() < 200; ++layer)
    {
        int side = 8 - layer;
        for (int row = 0; row < side && centres.size() < 200; ++row)
            for (int column = 0; column < side && centres.size() < 200; ++column)
                centres.emplace_back(column + layer * 0.5f, layer + 0.6f, row + layer * 0.5f);
    }
    ScratchFolder folder;
    const std::string cube = folder.File("cube.3ds");
    WriteBoxFile(cube, Vector3(-0.5f, 0, -0.5f), Vector3(0.5f, 1, 0.5f));
    StepWorld(state,
              [&](SceneNode* parent)
              {
                  for (const Vector3& centre : centres)
                  {
                      PhysicsBox* box = new PhysicsBox();
                      box->Load(cube.c_str(), true);
                      box->SetPosition(centre);
                      parent->AddChild(box);
                  }
              });
}
BENCHMARK(BM_PhysicsPile200);
} // namespace
