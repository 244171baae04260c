// Triangles per second through the swept-sphere and segment tests that the
// level's octree runs for every triangle near a move or a ray.
#include "math/Intersection.h"
#include "math/Plane.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace
{
struct Triangle
{
    Vector3 a, b, c, normal;
};

// A fixed soup of triangles scattered around the moves below, so that the
// tests see a mix of face, edge and vertex contacts and misses.
std::vector<Triangle> MakeSoup(int count)
{
    std::vector<Triangle> soup;
    uint32_t seed = 12345;
    auto next = [&seed]()
    {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(seed >> 8) / 16777216.0f * 8.0f - 4.0f;
    };
    for (int i = 0; i < count; ++i)
    {
        Triangle t;
        t.a = Vector3(next(), next(), next());
        t.b = t.a + Vector3(next(), next(), next()) * 0.5f;
        t.c = t.a + Vector3(next(), next(), next()) * 0.5f;
        t.normal = Plane(t.a, t.b, t.c).normal;
        soup.push_back(t);
    }
    return soup;
}

void BM_SphereTriangleCollision(benchmark::State& state)
{
    std::vector<Triangle> soup = MakeSoup(4096);
    const Vector3 start(-5, 0.5f, -5), end(5, -0.5f, 5);
    for (auto _ : state)
    {
        RayHit hit;
        for (const Triangle& t : soup)
            SphereTriangleCollision(start, end, t.a, t.b, t.c, hit);
        benchmark::DoNotOptimize(hit.distance);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(soup.size()));
}
BENCHMARK(BM_SphereTriangleCollision);

void BM_SegmentIntersectsTriangle(benchmark::State& state)
{
    std::vector<Triangle> soup = MakeSoup(4096);
    const Vector3 from(-5, 4, -5), to(5, -4, 5);
    for (auto _ : state)
    {
        int hits = 0;
        for (const Triangle& t : soup)
            hits += SegmentIntersectsTriangle(from, to, t.a, t.b, t.c, t.normal) ? 1 : 0;
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(soup.size()));
}
BENCHMARK(BM_SegmentIntersectsTriangle);
} // namespace
