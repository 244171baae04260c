// The chunk parser on well-formed files written by the test chunk writer.
#include "tds/TdsReader.h"

#include "support/LogCapture.h"
#include "support/ScratchFolder.h"
#include "support/TdsSamples.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{
using tds_samples::MeshOptions;

using tds_samples::Load;

void ExpectColor(const TdsColor& c, float r, float g, float b)
{
    EXPECT_FLOAT_EQ(c.r, r);
    EXPECT_FLOAT_EQ(c.g, g);
    EXPECT_FLOAT_EQ(c.b, b);
}

void ExpectVector(const TdsVector& v, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

class TdsReaderScene : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(Load(reader, tds_samples::SceneFile())); }
    LogCapture log;
    TdsReader reader;
};
} // namespace

TEST_F(TdsReaderScene, MaterialsReadColoursPercentagesShadingAndMaps)
{
    ASSERT_EQ(reader.GetMaterialCount(), 3u);
    TdsMaterial* painted = reader.GetMaterial(0);
    EXPECT_STREQ(painted->GetName(), "Painted");
    EXPECT_EQ(painted->GetID(), 0u);
    ExpectColor(painted->GetAmbientColor(), 1.0f, 0.0f, 0.2f);
    ExpectColor(painted->GetDiffuseColor(), 0.1f, 0.2f, 0.3f);
    ExpectColor(painted->GetSpecularColor(), 0.5f, 0.6f, 0.7f);
    EXPECT_FLOAT_EQ(painted->GetShininess(), 0.45f);    // integer percentage
    EXPECT_FLOAT_EQ(painted->GetTransparency(), 0.45f); // float percentage, as stored
    EXPECT_EQ(painted->GetShading(), 3);

    const TdsMap& map = painted->GetTextureMap1();
    EXPECT_STREQ(map.fileName, "tank.png");
    EXPECT_FLOAT_EQ(map.strength, 0.5f);
    EXPECT_EQ(map.uScale, 2.0f);
    EXPECT_EQ(map.vScale, 3.0f);
    EXPECT_EQ(map.uOffset, 0.25f);
    EXPECT_EQ(map.vOffset, 0.5f);
    EXPECT_EQ(map.rotation, 45.0f);
    EXPECT_STREQ(painted->GetTextureMap2().fileName, "second.png");
    EXPECT_FLOAT_EQ(painted->GetTextureMap2().strength, 0.2f);
    EXPECT_STREQ(painted->GetOpacityMap().fileName, "opacity.png");
    EXPECT_STREQ(painted->GetBumpMap().fileName, "bump.png");
    EXPECT_STREQ(painted->GetSpecularMap().fileName, "specular.png");
    EXPECT_STREQ(painted->GetReflectionMap().fileName, "auto");
    EXPECT_FLOAT_EQ(painted->GetReflectionMap().strength, 0.3f);

    TdsMaterial* shiny = reader.GetMaterial(1);
    EXPECT_EQ(shiny->GetShininess(), 1.0f); // 45.0 as a float percentage clamps
    EXPECT_EQ(shiny->GetShading(), 0);      // flat, and 9 is no shading value
}

// A named reflection map keeps its file name.
TEST_F(TdsReaderScene, ReflectionMapKeepsItsName)
{
    const TdsMap& reflection = reader.GetMaterial(1)->GetReflectionMap();
    EXPECT_STREQ(reflection.fileName, "sky.png");
    EXPECT_FLOAT_EQ(reflection.strength, 0.6f);
}

// A reflection map without its name chunk costs only that map.
TEST_F(TdsReaderScene, BrokenReflectionMapKeepsTheRestOfTheMaterial)
{
    EXPECT_TRUE(log.Contains("TdsReader::ReadMaterial - error, expected chunk not found\n"));
    TdsMaterial* odd = reader.FindMaterial("OddReflection");
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->GetID(), 2u);
    ExpectColor(odd->GetDiffuseColor(), 0.0f, 1.0f, 0.0f);
    EXPECT_STREQ(odd->GetTextureMap1().fileName, "kept.png");
    EXPECT_STREQ(odd->GetReflectionMap().fileName, "");
    EXPECT_EQ(odd->GetReflectionMap().strength, 0.0f);
}

TEST_F(TdsReaderScene, MeshesReadMatrixMappingAndFaceMaterials)
{
    ASSERT_EQ(reader.GetMeshCount(), 4u); // "Hidden" is not a mesh object
    TdsMesh* body = reader.GetMesh(0);
    EXPECT_STREQ(body->GetName(), "Body");
    EXPECT_EQ(body->GetVertexCount(), 8u);
    EXPECT_EQ(body->GetTriangleCount(), 12u);
    EXPECT_EQ(body->GetVertex(5).x, 1.0f);
    EXPECT_EQ(body->GetVertex(5).z, 1.0f);
    EXPECT_EQ(body->GetVertex(5).w, 1.0f);
    EXPECT_EQ(body->GetUV(5).u, 1.5f);
    EXPECT_EQ(body->GetUV(5).v, 0.25f);

    float m[16];
    body->GetMatrix(m);
    const float expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1};
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(m[k], expected[k]) << k;

    ASSERT_EQ(body->GetMaterialCount(), 2u);
    EXPECT_EQ(body->GetMaterial(0), 0u);
    EXPECT_EQ(body->GetMaterial(1), 1u);
    // Faces 6 to 11 are listed by no face-material chunk.
    for (uint32_t f = 0; f < 12; ++f)
        EXPECT_EQ(body->GetTriangle2(f).materialId, f < 4 ? 0u : f < 6 ? 1u : kTdsNoMaterial) << f;

    // An unknown material name adds no entry and gives its faces no material;
    // no mapping chunk leaves zero UVs.
    TdsMesh* turret = reader.GetMesh(1);
    EXPECT_EQ(turret->GetMaterialCount(), 0u);
    EXPECT_EQ(turret->GetTriangleEx(0).materialId, kTdsNoMaterial);
    EXPECT_EQ(turret->GetUV(7).u, 0.0f);
}

TEST_F(TdsReaderScene, LightsAndSpotlights)
{
    ASSERT_EQ(reader.GetLightCount(), 2u);
    TdsLight* sun = reader.FindLight("Sun");
    ASSERT_NE(sun, nullptr);
    ExpectVector(sun->GetPosition(), 1, 2, 3);
    ExpectColor(sun->GetColor(), 1.0f, 0.5f, 0.25f);
    EXPECT_EQ(sun->GetInnerRange(), 50.0f);
    EXPECT_EQ(sun->GetOuterRange(), 500.0f);
    EXPECT_EQ(sun->GetHotspot(), 0.0f);

    TdsLight* spot = reader.GetLight(1);
    ExpectVector(spot->GetPosition(), 0, 10, 0);
    ExpectColor(spot->GetColor(), 1.0f, 1.0f, 0.0f);
    ExpectVector(spot->GetTarget(), 0, 0, 0);
    EXPECT_EQ(spot->GetHotspot(), 20.0f);
    EXPECT_EQ(spot->GetFalloff(), 40.0f);
    EXPECT_EQ(spot->GetInnerRange(), 100.0f);
    EXPECT_EQ(spot->GetOuterRange(), 1000.0f);
}

TEST_F(TdsReaderScene, CamerasTakeFieldOfViewFromTheLens)
{
    ASSERT_EQ(reader.GetCameraCount(), 2u);
    TdsCamera* eye = reader.GetCamera(0);
    EXPECT_STREQ(eye->GetName(), "Eye");
    ExpectVector(eye->GetPosition(), 0, 1, 2);
    ExpectVector(eye->GetTarget(), 3, 4, 5);
    EXPECT_EQ(eye->GetBank(), 0.5f);
    EXPECT_EQ(eye->GetFOV(), 48.0f);
    EXPECT_EQ(eye->GetNearRange(), 1.0f);
    EXPECT_EQ(eye->GetFarRange(), 300.0f);
    TdsCamera* plain = reader.GetCamera(1);
    EXPECT_EQ(plain->GetFOV(), 100.0f);
    EXPECT_EQ(plain->GetNearRange(), 10.0f);
    EXPECT_EQ(plain->GetFarRange(), 10000.0f);
}

// Parent keys -1, 0, 1, 0 (with a node of no mesh in between) make Body the
// root with Turret and Hatch under it, and Gun under Turret.
TEST_F(TdsReaderScene, KeyframerBuildsTheHierarchyAndPose)
{
    TdsMesh* body = reader.FindMesh("Body");
    TdsMesh* turret = reader.FindMesh("Turret");
    TdsMesh* gun = reader.FindMesh("Gun");
    TdsMesh* hatch = reader.FindMesh("Hatch");
    EXPECT_EQ(body->GetParent(), nullptr);
    ASSERT_EQ(body->GetChildCount(), 2u);
    EXPECT_EQ(body->GetChild(0), turret);
    EXPECT_EQ(body->GetChild(1), hatch);
    EXPECT_EQ(turret->GetParent(), body);
    EXPECT_EQ(gun->GetParent(), turret);
    EXPECT_EQ(hatch->GetParent(), body);
    EXPECT_EQ(gun->GetChildCount(), 0u);

    ExpectVector(body->GetPivot(), 0.5f, 0.25f, 0.125f);
    ExpectVector(body->GetPosition(), 1, 2, 3); // after the two key-header floats
    EXPECT_EQ(body->GetRotation()[0], 0.5f);
    EXPECT_EQ(body->GetRotation()[2], 1.0f);
    ExpectVector(body->GetScale(), 1, 1, 1); // a track of no keys
    ExpectVector(gun->GetPosition(), 0, 0, 0);
    ExpectVector(gun->GetScale(), 1, 1, 1);
}

TEST(TdsReader, MeshWithoutSmoothingChunkHasMaskOne)
{
    std::vector<uint8_t> file = tds_samples::EditorFile(
        [](TdsWriter& w)
        {
            MeshOptions bare;
            bare.mapping = false;
            tds_samples::WriteCube(w, "Bare", bare);
        });
    TdsReader reader;
    reader.SetOptimizationLevel(3); // Clear() puts the level back to 2 on load
    ASSERT_TRUE(Load(reader, file));
    TdsMesh* mesh = reader.GetMesh(0);
    for (uint32_t f = 0; f < mesh->GetTriangleCount(); ++f)
        EXPECT_EQ(mesh->GetTriangleEx(f).smoothing, 1u);
}

TEST(TdsReader, ObjectWhoseFirstChildIsNoKnownKindAddsNothing)
{
    std::vector<uint8_t> file = tds_samples::EditorFile(
        [](TdsWriter& w)
        {
            w.Begin(0x4000).String("Box");
            w.Begin(0x4010).End();
            w.Begin(0x4100).Begin(0x4110).U16(1).Floats({0, 0, 0}).End().End();
            w.End();
        });
    TdsReader reader;
    EXPECT_TRUE(Load(reader, file));
    EXPECT_EQ(reader.GetMeshCount(), 0u);
}

TEST(TdsReader, LoadFileFailuresAreLogged)
{
    ScratchFolder scratch("tds");
    const std::string& dir = scratch.path;
    LogCapture log;
    TdsReader reader;

    EXPECT_FALSE(reader.LoadFile((dir + "/missing.3ds").c_str()));
    EXPECT_TRUE(log.Contains("TdsReader::LoadFile - cannot open file\n"));

    ASSERT_TRUE(TdsWriter::Save({}, dir + "/empty.3ds"));
    EXPECT_FALSE(reader.LoadFile((dir + "/empty.3ds").c_str()));
    EXPECT_TRUE(log.Contains("TdsReader::LoadFile - error reading from file\n"));

    TdsWriter other;
    other.Begin(0x3D3D).End();
    ASSERT_TRUE(TdsWriter::Save(other.Bytes(), dir + "/other.3ds"));
    EXPECT_FALSE(reader.LoadFile((dir + "/other.3ds").c_str()));
    EXPECT_TRUE(log.Contains("TdsReader::Read3DS - wrong file format\n"));

    // No editor chunk: false, and no line of its own.
    TdsWriter noEditor;
    noEditor.Begin(0x4D4D).Begin(0xB000).End().End();
    ASSERT_TRUE(TdsWriter::Save(noEditor.Bytes(), dir + "/noeditor.3ds"));
    log.Clear();
    EXPECT_FALSE(reader.LoadFile((dir + "/noeditor.3ds").c_str()));
    EXPECT_EQ(log.Text(), "");

    // Backslashes and another case resolve to the file.
    ASSERT_TRUE(TdsWriter::Save(tds_samples::SceneFile(), dir + "/Scene.3DS"));
    EXPECT_TRUE(reader.LoadFile((dir + "\\scene.3ds").c_str()));
    EXPECT_EQ(reader.GetMeshCount(), 4u);
}
