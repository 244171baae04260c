// The terrain's height field, shading, patches, levels of detail and the
// vertices its patches draw: load order and smoothing, short or missing files,
// edges toward coarser patches, and every patch of odd-sized maps at every
// step staying inside the field.
#include "scene/Terrain.h"
#include "math/Color3.h"
#include "support/DeviceWindow.h"
#include "support/ImageFiles.h"
#include "support/LogCapture.h"
#include "video/ModelTestSupport.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

namespace
{
const size_t kWhole = ~size_t(0);

// Enough relief that an interpolated edge differs from the samples under it.
int Bumpy(int x, int z)
{
    return (x * 37 + z * 91 + x * z * 13) % 251;
}

class TerrainTest : public ModelFileTest
{
protected:
    // Writes width * depth height bytes (only the first `bytes` of them) and loads them.
    SmartPtr<Terrain> Load(int width, int depth, const std::function<int(int, int)>& height,
                           size_t bytes = kWhole)
    {
        std::vector<uint8_t> data;
        for (int z = 0; z < depth; ++z)
            for (int x = 0; x < width; ++x)
                data.push_back(static_cast<uint8_t>(std::clamp(height(x, z), 0, 255)));
        data.resize(std::min(bytes, data.size()));
        EXPECT_TRUE(WriteBytes("map.raw", data));
        SmartPtr<Terrain> terrain = new Terrain();
        EXPECT_EQ(terrain->LoadHeightmap("map.raw", width, depth), 0);
        return terrain;
    }

    static uint32_t Shade(Terrain& terrain, int tx, int ty)
    {
        const uint32_t* texels = static_cast<const uint32_t*>(terrain.shadingTexture->Lock());
        const uint32_t texel = texels[ty * 512 + tx];
        terrain.shadingTexture->Unlock();
        return texel;
    }
};

std::vector<TerrainVertex> Vertices(const Terrain& terrain, int patch)
{
    std::vector<TerrainVertex> vertices;
    terrain.BuildPatch(terrain.patches[static_cast<size_t>(patch)], vertices);
    return vertices;
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
                                         return x == 6 && z == 0 ? 7 : x == 0 && z == 5 ? 200 : 0;
                                     });
    ASSERT_EQ(terrain->heights.size(), 42u);
    EXPECT_EQ(terrain->heights[6], 7.0f);
    EXPECT_EQ(terrain->heights[5 * 7], 200.0f);
    const float smoothed[][3] = {{1, 1, 10.0f},      {1, 2, 11.111111f}, {1, 3, 11.234568f},
                                 {2, 1, 12.345679f}, {2, 2, 14.965706f}, {2, 3, 6.7535437f}};
    for (const auto& s : smoothed)
        EXPECT_NEAR(terrain->Height(int(s[0]), int(s[1])), s[2], 1e-4f) << s[0] << ", " << s[1];
}

TEST_F(TerrainTest, ShortFilesTinyMapsAndBadSizesNeverReadPastTheirSamples)
{
    // The rows the file holds, then zeros.
    SmartPtr<Terrain> terrain = Load(
        513, 513, [](int, int) { return 100; }, 1000);
    EXPECT_EQ(terrain->Height(512, 0), 100.0f);
    EXPECT_EQ(terrain->Height(0, 2), 0.0f);
    EXPECT_NEAR(terrain->Height(100, 100), 0.0f, 1e-6f);

    // A map smaller than a patch loads and has no quads.
    terrain = Load(10, 10, Bumpy);
    EXPECT_EQ(terrain->heights.size(), 100u);
    EXPECT_TRUE(std::none_of(terrain->patches.begin(), terrain->patches.end(),
                             [](const TerrainPatch& p) { return p.HasQuads(); }));

    LogCapture log;
    const int sizes[][2] = {{0, 4}, {4, 0}, {-4, 4}, {100000, 100000}};
    for (const auto& size : sizes)
        EXPECT_EQ(terrain->LoadHeightmap("map.raw", size[0], size[1]), -1);
    EXPECT_EQ(terrain->LoadHeightmap("missing.raw", 513, 513), -1);
    EXPECT_EQ(log.Lines().back(), "Could not open file for heightmap: missing.raw");
    EXPECT_TRUE(terrain->heights.empty() && terrain->patches.empty() &&
                !terrain->shadingTexture.Get());
}

TEST_F(TerrainTest, FlatGroundShadesAlikeAtAnySizeAndZSlopesShadeLikeXSlopes)
{
    // 0.5 + 0.5 / sqrt(3) of white, 201.1 truncated; a lone sample has no normal.
    const int sizes[][3] = {{513, 513, 0xC9}, {100, 60, 0xC9}, {1, 1, 0x7F}};
    for (const auto& size : sizes)
    {
        SmartPtr<Terrain> terrain = Load(size[0], size[1], [](int, int) { return 40; });
        for (int t : {0, 255, 511})
            EXPECT_EQ(Shade(*terrain, t, 511 - t), 0xFF000000u | 0x010101u * size[2]) << size[0];
    }

    // The light comes from +x, +y and -z: a ramp along x and its mirror image
    // with x turned into -z face it alike. Rising toward +x faces away (0.5),
    // falling faces it (0.5 + 0.5 * 2 / sqrt(6)).
    const std::pair<int, float> ramps[] = {{1, 0.5f}, {-1, 0.9082483f}};
    for (const auto& [sign, shade] : ramps)
    {
        const int s = sign;
        SmartPtr<Terrain> xSlope = Load(512, 512, [s](int x, int) { return 128 + s * (x - 256); });
        SmartPtr<Terrain> zSlope = Load(512, 512, [s](int, int z) { return 128 + s * (255 - z); });
        const uint32_t expected = Color3(shade, shade, shade).ToARGB();
        for (int t : {200, 256, 300})
        {
            EXPECT_TRUE(ColorNear(Shade(*xSlope, t, 256), expected, 1)) << sign << " " << t;
            EXPECT_TRUE(ColorNear(Shade(*zSlope, 256, 511 - t), expected, 1)) << sign << " " << t;
        }
    }
}

TEST_F(TerrainTest, PatchBoundsNeighboursAndStepsByDistance)
{
    const int maps[][2] = {{513, 32}, {512, 31}, {600, 37}}; // width, patch size
    for (const auto& map : maps)
    {
        SmartPtr<Terrain> terrain =
            Load(map[0], map[0], [](int x, int z) { return 10 + (x * 7 + z * 3) % 200; });
        const std::vector<TerrainPatch>& p = terrain->patches;
        ASSERT_EQ(p.size(), 256u);
        for (int index : {0, 17, 255})
        {
            const TerrainPatch& patch = p[static_cast<size_t>(index)];
            EXPECT_EQ(patch.x0, index % 16 * map[1]);
            EXPECT_EQ(patch.z1, (index / 16 + 1) * map[1]);
            float highest = 0.0f;
            for (int x = patch.x0; x < patch.x1; ++x)
                for (int z = patch.z0; z < patch.z1; ++z)
                    highest = std::max(highest, terrain->Height(x, z));
            // Every sample lies above 0, yet the box starts there.
            EXPECT_EQ(patch.minHeight, 0.0f);
            EXPECT_EQ(patch.maxHeight, highest);
            EXPECT_EQ(patch.centreX, (patch.x0 + patch.x1) / 2.0f);
        }
        EXPECT_TRUE(!p[0].neighbourXMinus && !p[0].neighbourZMinus && !p[255].neighbourXPlus &&
                    !p[255].neighbourZPlus);
        EXPECT_TRUE(p[17].neighbourXMinus == &p[16] && p[17].neighbourXPlus == &p[18] &&
                    p[17].neighbourZMinus == &p[1] && p[17].neighbourZPlus == &p[33]);
    }

    SmartPtr<Terrain> flat = Load(513, 513, [](int, int) { return 0; });
    const TerrainPatch& patch = flat->patches[0];
    const float steps[][2] = {{20, 1},     {29.9f, 1}, {30, 2},      {59.9f, 2},
                              {60, 4},     {89.9f, 4}, {90, 8},      {100, 8},
                              {119.9f, 8}, {120, 16},  {149.9f, 16}, {150, 32}};
    for (const auto& s : steps)
    {
        flat->UpdateLevelsOfDetail(Vector3(patch.centreX, s[0], patch.centreZ));
        EXPECT_EQ(patch.step, s[1]) << s[0];
    }
}

TEST_F(TerrainTest, FinePatchesBendTheirSidesOntoTheCoarserNeighboursEdge)
{
    const int cases[][5] = {
        // width, fine patch, coarse neighbour, their steps
        {513, 85, 86, 2, 4},     {513, 85, 84, 1, 32},   {513, 85, 101, 4, 8},
        {513, 85, 69, 2, 16},    {512, 238, 239, 2, 4},  {512, 238, 254, 1, 32},
        {512, 255, 254, 4, 8},   {600, 255, 239, 8, 32}, {600, 0, 1, 1, 2},
        {600, 119, 120, 16, 32},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c[0] << ": patch " << c[1] << " beside " << c[2]);
        SmartPtr<Terrain> terrain = Load(c[0], c[0], Bumpy);
        for (TerrainPatch& patch : terrain->patches)
            patch.step = c[3];
        terrain->patches[static_cast<size_t>(c[2])].step = c[4];

        // The shared side: a column for an x neighbour, a row for a z one.
        const TerrainPatch& fine = terrain->patches[static_cast<size_t>(c[1])];
        const bool alongZ = c[2] == c[1] + 1 || c[2] == c[1] - 1;
        const int side = c[2] == c[1] + 1   ? fine.x1
                         : c[2] == c[1] - 1 ? fine.x0
                         : c[2] > c[1]      ? fine.z1
                                            : fine.z0;
        auto on = [&](const TerrainVertex& v) { return int(alongZ ? v.x : v.z) == side; };
        std::map<float, float> edge; // the coarse patch's side: position along it, height
        for (const TerrainVertex& v : Vertices(*terrain, c[2]))
            if (on(v))
                edge[alongZ ? v.z : v.x] = v.y;
        int between = 0;
        for (const TerrainVertex& v : Vertices(*terrain, c[1]))
        {
            const float a = alongZ ? v.z : v.x;
            auto next = edge.lower_bound(a);
            if (!on(v) || next == edge.end() || next == edge.begin() || next->first == a)
                continue;
            auto prev = std::prev(next);
            const float t = (a - prev->first) / (next->first - prev->first);
            EXPECT_NEAR(v.y, prev->second + t * (next->second - prev->second), 1e-3f) << a;
            ++between;
        }
        EXPECT_GT(between, 0);
    }
}

TEST_F(TerrainTest, EveryPatchAtEveryStepTilesItselfInsideTheField)
{
    const struct
    {
        int width, depth;
        size_t bytes;
    } maps[] = {{512, 512, kWhole},
                {513, 513, kWhole},
                {600, 600, kWhole},
                {600, 100, kWhole},
                {513, 513, 5000}};
    for (const auto& map : maps)
    {
        SmartPtr<Terrain> terrain = Load(map.width, map.depth, Bumpy, map.bytes);
        // A checkerboard of each step and 32, both ways round, so that every
        // patch also borders coarser ones.
        for (int step = 1; step <= 32; step *= 2)
        {
            for (int parity = 0; parity < 2; ++parity)
            {
                for (int i = 0; i < 256; ++i)
                    terrain->patches[static_cast<size_t>(i)].step =
                        (i % 16 + i / 16) % 2 == parity ? step : 32;
                for (int i = 0; i < 256; ++i)
                {
                    const TerrainPatch& patch = terrain->patches[static_cast<size_t>(i)];
                    const std::vector<TerrainVertex> v = Vertices(*terrain, i);
                    long long area = 0;
                    for (size_t q = 0; q < v.size(); q += 4)
                        area += static_cast<long long>(v[q + 2].x - v[q].x) * (v[q + 2].z - v[q].z);
                    ASSERT_EQ(area,
                              static_cast<long long>(patch.x1 - patch.x0) * (patch.z1 - patch.z0));
                    for (const TerrainVertex& p : v)
                    {
                        ASSERT_TRUE(p.x >= patch.x0 && p.x <= patch.x1 && p.z >= patch.z0 &&
                                    p.z <= patch.z1 && p.z < map.depth && p.y >= 0 && p.y <= 255)
                            << map.width << " x " << map.depth << " step " << step;
                        // The colour and shading maps span the field; the third set counts samples.
                        ASSERT_TRUE(std::fabs(p.u0 - p.x / map.width) < 1e-6f &&
                                    std::fabs(p.v0 - p.z / map.depth) < 1e-6f && p.u1 == p.u0 &&
                                    p.v1 == p.v0 && p.u2 == p.x && p.v2 == p.z &&
                                    p.diffuse == 0xFFFFFFFFu);
                    }
                }
            }
        }
    }
}
