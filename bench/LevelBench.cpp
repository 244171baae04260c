// Ray casts and sweeps per second against the octree of a level of 50,008
// triangles, and against a brute-force pass over the same triangles with the
// same per-triangle tests; and the time to bake the lightmaps of the data
// set's testlevel.3ds under two point lights (needs the data set maker and a
// display or SDL_VIDEODRIVER=offscreen, set here when unset).
#include "BenchSupport.h"

#include "core/RefObject.h"
#include "math/Intersection.h"
#include "math/RayHit.h"
#include "scene/Level.h"
#include "scene/LevelTestSupport.h"
#include "scene/Light.h"
#include "scene/SceneGraph.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace
{
constexpr int kQueries = 1024;

// A floor of 100 by 100 unit tiles (20,000 triangles), 2,500 crates of 0.6
// units (30,000) and four walls 16 units high around it (8), as one mesh.
LevelFile CrateField()
{
    LevelFile file;
    for (int j = 0; j < 100; ++j)
        for (int i = 0; i < 100; ++i)
            file.Quad(Vector3(-50.0f + i, 0, -50.0f + j), Vector3(0, 0, 1), Vector3(1, 0, 0));
    for (int j = 0; j < 50; ++j)
    {
        for (int i = 0; i < 50; ++i)
        {
            Vector3 min(-49.5f + 2 * i + 0.1f * (j % 5), 0, -49.5f + 2 * j + 0.1f * (i % 5));
            file.Box(min, min + Vector3(0.6f, 0.6f, 0.6f));
        }
    }
    const float h = 16.0f;
    file.Quad(Vector3(-50, 0, 50), Vector3(0, h, 0), Vector3(100, 0, 0));
    file.Quad(Vector3(50, 0, -50), Vector3(0, h, 0), Vector3(-100, 0, 0));
    file.Quad(Vector3(-50, 0, -50), Vector3(0, h, 0), Vector3(0, 0, 100));
    file.Quad(Vector3(50, 0, 50), Vector3(0, h, 0), Vector3(0, 0, -100));
    return file;
}

struct Segment
{
    Vector3 from;
    Vector3 to;
};

struct Field
{
    SmartPtr<Level> level;
    std::vector<LevelTriangle> triangles;
    // Shots from 3 units up to 1 below the floor, and moves 0.8 above it, each
    // up to 3 units aside.
    std::vector<Segment> rays;
    std::vector<Segment> moves;
};

const Vector3 kRadii(0.3f, 0.6f, 0.3f);

// The level, loaded once from a file written in a scratch folder.
const Field* TheField()
{
    static Field* field = []() -> Field*
    {
        const std::string path =
            (std::filesystem::temp_directory_path() / "tolvi_level_bench.3ds").string();
        if (!TdsWriter::Save(CrateField().Bytes(), path))
            return nullptr;
        Field* made = new Field();
        made->level = new Level();
        const int loaded = made->level->Load(path.c_str());
        std::filesystem::remove(path);
        if (loaded != 0)
            return nullptr;
        for (const WalkedTriangle& walked : WalkTriangles(made->level->GetOctree()))
            made->triangles.push_back(*walked.triangle);
        std::mt19937 random(7);
        std::uniform_real_distribution<float> across(-48.0f, 48.0f);
        std::uniform_real_distribution<float> aside(-3.0f, 3.0f);
        for (int i = 0; i < kQueries; ++i)
        {
            Vector3 shot(across(random), 3.0f, across(random));
            made->rays.push_back({shot, shot + Vector3(aside(random), -4.0f, aside(random))});
            Vector3 start(across(random), 0.8f, across(random));
            made->moves.push_back({start, start + Vector3(aside(random), 0.0f, aside(random))});
        }
        return made;
    }();
    return field;
}

// The octree's per-triangle ray test over every triangle.
void BruteRayCast(const std::vector<LevelTriangle>& triangles, const Segment& s, RayHit& hit)
{
    for (const LevelTriangle& triangle : triangles)
    {
        Vector3 p0 = triangle.Position(0);
        float t = RayPlaneParameter(s.from, s.to, p0, triangle.normal);
        if (t < hit.distance && t > 0.0f &&
            SegmentIntersectsTriangle(s.from, s.to, p0, triangle.Position(1), triangle.Position(2),
                                      triangle.normal))
        {
            hit.distance = t;
            hit.normal = triangle.normal;
        }
    }
}

Vector3 Scaled(const Vector3& p)
{
    return Vector3(p.x / kRadii.x, p.y / kRadii.y, p.z / kRadii.z);
}

// The level's sweep with every triangle tested.
void BruteSweep(const std::vector<LevelTriangle>& triangles, const Segment& s, RayHit& hit)
{
    RayHit local;
    for (const LevelTriangle& triangle : triangles)
        SphereTriangleCollision(Scaled(s.from), Scaled(s.to), Scaled(triangle.Position(0)),
                                Scaled(triangle.Position(1)), Scaled(triangle.Position(2)), local);
    if (local.distance <= 1.0f && local.distance < hit.distance)
        hit.distance = local.distance;
}

// False, with the error set, unless the field loaded and the octree and the
// brute-force pass agree on the first queries.
bool Ready(benchmark::State& state, const Field* field)
{
    if (!field)
    {
        state.SkipWithError("the level did not load");
        return false;
    }
    for (int i = 0; i < 64; ++i)
    {
        RayHit tree, brute, treeSweep, bruteSweep;
        field->level->RayCast(field->rays[i].from, field->rays[i].to, tree);
        BruteRayCast(field->triangles, field->rays[i], brute);
        field->level->Sweep(field->moves[i].from, field->moves[i].to, kRadii, treeSweep);
        BruteSweep(field->triangles, field->moves[i], bruteSweep);
        if (tree.distance != brute.distance || treeSweep.distance != bruteSweep.distance)
        {
            state.SkipWithError("the octree and the brute-force pass disagree");
            return false;
        }
    }
    return true;
}

// One query per iteration, over the field's segments in turn.
template <typename Query>
void RunQueries(benchmark::State& state, const std::vector<Segment> Field::*segments, Query query)
{
    const Field* field = TheField();
    if (!Ready(state, field))
        return;
    size_t i = 0;
    for (auto _ : state)
    {
        RayHit hit;
        query(*field, (field->*segments)[i++ % kQueries], hit);
        benchmark::DoNotOptimize(hit.distance);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_LevelRayCastOctree(benchmark::State& state)
{
    RunQueries(state, &Field::rays,
               [](const Field& field, const Segment& s, RayHit& hit)
               { field.level->RayCast(s.from, s.to, hit); });
}
BENCHMARK(BM_LevelRayCastOctree);

void BM_LevelRayCastBruteForce(benchmark::State& state)
{
    RunQueries(state, &Field::rays,
               [](const Field& field, const Segment& s, RayHit& hit)
               { BruteRayCast(field.triangles, s, hit); });
}
BENCHMARK(BM_LevelRayCastBruteForce);

void BM_LevelSweepOctree(benchmark::State& state)
{
    RunQueries(state, &Field::moves,
               [](const Field& field, const Segment& s, RayHit& hit)
               { field.level->Sweep(s.from, s.to, kRadii, hit); });
}
BENCHMARK(BM_LevelSweepOctree);

void BM_LevelSweepBruteForce(benchmark::State& state)
{
    RunQueries(state, &Field::moves,
               [](const Field& field, const Segment& s, RayHit& hit)
               { BruteSweep(field.triangles, s, hit); });
}
BENCHMARK(BM_LevelSweepBruteForce);

#ifdef TOLVI_MAKEDATA
// The number of "lmap*.bmp" files in the folder.
double LightmapFiles(const std::string& folder)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        count += entry.path().filename().string().rfind("lmap", 0) == 0 ? 1 : 0;
    return count;
}
#endif

// One whole bake of testlevel.3ds made by the maker in a scratch folder of its
// own, where the lightmap files are written, under two point lights.
void BM_LevelBakeTestLevel(benchmark::State& state)
{
#ifdef TOLVI_MAKEDATA
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (!StartVideo())
    {
        state.SkipWithError("no video device");
        return;
    }
    ScratchFolder folder("level-bench");
    WorkingFolder inside(folder.path);
    SmartPtr<Level> level = new Level();
    if (!MakeDataSet(folder.path) || level->Load("testlevel.3ds") != 0)
    {
        state.SkipWithError("the data set's testlevel.3ds did not load");
        return;
    }
    SceneNode* root = MainSceneGraph.GetRoot();
    root->AddChild(level.Get());
    const Vector3 positions[2] = {Vector3(0, 2.5f, 0), Vector3(-6, 2, 6)};
    std::vector<SmartPtr<Light>> lights;
    for (const Vector3& position : positions)
    {
        Light* light = new Light();
        light->colour = Color3(1, 1, 1);
        light->range = 15;
        light->position = position;
        root->AddChild(light);
        lights.push_back(light);
    }
    for (auto _ : state)
        level->BuildLightmaps();
    state.counters["lightmaps"] = LightmapFiles(folder.path);

    for (const SmartPtr<Light>& light : lights)
        root->RemoveChild(light.Get());
    root->RemoveChild(level.Get());
    level = nullptr;
    lights.clear();
    RefObject::CollectGarbage();
    SetWindowTextA(g_mainWindow, "Tolvi output");
#else
    state.SkipWithError("built without the data set maker");
#endif
}
BENCHMARK(BM_LevelBakeTestLevel)->Iterations(1)->Unit(benchmark::kMillisecond);
} // namespace
