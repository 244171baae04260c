// The terrain's height field, shading, patches, levels of detail and the
// vertices its patches draw: load order and smoothing, files that are short or
// missing, edges toward coarser patches, and every patch of odd-sized maps at
// every step staying inside the field.
#include "scene/Terrain.h"
#include "math/Color3.h"
#include "support/DeviceWindow.h"
#include "support/ImageFiles.h"
#include "support/LogCapture.h"
#include "video/ModelTestSupport.h"

#include <algorithm>
#include <functional>
#include <limits>

namespace
{
using HeightFunction = std::function<int(int x, int z)>;

// Sample heights with enough relief that an interpolated edge differs from
// the samples under it.
int Bumpy(int x, int z)
{
    return (x * 37 + z * 91 + x * z * 13) % 251;
}

class TerrainTest : public ModelFileTest
{
protected:
    // Writes a heightmap of width * depth bytes (or only the first `bytes`).
    std::string Heightmap(int width, int depth, const HeightFunction& height,
                          size_t bytes = std::numeric_limits<size_t>::max())
    {
        std::vector<uint8_t> data;
        for (int z = 0; z < depth; ++z)
            for (int x = 0; x < width; ++x)
                data.push_back(static_cast<uint8_t>(std::clamp(height(x, z), 0, 255)));
        data.resize(std::min(bytes, data.size()));
        const std::string name = "map" + std::to_string(++files) + ".raw";
        EXPECT_TRUE(WriteBytes(name, data));
        return name;
    }

    SmartPtr<Terrain> Load(int width, int depth, const HeightFunction& height,
                           size_t bytes = std::numeric_limits<size_t>::max())
    {
        SmartPtr<Terrain> terrain = new Terrain();
        EXPECT_EQ(
            terrain->LoadHeightmap(Heightmap(width, depth, height, bytes).c_str(), width, depth),
            0);
        return terrain;
    }

    // Texel (tx, ty) of the shading texture.
    static uint32_t Shade(Terrain& terrain, int tx, int ty)
    {
        Texture* texture = terrain.shadingTexture.Get();
        if (!texture)
            return 0;
        const uint32_t* texels = static_cast<const uint32_t*>(texture->Lock());
        const uint32_t texel = texels ? texels[ty * 512 + tx] : 0;
        texture->Unlock();
        return texel;
    }

    int files = 0;
};

struct Quad
{
    TerrainVertex v[4];
};

std::vector<Quad> Quads(const Terrain& terrain, const TerrainPatch& patch)
{
    std::vector<TerrainVertex> vertices;
    const int count = terrain.BuildPatch(patch, vertices);
    EXPECT_EQ(vertices.size(), static_cast<size_t>(count) * 4);
    std::vector<Quad> quads(static_cast<size_t>(count));
    for (size_t i = 0; i < vertices.size(); ++i)
        quads[i / 4].v[i % 4] = vertices[i];
    return quads;
}
} // namespace

TEST_F(TerrainTest, LoadsRowAfterRowAndSmoothsInPlaceColumnByColumn)
{
    // A spike at (2, 2) and two border marks; the smoothed values pin the
    // order: x outer, z inner, each average seeing the ones already written.
    SmartPtr<Terrain> terrain = Load(7, 6,
                                     [](int x, int z)
                                     {
                                         if (x == 2 && z == 2)
                                             return 90;
                                         if (x == 6 && z == 0)
                                             return 7;
                                         return x == 0 && z == 5 ? 200 : 0;
                                     });
    ASSERT_EQ(terrain->heights.size(), 42u);
    EXPECT_EQ(terrain->width, 7);
    EXPECT_EQ(terrain->depth, 6);
    auto h = [&](int x, int z) { return terrain->heights[static_cast<size_t>(z) * 7 + x]; };
    EXPECT_EQ(h(6, 0), 7.0f);
    EXPECT_EQ(h(0, 5), 200.0f);
    const struct
    {
        int x, z;
        float height;
    } smoothed[] = {{1, 1, 10.0f},      {1, 2, 11.111111f}, {1, 3, 11.234568f},
                    {2, 1, 12.345679f}, {2, 2, 14.965706f}, {2, 3, 6.7535437f}};
    for (const auto& s : smoothed)
        EXPECT_NEAR(h(s.x, s.z), s.height, 1e-4f) << s.x << ", " << s.z;
}

TEST_F(TerrainTest, ShortFilesTinyMapsAndBadSizesNeverReadPastTheirSamples)
{
    // The rows the file holds, then zeros.
    SmartPtr<Terrain> terrain = Load(
        513, 513, [](int, int) { return 100; }, 1000);
    EXPECT_EQ(terrain->Height(0, 0), 100.0f);
    EXPECT_EQ(terrain->Height(512, 0), 100.0f);
    EXPECT_EQ(terrain->Height(0, 1), 100.0f);
    EXPECT_EQ(terrain->Height(0, 2), 0.0f);
    EXPECT_NEAR(terrain->Height(100, 100), 0.0f, 1e-6f);
    EXPECT_EQ(terrain->Height(512, 512), 0.0f);
    EXPECT_EQ(terrain->patches.size(), 256u);

    // A map smaller than a patch loads, shades and has no quads.
    terrain = Load(10, 10, Bumpy);
    EXPECT_EQ(terrain->heights.size(), 100u);
    for (const TerrainPatch& patch : terrain->patches)
        EXPECT_FALSE(patch.HasQuads());
    EXPECT_NE(terrain->shadingTexture.Get(), nullptr);

    LogCapture log;
    const std::string file = Heightmap(4, 4, Bumpy);
    const int sizes[][2] = {{0, 4}, {4, 0}, {-4, 4}, {100000, 100000}};
    for (const auto& size : sizes)
    {
        EXPECT_EQ(terrain->LoadHeightmap(file.c_str(), size[0], size[1]), -1);
        EXPECT_TRUE(terrain->heights.empty());
        EXPECT_TRUE(terrain->patches.empty());
    }
    EXPECT_EQ(terrain->LoadHeightmap("missing.raw", 513, 513), -1);
    EXPECT_EQ(log.Lines().back(), "Could not open file for heightmap: missing.raw");
    EXPECT_EQ(terrain->width, 0);
    EXPECT_EQ(terrain->shadingTexture.Get(), nullptr);
}

TEST_F(TerrainTest, FlatGroundShadesAtTheSameValueWhateverTheMapSize)
{
    // 0.5 + 0.5 / sqrt(3) of white: 201.1 truncates to 201.
    const uint32_t flat = Color3(0.7886751f, 0.7886751f, 0.7886751f).ToARGB();
    EXPECT_EQ(flat, 0xFFC9C9C9u);
    const int sizes[][2] = {{513, 513}, {100, 60}, {1, 1}};
    for (const auto& size : sizes)
    {
        SmartPtr<Terrain> terrain = Load(size[0], size[1], [](int, int) { return 40; });
        // A single sample has no cell to take a normal from.
        const uint32_t expected = size[0] == 1 ? 0xFF7F7F7Fu : flat;
        for (int t : {0, 3, 255, 511})
        {
            EXPECT_EQ(Shade(*terrain, t, 511 - t), expected) << size[0] << " x " << size[1];
            EXPECT_EQ(Shade(*terrain, t, t), expected) << size[0] << " x " << size[1];
        }
    }
}

TEST_F(TerrainTest, SlopeAlongZShadesLikeTheSameSlopeAlongX)
{
    // The light comes from +x, +y and -z: a ramp along x and its mirror
    // image with x turned into -z face it alike. Rising toward +x faces away
    // (0.5); falling toward +x faces it (0.5 + 0.5 * 2 / sqrt(6)).
    const struct
    {
        int sign;
        float shade;
    } ramps[] = {{1, 0.5f}, {-1, 0.9082483f}};
    for (const auto& ramp : ramps)
    {
        auto alongX = [&](int x, int) { return 128 + ramp.sign * (x - 256); };
        auto alongZ = [&](int, int z) { return 128 + ramp.sign * (511 - z - 256); };
        SmartPtr<Terrain> xSlope = Load(512, 512, alongX);
        SmartPtr<Terrain> zSlope = Load(512, 512, alongZ);
        const uint32_t expected = Color3(ramp.shade, ramp.shade, ramp.shade).ToARGB();
        for (int t : {200, 256, 300})
        {
            EXPECT_TRUE(ColorNear(Shade(*xSlope, t, 256), expected, 1)) << ramp.sign << " " << t;
            EXPECT_TRUE(ColorNear(Shade(*zSlope, 256, 511 - t), expected, 1))
                << ramp.sign << " " << t;
        }
    }
}

TEST_F(TerrainTest, PatchesSplitTheWidthIntoSixteenAndStartTheirBoxesAtZero)
{
    const struct
    {
        int width, depth, size;
    } maps[] = {{513, 513, 32}, {512, 512, 31}, {600, 600, 37}};
    for (const auto& map : maps)
    {
        SmartPtr<Terrain> terrain =
            Load(map.width, map.depth, [](int x, int z) { return 10 + (x * 7 + z * 3) % 200; });
        ASSERT_EQ(terrain->patches.size(), 256u);
        EXPECT_EQ(terrain->patchesPerSide, 16);
        for (int index : {0, 17, 255})
        {
            const TerrainPatch& patch = terrain->patches[static_cast<size_t>(index)];
            const int px = index % 16;
            const int pz = index / 16;
            EXPECT_EQ(patch.x0, px * map.size);
            EXPECT_EQ(patch.x1, (px + 1) * map.size);
            EXPECT_EQ(patch.z0, pz * map.size);
            EXPECT_EQ(patch.z1, (pz + 1) * map.size);
            float highest = 0.0f;
            for (int x = patch.x0; x < patch.x1; ++x)
                for (int z = patch.z0; z < patch.z1; ++z)
                    highest = std::max(highest, terrain->Height(x, z));
            EXPECT_EQ(patch.minHeight, 0.0f);
            EXPECT_EQ(patch.maxHeight, highest);
            EXPECT_EQ(patch.centreHeight, highest / 2.0f);
            EXPECT_EQ(patch.centreX, (patch.x0 + patch.x1) / 2.0f);
            EXPECT_EQ(patch.centreZ, (patch.z0 + patch.z1) / 2.0f);
            EXPECT_EQ(patch.step, 1);
        }
        const std::vector<TerrainPatch>& p = terrain->patches;
        EXPECT_EQ(p[0].neighbourXMinus, nullptr);
        EXPECT_EQ(p[0].neighbourZMinus, nullptr);
        EXPECT_EQ(p[0].neighbourXPlus, &p[1]);
        EXPECT_EQ(p[0].neighbourZPlus, &p[16]);
        EXPECT_EQ(p[17].neighbourXMinus, &p[16]);
        EXPECT_EQ(p[17].neighbourZMinus, &p[1]);
        EXPECT_EQ(p[255].neighbourXPlus, nullptr);
        EXPECT_EQ(p[255].neighbourZPlus, nullptr);
    }
}

TEST_F(TerrainTest, StepDoublesEveryThirtyUnitsFromTheCamera)
{
    SmartPtr<Terrain> terrain = Load(513, 513, [](int, int) { return 0; });
    const TerrainPatch& patch = terrain->patches[0];
    const Vector3 centre(patch.centreX, patch.centreHeight, patch.centreZ);
    const struct
    {
        float distance;
        int step;
    } thresholds[] = {{0, 1},    {20, 1},      {29.9f, 1}, {30, 2},  {59.9f, 2},
                      {60, 4},   {89.9f, 4},   {90, 8},    {100, 8}, {119.9f, 8},
                      {120, 16}, {149.9f, 16}, {150, 32},  {900, 32}};
    for (const auto& t : thresholds)
    {
        terrain->UpdateLevelsOfDetail(centre + Vector3(0, t.distance, 0));
        EXPECT_EQ(patch.step, t.step) << t.distance;
    }
}

namespace
{
// Every vertex of the fine patch on the side it shares with the coarse one
// lies on the coarse patch's edge there, the line between its two nearest
// edge vertices. Returns how many of them lie between two coarse vertices.
int ExpectSideClosed(const Terrain& terrain, int fine, int coarse)
{
    const TerrainPatch& f = terrain.patches[static_cast<size_t>(fine)];
    const bool alongZ = coarse == fine + 1 || coarse == fine - 1;
    const int line = coarse == fine + 1    ? f.x1
                     : coarse == fine - 1  ? f.x0
                     : coarse == fine + 16 ? f.z1
                                           : f.z0;
    auto onLine = [&](const TerrainVertex& v)
    { return static_cast<int>(alongZ ? v.x : v.z) == line; };
    auto along = [&](const TerrainVertex& v) { return alongZ ? v.z : v.x; };

    std::vector<std::pair<float, float>> edge; // (position along the side, height)
    for (const Quad& q : Quads(terrain, terrain.patches[static_cast<size_t>(coarse)]))
        for (const TerrainVertex& v : q.v)
            if (onLine(v))
                edge.emplace_back(along(v), v.y);
    std::sort(edge.begin(), edge.end());
    edge.erase(std::unique(edge.begin(), edge.end()), edge.end());
    EXPECT_GE(edge.size(), 2u);

    int between = 0;
    for (const Quad& q : Quads(terrain, f))
    {
        for (const TerrainVertex& v : q.v)
        {
            if (!onLine(v))
                continue;
            const float a = along(v);
            auto next = std::lower_bound(edge.begin(), edge.end(), std::make_pair(a, -1e30f));
            if (next == edge.end())
            {
                ADD_FAILURE() << "vertex at " << a << " beyond the coarse side";
                continue;
            }
            if (next->first == a)
            {
                EXPECT_NEAR(v.y, next->second, 1e-3f) << "at " << a;
                continue;
            }
            if (next == edge.begin())
            {
                ADD_FAILURE() << "vertex at " << a << " before the coarse side";
                continue;
            }
            const auto& lo = *(next - 1);
            const float t = (a - lo.first) / (next->first - lo.first);
            EXPECT_NEAR(v.y, lo.second + t * (next->second - lo.second), 1e-3f) << "at " << a;
            ++between;
        }
    }
    return between;
}
} // namespace

TEST_F(TerrainTest, FinePatchesBendTheirSidesOntoTheCoarserNeighboursEdge)
{
    const struct
    {
        int width, depth;
        int fine, coarse; // patch indices
        int fineStep, coarseStep;
    } cases[] = {
        {513, 513, 85, 86, 2, 4},     {513, 513, 85, 84, 1, 32},   {513, 513, 85, 101, 4, 8},
        {513, 513, 85, 69, 2, 16},    {512, 512, 238, 239, 2, 4},  {512, 512, 238, 254, 1, 32},
        {512, 512, 255, 254, 4, 8},   {600, 600, 255, 239, 8, 32}, {600, 600, 0, 1, 1, 2},
        {600, 600, 119, 120, 16, 32},
    };
    for (const auto& c : cases)
    {
        SmartPtr<Terrain> terrain = Load(c.width, c.depth, Bumpy);
        for (TerrainPatch& patch : terrain->patches)
            patch.step = c.fineStep;
        terrain->patches[static_cast<size_t>(c.coarse)].step = c.coarseStep;
        SCOPED_TRACE(testing::Message() << c.width << ": patch " << c.fine << " step " << c.fineStep
                                        << " beside " << c.coarse << " step " << c.coarseStep);
        EXPECT_GT(ExpectSideClosed(*terrain, c.fine, c.coarse), 0);
    }
}

TEST_F(TerrainTest, EveryPatchAtEveryStepTilesItselfInsideTheField)
{
    const struct
    {
        int width, depth;
        size_t bytes;
    } maps[] = {{512, 512, ~size_t(0)},
                {513, 513, ~size_t(0)},
                {600, 600, ~size_t(0)},
                {600, 100, ~size_t(0)},
                {513, 513, 5000}};
    for (const auto& map : maps)
    {
        SmartPtr<Terrain> terrain = Load(map.width, map.depth, Bumpy, map.bytes);
        for (int step = 1; step <= 32; step *= 2)
        {
            // A checkerboard of this step and 32, both ways round, so that
            // every patch also borders coarser ones.
            for (int parity = 0; parity < 2; ++parity)
            {
                for (int i = 0; i < 256; ++i)
                    terrain->patches[static_cast<size_t>(i)].step =
                        (i % 16 + i / 16) % 2 == parity ? step : 32;
                for (const TerrainPatch& patch : terrain->patches)
                {
                    long long area = 0;
                    for (const Quad& q : Quads(*terrain, patch))
                    {
                        for (const TerrainVertex& v : q.v)
                        {
                            ASSERT_TRUE(v.x >= patch.x0 && v.x <= patch.x1 && v.z >= patch.z0 &&
                                        v.z <= patch.z1 && v.z <= map.depth - 1)
                                << map.width << " x " << map.depth << " step " << step << " at "
                                << v.x << ", " << v.z;
                            ASSERT_TRUE(v.y >= 0.0f && v.y <= 255.0f);
                        }
                        area += static_cast<long long>(q.v[2].x - q.v[0].x) * (q.v[2].z - q.v[0].z);
                    }
                    ASSERT_EQ(area,
                              static_cast<long long>(patch.x1 - patch.x0) * (patch.z1 - patch.z0));
                }
            }
        }
    }
}
