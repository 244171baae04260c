// The engine's whole frame with a 50,000-triangle model, against the plain
// OpenGL program of GlBaseline drawing the same vertices and material groups
// with the same textures, light, camera and resolution, in the same run:
// frames alternate, each ends when its picture is done, and the counters give
// the median frame times and the median ratio of neighbouring frames. Run with
// SDL_VIDEODRIVER=offscreen (set here when unset).
#include "BenchSupport.h"
#include "GlBaseline.h"

#include "core/RefObject.h"
#include "platform/VideoTestHooks.h"
#include "scene/Camera.h"
#include "scene/Light.h"
#include "scene/SceneGraph.h"
#include "scene/StaticModel.h"
#include "support/ImageFiles.h"
#include "support/ScratchFolder.h"
#include "support/TdsWriter.h"
#include "video/Model.h"
#include "video/Video.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
const int kFaces = 50000;
const int kSide = 160; // vertices per grid row
const int kTextureSide = 256;
const uint32_t kClearColour = 0xFF222244;

// A wavy grid facing -z once imported, its left half of material "Left" and
// its right half of "Right", each with its own texture.
std::vector<uint8_t> GridModel()
{
    TdsWriter w;
    w.Begin(0x4D4D).Begin(0x3D3D);
    for (const char* name : {"Left", "Right"})
    {
        w.Begin(0xAFFF).StringChunk(0xA000, name);
        w.Begin(0xA200).StringChunk(0xA300, std::string(name) + ".png").End();
        w.End();
    }
    w.Begin(0x4000).String("Grid").Begin(0x4100);
    // The file is z-up; the importer swaps y and z, so the grid's rows run
    // up the screen and its waves towards the camera.
    w.Begin(0x4110).U16(kSide * kSide);
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i)
            w.Float(static_cast<float>(i))
                .Float(0.8f * std::sin(0.3f * i) * std::cos(0.2f * j))
                .Float(static_cast<float>(j));
    w.End();
    w.Begin(0x4140).U16(kSide * kSide);
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i)
            w.Float(4.0f * i / (kSide - 1)).Float(4.0f * j / (kSide - 1));
    w.End();
    std::vector<uint16_t> left;
    std::vector<uint16_t> right;
    w.Begin(0x4120).U16(kFaces);
    int face = 0;
    for (int j = 0; j + 1 < kSide && face < kFaces; ++j)
    {
        for (int i = 0; i + 1 < kSide && face < kFaces; ++i)
        {
            uint16_t v = static_cast<uint16_t>(j * kSide + i);
            uint16_t up = static_cast<uint16_t>(v + kSide);
            uint16_t corners[2][3] = {
                {v, static_cast<uint16_t>(v + 1), up},
                {static_cast<uint16_t>(v + 1), static_cast<uint16_t>(up + 1), up}};
            for (int t = 0; t < 2 && face < kFaces; ++t, ++face)
            {
                w.U16(corners[t][0]).U16(corners[t][1]).U16(corners[t][2]).U16(0);
                (i < kSide / 2 ? left : right).push_back(static_cast<uint16_t>(face));
            }
        }
    }
    const std::pair<const char*, const std::vector<uint16_t>*> groups[] = {{"Left", &left},
                                                                           {"Right", &right}};
    for (const auto& group : groups)
    {
        w.Begin(0x4130).String(group.first).U16(static_cast<uint16_t>(group.second->size()));
        for (uint16_t f : *group.second)
            w.U16(f);
        w.End();
    }
    w.End().End().End(); // faces, mesh, object
    w.End().End();       // editor, main
    return w.Bytes();
}

// A checker of two colours with a gradient across it.
std::vector<uint32_t> Checker(uint32_t a, uint32_t b)
{
    std::vector<uint32_t> argb(kTextureSide * kTextureSide);
    for (int y = 0; y < kTextureSide; ++y)
        for (int x = 0; x < kTextureSide; ++x)
            argb[static_cast<size_t>(y) * kTextureSide + x] =
                (((x / 32 + y / 32) & 1) ? a : b) + static_cast<uint32_t>(x / 4);
    return argb;
}

void BM_Model50kFrameVsBaseline(benchmark::State& state)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    KeepHeapPages();
    ScratchFolder folder("bench");
    std::filesystem::create_directories(folder.File("data/textures"));
    const std::vector<uint32_t> textures[2] = {Checker(0xFFC08040, 0xFF604020),
                                               Checker(0xFF4080C0, 0xFF204060)};
    WritePng(folder.File("data/textures/Left.png"), kTextureSide, kTextureSide, textures[0], false);
    WritePng(folder.File("data/textures/Right.png"), kTextureSide, kTextureSide, textures[1],
             false);
    WriteBytes(folder.File("grid.3ds"), GridModel());

    // The engine as the game starts it, with the model, a camera and one
    // white directional light shining along +z.
    Video& video = Video::Instance();
    if (!StartVideo())
    {
        state.SkipWithError("no video device");
        return;
    }
    WorkingFolder inside(folder.path);
    SmartPtr<StaticModel> model = new StaticModel("grid.3ds");
    SmartPtr<Camera> camera = new Camera();
    camera->position = Vector3(80.0f, 80.0f, -140.0f);
    SmartPtr<Light> light = new Light();
    light->kind = Light::kDirectional;
    light->colour = Color3(1, 1, 1);
    MainSceneGraph.GetRoot()->AddChild(model.Get());
    MainSceneGraph.GetRoot()->AddChild(camera.Get());
    video.SetCamera(camera.Get());
    video.AddLight(light.Get());
    auto engineFrame = []
    {
        MainSceneGraph.GetRoot()->UpdateTree(Matrix(), 0.0f);
        Video::Instance().Render();
        // Present leaves the device's context current.
        glFinish();
    };
    engineFrame();

    // The baseline, fed from the model the engine imported.
    GlBaseline baseline(video.width, video.height);
    const ModelMesh* mesh = model->model ? &model->model->meshes[0] : nullptr;
    if (!baseline.Ready() || !mesh || mesh->groupCount != 2)
    {
        state.SkipWithError("no baseline or no model");
        return;
    }
    int grid =
        baseline.AddMesh(mesh->vertices.data(), mesh->vertices.size() * sizeof(ModelVertex),
                         sizeof(ModelVertex), offsetof(ModelVertex, nx), offsetof(ModelVertex, u));
    using Filter = GlBaseline::Filter;
    int textureOf[2] = {
        baseline.AddTexture(textures[0], kTextureSide, kTextureSide, false, Filter::Mipmapped),
        baseline.AddTexture(textures[1], kTextureSide, kTextureSide, false, Filter::Mipmapped)};
    int triangles = 0;
    for (int k = 0; k < mesh->groupCount; ++k)
    {
        const MaterialGroup& group = mesh->groups[k];
        baseline.AddGroup(grid, group.indices,
                          textureOf[group.material - model->model->materials.get()]);
        triangles += group.faceCount;
    }
    baseline.AddInstance(grid, Matrix().m);
    baseline.SetCamera(GlClip(camera->projectionMatrix).m, camera->viewMatrix.m);
    baseline.AddLight(0, 0, 1);

    // Both draw the model over the middle of the picture.
    int cx = video.width / 2;
    int cy = video.height / 2;
    if (baseline.DrawAndRead(cx, cy) == kClearColour ||
        TestReadFrame(video.device).At(cx, cy) == kClearColour)
    {
        state.SkipWithError("the model is not in the picture");
        return;
    }

    // The machine is shared: frames are taken in pairs, in alternating
    // order, and the medians of the pairs' times and ratios are reported.
    std::vector<double> engineTimes;
    std::vector<double> baselineTimes;
    std::vector<double> ratios;
    for (auto _ : state)
    {
        double engine = 0.0;
        double plain = 0.0;
        RacePair(
            engineTimes.size(), engineFrame, [&baseline] { baseline.DrawFrame(); }, engine, plain);
        engineTimes.push_back(engine);
        baselineTimes.push_back(plain);
        ratios.push_back(engine / plain);
        state.SetIterationTime((engine + plain) / 1000.0);
    }
    state.counters["engine_ms"] = Median(engineTimes);
    state.counters["baseline_ms"] = Median(baselineTimes);
    state.counters["ratio"] = Median(ratios);
    state.counters["triangles"] = triangles;

    MainSceneGraph.GetRoot()->RemoveChild(model.Get());
    MainSceneGraph.GetRoot()->RemoveChild(camera.Get());
    video.SetCamera(nullptr);
    video.lights.clear();
    model = nullptr;
    camera = nullptr;
    light = nullptr;
    RefObject::CollectGarbage();
}
BENCHMARK(BM_Model50kFrameVsBaseline)->Unit(benchmark::kMillisecond)->UseManualTime();
} // namespace
