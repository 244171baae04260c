// The data set's 513 by 513 terrain through the real device: frame time and
// triangles drawn from a few camera places with level of detail and culling,
// against every patch at full detail. Needs the data set maker (tools/) and
// SDL_VIDEODRIVER=offscreen without a display.
#include "BenchSupport.h"

#include "core/RefObject.h"
#include "math/Frustum.h"
#include "scene/Camera.h"
#include "scene/Terrain.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace
{
// The terrain loaded from the data set; null when the maker or the device is
// missing.
Terrain* DataSetTerrain()
{
    static Terrain* terrain = []() -> Terrain*
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        const ScratchFolder* data = SharedDataSet();
        if (!data || !StartVideo())
            return nullptr;
        WorkingFolder inside(data->path);
        Terrain* loaded = new Terrain("data\\terrain.raw", 513, 513);
        loaded->AddRef();
        return loaded->patches.empty() ? nullptr : loaded;
    }();
    return terrain;
}

struct Place
{
    const char* name;
    float x, z;
    float aboveGround;
    float pitch, yaw;
};
const Place kPlaces[] = {
    {"high above the middle", 256, 256, 300, 1.5707964f, 0},
    {"low in the middle", 256, 256, 6, 0.3f, 0},
    {"corner looking in", 8, 8, 20, 0.2f, 0.7853982f},
};

// One frame: clear, the terrain's own level of detail, culling and drawing,
// present. Returns the quads drawn.
int Frame(Terrain& terrain, const Camera& camera, const Vector3& eye, const Frustum& frustum,
          bool chooseSteps)
{
    IDirect3DDevice9* device = Video::Instance().device;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00222244, 1.0f, 0);
    device->BeginScene();
    device->SetTransform(D3DTS_VIEW, reinterpret_cast<const D3DMATRIX*>(camera.viewMatrix.m));
    device->SetTransform(D3DTS_PROJECTION,
                         reinterpret_cast<const D3DMATRIX*>(camera.projectionMatrix.m));
    device->SetTransform(D3DTS_WORLD, reinterpret_cast<const D3DMATRIX*>(terrain.worldMatrix.m));
    if (chooseSteps)
        terrain.UpdateLevelsOfDetail(eye);
    int quads = terrain.DrawPatches(device, frustum);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    return quads;
}

void Run(benchmark::State& state, bool fullDetail)
{
    Terrain* terrain = DataSetTerrain();
    if (!terrain)
    {
        state.SkipWithError("no data set maker or no device");
        return;
    }
    const Place& place = kPlaces[state.range(0)];
    SmartPtr<Camera> camera = new Camera();
    const Vector3 eye(place.x,
                      terrain->Height(static_cast<int>(place.x), static_cast<int>(place.z)) +
                          place.aboveGround,
                      place.z);
    camera->position = eye;
    camera->AddPitch(place.pitch);
    camera->AddYaw(place.yaw);
    camera->UpdateTree(Matrix(), 0.0f);
    camera->UpdateView();
    // Without planes every box counts as visible.
    const Frustum everything;
    if (fullDetail)
        for (TerrainPatch& patch : terrain->patches)
            patch.step = 1;

    int quads = 0;
    for (auto _ : state)
        quads =
            Frame(*terrain, *camera, eye, fullDetail ? everything : camera->frustum, !fullDetail);
    state.counters["triangles"] = 2.0 * quads;
    state.SetLabel(fullDetail ? "every patch at step 1" : place.name);
    RefObject::CollectGarbage();
}

void BM_TerrainFrame(benchmark::State& state)
{
    Run(state, false);
}
BENCHMARK(BM_TerrainFrame)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_TerrainEveryPatchFullDetail(benchmark::State& state)
{
    Run(state, true);
}
BENCHMARK(BM_TerrainEveryPatchFullDetail)->Arg(1)->Unit(benchmark::kMillisecond);
} // namespace
