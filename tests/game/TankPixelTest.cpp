// Pictures read back from the real renderer: the data set's tank where it
// settled, with its torso and its gun, the gun raised while W is held; and the
// bouncing shell's streak.
#include "game/BouncingShell.h"
#include "game/TankTestSupport.h"
#include "scene/Light.h"
#include "support/DeviceWindow.h"

#include <cmath>

namespace
{
const uint32_t kClearColour = 0xFF222244;

class TankPixelTest : public TankTest
{
protected:
    void SetUp() override
    {
        TankTest::SetUp();
        // Beside the tank on its +x side, looking towards -x.
        viewer = new Camera();
        viewer->position = Vector3(14, 2.5f, 1.5f);
        viewer->AddYaw(-1.5707964f);
        Add(viewer);
        Video::Instance().SetCamera(viewer);
        // White light from the viewer's side, shining towards -x.
        Light* light = new Light();
        light->kind = Light::kDirectional;
        light->colour = Color3(1, 1, 1);
        light->orientation = Quaternion::FromAxisAngle(Vector3(0, 1, 0), -1.5707964f);
        light->position = Vector3(0, -500, 0); // its wire box out of sight
        Add(light);
        Video::Instance().AddLight(light);
    }
    void TearDown() override
    {
        Video::Instance().SetCamera(nullptr);
        Video::Instance().lights.clear();
        TankTest::TearDown();
    }

    // One game frame, then the picture.
    TestFrame Draw()
    {
        GameFrame(50);
        Video::Instance().Render();
        return VideoTestSupport::Frame();
    }

    // True when a pixel within one of where the viewer puts the point is (or,
    // with `is` false, is not) near the colour.
    bool Around(const TestFrame& frame, const Vector3& p, uint32_t colour, bool is = true,
                int tolerance = 3)
    {
        int x = 0;
        int y = 0;
        ProjectToPixel(frame, viewer, p, x, y);
        EXPECT_TRUE(x > 0 && x + 1 < frame.width && y > 0 && y + 1 < frame.height);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (static_cast<bool>(ColorNear(frame.At(x + dx, y + dy), colour, tolerance)) == is)
                    return true;
        return false;
    }

    // Something other than the clear colour around the point.
    bool Drawn(const TestFrame& frame, const Vector3& p)
    {
        return Around(frame, p, kClearColour, false);
    }

    Camera* viewer = nullptr;
};
} // namespace

TEST_F(TankPixelTest, DataSetTankIsDrawnWhereItSettledWithTorsoAndARaisedGun)
{
    ASSERT_TRUE(EnterDataSet());
    Tank* tank = AddTank(Vector3(0, 3, 0));
    Drive(2.0f);
    ASSERT_NEAR(tank->position.y, 0.1f, kRestTolerance);
    TestFrame frame = Draw();

    // Model points on the side facing the viewer, above the wire boxes of the
    // chassis and the wheels: the hull's superstructure, the turret and the
    // barrel 4 units out from its trunnion at (0, 2.602, 1.164).
    const Vector3 trunnion(0.1f, 2.602f, 1.164f);
    const Vector3 level = trunnion + Vector3(0, 0, 4);
    const Vector3 raised = trunnion + Vector3(0, std::sin(0.78525f), std::cos(0.78525f)) * 4.0f;
    EXPECT_TRUE(Drawn(frame, Vector3(1.35f, 2.1f, -1.0f))) << "hull";
    EXPECT_TRUE(Drawn(frame, Vector3(1.45f, 2.6f, -0.5f))) << "torso";
    EXPECT_TRUE(Drawn(frame, level)) << "gun, level";
    EXPECT_FALSE(Drawn(frame, raised));
    EXPECT_FALSE(Drawn(frame, Vector3(0, 6.5f, 0))) << "nothing above the tank";
    EXPECT_FALSE(Drawn(frame, Vector3(0, 1.0f, 6.5f))) << "nothing ahead of it";

    tank->SetGunUp(true);
    for (int i = 0; i < 20; ++i)
        frame = Draw();
    EXPECT_EQ(tank->gunPitch, Tank::kGunPitchMin);
    EXPECT_TRUE(Drawn(frame, raised)) << "gun, raised";
    EXPECT_FALSE(Drawn(frame, level));
    EXPECT_TRUE(Drawn(frame, Vector3(1.45f, 2.6f, -0.5f))) << "torso";
}

// A line from where the shell was to where it is, its alpha the whole part
// of its life: fully opaque at 255, not drawn once the life is spent.
TEST_F(TankPixelTest, BouncingShellDrawsItsStreakFromTailToHead)
{
    SmartPtr<BouncingShell> shell = new BouncingShell();
    shell->previousPosition = Vector3(0, 2.5f, -3);
    shell->position = Vector3(0, 2.5f, 3);
    shell->tailColour = Color3(0, 1, 0);
    shell->headColour = Color3(1, 0, 0);
    shell->life = 255.5f;

    // The camera's matrices from one frame, then pictures without updates,
    // which would move the shell.
    Draw();
    Add(shell.Get());
    Video::Instance().Render();
    TestFrame frame = VideoTestSupport::Frame();
    EXPECT_TRUE(Around(frame, Vector3(0, 2.5f, 2.8f), 0xFFF00F00, true, 16)) << "red head";
    EXPECT_TRUE(Around(frame, Vector3(0, 2.5f, -2.8f), 0xFF0FF000, true, 16)) << "green tail";

    shell->life = -0.5f;
    Video::Instance().Render();
    frame = VideoTestSupport::Frame();
    EXPECT_FALSE(Drawn(frame, Vector3(0, 2.5f, 0)));
}
