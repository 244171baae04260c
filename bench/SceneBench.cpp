// Cost of the scene graph's update and render traversals over 1,000 nodes and
// of ray queries against a graph of 1,000 nodes. The render benchmark needs a
// display or SDL_VIDEODRIVER=offscreen.
#include "BenchSupport.h"

#include "core/RefObject.h"
#include "math/RayHit.h"
#include "scene/SceneGraph.h"
#include "video/Video.h"

#include <benchmark/benchmark.h>

namespace
{
class PlainNode : public SceneNode
{
public:
    int GetType() override { return kNodeStaticModel; }
    void Update(float dt) override { position.y += dt * 0.001f; }
};

// 100 nodes under the root, each with 9 children: 1,000 nodes.
void Populate(SceneGraph& graph)
{
    for (int i = 0; i < 100; ++i)
    {
        PlainNode* node = new PlainNode();
        node->position = Vector3(static_cast<float>(i), 0.0f, 0.0f);
        node->orientation = Quaternion::FromAxisAngle(Vector3(0, 1, 0), 0.01f * i);
        graph.GetRoot()->AddChild(node);
        for (int j = 0; j < 9; ++j)
        {
            PlainNode* child = new PlainNode();
            child->position = Vector3(0.0f, 1.0f, static_cast<float>(j));
            node->AddChild(child);
        }
    }
}

void BM_SceneGraphUpdate1000(benchmark::State& state)
{
    SceneGraph graph;
    Populate(graph);
    for (auto _ : state)
    {
        graph.GetRoot()->UpdateTree(Matrix(), 0.016f);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_SceneGraphUpdate1000);

// Update, then render through the real device: the world transform of every
// node goes to the device (the nodes draw nothing themselves).
void BM_SceneGraphUpdateRender1000(benchmark::State& state)
{
    IDirect3DDevice9* device = StartVideo();
    if (!device)
    {
        state.SkipWithError("no video device");
        return;
    }
    SceneGraph graph;
    Populate(graph);
    for (auto _ : state)
    {
        graph.GetRoot()->UpdateTree(Matrix(), 0.016f);
        device->BeginScene();
        graph.Render(device);
        device->EndScene();
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_SceneGraphUpdateRender1000);

void BM_SceneGraphRayCast(benchmark::State& state)
{
    SceneGraph graph;
    Populate(graph);
    int i = 0;
    for (auto _ : state)
    {
        float x = static_cast<float>(i++ % 100);
        RayHit* hit = graph.RayCast(Vector3(x, 10.0f, 0.0f), Vector3(x + 1.0f, -10.0f, 5.0f));
        benchmark::DoNotOptimize(hit->distance);
        delete hit;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SceneGraphRayCast);
} // namespace
