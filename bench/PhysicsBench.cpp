// Simulated seconds per wall second of the physics world: the game's obstacle
// set (8 dynamic crates and 4 static walls on the ground) and a pile of 200
// dynamic boxes. Each iteration is one 0.05 s step; the rate counter
// "sim_s_per_s" is the simulated time per second of wall time. The boxes are
// loaded from 3DS models, which needs a display or SDL_VIDEODRIVER=offscreen.
#include "BenchSupport.h"

#include "core/RefObject.h"
#include "physics/BoxModelFile.h"
#include "physics/Physics.h"
#include "physics/PhysicsBox.h"
#include "scene/SceneGraph.h"
#include "support/ImageFiles.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace
{
struct Obstacle
{
    const char* model;
    float x, y, z;
    float quarterTurns;
    bool dynamic;
};

// Steps a fresh world holding the obstacles (y is the base above the ground;
// dynamic ones start 0.1 higher, as the level reader places them).
void StepWorld(benchmark::State& state, const std::vector<Obstacle>& obstacles)
{
    StartVideo();
    ScratchFolder folder;
    std::string crate = folder.File("crate.3ds");
    std::string wall = folder.File("wall.3ds");
    std::string cube = folder.File("cube.3ds");
    WriteBoxFile(crate, Vector3(-1, 0, -1), Vector3(1, 2, 1));
    WriteBoxFile(wall, Vector3(-4, 0, -0.5f), Vector3(4, 3, 0.5f));
    WriteBoxFile(cube, Vector3(-0.5f, 0, -0.5f), Vector3(0.5f, 1, 0.5f));

    Physics* physics = Physics::Instance();
    physics->Init();
    std::vector<PhysicsBox*> boxes;
    for (const Obstacle& o : obstacles)
    {
        std::string name = o.model;
        PhysicsBox* box = new PhysicsBox();
        box->Load((name == "crate" ? crate : name == "wall" ? wall : cube).c_str(), o.dynamic);
        float height = box->boxMax.y - box->boxMin.y;
        box->SetPosition(Vector3(o.x, o.y + height / 2 + (o.dynamic ? 0.1f : 0.0f), o.z));
        box->SetRotation(Quaternion::FromAxisAngle(Vector3(0, 1, 0), o.quarterTurns * 1.5707964f));
        MainSceneGraph.GetRoot()->AddChild(box);
        boxes.push_back(box);
    }
    for (auto _ : state)
        physics->Step(Physics::kStepLength);
    state.counters["sim_s_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * Physics::kStepLength,
                           benchmark::Counter::kIsRate);

    for (PhysicsBox* box : boxes)
        MainSceneGraph.GetRoot()->RemoveChild(box);
    physics->Shutdown();
    RefObject::CollectGarbage();
}

void BM_PhysicsObstacleSet(benchmark::State& state)
{
    // The game's level: crates on both sides of the way ahead of the tank,
    // walls further out.
    StepWorld(state, {
                         {"crate", -45, 0, -176, 0.0f, true},
                         {"crate", -29, 0, -174, 0.5f, true},
                         {"crate", -48, 0, -170, 0.25f, true},
                         {"crate", -26, 0, -166, 0.0f, true},
                         {"crate", -46, 0, -162, 1.0f, true},
                         {"crate", -28, 0, -157, 0.3f, true},
                         {"crate", -51, 0, -145, 0.0f, true},
                         {"crate", -24, 0, -141, 0.0f, true},
                         {"wall", -56, 0, -160, 1.0f, false},
                         {"wall", -18, 0, -160, 1.0f, false},
                         {"wall", -61, 0, -132, 0.0f, false},
                         {"wall", -13, 0, -128, 0.0f, false},
                     });
}
BENCHMARK(BM_PhysicsObstacleSet);

void BM_PhysicsPile200(benchmark::State& state)
{
    // A pyramid of unit boxes, 8 by 8 at the bottom, each layer shifted by half
    // a box so that every box rests on four: 200 bodies in one touching pile.
    std::vector<Obstacle> pile;
    for (int layer = 0; pile.size() < 200; ++layer)
    {
        int side = 8 - layer;
        for (int row = 0; row < side && pile.size() < 200; ++row)
            for (int column = 0; column < side && pile.size() < 200; ++column)
                pile.push_back({"cube", column + layer * 0.5f, static_cast<float>(layer),
                                row + layer * 0.5f, 0.0f, true});
    }
    StepWorld(state, pile);
}
BENCHMARK(BM_PhysicsPile200);
} // namespace
