// Pictures of the scene read back from the real renderer: a model's material
// groups with their textures, the sky box's faces around a turned camera,
// directional light on the faces it faces, and the terrain's colour map under
// its shading.
#include "scene/SkyBox.h"
#include "scene/StaticModel.h"
#include "scene/Terrain.h"
#include "support/SceneFixture.h"

#include <cmath>

using tds_samples::EditorFile;
using tds_samples::MeshOptions;
using tds_samples::WriteMesh;

namespace
{
const float kPi = 3.14159265f;

// Two squares side by side in the plane z = 0 once the importer has turned the
// file's z-up into y-up: the left one x -2..0, the right one x 0..2, y -1..1,
// both facing -z. With materials, the left is "Red" and the right "Green".
std::vector<uint8_t> SquaresFile(bool withMaterials)
{
    return EditorFile(
        [withMaterials](TdsWriter& w)
        {
            MeshOptions options;
            if (withMaterials)
            {
                model_files::WriteMaterial(w, "Red", "red.bmp");
                model_files::WriteMaterial(w, "Green", "green.bmp");
                options.faceMaterials = {{"Red", {0, 1}}, {"Green", {2, 3}}};
            }
            WriteMesh(w, "Squares", {-2, 0, -1, 0, 0, -1, 0, 0, 1, -2, 0, 1, 2, 0, -1, 2, 0, 1},
                      {0, 1, 2, 0, 2, 3, 1, 4, 5, 1, 5, 2}, options);
        });
}

class ScenePixelTest : public SceneTest
{
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        View(Vector3());
    }
};
} // namespace

TEST_F(ScenePixelTest, ModelDrawsEachMaterialGroupWithItsTextureWhereTheCameraPutsIt)
{
    SolidBmp("data/textures/red.bmp", 0xFF0000);
    SolidBmp("data/textures/green.bmp", 0x00FF00);
    Save("squares.3ds", SquaresFile(true));
    AddLight(Color3(1, 1, 1));
    StaticModel* model = new StaticModel("squares.3ds");
    Add(model);
    camera->position = Vector3(0, 0, -5);

    TestFrame frame = Draw();
    EXPECT_TRUE(ColorNear(At(frame, Vector3(-1, 0, 0)), 0xFFFF0000));
    EXPECT_TRUE(ColorNear(At(frame, Vector3(1, 0, 0)), 0xFF00FF00));
    EXPECT_TRUE(ColorNear(At(frame, Vector3(0, 1.5f, 0)), kClearColour));
    EXPECT_TRUE(ColorNear(At(frame, Vector3(-2.5f, 0, 0)), kClearColour));

    // Moved right and up by one, the model covers what was empty before.
    model->position = Vector3(1, 1, 0);
    frame = Draw();
    EXPECT_TRUE(ColorNear(At(frame, Vector3(0.5f, 1.5f, 0)), 0xFFFF0000));
    EXPECT_TRUE(ColorNear(At(frame, Vector3(2.5f, 1.5f, 0)), 0xFF00FF00));
    EXPECT_TRUE(ColorNear(At(frame, Vector3(-1.5f, 0, 0)), kClearColour));

    // Seen from behind, the faces are culled.
    camera->position = Vector3(1, 1, 5);
    camera->AddYaw(kPi);
    frame = Draw();
    EXPECT_TRUE(ColorNear(Centre(frame), kClearColour));
}

TEST_F(ScenePixelTest, LightLightsTheFacesItFacesOnly)
{
    Save("plain.3ds", SquaresFile(false));
    Light* light = AddLight(Color3(1.0f, 0.5f, 0.0f));
    Add(new StaticModel("plain.3ds"));
    camera->position = Vector3(0, 0, -5);

    // Shining along +z onto the faces that look toward -z: the light's colour.
    TestFrame frame = Draw();
    EXPECT_TRUE(ColorNear(At(frame, Vector3(-1, 0, 0)), 0xFFFF7F00, 4));

    // Shining along -z, from behind the faces: they are black.
    light->orientation = Quaternion::FromAxisAngle(Vector3(0, 1, 0), kPi);
    frame = Draw();
    EXPECT_TRUE(ColorNear(At(frame, Vector3(-1, 0, 0)), 0xFF000000));

    // At 60 degrees to the faces' normal: half the light.
    light->orientation = Quaternion::FromAxisAngle(Vector3(0, 1, 0), kPi / 3.0f);
    frame = Draw();
    EXPECT_TRUE(ColorNear(At(frame, Vector3(-1, 0, 0)), 0xFF7F3F00, 4));

    // A disabled light lights nothing.
    light->orientation = Quaternion();
    light->enabled = 0;
    frame = Draw();
    EXPECT_TRUE(ColorNear(At(frame, Vector3(-1, 0, 0)), 0xFF000000));
}

TEST_F(ScenePixelTest, SkyBoxSurroundsTheCameraWithEachFaceWhereItBelongs)
{
    // Face 0 (ahead) is red on its left half and blue on its right half.
    HalvesImage("data/textures/skyft.bmp", 0xFF0000, 0x0000FF);
    SolidBmp("data/textures/skybk.bmp", 0x00FF00);
    SolidBmp("data/textures/skylf.bmp", 0xFFFF00);
    SolidBmp("data/textures/skyrt.bmp", 0x00FFFF);
    SolidBmp("data/textures/skyup.bmp", 0xFF00FF);
    SolidBmp("data/textures/skydn.bmp", 0x808080);
    SkyBox* sky = new SkyBox();
    ASSERT_NE(sky->vertexBuffer, nullptr);
    EXPECT_EQ(sky->Load("data/textures/sky"), 0);
    Add(sky);

    // Wherever the camera stands, only its turn changes what it sees.
    camera->position = Vector3(100, 5, -30);
    TestFrame frame = Draw();
    EXPECT_TRUE(ColorNear(frame.At(frame.width / 4, frame.height / 2), 0xFFFF0000));
    EXPECT_TRUE(ColorNear(frame.At(3 * frame.width / 4, frame.height / 2), 0xFF0000FF));

    struct Turn
    {
        float yaw;
        float pitch;
        uint32_t colour;
    };
    // Yaw to the right turns toward +x; pitch down looks toward -y.
    const Turn turns[] = {
        {kPi / 2, 0, 0xFFFFFF00},  {-kPi / 2, 0, 0xFF00FFFF}, {kPi, 0, 0xFF00FF00},
        {0, -kPi / 2, 0xFFFF00FF}, {0, kPi / 2, 0xFF808080},
    };
    for (const Turn& turn : turns)
    {
        camera->pitch = 0;
        camera->yaw = 0;
        camera->AddYaw(turn.yaw);
        camera->AddPitch(turn.pitch);
        frame = Draw();
        EXPECT_TRUE(ColorNear(Centre(frame), turn.colour, 4))
            << "yaw " << turn.yaw << " pitch " << turn.pitch;
    }

    // Texture coordinates stop 1/512 short of every edge; every vertex is white.
    for (const SkyBoxVertex& v : SkyBoxVertices)
        EXPECT_TRUE((v.u == 1.0f / 512 || v.u == 511.0f / 512) &&
                    (v.v == 1.0f / 512 || v.v == 511.0f / 512) && v.colour == 0xFFFFFFFFu);
}

TEST_F(ScenePixelTest, EverythingDrawnAfterTheSkyBoxCoversItHoweverFar)
{
    SolidBmp("data/textures/red.bmp", 0xFF0000);
    SolidBmp("data/textures/green.bmp", 0x00FF00);
    for (const char* suffix : {"ft", "bk", "lf", "rt", "up", "dn"})
        SolidBmp(std::string("data/textures/sky") + suffix + ".bmp", 0x0000FF);
    Save("squares.3ds", SquaresFile(true));
    SkyBox* sky = new SkyBox();
    sky->Load("data/textures/sky");
    Add(sky);
    AddLight(Color3(1, 1, 1));
    StaticModel* model = new StaticModel("squares.3ds");
    model->position = Vector3(1, 0, 50);
    Add(model);

    TestFrame frame = Draw();
    EXPECT_TRUE(ColorNear(Centre(frame), 0xFFFF0000));
    EXPECT_TRUE(ColorNear(frame.At(10, 10), 0xFF0000FF));
}

TEST_F(ScenePixelTest, TerrainStretchesItsColourMapOverTheFieldUnderItsShading)
{
    // Colour map quarters: red, green on the first row (small z), blue, white.
    ASSERT_TRUE(WritePng("data/textures/colormap.png", 2, 2,
                         {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}, false));
    ASSERT_TRUE(WriteBytes("flat.raw", std::vector<uint8_t>(65 * 65, 10)));
    Terrain* terrain = new Terrain("flat.raw", 65, 65);
    Add(terrain);
    camera->position = Vector3(32, 60, 32);
    camera->AddPitch(kPi / 2);

    // Flat ground shades every colour at 0.5 + 0.5 / sqrt(3), 201 of 255;
    // texel centres lie a quarter of the field in from its edges.
    TestFrame frame = Draw();
    const float quarter = 65.0f / 4.0f;
    const float threeQuarters = 3.0f * quarter;
    EXPECT_TRUE(ColorNear(At(frame, Vector3(quarter, 10, quarter)), 0xFFC90000));
    EXPECT_TRUE(ColorNear(At(frame, Vector3(threeQuarters, 10, quarter)), 0xFF00C900));
    EXPECT_TRUE(ColorNear(At(frame, Vector3(quarter, 10, threeQuarters)), 0xFF0000C9));
    EXPECT_TRUE(ColorNear(At(frame, Vector3(threeQuarters, 10, threeQuarters)), 0xFFC9C9C9));
    // Seen from above the field's edge, the ground ends there.
    camera->position = Vector3(64, 60, 32);
    frame = Draw();
    EXPECT_FALSE(ColorNear(At(frame, Vector3(63, 10, 16)), kClearColour));
    EXPECT_TRUE(ColorNear(At(frame, Vector3(66, 10, 16)), kClearColour));
    // The node's position carries the field and the boxes its patches are
    // culled by.
    terrain->position = Vector3(-500, 0, 300);
    camera->position = Vector3(-468, 60, 332);
    frame = Draw();
    EXPECT_TRUE(ColorNear(At(frame, Vector3(quarter - 500, 10, quarter + 300)), 0xFFC90000));
    EXPECT_TRUE(
        ColorNear(At(frame, Vector3(threeQuarters - 500, 10, threeQuarters + 300)), 0xFFC9C9C9));
}
