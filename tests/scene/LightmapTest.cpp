// The lightmap layout shared by the bake and the load: sizes, projection
// planes and coordinates; and the blur of a baked map.
#include "scene/LevelTriangle.h"
#include "scene/Lightmaps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
LevelTriangle MakeTriangle(const Vector3& a, const Vector3& b, const Vector3& c)
{
    LevelTriangle triangle;
    const Vector3 corners[3] = {a, b, c};
    for (int k = 0; k < 3; ++k)
        triangle.vertices[k] = LevelVertex{corners[k].x, corners[k].y, corners[k].z, 0, 0, 0, 0, 0};
    triangle.normal = (b - a).Cross(c - a);
    triangle.normal.Normalize();
    return triangle;
}
} // namespace

TEST(LightmapTest, SizeIsTheLargestPowerOfTwoBelowTheTexelLength)
{
    const struct
    {
        float length;
        int size;
    } cases[] = {
        {2.0f, 1},       {2.5f, 2}, {4.0f, 2},       {4.5f, 4},
        {160.0f, 128},   {1.6f, 1}, {2048.0f, 1024}, {2048.5f, 2048},
        {5000.0f, 2048}, {0.0f, 1}, {-3.0f, 1},      {std::nanf(""), 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LightmapSize(c.length), c.size) << c.length;
}

TEST(LightmapTest, PlaneFollowsTheLargestComponentOfTheNormalWithTiesToYThenX)
{
    const struct
    {
        Vector3 normal;
        int plane;
    } cases[] = {
        {{0.6f, 0.6f, 0.5f}, 1},  {{0.6f, 0.5f, 0.6f}, 0}, {{0.5f, 0.6f, 0.6f}, 1},
        {{-0.8f, 0.1f, 0.1f}, 0}, {{0, -1, 0}, 1},         {{0.1f, 0.2f, -0.9f}, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LightmapPlane(c.normal), c.plane)
            << c.normal.x << " " << c.normal.y << " " << c.normal.z;
}

// A triangle 10 units along the plane's u axis (128 texels) and half a unit
// along v (4 texels): its corners at the box's edges fall the plane's texel
// offset inside the map, 0.5 on plane 0 and 1.0 on planes 1 and 2.
TEST(LightmapTest, CoordinatesSpanTheMapFromThePlanesTexelOffset)
{
    const struct
    {
        int plane;
        LevelTriangle triangle;
        float offset;
    } cases[] = {
        {0, MakeTriangle({0, 0, 0}, {0, 0, 10}, {0, 0.5f, 0}), 0.5f},
        {1, MakeTriangle({0, 0, 0}, {10, 0, 0}, {0, 0, 0.5f}), 1.0f},
        {2, MakeTriangle({0, 0, 0}, {10, 0, 0}, {0, 0.5f, 0}), 1.0f},
    };
    for (const auto& c : cases)
    {
        LightmapLayout layout;
        ASSERT_TRUE(LayOutLightmap(c.triangle, layout)) << c.plane;
        EXPECT_EQ(layout.plane, c.plane);
        EXPECT_EQ(layout.width, 128) << c.plane;
        EXPECT_EQ(layout.height, 4) << c.plane;
        // Corner 0 is at the low end of both axes, corner 1 at the high end of
        // u, corner 2 at the high end of v.
        float lu[3], lv[3];
        for (int k = 0; k < 3; ++k)
            layout.Coordinates(c.triangle.Position(k), lu[k], lv[k]);
        EXPECT_FLOAT_EQ(lu[0], c.offset / 128) << c.plane;
        EXPECT_FLOAT_EQ(lu[1], 127.0f / 128 + c.offset / 128) << c.plane;
        EXPECT_FLOAT_EQ(lv[0], c.offset / 4) << c.plane;
        EXPECT_FLOAT_EQ(lv[2], 3.0f / 4 + c.offset / 4) << c.plane;
    }

    // A triangle without area has no plane to lie on.
    LightmapLayout layout;
    EXPECT_FALSE(LayOutLightmap(MakeTriangle({0, 0, 0}, {1, 0, 0}, {2, 0, 0}), layout));
}

TEST(LightmapTest, BlurWeighsTheTexelsFromTwoBeforeToOneAfterAndLeavesTheBorder)
{
    // One bright texel at (4, 4) of a 6 by 6 map: inside the window of inner
    // texel (3, 3) at its corner weight 0.25, outside that of (2, 2).
    std::vector<uint32_t> texels(36, 0xFF000000);
    texels[4 * 6 + 4] = 0xFF909090;
    BlurLightmap(texels.data(), 6, 6);
    auto red = [&](int x, int y) { return static_cast<int>((texels[y * 6 + x] >> 16) & 0xFF); };
    EXPECT_NEAR(red(3, 3), 144 / 36, 1);
    EXPECT_EQ(red(2, 2), 0);
    EXPECT_EQ(red(2, 3), 0);
    EXPECT_EQ(red(4, 4), 144);
    EXPECT_EQ(texels[3 * 6 + 3] >> 24, 0xFFu);

    // Four texels a side keep their values.
    std::vector<uint32_t> small(16);
    for (size_t i = 0; i < small.size(); ++i)
        small[i] = 0xFF000000u | static_cast<uint32_t>(i * 0x0F0F0F);
    std::vector<uint32_t> before = small;
    BlurLightmap(small.data(), 4, 4);
    EXPECT_EQ(small, before);
}
