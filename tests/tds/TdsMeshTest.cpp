// The mesh passes: transform, normals split by smoothing group, tangent space.
#include "tds/TdsReader.h"

#include "support/TdsSamples.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using tds_samples::MeshOptions;

void ExpectVector(const TdsVector& v, float x, float y, float z, float tolerance = 1e-5f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}
void ExpectVector(const TdsVector& v, const TdsVector& expected, float tolerance = 1e-5f)
{
    ExpectVector(v, expected.x, expected.y, expected.z, tolerance);
}

// The cube of the samples, straight into a mesh (no reader, no passes yet).
TdsMesh CubeMesh(const std::vector<uint32_t>& masks)
{
    tds_samples::Cube cube = tds_samples::MakeCube();
    TdsMesh mesh;
    mesh.SetVertexCount(8);
    for (uint32_t i = 0; i < 8; ++i)
    {
        TdsVertex v;
        v.x = cube.positions[i * 3];
        v.y = cube.positions[i * 3 + 1];
        v.z = cube.positions[i * 3 + 2];
        v.w = 1.0f;
        mesh.SetVertex(v, i);
        mesh.SetUV(TdsUV{v.x + 0.5f * v.z, v.y + 0.25f * v.z}, i);
    }
    mesh.SetTriangleCount(12);
    for (uint32_t f = 0; f < 12; ++f)
    {
        TdsTriangleEx face;
        face.a = cube.faces[f * 3];
        face.b = cube.faces[f * 3 + 1];
        face.c = cube.faces[f * 3 + 2];
        face.smoothing = masks[f];
        mesh.SetTriangleEx(face, f);
    }
    return mesh;
}

// The outward axis of the cube side that face f belongs to.
TdsVector SideNormal(uint32_t f)
{
    uint32_t side = f / 2;
    float sign = (side % 2) ? 1.0f : -1.0f;
    TdsVector n;
    (side / 2 == 0 ? n.x : side / 2 == 1 ? n.y : n.z) = sign;
    return n;
}

void ExpectPlainMatchesExtended(const TdsMesh& mesh)
{
    for (uint32_t f = 0; f < mesh.GetTriangleCount(); ++f)
    {
        EXPECT_EQ(mesh.GetTriangle(f).a, mesh.GetTriangleEx(f).a);
        EXPECT_EQ(mesh.GetTriangle(f).b, mesh.GetTriangleEx(f).b);
        EXPECT_EQ(mesh.GetTriangle(f).c, mesh.GetTriangleEx(f).c);
    }
}
} // namespace

TEST(TdsMesh, SixSmoothingGroupsSplitTheCubeIntoItsSides)
{
    std::vector<uint32_t> masks;
    for (uint32_t side = 0; side < 6; ++side)
        masks.insert(masks.end(), {1u << side, 1u << side});
    TdsMesh mesh = CubeMesh(masks);
    mesh.Optimize(2);
    ASSERT_EQ(mesh.GetVertexCount(), 24u);
    for (uint32_t f = 0; f < 12; ++f)
    {
        TdsVector side = SideNormal(f);
        const TdsTriangleEx& face = mesh.GetTriangleEx(f);
        ExpectVector(face.normal, side);
        ExpectVector(mesh.GetTriangle2(f).faceNormal, side);
        for (uint16_t corner : {face.a, face.b, face.c})
        {
            const TdsVector& n = mesh.GetNormal(corner);
            ExpectVector(n, side);
        }
    }
    ExpectPlainMatchesExtended(mesh);
}

TEST(TdsMesh, OneSmoothingGroupKeepsEightVerticesWithSummedNormals)
{
    TdsMesh mesh = CubeMesh(std::vector<uint32_t>(12, 5));
    mesh.Optimize(2);
    ASSERT_EQ(mesh.GetVertexCount(), 8u);
    for (uint32_t v = 0; v < 8; ++v)
    {
        TdsVector sum;
        for (uint32_t f = 0; f < 12; ++f)
        {
            const TdsTriangleEx& face = mesh.GetTriangleEx(f);
            for (uint16_t corner : {face.a, face.b, face.c})
                if (corner == v)
                    sum += SideNormal(f);
        }
        TdsVector expected = TdsVector::Normalize(sum);
        ExpectVector(mesh.GetNormal(v), expected);
    }
}

// Masks 1 and 3 share a bit but are different groups.
TEST(TdsMesh, MasksThatShareBitsStillSplit)
{
    std::vector<uint32_t> masks(12, 1);
    masks[0] = 3;
    TdsMesh split = CubeMesh(masks);
    split.Optimize(2);
    EXPECT_EQ(split.GetVertexCount(), 11u); // face 0's three corners each get a copy

    TdsMesh flat = CubeMesh(masks);
    flat.Optimize(1);
    EXPECT_EQ(flat.GetVertexCount(), 8u);
    ExpectPlainMatchesExtended(flat);
}

TEST(TdsMesh, TangentsFollowTheTextureAxes)
{
    std::vector<uint32_t> masks;
    for (uint32_t side = 0; side < 6; ++side)
        masks.insert(masks.end(), {1u << side, 1u << side});
    TdsMesh mesh = CubeMesh(masks);
    mesh.Optimize(2);
    // u = x + z / 2, v = y + z / 4: on the z sides u runs along x; on the x
    // sides along (0, -1/2, 2).
    TdsVector xSide = TdsVector::Normalize(TdsVector(0.0f, -0.5f, 2.0f));
    for (uint32_t v = 0; v < mesh.GetVertexCount(); ++v)
    {
        const TdsVector& n = mesh.GetNormal(v);
        if (std::fabs(n.z) > 0.5f)
        {
            ExpectVector(mesh.GetTangent(v), 1, 0, 0);
            TdsVector b = TdsVector::Normalize(TdsVector::Cross(TdsVector(1, 0, 0), n));
            ExpectVector(mesh.GetBinormal(v), b);
        }
        if (std::fabs(n.x) > 0.5f)
            ExpectVector(mesh.GetTangent(v), xSide);
    }
}

TEST(TdsMesh, SharedTextureCoordinateGivesNonFiniteTangents)
{
    TdsMesh mesh = CubeMesh(std::vector<uint32_t>(12, 1));
    for (uint32_t v = 0; v < 8; ++v)
        mesh.SetUV(TdsUV{0.5f, 0.5f}, v);
    mesh.Optimize(2);
    EXPECT_FALSE(std::isfinite(mesh.GetTriangleEx(0).tangent.x));
    EXPECT_FALSE(std::isfinite(mesh.GetTangent(0).x));
}

// A face naming a vertex the mesh does not have (possible in a mesh built in
// code; the reader drops such faces) takes no part: the other faces' results
// are those of the mesh without it, and its own corners stay as they were.
TEST(TdsMesh, FaceOutsideTheVertexArraysTakesNoPart)
{
    std::vector<uint32_t> masks;
    for (uint32_t side = 0; side < 6; ++side)
        masks.insert(masks.end(), {1u << side, 1u << side});
    TdsMesh without = CubeMesh(masks);
    TdsMesh with = CubeMesh(masks);
    with.SetTriangleCount(13);
    TdsTriangleEx broken;
    broken.a = 0;
    broken.b = 1;
    broken.c = 200;
    broken.smoothing = 1u << 20;
    with.SetTriangleEx(broken, 12);
    without.Optimize(2);
    with.Optimize(2);
    ASSERT_EQ(with.GetVertexCount(), without.GetVertexCount());
    for (uint32_t v = 0; v < with.GetVertexCount(); ++v)
    {
        ExpectVector(with.GetNormal(v), without.GetNormal(v), 0.0f);
        ExpectVector(with.GetTangent(v), without.GetTangent(v), 0.0f);
    }
    const TdsTriangleEx& kept = with.GetTriangleEx(12);
    EXPECT_EQ(kept.a, 0u);
    EXPECT_EQ(kept.c, 200u);
    ExpectVector(kept.normal, 0, 0, 0, 0.0f);
    ExpectVector(kept.tangent, 0, 0, 0, 0.0f);
}

TEST(TdsMesh, UnusedVertexKeepsZeroNormalAndTangentSpace)
{
    TdsMesh mesh = CubeMesh(std::vector<uint32_t>(12, 1));
    mesh.SetVertexCount(9);
    mesh.Optimize(2);
    ExpectVector(mesh.GetNormal(8), 0, 0, 0, 0.0f);
    ExpectVector(mesh.GetTangent(8), 0, 0, 0, 0.0f);
    ExpectVector(mesh.GetBinormal(8), 0, 0, 0, 0.0f);
}

// Level 0 moves vertices by the translation row and turns them by the rows above it.
TEST(TdsMesh, LevelZeroTransformsByRowsWithTranslationInTheFourth)
{
    TdsMesh mesh = CubeMesh(std::vector<uint32_t>(12, 1));
    float identity[16];
    mesh.GetMatrix(identity);
    mesh.Optimize(0);
    EXPECT_EQ(mesh.GetVertex(7).x, 1.0f);
    EXPECT_EQ(mesh.GetVertex(7).w, 1.0f);

    // x axis to +y, y axis to -x, then move by (10, 20, 30).
    const float m[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1};
    mesh.SetMatrix(m);
    mesh.Optimize(0);
    const TdsVertex& v1 = mesh.GetVertex(1); // (1, 0, 0)
    EXPECT_EQ(v1.x, 10.0f);
    EXPECT_EQ(v1.y, 21.0f);
    EXPECT_EQ(v1.z, 30.0f);
    const TdsVertex& v6 = mesh.GetVertex(6); // (0, 1, 1)
    EXPECT_EQ(v6.x, 9.0f);
    EXPECT_EQ(v6.y, 20.0f);
    EXPECT_EQ(v6.z, 31.0f);
    // Faces are whole after level 0 as well.
    ExpectPlainMatchesExtended(mesh);
}

// Splitting stops at 65536 vertices rather than wrap a 16-bit index.
TEST(TdsMesh, SplittingNeverPassesTheIndexRange)
{
    TdsMesh mesh;
    mesh.SetVertexCount(TdsMesh::kMaxVertices - 1);
    mesh.SetTriangleCount(3);
    for (uint32_t f = 0; f < 3; ++f)
    {
        TdsTriangleEx face;
        face.a = 0;
        face.b = static_cast<uint16_t>(1 + f);
        face.c = static_cast<uint16_t>(2 + f);
        face.smoothing = 1u << f;
        mesh.SetTriangleEx(face, f);
    }
    mesh.Optimize(2);
    EXPECT_EQ(mesh.GetVertexCount(), TdsMesh::kMaxVertices);
    EXPECT_EQ(mesh.GetTriangleEx(1).a, 65535u);
    EXPECT_EQ(mesh.GetTriangleEx(2).a, 0u);
}

TEST(TdsMesh, ReaderRunsTheSmoothingPassOnEveryMesh)
{
    std::vector<uint8_t> file = tds_samples::SmoothingFile();
    TdsReader reader;
    ASSERT_TRUE(tds_samples::Load(reader, file));
    ASSERT_EQ(reader.GetMeshCount(), 3u);
    EXPECT_EQ(reader.GetMesh(0)->GetVertexCount(), 24u);
    EXPECT_EQ(reader.GetMesh(1)->GetVertexCount(), 8u);
    EXPECT_EQ(reader.GetMesh(2)->GetVertexCount(), 8u);
    ExpectPlainMatchesExtended(*reader.GetMesh(0));
}

// One vertex shared by thousands of faces in many groups: grouped by whole
// mask however many there are, without a cost of faces times groups.
TEST(TdsMesh, ManyGroupsAtOneVertex)
{
    const uint32_t kFaces = 6000;
    TdsMesh mesh;
    mesh.SetVertexCount(1 + 2 * kFaces);
    mesh.SetTriangleCount(kFaces);
    for (uint32_t f = 0; f < kFaces; ++f)
    {
        TdsTriangleEx face;
        face.a = 0;
        face.b = static_cast<uint16_t>(1 + 2 * f);
        face.c = static_cast<uint16_t>(2 + 2 * f);
        face.smoothing = f % 40;
        mesh.SetTriangleEx(face, f);
    }
    mesh.Optimize(2);
    EXPECT_EQ(mesh.GetVertexCount(), 1 + 2 * kFaces + 39);
    for (uint32_t f = 0; f < kFaces; ++f)
    {
        // Faces of one mask share one copy of vertex 0.
        EXPECT_EQ(mesh.GetTriangleEx(f).a, mesh.GetTriangleEx(f % 40).a);
    }
    EXPECT_EQ(mesh.GetTriangleEx(0).a, 0u);
    EXPECT_EQ(mesh.GetTriangleEx(39).a, 1 + 2 * kFaces + 38);
}
