// The game module's controls: what every bound key changes on its press and
// on its release in game and menu mode, the mouse look, and the mouse and
// characters routed to the GUI in menu mode.
#include "game/Mod.h"
#include "gui/GuiTestSupport.h"
#include "platform/DirectInput.h"
#include "scene/Camera.h"
#include "scene/Projectile.h"
#include "support/PhysicsFixture.h"

#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace
{
using State = std::map<std::string, std::string>;

std::string Text(float value)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%g", std::round(value * 100.0f) / 100.0f);
    return text;
}

// The entries of after that differ from before, as "name=value".
std::vector<std::string> Changes(const State& before, const State& after)
{
    std::vector<std::string> changes;
    for (const auto& entry : after)
    {
        if (before.at(entry.first) != entry.second)
            changes.push_back(entry.first + "=" + entry.second);
    }
    return changes;
}

class ControlsTest : public TankTest
{
protected:
    void SetUp() override
    {
        TankTest::SetUp();
        tank = AddTank(Vector3(10, 3, 10));
        Reset();
    }

    void TearDown() override
    {
        Reset();
        mod->SetScene(nullptr, nullptr, nullptr);
        TankTest::TearDown();
    }

    // Game mode, the chase camera current, the GUI off.
    void Reset()
    {
        mod->SetScene(tank, chase.Get(), free.Get());
        GuiManager::Instance().SetActive(false);
        mod->mode = Mod::kGameMode;
    }

    // The time scale, as the next frame of 100 ms measures it.
    float TimeScale()
    {
        clock += 100;
        TestSetClock(clock);
        Timer::Instance()->Update();
        return Timer::Instance()->GetFrameTime() / 0.1f;
    }

    std::string CameraName(const Camera* camera) const
    {
        return camera == chase.Get() ? "chase" : camera == free.Get() ? "free" : "none";
    }

    // Everything a key may change.
    State Snapshot()
    {
        State state = {{"mode", std::to_string(mod->mode)},
                       {"gui", std::to_string(GuiManager::Instance().active)},
                       {"scale", Text(TimeScale())},
                       {"current", CameraName(mod->GetCurrentCamera())},
                       {"video", CameraName(Video::Instance().camera.Get())}};
        const std::pair<const char*, uint8_t> flags[] = {
            {"gunUp", tank->gunUp},          {"gunDown", tank->gunDown},
            {"torsoLeft", tank->torsoLeft},  {"torsoRight", tank->torsoRight},
            {"forward", tank->driveForward}, {"backward", tank->driveBackward},
            {"turnLeft", tank->turnLeft},    {"turnRight", tank->turnRight}};
        for (const auto& flag : flags)
            state[flag.first] = std::to_string(flag.second);
        state["shells"] = std::to_string(RootNodesOf<Projectile>(kNodeProjectile).size());
        const dReal* p = dBodyGetPosition(Tank::GetChassisBody());
        const dReal* q = dBodyGetQuaternion(Tank::GetChassisBody());
        state["chassis"] = Text(p[0]) + " " + Text(p[1]) + " " + Text(p[2]) + " / " + Text(q[0]) +
                           " " + Text(q[1]) + " " + Text(q[2]) + " " + Text(q[3]);
        for (Camera* camera : {chase.Get(), free.Get()})
        {
            const std::string name = CameraName(camera);
            state[name + ".forward"] = std::to_string(camera->moveForward);
            state[name + ".backward"] = std::to_string(camera->moveBackward);
            state[name + ".left"] = std::to_string(camera->moveLeft);
            state[name + ".right"] = std::to_string(camera->moveRight);
            state[name + ".pitch"] = Text(camera->pitch);
            state[name + ".yaw"] = Text(camera->yaw);
        }
        return state;
    }

    Mod* mod = Mod::Instance();
    Tank* tank = nullptr;
    SmartPtr<Camera> chase = new Camera();
    SmartPtr<Camera> free = new Camera();
};

struct Binding
{
    int code;
    std::vector<std::string> down;
    std::vector<std::string> up;
};

// Each bound key, and two unbound ones, from game mode with nothing held.
const Binding kBindings[] = {
    {DIK_W, {"gunUp=1"}, {"gunUp=0"}},
    {DIK_S, {"gunDown=1"}, {"gunDown=0"}},
    {DIK_A, {"torsoLeft=1"}, {"torsoLeft=0"}},
    {DIK_D, {"torsoRight=1"}, {"torsoRight=0"}},
    {DIK_C, {"forward=1"}, {"forward=0"}},
    {DIK_V, {"backward=1"}, {"backward=0"}},
    {DIK_N, {"turnLeft=1"}, {"turnLeft=0"}},
    {DIK_M, {"turnRight=1"}, {"turnRight=0"}},
    {DIK_SPACE, {"shells=1"}, {}},
    // Upside down at a fixed world point: a half turn about x, w first.
    {DIK_X, {"chassis=0 5 0 / 0 1 0 0"}, {}},
    {DIK_UP, {"chase.forward=1"}, {"chase.forward=0"}},
    {DIK_DOWN, {"chase.backward=1"}, {"chase.backward=0"}},
    {DIK_LEFT, {"chase.left=1"}, {"chase.left=0"}},
    {DIK_RIGHT, {"chase.right=1"}, {"chase.right=0"}},
    {DIK_T, {"scale=0.2"}, {"scale=1"}},
    {DIK_G, {"current=free", "video=free"}, {}},
    {DIK_ESCAPE, {}, {"gui=1", "mode=1"}},
    {DIK_Q, {}, {}},
    {DIK_RETURN, {}, {}},
};
} // namespace

TEST_F(ControlsTest, EachKeyActsOnItsPressAndReleaseInGameModeAndOnlyEscapeInMenuMode)
{
    for (const Binding& binding : kBindings)
    {
        SCOPED_TRACE(binding.code);
        State before = Snapshot();
        mod->OnKeyDown(binding.code);
        State pressed = Snapshot();
        EXPECT_EQ(Changes(before, pressed), binding.down) << "down in game mode";
        mod->OnKeyUp(binding.code);
        EXPECT_EQ(Changes(pressed, Snapshot()), binding.up) << "up in game mode";
        Reset();
    }

    for (const Binding& binding : kBindings)
    {
        SCOPED_TRACE(binding.code);
        mod->mode = Mod::kMenuMode;
        GuiManager::Instance().SetActive(true);
        State before = Snapshot();
        mod->OnKeyDown(binding.code);
        State pressed = Snapshot();
        EXPECT_EQ(Changes(before, pressed), std::vector<std::string>()) << "down in menu mode";
        mod->OnKeyUp(binding.code);
        std::vector<std::string> back;
        if (binding.code == DIK_ESCAPE)
            back = {"gui=0", "mode=0"};
        EXPECT_EQ(Changes(pressed, Snapshot()), back) << "up in menu mode";
    }
    GuiManager::Instance().SetActive(false);
}

TEST_F(ControlsTest, FlagsStayWithTheCameraThatWasCurrentAndGSwapsBack)
{
    State before = Snapshot();
    mod->OnKeyDown(DIK_UP);
    mod->OnKeyDown(DIK_G);
    mod->OnKeyUp(DIK_UP);
    mod->OnKeyUp(DIK_G);
    EXPECT_EQ(Changes(before, Snapshot()),
              (std::vector<std::string>{"chase.forward=1", "current=free", "video=free"}))
        << "the release goes to the free camera; the chase camera keeps flying";
    mod->OnKeyDown(DIK_G);
    EXPECT_EQ(mod->GetCurrentCamera(), chase.Get());
    EXPECT_EQ(Video::Instance().camera.Get(), chase.Get());

    // A tank key held into menu mode: its release there is ignored, so the
    // tank keeps driving.
    before = Snapshot();
    mod->OnKeyDown(DIK_C);
    mod->OnKeyDown(DIK_ESCAPE);
    mod->OnKeyUp(DIK_ESCAPE);
    mod->OnKeyUp(DIK_C);
    EXPECT_EQ(Changes(before, Snapshot()),
              (std::vector<std::string>{"forward=1", "gui=1", "mode=1"}));
}

TEST_F(ControlsTest, MouseTurnsTheCurrentCameraInGameModeAndMovesTheCursorInMenuMode)
{
    WidgetKeeper keeper;
    GuiManager& gui = GuiManager::Instance();
    RecordingWidget* root = keeper.Make("root", 0, 0, 400, 300);
    RecordingWidget* field = keeper.Make("field", 100, 100, 50, 20);
    root->AddChild(field);
    gui.SetRoot(root);
    gui.SetCursorBounds(0, 0, 799, 599);

    // 100 units a radian, each division in floating point; one unit counts.
    State before = Snapshot();
    mod->OnMouseMove(150, -1);
    for (int button = 0; button < 8; ++button)
    {
        mod->OnMouseDown(button);
        mod->OnMouseUp(button);
    }
    mod->OnChar('a');
    EXPECT_EQ(Changes(before, Snapshot()),
              (std::vector<std::string>{"chase.pitch=0.01", "chase.yaw=-1.5"}));
    EXPECT_EQ(gui.cursorX, 0);
    EXPECT_TRUE(keeper.calls.empty());

    mod->mode = Mod::kMenuMode;
    before = Snapshot();
    mod->OnMouseMove(120, 110);
    for (int button = 0; button < 8; ++button)
    {
        mod->OnMouseDown(button);
        mod->OnMouseUp(button);
    }
    mod->OnChar('a');
    EXPECT_EQ(Changes(before, Snapshot()), std::vector<std::string>());
    EXPECT_EQ(gui.cursorX, 120);
    EXPECT_EQ(gui.cursorY, 110);
    EXPECT_EQ(
        keeper.Calls("field"),
        (std::vector<std::string>{"field move 20,10", "field leftdown 20,10", "field leftup 20,10",
                                  "field rightdown 20,10", "field rightup 20,10", "field char a"}));
}
