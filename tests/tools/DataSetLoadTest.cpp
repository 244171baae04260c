// The maker's data set loaded through the game's own loaders: every model
// through the 3DS reader and the model importer, every texture through the
// resource cache on the real device, the sky box faces through SkyBox and the
// music through the Ogg stream; counts and sizes as the maker designs them.
#include "DataSetDesign.h"
#include "MakerRun.h"

#include "audio/DirectSoundSystem.h"
#include "audio/OggStream.h"
#include "core/RefObject.h"
#include "math/RayHit.h"
#include "net/Message.h"
#include "scene/Camera.h"
#include "scene/Level.h"
#include "scene/LevelTestSupport.h"
#include "scene/Light.h"
#include "scene/SceneGraph.h"
#include "scene/SkyBox.h"
#include "scene/StaticModel.h"
#include "scene/Terrain.h"
#include "support/AudioFixture.h"
#include "support/ImageFiles.h"
#include "support/LogCapture.h"
#include "support/OggFiles.h"
#include "support/SceneFixture.h"
#include "video/Model.h"
#include "video/ResourceManager.h"
#include "video/Texture.h"
#include "video/VideoTestSupport.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <vorbis/vorbisfile.h>

namespace
{
// Rounds up to a power of two, as the texture loader sizes device textures.
int PowerOfTwo(int n)
{
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

// Each test runs inside the data set, as the game runs in its working
// folder, with the video device up.
class DataSetLoadTest : public testing::Test
{
protected:
    void SetUp() override
    {
        TOLVI_REQUIRE_MAKER();
        ASSERT_NE(SharedDataSet(), nullptr);
        ASSERT_TRUE(VideoTestSupport::Start());
        inside = std::make_unique<WorkingFolder>(SharedDataSet()->path);
    }
    // What a test put into the main graph and the Video goes with it.
    void TearDown() override
    {
        Video::Instance().SetCamera(nullptr);
        Video::Instance().lights.clear();
        ClearMainGraph();
    }

    std::unique_ptr<WorkingFolder> inside;
};
} // namespace

TEST_F(DataSetLoadTest, ModelsImportWithEveryFaceInATexturedGroup)
{
    LogCapture log;
    for (const ModelDesign& design : kModels)
    {
        SmartPtr<Model> model = ResourceManager::Instance().GetModel(design.file);
        ASSERT_TRUE(model) << design.file;
        ASSERT_EQ(model->meshCount, 1) << design.file;
        EXPECT_EQ(model->materialCount, static_cast<int32_t>(design.materials)) << design.file;
        const ModelMesh& mesh = model->meshes[0];
        EXPECT_GT(mesh.vertexCount, 0) << design.file;
        EXPECT_NE(mesh.vertexBuffer, nullptr) << design.file;
        ASSERT_EQ(mesh.groupCount, static_cast<int32_t>(design.materials)) << design.file;
        int32_t faces = 0;
        for (int32_t g = 0; g < mesh.groupCount; ++g)
        {
            const MaterialGroup& group = mesh.groups[g];
            EXPECT_GT(group.faceCount, 0) << design.file << " group " << g;
            EXPECT_NE(group.indexBuffer, nullptr) << design.file << " group " << g;
            faces += group.faceCount;
            ASSERT_NE(group.material, nullptr) << design.file << " group " << g;
            Texture* texture = group.material->textures[0].Get();
            ASSERT_NE(texture, nullptr) << design.file << " group " << g;
            EXPECT_NE(texture->texture, nullptr)
                << design.file << " group " << g << " has no texture: " << texture->GetName();
            EXPECT_GT(texture->width, 0) << design.file << " group " << g;
        }
        EXPECT_EQ(faces, static_cast<int32_t>(design.faces)) << design.file;
        ExpectBox(model->boxMin, model->boxMax, design.box, design.file);
    }
    EXPECT_EQ(log.Text().find("Dummy"), std::string::npos) << log.Text();
    EXPECT_EQ(log.Text().find("Failed"), std::string::npos) << log.Text();
}

TEST_F(DataSetLoadTest, EveryTextureLoadsOnTheDeviceAtItsDesignedSize)
{
    LogCapture log;
    std::vector<SmartPtr<Texture>> held;
    for (const PictureDesign& e : kPictures)
    {
        // Named as the game names them: backslashes, relative to the working folder.
        const std::string name = std::string("data\\textures\\") + e.name;
        SmartPtr<Texture> texture = ResourceManager::Instance().GetTexture(name.c_str());
        ASSERT_TRUE(texture) << e.name;
        EXPECT_NE(texture->texture, nullptr) << e.name;
        EXPECT_EQ(texture->width, PowerOfTwo(e.width)) << e.name;
        EXPECT_EQ(texture->height, PowerOfTwo(e.height)) << e.name;
        held.push_back(texture);
    }
    EXPECT_EQ(log.Text().find("Dummy"), std::string::npos) << log.Text();
    EXPECT_EQ(log.Text().find("Failed"), std::string::npos) << log.Text();
}

TEST_F(DataSetLoadTest, SkyBoxLoadsAllSixFaces)
{
    LogCapture log;
    SmartPtr<SkyBox> sky = new SkyBox();
    ASSERT_NE(sky->vertexBuffer, nullptr);
    EXPECT_EQ(sky->Load("data\\textures\\cliff"), 0);
    for (int face = 0; face < 6; ++face)
    {
        Texture* texture = sky->faceTextures[face].Get();
        ASSERT_NE(texture, nullptr) << "face " << face;
        EXPECT_NE(texture->texture, nullptr) << "face " << face;
        EXPECT_EQ(texture->width, 256) << "face " << face;
        EXPECT_EQ(texture->height, 256) << "face " << face;
    }
    EXPECT_EQ(log.Text().find("Dummy"), std::string::npos) << log.Text();
}

namespace
{
// Mean of value(x, y) over the pixels [x0, x1) by [y0, y1).
template <class Value> double Mean(Value value, int x0, int x1, int y0, int y1)
{
    double sum = 0.0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            sum += value(x, y);
    return sum / ((x1 - x0) * (y1 - y0));
}
} // namespace

// The crate straight ahead of the camera, lit head-on, turned to show each of
// its four sides in turn: the side covers the rectangle its corners project
// to and nothing outside it, and shows crate.png the right way round, as a
// picture hung on the side reads from outside. An inside-out crate shows only
// its smaller far side, a missing texture draws it white, a wrong scale or
// height misses the rectangle, and texture coordinates running the wrong way
// show the picture mirrored.
TEST_F(DataSetLoadTest, CrateShowsItsTextureTheRightWayRoundOnEverySide)
{
    DecodedImage texture;
    ASSERT_TRUE(ReadImage("data/textures/crate.png", texture));
    ASSERT_EQ(texture.width, 128);
    ASSERT_EQ(texture.height, 128);

    SmartPtr<Camera> camera = new Camera();
    camera->position = Vector3(0, 1, -4);
    SmartPtr<Light> light = new Light();
    light->kind = Light::kDirectional;
    light->colour = Color3(1, 1, 1);
    light->position = Vector3(0, 0, -500);
    SmartPtr<StaticModel> crate = new StaticModel("crate.3ds");
    SceneNode* root = MainSceneGraph.GetRoot();
    SceneNode* const nodes[] = {camera.Get(), light.Get(), crate.Get()};
    for (SceneNode* node : nodes)
        root->AddChild(node);
    Video::Instance().SetCamera(camera.Get());
    Video::Instance().AddLight(light.Get());

    for (int side = 0; side < 4; ++side)
    {
        crate->orientation = Quaternion::FromAxisAngle(Vector3(0, 1, 0), 1.5707963f * side);
        root->UpdateTree(Matrix(), 0.0f);
        Video::Instance().Render();
        const TestFrame frame = VideoTestSupport::Frame();

        // The near side spans x -1..1 and y 0..2 at z = -1 whatever the turn.
        const Pixel topLeft = PixelOf(frame, *camera, Vector3(-1, 2, -1));
        const Pixel bottomRight = PixelOf(frame, *camera, Vector3(1, 0, -1));
        const double left = topLeft.x, top = topLeft.y, right = bottomRight.x,
                     bottom = bottomRight.y;
        ASSERT_GT(right - left, 100.0);
        ASSERT_GT(bottom - top, 100.0);
        const double margin = 3.0;
        int insideClear = 0;
        int outsideDrawn = 0;
        for (int y = 0; y < frame.height; ++y)
        {
            for (int x = 0; x < frame.width; ++x)
            {
                const double cx = x + 0.5;
                const double cy = y + 0.5;
                const bool drawn = frame.At(x, y) != kClearColour;
                if (cx > left + margin && cx < right - margin && cy > top + margin &&
                    cy < bottom - margin)
                    insideClear += drawn ? 0 : 1;
                else if (cx < left - margin || cx > right + margin || cy < top - margin ||
                         cy > bottom + margin)
                    outsideDrawn += drawn ? 1 : 0;
            }
        }
        EXPECT_EQ(insideClear, 0) << "side " << side;
        EXPECT_EQ(outsideDrawn, 0) << "side " << side;

        // The side in 8 by 8 cells against the picture's 16 by 16 texel
        // blocks, read straight, mirrored left to right and upside down; the
        // inner part of each cell only, away from filtering across its edges.
        const int cells = 8;
        const double cellWidth = (right - left) / cells;
        const double cellHeight = (bottom - top) / cells;
        double straight = 0.0;
        double mirrored = 0.0;
        double flipped = 0.0;
        for (int j = 0; j < cells; ++j)
        {
            for (int i = 0; i < cells; ++i)
            {
                const int x0 = static_cast<int>(left + (i + 0.2) * cellWidth);
                const int x1 = static_cast<int>(left + (i + 0.8) * cellWidth);
                const int y0 = static_cast<int>(top + (j + 0.2) * cellHeight);
                const int y1 = static_cast<int>(top + (j + 0.8) * cellHeight);
                // Channel c: 0 red, 1 green, 2 blue.
                for (int c = 0; c < 3; ++c)
                {
                    const double shown =
                        Mean([&](int x, int y) { return uint8_t(frame.At(x, y) >> (16 - 8 * c)); },
                             x0, x1, y0, y1);
                    auto block = [&](int bi, int bj)
                    {
                        return Mean([&](int x, int y)
                                    { return texture.bgra[(y * 128 + x) * 4 + 2 - c]; },
                                    bi * 16 + 3, bi * 16 + 13, bj * 16 + 3, bj * 16 + 13);
                    };
                    straight += std::fabs(shown - block(i, j));
                    mirrored += std::fabs(shown - block(cells - 1 - i, j));
                    flipped += std::fabs(shown - block(i, cells - 1 - j));
                }
            }
        }
        const double samples = cells * cells * 3;
        straight /= samples;
        mirrored /= samples;
        flipped /= samples;
        EXPECT_LT(straight, 4.0) << "side " << side;
        EXPECT_LT(straight * 2.0, mirrored) << "side " << side << " shows the picture mirrored";
        EXPECT_LT(straight * 2.0, flipped) << "side " << side << " shows the picture upside down";
    }
}
// The data set's heightmap seen from above, straight down and tilted, and
// from low down fills the whole picture: no background shows through between
// patches of different steps. Level and looking along +x, the patches behind
// the camera are not drawn.
TEST_F(DataSetLoadTest, TerrainCoversTheViewWithoutCracksAndSkipsWhatLiesBehind)
{
    LogCapture log;
    SmartPtr<Terrain> terrain = new Terrain("data\\terrain.raw", 513, 513);
    ASSERT_EQ(terrain->patches.size(), 256u);
    ASSERT_NE(terrain->shadingTexture.Get(), nullptr);
    EXPECT_EQ(log.Text().find("Dummy"), std::string::npos) << log.Text();
    SmartPtr<Camera> camera = new Camera();
    SceneNode* root = MainSceneGraph.GetRoot();
    root->AddChild(terrain.Get());
    root->AddChild(camera.Get());
    Video::Instance().SetCamera(camera.Get());
    auto look = [&](const Vector3& eye, float pitch, float yaw)
    {
        camera->position = eye;
        camera->pitch = camera->yaw = 0.0f;
        camera->AddPitch(pitch);
        camera->AddYaw(yaw);
        root->UpdateTree(Matrix(), 0.0f);
        Video::Instance().Render();
        return VideoTestSupport::Frame();
    };

    // Low ground around (160, 128), close enough for fine steps from above.
    float low = 0.0f;
    for (int x = 120; x <= 200; ++x)
        for (int z = 88; z <= 168; ++z)
            low = std::max(low, terrain->Height(x, z));
    const float views[][5] = {
        {160, low + 15, 128, 1.5707964f, 0}, // x, y, z, pitch, yaw
        {160, low + 10, 128, 1.1f, 0},
        {160, low + 20, 128, 1.0f, 3.0f},
        {300, terrain->Height(300, 200) + 6, 200, 0.7f, 2.0f},
    };
    for (const auto& view : views)
    {
        const TestFrame frame = look(Vector3(view[0], view[1], view[2]), view[3], view[4]);
        EXPECT_EQ(std::count(frame.pixels.begin(), frame.pixels.end(), kClearColour), 0)
            << view[0] << ", " << view[1] << ", " << view[2];
        std::set<int> steps; // of the patches the frustum keeps
        for (const TerrainPatch& p : terrain->patches)
            if (camera->frustum.IsBoxVisible(Vector3(float(p.x0), p.minHeight, float(p.z0)),
                                             Vector3(float(p.x1), p.maxHeight, float(p.z1))))
                steps.insert(p.step);
        EXPECT_GE(steps.size(), 2u);
    }

    // x = 256 is a patch boundary: each patch lies wholly behind or ahead.
    const TestFrame frame =
        look(Vector3(256, terrain->Height(256, 256) + 6.0f, 256), 0.0f, 1.5707964f);
    EXPECT_NE(frame.At(frame.width / 2, frame.height - 1), kClearColour);
    int ahead = 0;
    int behind = 0;
    for (const TerrainPatch& patch : terrain->patches)
    {
        std::vector<TerrainVertex> vertices;
        (patch.x1 <= 256 ? behind : ahead) += terrain->BuildPatch(patch, vertices);
    }
    IDirect3DDevice9* device = VideoTestSupport::Device();
    device->BeginScene();
    const int drawn = terrain->DrawPatches(device, camera->frustum);
    device->EndScene();
    EXPECT_GT(behind, 0);
    EXPECT_GT(drawn, 0);
    EXPECT_LE(drawn, ahead);
}

// The level a state message names, loaded as a receiver applies the message:
// textured, black without lightmap files, drawn where the room stands, and
// stopping rays and sweeps at its walls.
TEST_F(DataSetLoadTest, TestLevelLoadsThroughItsStateMessageDrawsAndAnswersRays)
{
    LogCapture log;
    SmartPtr<Level> level = new Level();
    SmartPtr<Message> message = level->CreateStateMessage();
    message->ReadInt();
    level->ApplyState(*message);
    const std::vector<WalkedTriangle> walked = WalkTriangles(level->GetOctree());
    EXPECT_EQ(walked.size(), 146u);
    for (const WalkedTriangle& w : walked)
    {
        ASSERT_TRUE(w.triangle->texture);
        EXPECT_NE(w.triangle->texture->texture, nullptr) << w.triangle->texture->GetName();
        EXPECT_EQ(w.triangle->vertices[0].diffuse, 0xFF000000u);
    }
    EXPECT_EQ(log.Text().find("texture data"), std::string::npos) << log.Text();

    SmartPtr<Camera> camera = new Camera();
    camera->aspect = 1.3333334f;
    camera->fov = 1.0471975f;
    camera->zoom = 1.0f;
    camera->position = Vector3(0, 20, 0);
    camera->AddPitch(1.5707963f);
    SceneNode* root = MainSceneGraph.GetRoot();
    root->AddChild(camera.Get());
    root->AddChild(level.Get());
    Video::Instance().SetCamera(camera.Get());
    root->UpdateTree(Matrix(), 0.0f);
    Video::Instance().Render();
    const TestFrame frame = VideoTestSupport::Frame();
    const Pixel floor = PixelOf(frame, *camera, Vector3(6, 0, -2));
    EXPECT_EQ(frame.At(floor.x, floor.y), 0xFF000000u);
    const Pixel outside = PixelOf(frame, *camera, Vector3(13, 0, 0));
    EXPECT_EQ(frame.At(outside.x, outside.y), kClearColour);

    // The east wall's inner face halfway to x 20.
    SmartPtr<RayHit> wall = MainSceneGraph.RayCast(Vector3(0, 1, 0), Vector3(20, 1, 0));
    EXPECT_FLOAT_EQ(wall->distance, 0.5f);
    EXPECT_EQ(wall->normal, Vector3(-1, 0, 0));
    // An ellipsoid half a unit deep stops half a unit before the south wall.
    SmartPtr<RayHit> sweep =
        MainSceneGraph.Sweep(Vector3(0, 1.5f, 0), Vector3(0, 1.5f, -20), Vector3(0.5f, 1, 0.5f));
    EXPECT_NEAR(sweep->distance, 9.5f / 20.0f, 1e-5f);
    EXPECT_EQ(sweep->normal, Vector3(0, 0, 1));
}

namespace
{
class DataSetMusicTest : public AudioTest
{
protected:
    void SetUp() override
    {
        TOLVI_REQUIRE_MAKER();
        AudioTest::SetUp();
        ASSERT_EQ(system.Init(), 0);
    }
    void TearDown() override
    {
        system.Shutdown();
        AudioTest::TearDown();
    }
    DirectSoundSystem system;
};
} // namespace

TEST_F(DataSetMusicTest, MusicOpensAsStereoAt22050Hertz)
{
    ASSERT_NE(SharedDataSet(), nullptr);
    const std::string path = SharedDataSet()->File("data/music/freude.ogg");
    LogCapture log;
    OggStream stream;
    ASSERT_EQ(stream.Open(path.c_str()), 0) << log.Text();
    // A quarter second of 16-bit frames: 22050 / 4 frames of two channels.
    EXPECT_EQ(stream.GetHalfSize(), (22050u / 4u) * 2u * 2u);

    int channels = 0;
    long rate = 0;
    EXPECT_FALSE(oggfiles::Decode(path, &channels, &rate).empty());
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(rate, 22050);
}
