// Pictures of the level read back from the real renderer: frustum culling by
// octree cell, and lightmaps baked from a point light, loaded back by number
// and multiplied into the floor; and which lights a bake takes.
#include "core/Shell.h"
#include "scene/Level.h"
#include "scene/LevelTestSupport.h"
#include "support/LogCapture.h"
#include "support/SceneFixture.h"
#include "video/DeviceMath.h"

#include <filesystem>
#include <map>

namespace
{
const float kPi = 3.14159265f;

int Red(uint32_t argb)
{
    return static_cast<int>((argb >> 16) & 0xFF);
}

class LevelPixelTest : public SceneTest
{
protected:
    // The level of the file, under the main root.
    Level* AddLevel(const LevelFile& file)
    {
        View(Vector3());
        Save("level.3ds", file.Bytes());
        Level* level = Add(new Level());
        EXPECT_EQ(level->Load("level.3ds"), 0);
        return level;
    }
};
} // namespace

// A red square left of x = -1 and a green one right of x = 1, each small
// enough to sit in a cell of the second level; a sliver above them stretches
// the box so that both lie below its middle.
TEST_F(LevelPixelTest, ACellTheFrustumRejectsDrawsNothingOfItsSubtree)
{
    SolidBmp("data/textures/red.bmp", 0xFF0000);
    SolidBmp("data/textures/green.bmp", 0x00FF00);
    LevelFile file;
    int red = file.Material("Red", "red.bmp");
    int green = file.Material("Green", "green.bmp");
    file.Quad(Vector3(-4, -1, 0), Vector3(0, 0.4f, 0), Vector3(1, 0, 0), red);
    file.Quad(Vector3(3, -1, 0), Vector3(0, 0.4f, 0), Vector3(1, 0, 0), green);
    file.Triangle(Vector3(-0.1f, 1, 0), Vector3(0, 1.2f, 0), Vector3(0.1f, 1, 0));
    Level* level = AddLevel(file);
    camera->position = Vector3(0, -0.8f, -8);

    // The camera sees both squares, and the level draws both.
    TestFrame frame = Draw();
    const Vector3 redSpot(-3.5f, -0.8f, 0);
    const Vector3 greenSpot(3.5f, -0.8f, 0);
    EXPECT_TRUE(ColorNear(At(frame, redSpot), 0xFFFF0000));
    EXPECT_TRUE(ColorNear(At(frame, greenSpot), 0xFF00FF00));

    // The same view drawn with a frustum whose one real plane, x = -1, faces
    // left: the red square's cell lies wholly outside it.
    Frustum leftOut;
    for (int i = 0; i < 4; ++i)
        leftOut.planes[i].Set(Vector3(0, 0, 1e4f), Vector3(0, 0, 1));
    leftOut.planes[4].Set(Vector3(-1, 0, 0), Vector3(-1, 0, 0));
    IDirect3DDevice9* device = VideoTestSupport::Device();
    const Frustum* const frustums[] = {&leftOut, nullptr};
    for (const Frustum* frustum : frustums)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColour, 1.0f, 0);
        device->BeginScene();
        device->SetTransform(D3DTS_WORLD, AsD3DMatrix(Matrix()));
        level->GetOctree()->Render(device, frustum);
        device->EndScene();
        frame = VideoTestSupport::Frame();
        EXPECT_TRUE(ColorNear(At(frame, redSpot), frustum ? kClearColour : 0xFFFF0000));
        EXPECT_TRUE(ColorNear(At(frame, greenSpot), 0xFF00FF00));
    }
}

// A white floor of 4 by 4 tiles, a pillar beside a point light above the
// floor's middle, and a triangle without area that comes before lit triangles
// in the walk. The bake writes a file for each triangle the light reaches,
// numbered by the walk; the load gives each the picture baked for it.
TEST_F(LevelPixelTest, BakedLightmapsLoadBackByNumberAndShadeTheFloorWithShadows)
{
    SolidBmp("data/textures/white.bmp", 0xFFFFFF);
    LevelFile file;
    int white = file.Material("White", "white.bmp");
    file.Triangle(Vector3(-3.5f, 0.5f, -3.5f), Vector3(-3, 0.5f, -3.5f),
                  Vector3(-2.5f, 0.5f, -3.5f), white);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            file.Quad(Vector3(-4.0f + 2 * i, 0, -4.0f + 2 * j), Vector3(0, 0, 2), Vector3(2, 0, 0),
                      white);
    file.Box(Vector3(1.5f, 0, -0.5f), Vector3(2.5f, 2, 0.5f), white);
    Level* level = AddLevel(file);
    Light* light = Add(new Light());
    light->kind = Light::kPoint;
    light->colour = Color3(1, 1, 1);
    light->range = 10;
    light->position = Vector3(0, 1.5f, 0);
    MainSceneGraph.GetRoot()->UpdateTree(Matrix(), 0.0f);

    TestSetClock(5000);
    LogCapture bakeLog;
    level->BuildLightmaps();
    EXPECT_NE(bakeLog.Text().find("Building Lightmaps took: 0 seconds\n"), std::string::npos);

    std::vector<WalkedTriangle> walked = WalkTriangles(level->GetOctree());
    ASSERT_EQ(walked.size(), file.TriangleCount());
    std::map<int, std::vector<uint32_t>> baked;
    int degenerate = -1;
    for (int n = 0; n < static_cast<int>(walked.size()); ++n)
    {
        LevelTriangle& triangle = *walked[n].triangle;
        const std::string name = "lmap" + std::to_string(n) + ".bmp";
        EXPECT_EQ(std::filesystem::exists(name), bool(triangle.lightmap)) << name;
        if (triangle.normal == Vector3(0, 0, 0))
        {
            degenerate = n;
            EXPECT_FALSE(triangle.lightmap);
            EXPECT_EQ(triangle.vertices[0].diffuse, 0xFF000000u);
            EXPECT_EQ(triangle.vertices[0].lu, 0.0f);
        }
        if (!triangle.lightmap)
            continue;
        Texture* lightmap = triangle.lightmap.Get();
        const uint32_t* bits = static_cast<const uint32_t*>(lightmap->Lock());
        ASSERT_NE(bits, nullptr);
        baked[n].assign(bits, bits + lightmap->width * lightmap->height);
        lightmap->Unlock();
    }
    ASSERT_GE(degenerate, 0);
    ASSERT_FALSE(baked.empty());
    ASSERT_LT(degenerate, baked.rbegin()->first) << "no lit triangle follows the one without area";
    ASSERT_LT(baked.size(), walked.size()) << "the pillar's top and far sides face away";

    // The title counts the last lit triangle's number and the triangles of its cell.
    const int last = baked.rbegin()->first;
    const std::string title = "Tolvi Output - Building Lightmaps: " + std::to_string(last + 1) +
                              "/" + std::to_string(walked[last].node->triangles.size());
    EXPECT_EQ(FindWindowA(nullptr, title.c_str()), g_mainWindow) << title;
    SetWindowTextA(g_mainWindow, "Tolvi output");

    LogCapture loadLog;
    level->LoadLightmaps();
    const std::string loaded = "Loading Lightmaps took: 0 seconds";
    EXPECT_EQ(loadLog.Text().substr(loadLog.Text().size() - loaded.size()), loaded);
    for (int n = 0; n < static_cast<int>(walked.size()); ++n)
    {
        LevelTriangle& triangle = *walked[n].triangle;
        if (!baked.count(n))
        {
            EXPECT_EQ(triangle.vertices[2].diffuse, 0xFF000000u) << n;
            continue;
        }
        Texture* lightmap = triangle.lightmap.Get();
        ASSERT_TRUE(lightmap && lightmap->texture) << n;
        EXPECT_EQ(std::string(lightmap->GetName()), "lmap" + std::to_string(n) + ".bmp");
        EXPECT_EQ(triangle.vertices[2].diffuse, 0xFFFFFFFFu) << n;
        const uint32_t* bits = static_cast<const uint32_t*>(lightmap->Lock());
        ASSERT_NE(bits, nullptr);
        ASSERT_EQ(static_cast<size_t>(lightmap->width * lightmap->height), baked[n].size()) << n;
        for (size_t i = 0; i < baked[n].size(); ++i)
            ASSERT_EQ(bits[i] & 0xFFFFFF, baked[n][i] & 0xFFFFFF)
                << "lightmap " << n << " texel " << i;
        lightmap->Unlock();
    }

    // Looking down on the floor: bright near the light, dimmer farther off,
    // dark behind the pillar, and the pillar's unlit top black.
    camera->position = Vector3(0, 12, 0);
    camera->AddPitch(kPi / 2);
    TestFrame frame = Draw();
    const int nearLight = Red(At(frame, Vector3(-0.8f, 0, 0.8f)));
    const int farOff = Red(At(frame, Vector3(-3.5f, 0, 0.25f)));
    const int shadow = Red(At(frame, Vector3(3.5f, 0, 0.25f)));
    EXPECT_GT(nearLight, 150);
    EXPECT_GT(farOff, 50);
    EXPECT_GT(nearLight, farOff + 50);
    EXPECT_LT(shadow, 16);
    EXPECT_TRUE(ColorNear(At(frame, Vector3(2, 2, 0)), 0xFF000000));
}

// A light counts for a triangle from the triangle's plane up to its range in
// front of it; texel (x, y) is lit at the point x / W, y / H across the box.
// A level without an octree bakes and loads nothing, yet logs both times.
TEST_F(LevelPixelTest, BakeTakesTheLightsFromThePlaneUpToTheirRangeInFront)
{
    const struct
    {
        float height;
        bool lit;
    } cases[] = {{0.0f, true}, {0.5f, true}, {10.0f, true}, {10.5f, false}, {-0.5f, false}};
    LevelFile file;
    file.Triangle(Vector3(0, 0, 0), Vector3(0, 0, 1), Vector3(1, 0, 0)); // facing up
    for (const auto& c : cases)
    {
        ClearMainGraph();
        Level* level = AddLevel(file);
        Light* light = Add(new Light());
        light->kind = Light::kPoint;
        light->range = 10;
        light->colour = Color3(1, 1, 1);
        light->position = Vector3(0.25f, c.height, 0.25f);
        level->BuildLightmaps();
        Texture* lightmap = WalkTriangles(level->GetOctree())[0].triangle->lightmap.Get();
        EXPECT_EQ(bool(lightmap), c.lit) << "light at height " << c.height;
        if (c.height != 0.5f || !lightmap)
            continue;
        // 8 by 8 texels over the unit square; the outer two rows and columns
        // are not blurred.
        ASSERT_EQ(lightmap->width * lightmap->height, 64);
        const uint32_t* texels = static_cast<const uint32_t*>(lightmap->Lock());
        ASSERT_NE(texels, nullptr);
        const Vector3 up(0, 1, 0);
        EXPECT_TRUE(ColorNear(texels[3], light->Illuminate(Vector3(0.375f, 0, 0), up).ToARGB(), 1));
        EXPECT_TRUE(
            ColorNear(texels[3 * 8], light->Illuminate(Vector3(0, 0, 0.375f), up).ToARGB(), 1));
        lightmap->Unlock();
    }
    SetWindowTextA(g_mainWindow, "Tolvi output");

    Level bare;
    LogCapture log;
    bare.BuildLightmaps();
    bare.LoadLightmaps();
    EXPECT_EQ(log.Text(), "Building Lightmaps took: 0 seconds\nLoading Lightmaps took: 0 seconds");
}
