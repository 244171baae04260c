#include "math/BoundingBox.h"
#include "math/Frustum.h"
#include "math/MathUtil.h"
#include "math/Plane.h"
#include "platform/Runtime.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(PlaneTest, ThreePointsGiveTheUnitNormalAndSignedDistance)
{
    Plane plane(Vector3(0, 2, 0), Vector3(0, 2, 5), Vector3(5, 2, 0));
    EXPECT_EQ(plane.normal, Vector3(0, 1, 0));
    EXPECT_EQ(plane.d, 2.0f);
    EXPECT_EQ(plane.SignedDistance(Vector3(7, 5, -3)), 3.0f);
    EXPECT_EQ(plane.SignedDistance(Vector3(0, 0, 0)), -2.0f);

    Plane degenerate(Vector3(1, 1, 1), Vector3(2, 2, 2), Vector3(3, 3, 3));
    EXPECT_EQ(degenerate.normal, Vector3(0, 0, 0));
}

TEST(BoundingBoxTest, FitSpanAndClosedIntersection)
{
    BoundingBox box;
    box.SetFromPoints(Vector3(1, -2, 3), Vector3(-1, 2, 0));
    EXPECT_EQ(box.min, Vector3(-1, -2, 0));
    EXPECT_EQ(box.max, Vector3(1, 2, 3));

    box.Fit({Vector3(0, 0, 0), Vector3(-1, 5, 2), Vector3(3, -4, 1), Vector3(2, 2, -7)});
    EXPECT_EQ(box.min, Vector3(-1, -4, -7));
    EXPECT_EQ(box.max, Vector3(3, 5, 2));
    BoundingBox kept = box;
    box.Fit({});
    EXPECT_EQ(box.min, kept.min);
    EXPECT_EQ(box.max, kept.max);

    BoundingBox unit(Vector3(0, 0, 0), Vector3(1, 1, 1));
    EXPECT_TRUE(unit.Intersects(BoundingBox(Vector3(1, 1, 1), Vector3(2, 2, 2))));
    EXPECT_FALSE(unit.Intersects(BoundingBox(Vector3(1.001f, 0, 0), Vector3(2, 1, 1))));
    EXPECT_FALSE(unit.Intersects(BoundingBox(Vector3(0, -3, 0), Vector3(1, -0.5f, 1))));
    EXPECT_TRUE(unit.Intersects(BoundingBox(Vector3(-5, -5, -5), Vector3(5, 5, 5))));
}

namespace
{
// A camera at the origin looking down +z with a 90 degree view both ways and
// the far plane at 100; normals point out of the volume.
Frustum ViewAlongZ()
{
    const float k = std::sqrt(0.5f);
    Frustum frustum;
    frustum.planes[0].Set(Vector3(0, 0, 100), Vector3(0, 0, 1));
    frustum.planes[1].Set(Vector3(0, 0, 0), Vector3(-k, 0, -k));
    frustum.planes[2].Set(Vector3(0, 0, 0), Vector3(k, 0, -k));
    frustum.planes[3].Set(Vector3(0, 0, 0), Vector3(0, k, -k));
    frustum.planes[4].Set(Vector3(0, 0, 0), Vector3(0, -k, -k));
    return frustum;
}
} // namespace

TEST(FrustumTest, BoxesInsideOutsideAndStraddling)
{
    Frustum frustum = ViewAlongZ();
    EXPECT_TRUE(frustum.IsBoxVisible(Vector3(-1, -1, 10), Vector3(1, 1, 12)));
    EXPECT_FALSE(frustum.IsBoxVisible(Vector3(-1, -1, 101), Vector3(1, 1, 103)))
        << "beyond the far plane";
    EXPECT_FALSE(frustum.IsBoxVisible(Vector3(20, -1, 10), Vector3(22, 1, 12))) << "to the right";
    EXPECT_FALSE(frustum.IsBoxVisible(Vector3(-1, 30, 10), Vector3(1, 32, 12))) << "above";
    EXPECT_TRUE(frustum.IsBoxVisible(Vector3(-1, -1, 99), Vector3(1, 1, 105))) << "across far";
    EXPECT_TRUE(frustum.IsBoxVisible(Vector3(5, -1, 10), Vector3(15, 1, 12))) << "across a side";
    EXPECT_TRUE(frustum.IsBoxVisible(Vector3(-1, -1, 100), Vector3(1, 1, 102)))
        << "a face touching the far plane from outside counts as visible";
    // Conservative near a corner: outside the volume, but no single plane has
    // all eight corners outside.
    EXPECT_TRUE(frustum.IsBoxVisible(Vector3(9, 9, 9.5f), Vector3(11, 11, 10)));
}

TEST(MathUtilTest, MinMaxAndFloatEqual)
{
    EXPECT_EQ(Min(1.0f, 2.0f), 1.0f);
    EXPECT_EQ(Max(1.0f, 2.0f), 2.0f);
    EXPECT_TRUE(FloatEqual(1.0f, 1.0000005f));
    EXPECT_FALSE(FloatEqual(1.0f, 1.00001f));
}

TEST(RandomTest, RuntimeRandIsFifteenBitsFromSeedOne)
{
    PlatformSeedRand(1);
    const int first[] = {41, 18467, 6334, 26500, 19169};
    for (int expected : first)
        EXPECT_EQ(PlatformRand(), expected);

    int highest = 0;
    for (int i = 0; i < 200000; ++i)
    {
        int r = PlatformRand();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, kPlatformRandMax);
        highest = r > highest ? r : highest;
    }
    EXPECT_GT(highest, 32000) << "the whole 15-bit range is used";
}

TEST(RandomTest, RandomFloatStaysWithinItsRange)
{
    EXPECT_EQ(RandomFloat(2.0f, 2.0f), 2.0f);
    float low = 1e9f, high = -1e9f;
    for (int i = 0; i < 100000; ++i)
    {
        float r = RandomFloat(-15.0f, 15.0f);
        ASSERT_GE(r, -15.0f);
        ASSERT_LE(r, 15.0f);
        low = r < low ? r : low;
        high = r > high ? r : high;
        float reversed = RandomFloat(1.0f, 0.5f);
        ASSERT_GE(reversed, 0.5f);
        ASSERT_LE(reversed, 1.0f);
    }
    EXPECT_LT(low, -14.9f);
    EXPECT_GT(high, 14.9f);
}
