// The whole game as a user plays it, headless, in the made data set: the
// program's start-up, main loop and shut-down as WinMain runs them, with the
// clock and the keys injected and the presented frames read back.
#include "core/ProgramSession.h"
#include "game/Mod.h"
#include "game/Tank.h"
#include "gui/GuiImage.h"
#include "gui/GuiManager.h"
#include "physics/OdeVector.h"
#include "platform/Process.h"
#include "platform/TestHooks.h"
#include "platform/VideoTestHooks.h"
#include "scene/Camera.h"
#include "scene/Light.h"
#include "scene/Projectile.h"
#include "scene/SceneGraph.h"
#include "support/FreshProcess.h"
#include "support/SceneFixture.h"
#include "support/SdlEvents.h"
#include "support/TextFiles.h"
#include "support/VectorNear.h"
#include "support/Wait.h"
#include "tools/MakerRun.h"
#include "video/Video.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace
{
using Session = ProgramSession;
constexpr DWORD kFrameMs = Session::kFrameMs;

// The picture last presented.
TestFrame Shot()
{
    return TestReadFrame(Video::Instance().device);
}

struct Rect
{
    int x0, y0, x1, y1;
};

// Band of the frame by fractions of its size.
Rect Band(const TestFrame& f, float left, float top, float right, float bottom)
{
    return {static_cast<int>(left * f.width), static_cast<int>(top * f.height),
            static_cast<int>(right * f.width), static_cast<int>(bottom * f.height)};
}

Vector3 Rgb(uint32_t c)
{
    return Vector3(float((c >> 16) & 0xFF), float((c >> 8) & 0xFF), float(c & 0xFF));
}

// More than a few levels apart in some channel.
bool Differs(uint32_t a, uint32_t b)
{
    return !VectorNear(Rgb(a), Rgb(b), 8.0f);
}

// Fraction of the pixels in the rectangle that differ between two frames by
// more than a few levels in some channel.
double Differing(const TestFrame& a, const TestFrame& b, const Rect& r)
{
    size_t differing = 0;
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x)
            differing += Differs(a.At(x, y), b.At(x, y));
    return static_cast<double>(differing) / ((r.x1 - r.x0) * (r.y1 - r.y0));
}

// Mean red, green and blue over the rectangle.
Vector3 Mean(const TestFrame& f, const Rect& r)
{
    Vector3 sum;
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x)
            sum += Rgb(f.At(x, y));
    return sum / static_cast<float>((r.x1 - r.x0) * (r.y1 - r.y0));
}

// The tank's models taken away for one picture of the same moment: the
// pixels that change are the tank's.
TestFrame WithoutTank()
{
    Tank* tank = Mod::Instance()->GetTank();
    StaticModel* parts[] = {tank, tank->torso.Get(), tank->gun.Get()};
    SmartPtr<Model> kept[3];
    for (int i = 0; i < 3; ++i)
    {
        kept[i] = parts[i]->model;
        parts[i]->model = nullptr;
    }
    Video::Instance().Render();
    TestFrame frame = TestReadFrame(Video::Instance().device);
    for (int i = 0; i < 3; ++i)
        parts[i]->model = kept[i];
    return frame;
}

// What the player sees and does, checked as it happens.
void Play(Session& session)
{
    session.Play(kFrameMs);
    const TestFrame title = Shot();
    session.Play(12000);
    const TestFrame scene = Shot();
    EXPECT_GT(Differing(title, scene, Band(scene, 0, 0, 1, 1)), 0.5)
        << "still the title card after 12 s";
    const Vector3 sky = Mean(scene, Band(scene, 0.0f, 0.0f, 1.0f, 0.15f));
    EXPECT_TRUE(sky.z > sky.x + 30.0f && sky.z > 150.0f)
        << "no blue sky above: " << sky.x << " " << sky.y << " " << sky.z;
    const Vector3 ground = Mean(scene, Band(scene, 0.0f, 0.85f, 0.25f, 1.0f));
    EXPECT_TRUE(ground.y > ground.x && ground.y > ground.z + 20.0f)
        << "no grass below: " << ground.x << " " << ground.y << " " << ground.z;

    // The tank: in the lower middle of the picture, facing away from the
    // camera.
    const TestFrame bare = WithoutTank();
    size_t count = 0;
    float sumX = 0.0f;
    float sumY = 0.0f;
    for (int y = 0; y < scene.height; ++y)
    {
        for (int x = 0; x < scene.width; ++x)
        {
            if (Differs(scene.At(x, y), bare.At(x, y)))
            {
                ++count;
                sumX += static_cast<float>(x) / scene.width;
                sumY += static_cast<float>(y) / scene.height;
            }
        }
    }
    ASSERT_GT(count, scene.pixels.size() / 100) << "no tank in the picture";
    EXPECT_NEAR(sumX / count, 0.5f, 0.25f) << "the tank is not in front of the camera";
    EXPECT_GT(sumY / count, 0.6f) << "the tank is not below the horizon";

    // SPACE: one shell that flies along the gun until it strikes, and there
    // bursts into ten smoke emitters.
    PushKey(SDL_SCANCODE_SPACE, true);
    session.Play(kFrameMs);
    PushKey(SDL_SCANCODE_SPACE, false);
    std::vector<Projectile*> shells = RootNodesOf<Projectile>(kNodeProjectile);
    ASSERT_EQ(shells.size(), 1u);
    SmartPtr<Projectile> shell = shells[0];
    std::vector<Vector3> flight = {shell->position};
    for (int frame = 0; frame < 60 && shell->IsAlive(); ++frame)
    {
        session.Play(kFrameMs);
        flight.push_back(shell->position);
    }
    ASSERT_FALSE(shell->IsAlive()) << "the shell never landed";
    EXPECT_GE(flight.size(), 4u) << "the shell struck at once";
    EXPECT_GT(flight.back().z - flight.front().z, 10.0f) << "the shell did not fly ahead";
    std::vector<SceneNode*> smoke = RootNodesOf<SceneNode>(kNodeSmokeEmitter);
    EXPECT_EQ(smoke.size(), 10u);
    for (SceneNode* emitter : smoke)
        EXPECT_LT((emitter->position - flight.back()).Length(), 5.0f) << "smoke away from the hit";
    session.Play(500);

    // C held for 3 s: the tank drives towards its front, and the ground
    // under it moves through the picture while the camera follows.
    const Tank* tank = Mod::Instance()->GetTank();
    const Vector3 start = tank->position;
    const Vector3 front = Vector3(0.0f, 0.0f, 1.0f).TransformNormal(tank->orientation.ToMatrix());
    const Rect near = Band(scene, 0.0f, 0.85f, 0.25f, 1.0f);
    const TestFrame standing = Shot();
    session.Play(kFrameMs);
    EXPECT_LT(Differing(standing, Shot(), near), 0.01) << "the ground moves alone";
    PushKey(SDL_SCANCODE_C, true);
    session.Play(1000);
    const TestFrame driving = Shot();
    EXPECT_GT(Differing(standing, driving, near), 0.25) << "the ground did not move under the tank";
    session.Play(2000);
    PushKey(SDL_SCANCODE_C, false);
    session.Play(kFrameMs);
    EXPECT_GT((tank->position - start).Dot(front), 10.0f) << "the tank did not drive ahead";
}

std::vector<int16_t> ReadSamples(const std::string& path)
{
    std::vector<uint8_t> bytes = ReadBytes(path);
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

size_t Find(const std::vector<std::string>& lines, const std::string& line, size_t from = 0)
{
    return static_cast<size_t>(
        std::find(lines.begin() + std::min(from, lines.size()), lines.end(), line) - lines.begin());
}
} // namespace

TEST(GameProgramTest, PlaysAsAUserSeesAndHearsItAndStopsOnCtrlC)
{
    if (const char* folder = FreshProcessFolder())
    {
        ASSERT_EQ(chdir(folder), 0);
        PlatformInstallSignalHandlers();
        Session session;
        Play(session);

        // Ready for the parent's Ctrl+C.
        std::ofstream("ready") << "ready\n";
        session.RunUntilQuit();
        return;
    }

    TOLVI_REQUIRE_MAKER();
    MakerRun data;
    ASSERT_TRUE(data.Make());
    pid_t child = StartFreshProcess(data.path, {{"SDL_AUDIODRIVER", "disk"},
                                                {"SDL_DISKAUDIOFILE", data.File("device.raw")},
                                                {"SDL_DISKAUDIODELAY", "5"}});
    ASSERT_GT(child, 0);
    int status = 0;
    bool ended = false;
    WaitUntil(
        [&]
        {
            ended = waitpid(child, &status, WNOHANG) == child;
            return ended || std::ifstream(data.File("ready")).good();
        },
        300000);
    ASSERT_FALSE(ended) << "the game ended before it was stopped, status " << status;
    kill(child, SIGINT);
    EXPECT_EQ(WaitExit(child, std::chrono::seconds(60)), 0);

    std::vector<int16_t> samples = ReadSamples(data.File("device.raw"));
    EXPECT_TRUE(
        std::any_of(samples.begin(), samples.end(), [](int16_t s) { return std::abs(s) > 1000; }))
        << samples.size() << " samples reached the device, all near silence";

    const std::vector<std::string> log = ReadLines(data.File("tolvi.log"));
    const size_t stop = Find(log, "Shutting Down Kernel", Find(log, "Mainloop"));
    ASSERT_LT(stop + 5, log.size()) << "no shut-down in tolvi.log";
    EXPECT_EQ(std::vector<std::string>(log.begin() + stop, log.begin() + stop + 5),
              (std::vector<std::string>{"Shutting Down Kernel", "{", " Stopping Mod", " {", " }"}));
    EXPECT_EQ(log[log.size() - 2], " deleting remaining memory objects...");
    EXPECT_EQ(log.back(), "}");
}

TEST(GameProgramTest, StartBuildsTheSceneInOrderAndClosingTheWindowStopsTheGame)
{
    if (const char* folder = FreshProcessFolder())
    {
        ASSERT_EQ(chdir(folder), 0);
        // Start begins afresh, whatever the module held.
        Mod* mod = Mod::Instance();
        mod->mode = Mod::kMenuMode;
        mod->chatFlag = 1;
        std::strcpy(mod->chatText, "hello");
        mod->nextPingTime = 123456;
        mod->spare = 7;
        Session session;
        EXPECT_EQ(mod->mode, Mod::kGameMode);
        EXPECT_EQ(mod->chatFlag, 0);
        EXPECT_STREQ(mod->chatText, "");
        EXPECT_EQ(mod->nextPingTime, 0u) << "the first ping goes out in the first frame";
        EXPECT_EQ(mod->spare, 0);
        const std::vector<SmartPtr<SceneNode>>& nodes = MainSceneGraph.GetRoot()->GetChildren();
        const size_t obstacles = ReadLines("level.txt").size();
        std::vector<int> types;
        for (const SmartPtr<SceneNode>& node : nodes)
            types.push_back(node->GetType());
        std::vector<int> expected = {kNodeSkyBox, kNodeLight, kNodeLight, kNodeTank, kNodeCamera};
        expected.insert(expected.end(), obstacles, kNodePhysicsBox);
        expected.push_back(kNodeStaticModel);
        ASSERT_EQ(types, expected);

        const std::list<SmartPtr<Light>>& lights = Video::Instance().lights;
        ASSERT_EQ(lights.size(), 2u) << "both lights go to the Video";
        EXPECT_EQ(lights.front().Get(), nodes[1].Get());
        EXPECT_EQ(lights.back().Get(), nodes[2].Get());
        // White and directional, turned about x and then y by -0.78525 and
        // +0.78525 (a little short of pi / 4).
        const float angles[] = {-0.78525f, 0.78525f};
        for (int i = 0; i < 2; ++i)
        {
            const Light* light = static_cast<const Light*>(nodes[1 + i].Get());
            const float angle = angles[i];
            const Quaternion q = Quaternion::FromAxisAngle(Vector3(1, 0, 0), angle) *
                                 Quaternion::FromAxisAngle(Vector3(0, 1, 0), angle);
            const Quaternion& o = light->orientation;
            EXPECT_TRUE(VectorNear(Vector3(o.x, o.y, o.z), Vector3(q.x, q.y, q.z), 1e-6f) &&
                        std::fabs(o.w - q.w) <= 1e-6f)
                << angle;
            EXPECT_EQ(light->kind, Light::kDirectional);
            EXPECT_EQ(light->colour.ToARGB(), 0xFFFFFFFFu);
        }

        // The tank where it starts (no frame has run), its chassis with it;
        // the free camera in the world, the chase camera behind and above the
        // torso, current.
        Tank* tank = mod->GetTank();
        Camera* free = mod->GetFreeCamera();
        Camera* chase = mod->GetChaseCamera();
        EXPECT_EQ(nodes[3].Get(), tank);
        EXPECT_EQ(tank->position, Vector3(-37, 15, -191));
        EXPECT_EQ(nodes[4].Get(), free);
        EXPECT_EQ(free->position, Vector3(-37, 5, -191));
        ASSERT_EQ(tank->torso->GetChildren().size(), 2u) << "the gun and the chase camera";
        EXPECT_EQ(tank->torso->GetChildren()[1].Get(), chase);
        EXPECT_EQ(chase->position, Vector3(-1, 5, -20));
        EXPECT_EQ(mod->GetCurrentCamera(), chase);
        EXPECT_EQ(Video::Instance().camera.Get(), chase);
        EXPECT_EQ(Of(dBodyGetPosition(Tank::GetChassisBody())), Vector3(-37, 15, -191));
        // Both 4:3 with one float step below pi / 3 unzoomed, turned by
        // AddPitch(-0.2) and AddYaw(0.2), which a camera subtracts.
        for (const Camera* camera : {free, chase})
        {
            EXPECT_EQ(camera->aspect, 1.3333334f);
            EXPECT_EQ(camera->fov, 1.0471975f);
            EXPECT_EQ(camera->zoom, 1.0f);
            EXPECT_EQ(camera->pitch, 0.2f);
            EXPECT_EQ(camera->yaw, -0.2f);
        }

        // The title card over everything, fading 3 s on for 8 s.
        GuiManager& gui = GuiManager::Instance();
        EXPECT_EQ(gui.root.Get(), mod->GetSplash());
        EXPECT_EQ(mod->GetSplash()->alpha, 1.0f);
        EXPECT_TRUE(gui.active);
        // The cursor's top-left pixel is its hot point; it may stand on the
        // screen's width and height (the client area's), one beyond the last
        // pixel.
        const Video& video = Video::Instance();
        ASSERT_NE(gui.cursorTexture.Get(), nullptr);
        ASSERT_GT(video.width, 0);
        EXPECT_EQ((std::vector<int>{gui.hotspotX, gui.hotspotY}), (std::vector<int>{0, 0}));
        EXPECT_EQ((std::vector<int>{gui.minX, gui.minY, gui.maxX, gui.maxY}),
                  (std::vector<int>{0, 0, video.width, video.height}));
        EXPECT_EQ(mod->GetFadeStart(), session.clock + 3000);
        EXPECT_EQ(mod->GetFadeEnd(), session.clock + 11000);

        session.Play(kFrameMs);
        SDL_Event close = {};
        close.type = SDL_WINDOWEVENT;
        close.window.event = SDL_WINDOWEVENT_CLOSE;
        PushSdlEvent(close);
        session.RunUntilQuit();
        return;
    }

    TOLVI_REQUIRE_MAKER();
    MakerRun data;
    ASSERT_TRUE(data.Make());
    EXPECT_EQ(WaitExit(StartFreshProcess(data.path), std::chrono::seconds(120)), 0);

    // The Mod starts last in the Kernel's start-up and stops first.
    const std::vector<std::string> log = ReadLines(data.File("tolvi.log"));
    const size_t start = Find(log, " Starting Mod", Find(log, " Initializing Network Subsystem"));
    ASSERT_LT(start, log.size());
    EXPECT_EQ(Find(log, " }", start) + 2, Find(log, "Mainloop")) << "not last in the start-up";
    const size_t stop = Find(log, "Shutting Down Kernel");
    ASSERT_LT(stop + 4, log.size());
    EXPECT_EQ(std::vector<std::string>(log.begin() + stop, log.begin() + stop + 4),
              (std::vector<std::string>{"Shutting Down Kernel", "{", " Stopping Mod", " {"}));
    EXPECT_EQ(log.back(), "}");
}
