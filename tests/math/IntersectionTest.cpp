#include "math/Intersection.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
// A triangle in the plane y = 0 facing up: x >= 0, z >= 0, x + z <= 10.
const Vector3 kA(0, 0, 0), kB(0, 0, 10), kC(10, 0, 0);
const Vector3 kUp(0, 1, 0);

RayHit Sweep(const Vector3& start, const Vector3& end)
{
    RayHit hit;
    SphereTriangleCollision(start, end, kA, kB, kC, hit);
    return hit;
}
} // namespace

TEST(IntersectionTest, RayPlaneParameterIsAFractionOfTheSegment)
{
    EXPECT_EQ(RayPlaneParameter(Vector3(0, 4, 0), Vector3(0, -4, 0), Vector3(5, 1, 5), kUp),
              0.375f);
    EXPECT_FALSE(std::isfinite(
        RayPlaneParameter(Vector3(0, 4, 0), Vector3(1, 4, 0), Vector3(0, 0, 0), kUp)));
}

TEST(IntersectionTest, SegmentHitsOnlyTheFrontFaceInside)
{
    EXPECT_TRUE(SegmentIntersectsTriangle(Vector3(2, 1, 2), Vector3(2, -1, 2), kA, kB, kC, kUp));
    EXPECT_FALSE(SegmentIntersectsTriangle(Vector3(2, -1, 2), Vector3(2, 1, 2), kA, kB, kC, kUp))
        << "from the back side";
    EXPECT_FALSE(SegmentIntersectsTriangle(Vector3(8, 1, 8), Vector3(8, -1, 8), kA, kB, kC, kUp))
        << "beyond the long edge";
    EXPECT_FALSE(SegmentIntersectsTriangle(Vector3(2, 3, 2), Vector3(2, 1, 2), kA, kB, kC, kUp))
        << "ends above the plane";
    EXPECT_TRUE(SegmentIntersectsTriangle(Vector3(2, 1, 2), Vector3(2, 0, 2), kA, kB, kC, kUp))
        << "ends on the plane";
    EXPECT_FALSE(SegmentIntersectsTriangle(Vector3(2, 0, 2), Vector3(3, 0, 2), kA, kB, kC, kUp))
        << "lies in the plane: zero denominator";
}

// Only a strictly positive side test rejects: a segment through an edge or a
// corner hits, one a hair outside does not.
TEST(IntersectionTest, SegmentThroughAnEdgeOrACornerHits)
{
    struct Case
    {
        float x, z;
        bool hits;
    } cases[] = {
        {0, 5, true},  {5, 5, true},       {5, 0, true},      {0, 0, true},
        {10, 0, true}, {-0.01f, 5, false}, {5.01f, 5, false}, {5, -0.01f, false},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(
            SegmentIntersectsTriangle(Vector3(c.x, 1, c.z), Vector3(c.x, -1, c.z), kA, kB, kC, kUp),
            c.hits)
            << c.x << ", " << c.z;
    }
}

TEST(IntersectionTest, PointInTriangleAndSmallerRoot)
{
    EXPECT_TRUE(PointInTriangle(Vector3(10.0f / 3, 0, 10.0f / 3), kA, kB, kC));
    EXPECT_FALSE(PointInTriangle(Vector3(6, 0, 6), kA, kB, kC));
    EXPECT_FALSE(PointInTriangle(Vector3(-0.1f, 0, 2), kA, kB, kC));

    float root = 123.0f;
    EXPECT_TRUE(SolveQuadratic(1, 0, -4, root));
    EXPECT_EQ(root, -2.0f);
    EXPECT_TRUE(SolveQuadratic(-1, 0, 4, root));
    EXPECT_EQ(root, -2.0f) << "the smaller root whatever the sign of a";
    root = 123.0f;
    EXPECT_FALSE(SolveQuadratic(1, 0, 4, root));
    EXPECT_EQ(root, 123.0f);
}

TEST(SweptSphereTest, FaceContact)
{
    RayHit hit = Sweep(Vector3(2, 3, 2), Vector3(2, -1, 2));
    EXPECT_EQ(hit.distance, 0.5f);
    EXPECT_EQ(hit.normal, kUp);
    EXPECT_EQ(hit.point, Vector3(2, 0, 2));
    EXPECT_EQ(hit.object.Get(), nullptr);
}

TEST(SweptSphereTest, EdgeContact)
{
    // Falling beside the edge along the x axis: touches it when the centre is
    // 0.8 above and 0.6 out, after 2.2 of the 4 units.
    RayHit hit = Sweep(Vector3(5, 3, -0.6f), Vector3(5, -1, -0.6f));
    EXPECT_NEAR(hit.distance, 0.55f, 1e-5f);
    EXPECT_EQ(hit.point, Vector3(5, 0, 0));
    EXPECT_EQ(hit.normal, Vector3(0, 0.8f, -0.6f));
}

TEST(SweptSphereTest, VertexContact)
{
    // Falling outside both edges at the corner a: only the vertex is met, when
    // 0.6^2 + 0.6^2 + y^2 = 1.
    float y = std::sqrt(0.28f);
    RayHit hit = Sweep(Vector3(-0.6f, 3, -0.6f), Vector3(-0.6f, -1, -0.6f));
    EXPECT_NEAR(hit.distance, (3 - y) / 4, 1e-5f);
    EXPECT_EQ(hit.point, kA);
    EXPECT_EQ(hit.normal, Vector3(-0.6f, y, -0.6f));
}

TEST(SweptSphereTest, MissesBackFacesAndMovesAway)
{
    EXPECT_EQ(Sweep(Vector3(-2, 3, -2), Vector3(-2, -1, -2)).distance, kNoHitDistance);
    EXPECT_EQ(Sweep(Vector3(2, -3, 2), Vector3(2, 1, 2)).distance, kNoHitDistance) << "back face";
    EXPECT_EQ(Sweep(Vector3(2, 0.5f, 2), Vector3(2, 3, 2)).distance, kNoHitDistance)
        << "moving away from the front face";
    EXPECT_EQ(Sweep(Vector3(2, -3, 2), Vector3(2, -5, 2)).distance, kNoHitDistance)
        << "below the plane, moving down";
    EXPECT_EQ(Sweep(Vector3(2, 3, 2), Vector3(2, 3, 2)).distance, kNoHitDistance)
        << "a zero-length move";
}

TEST(SweptSphereTest, EmbeddedStartTouchesAtOnce)
{
    RayHit hit = Sweep(Vector3(2, 0.5f, 2), Vector3(2, -1.5f, 2));
    EXPECT_EQ(hit.distance, 0.0f);
    EXPECT_EQ(hit.normal, kUp);
}

TEST(SweptSphereTest, ParallelMoveMeetsOnlyEdgesAndVertices)
{
    // Half a unit above the plane, moving across the x-axis edge: no face
    // contact, the edge is met when the centre is sqrt(0.75) short of it.
    RayHit hit = Sweep(Vector3(5, 0.5f, -3), Vector3(5, 0.5f, 1));
    EXPECT_NEAR(hit.distance, (3 - std::sqrt(0.75f)) / 4, 1e-5f);
    EXPECT_EQ(hit.point, Vector3(5, 0, 0));
    EXPECT_EQ(hit.normal, Vector3(0, 0.5f, -std::sqrt(0.75f)));
}

TEST(SweptSphereTest, KeepsTheEarliestContactAcrossTriangles)
{
    RayHit hit;
    SphereTriangleCollision(Vector3(2, 3, 2), Vector3(2, -1, 2), kA, kB, kC, hit);
    // A second triangle further down along the move does not replace it.
    SphereTriangleCollision(Vector3(2, 3, 2), Vector3(2, -1, 2), Vector3(0, -1, 0),
                            Vector3(0, -1, 10), Vector3(10, -1, 0), hit);
    EXPECT_EQ(hit.distance, 0.5f);
    EXPECT_EQ(hit.point, Vector3(2, 0, 2));
}

TEST(SweptSphereTest, VertexBeyondTheMoveIsRecordedAboveOne)
{
    // Callers test distance < 1: a vertex time is not bounded by the move.
    RayHit hit = Sweep(Vector3(-3, 0.5f, -3), Vector3(-2, 0.5f, -2));
    EXPECT_NEAR(hit.distance, 3 - std::sqrt(0.375f), 1e-4f);
    EXPECT_GT(hit.distance, 1.0f);
    EXPECT_EQ(hit.point, kA);
}
