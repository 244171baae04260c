// The main scene graph as the Kernel runs it, for the tests of scene nodes and
// of the game's nodes: frames on a fixed clock over an emptied main root, and
// pictures of the scene read back from the real renderer, with the pixel a
// camera puts a world point on.
#pragma once

#include "core/RefObject.h"
#include "core/Timer.h"
#include "math/MathUtil.h"
#include "platform/Runtime.h"
#include "platform/TestHooks.h"
#include "scene/Camera.h"
#include "scene/Light.h"
#include "scene/SceneGraph.h"
#include "support/DeviceWindow.h"
#include "support/ImageFiles.h"
#include "video/ModelTestSupport.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

// Empties the main graph's root and deletes what it held.
inline void ClearMainGraph()
{
    SceneNode* root = MainSceneGraph.GetRoot();
    while (!root->GetChildren().empty())
        root->RemoveChild(root->GetChildren().front().Get());
    RefObject::CollectGarbage();
}

// The clock reads `milliseconds`, the Timer takes its tick reading, and the main
// graph runs one update traversal with frame time dt.
inline void RunFrame(DWORD milliseconds, float dt)
{
    TestSetClock(milliseconds);
    Timer::Instance()->Update();
    MainSceneGraph.GetRoot()->UpdateTree(Matrix(), dt);
}

// The main root's children of one node class, in list order.
template <class T> std::vector<T*> RootNodesOf(int type)
{
    std::vector<T*> nodes;
    for (const SmartPtr<SceneNode>& child : MainSceneGraph.GetRoot()->GetChildren())
        if (child->GetType() == type)
            nodes.push_back(static_cast<T*>(child.Get()));
    return nodes;
}

inline bool RootHolds(const SceneNode* node)
{
    for (const SmartPtr<SceneNode>& child : MainSceneGraph.GetRoot()->GetChildren())
        if (child.Get() == node)
            return true;
    return false;
}

// Restarts the random sequence at `seed` and returns what RandomFloat gives
// next for each range in order; then restarts it again, so that the code under
// test draws the same values.
inline std::vector<float> RandomFloatsFrom(uint32_t seed,
                                           const std::vector<std::pair<float, float>>& ranges)
{
    PlatformSeedRand(seed);
    std::vector<float> values;
    for (const std::pair<float, float>& range : ranges)
        values.push_back(RandomFloat(range.first, range.second));
    PlatformSeedRand(seed);
    return values;
}

struct Pixel
{
    int x, y;
};

// The pixel the camera's last view puts a world point on; it may lie outside
// the frame.
inline Pixel PixelOf(const TestFrame& frame, const Camera& camera, const Vector3& p)
{
    const Matrix clip = camera.viewMatrix * camera.projectionMatrix;
    const float* m = clip.m;
    const float w = p.x * m[3] + p.y * m[7] + p.z * m[11] + m[15];
    const float x = (p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12]) / w;
    const float y = (p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13]) / w;
    return {static_cast<int>((x + 1.0f) * 0.5f * frame.width),
            static_cast<int>((1.0f - y) * 0.5f * frame.height)};
}

// Whether a pixel within `radius` of where the camera puts p passes the test.
template <class Test>
bool AnyPixelNear(const TestFrame& frame, const Camera& camera, const Vector3& p, int radius,
                  Test test)
{
    const Pixel centre = PixelOf(frame, camera, p);
    for (int y = centre.y - radius; y <= centre.y + radius; ++y)
        for (int x = centre.x - radius; x <= centre.x + radius; ++x)
            if (test(frame.At(x, y)))
                return true;
    return false;
}

// Frames of the main graph for the tests of nodes that add nodes of their own
// (particle systems, smoke emitters, shells): a fixed clock, one update
// traversal per frame, and a main root emptied around each test.
class SceneFrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearMainGraph();
        TestSetClock(1000);
        Timer::Instance()->Update();
    }
    void TearDown() override
    {
        ClearMainGraph();
        Timer::Instance()->SetTimeScale(1.0f);
        TestUseRealClock();
    }
};

// The scene in a scratch folder the test works in, with the video device up:
// nodes under an emptied main root, the Timer on a fixed clock, and frames
// drawn as the Kernel draws them through the camera the test gives Video.
class SceneTest : public ModelFileTest
{
protected:
    void SetUp() override
    {
        ModelFileTest::SetUp();
        ClearMainGraph();
        TestSetClock(clock);
        Timer::Instance()->Initialize();
    }
    void TearDown() override
    {
        Video& video = Video::Instance();
        video.SetCamera(nullptr);
        video.SetOverlay(nullptr);
        video.lights.clear();
        ClearMainGraph();
        Timer::Instance()->SetTimeScale(1.0f);
        TestUseRealClock();
        ModelFileTest::TearDown();
    }

    template <class T> T* Add(T* node)
    {
        MainSceneGraph.GetRoot()->AddChild(node);
        return node;
    }

    // A camera under the root at the point, turned by yaw, that Video draws
    // through from now on.
    Camera* View(const Vector3& position, float yaw = 0.0f)
    {
        camera = Add(new Camera());
        camera->position = position;
        camera->AddYaw(yaw);
        Video::Instance().SetCamera(camera);
        return camera;
    }

    // A directional light shining along its node's +z.
    Light* AddLight(const Color3& colour)
    {
        Light* light = Add(new Light());
        light->kind = Light::kDirectional;
        light->colour = colour;
        light->position = Vector3(0, 0, -500); // its wire box out of sight
        Video::Instance().AddLight(light);
        return light;
    }

    // An opaque 8 by 8 image, a PNG or else a BMP by its name, whose left
    // half is one colour and right half another.
    static void HalvesImage(const std::string& name, uint32_t left, uint32_t right)
    {
        std::vector<uint32_t> texels;
        for (int i = 0; i < 64; ++i)
            texels.push_back(0xFF000000u | (i % 8 < 4 ? left : right));
        const bool png = name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0;
        ASSERT_TRUE(png ? WritePng(name, 8, 8, texels, true)
                        : WriteBytes(name, BmpBytes(8, 8, texels)));
    }
    static void SolidBmp(const std::string& name, uint32_t rgb) { HalvesImage(name, rgb, rgb); }

    // What Video draws now, without an update.
    TestFrame Picture()
    {
        Video::Instance().Render();
        return VideoTestSupport::Frame();
    }

    // One frame as the Kernel runs it: the update traversal at the clock
    // reading given, then the picture.
    TestFrame Draw(DWORD milliseconds, float dt)
    {
        RunFrame(milliseconds, dt);
        return Picture();
    }
    TestFrame Draw() { return Draw(clock, 0.0f); }

    // The pixel the camera puts a world point on, which must lie in the frame.
    uint32_t At(const TestFrame& frame, const Vector3& p) const
    {
        const Pixel pixel = PixelOf(frame, *camera, p);
        const bool inside =
            pixel.x >= 0 && pixel.x < frame.width && pixel.y >= 0 && pixel.y < frame.height;
        EXPECT_TRUE(inside) << p.x << ", " << p.y << ", " << p.z;
        return inside ? frame.At(pixel.x, pixel.y) : 0u;
    }

    static uint32_t Centre(const TestFrame& frame)
    {
        return frame.At(frame.width / 2, frame.height / 2);
    }

    Camera* camera = nullptr;
    DWORD clock = 1000;
};
