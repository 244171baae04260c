// Records and the loader's lists: defaults, clamping, guarded setters, look-ups.
#include "tds/TdsReader.h"

#include "support/TdsSamples.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(TdsRecords, NewMaterialHasDefaultMapsAndColours)
{
    TdsMaterial material;
    const TdsMap* maps[] = {&material.GetTextureMap1(), &material.GetTextureMap2(),
                            &material.GetOpacityMap(),  &material.GetReflectionMap(),
                            &material.GetBumpMap(),     &material.GetSpecularMap()};
    for (const TdsMap* map : maps)
    {
        EXPECT_STREQ(map->fileName, "");
        EXPECT_EQ(map->uScale, 1.0f);
        EXPECT_EQ(map->vScale, 1.0f);
        EXPECT_EQ(map->strength, 0.0f);
        EXPECT_EQ(map->uOffset, 0.0f);
        EXPECT_EQ(map->rotation, 0.0f);
    }
    EXPECT_EQ(material.GetDiffuseColor().r, 0.0f);
    EXPECT_EQ(material.GetShininess(), 0.0f);
    EXPECT_EQ(material.GetTransparency(), 0.0f);
    EXPECT_EQ(material.GetShading(), 2);
}

TEST(TdsRecords, ShininessAndTransparencyStayInUnitRange)
{
    TdsMaterial material;
    material.SetShininess(-0.5f);
    EXPECT_EQ(material.GetShininess(), 0.0f);
    material.SetTransparency(1.7f);
    EXPECT_EQ(material.GetTransparency(), 1.0f);
    material.SetShininess(0.25f);
    EXPECT_EQ(material.GetShininess(), 0.25f);
    material.SetShininess(std::nanf(""));
    EXPECT_EQ(material.GetShininess(), 0.0f);
}

TEST(TdsRecords, MeshSettersIgnoreIndicesPastTheEnd)
{
    TdsMesh mesh;
    float m[16];
    mesh.GetMatrix(m);
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(m[k], k % 5 == 0 ? 1.0f : 0.0f) << k;

    mesh.SetVertexCount(2);
    TdsVertex v;
    v.x = 3.0f;
    mesh.SetVertex(v, 2);
    mesh.SetVertex(v, 1);
    EXPECT_EQ(mesh.GetVertexCount(), 2u);
    EXPECT_EQ(mesh.GetVertex(1).x, 3.0f);
    EXPECT_EQ(mesh.GetNormal(1).x, 0.0f);

    mesh.SetTriangleCount(1);
    TdsTriangleEx face;
    face.c = 1;
    mesh.SetTriangleEx(face, 1);
    EXPECT_EQ(mesh.GetTriangleCount(), 1u);
    EXPECT_EQ(mesh.GetTriangleEx(0).c, 0);

    EXPECT_EQ(mesh.AddMaterial(7), 0u);
    EXPECT_EQ(mesh.AddMaterial(7), 1u);
    mesh.Clear();
    EXPECT_EQ(mesh.GetVertexCount() + mesh.GetTriangleCount() + mesh.GetMaterialCount(), 0u);
}

TEST(TdsRecords, FindIsExactAndReturnsTheFirstMatch)
{
    std::vector<uint8_t> file = tds_samples::EditorFile(
        [](TdsWriter& w)
        {
            tds_samples::WriteCube(w, "Twin", tds_samples::MeshOptions());
            tds_samples::WriteCube(w, "Twin", tds_samples::MeshOptions());
        });
    TdsReader reader;
    ASSERT_TRUE(tds_samples::Load(reader, file));
    ASSERT_EQ(reader.GetMeshCount(), 2u);
    EXPECT_EQ(reader.FindMesh("Twin"), reader.GetMesh(0));
    EXPECT_EQ(reader.FindMesh("twin"), nullptr);
    EXPECT_EQ(reader.FindMaterial("Twin"), nullptr);
}

TEST(TdsRecords, ClearKeepsCamerasAndLaterLoadsAppendThem)
{
    std::vector<uint8_t> file = tds_samples::SceneFile();
    TdsReader reader;
    ASSERT_TRUE(tds_samples::Load(reader, file));
    EXPECT_EQ(reader.GetCameraCount(), 2u);
    reader.SetOptimizationLevel(1);
    reader.Clear();
    EXPECT_EQ(reader.GetCameraCount(), 2u);
    EXPECT_EQ(reader.GetMeshCount() + reader.GetLightCount() + reader.GetMaterialCount(), 0u);
    EXPECT_EQ(reader.GetOptimizationLevel(), 2);
    ASSERT_TRUE(tds_samples::Load(reader, file));
    EXPECT_EQ(reader.GetCameraCount(), 4u);
    EXPECT_EQ(reader.GetMeshCount(), 4u);
}
