// Pictures read back from the real renderer: the data set's tank where it
// settled, with torso and gun, the gun raised while W is held; and the
// bouncing shell's streak.
#include "game/BouncingShell.h"
#include "support/PhysicsFixture.h"

namespace
{
// Seen from x = 14 towards -x.
class TankPixelTest : public TankTest
{
protected:
    void SetUp() override
    {
        TankTest::SetUp();
        View(Vector3(14, 2.5f, 1.5f), -1.5707964f);
    }

    // Whether a pixel within one of where the camera puts the point is (or,
    // with `is` false, is not) near the colour; by default, anything drawn.
    bool Seen(const TestFrame& frame, const Vector3& p, uint32_t colour = kClearColour,
              bool is = false, int tolerance = 3)
    {
        return AnyPixelNear(frame, *camera, p, 1,
                            [&](uint32_t c)
                            { return static_cast<bool>(ColorNear(c, colour, tolerance)) == is; });
    }
};
} // namespace

TEST_F(TankPixelTest, DataSetTankIsDrawnWhereItSettledWithTorsoAndARaisedGun)
{
    Tank* tank = AddTank(Vector3(0, 3, 0), true);
    Drive(2.0f);
    ASSERT_NEAR(tank->position.y, 0.1f, kRestTolerance);
    // Points on the side facing the viewer, above the chassis's and wheels'
    // wire boxes: hull, turret, and the barrel 4 out from its trunnion.
    const Vector3 hull(1.35f, 2.1f, -1.0f);
    const Vector3 turret(1.45f, 2.6f, -0.5f);
    const Vector3 trunnion(0.1f, 2.602f, 1.164f);
    const Vector3 level = trunnion + Vector3(0, 0, 4);
    const Vector3 raised = trunnion + Vector3(0, std::sin(0.78525f), std::cos(0.78525f)) * 4.0f;
    TestFrame frame = Picture();
    EXPECT_TRUE(Seen(frame, hull) && Seen(frame, turret) && Seen(frame, level));
    EXPECT_FALSE(Seen(frame, raised) || Seen(frame, Vector3(0, 6.5f, 0)));

    tank->SetGunUp(true);
    Drive(1.0f);
    frame = Picture();
    EXPECT_TRUE(Seen(frame, hull) && Seen(frame, turret) && Seen(frame, raised));
    EXPECT_FALSE(Seen(frame, level));
}

// Opaque at a life of 255 and more, from the tail colour to the head colour;
// gone once the life is spent.
TEST_F(TankPixelTest, BouncingShellDrawsItsStreakFromTailToHead)
{
    Drive(0.05f);
    SmartPtr<BouncingShell> shell = new BouncingShell();
    shell->previousPosition = Vector3(0, 2.5f, -3);
    shell->position = Vector3(0, 2.5f, 3);
    shell->tailColour = Color3(0, 1, 0);
    shell->headColour = Color3(1, 0, 0);
    shell->life = 255.5f;
    // Drawn without an update, which would move it.
    Add(shell.Get());
    TestFrame frame = Picture();
    EXPECT_TRUE(Seen(frame, Vector3(0, 2.5f, 2.8f), 0xFFF00F00, true, 16)) << "red head";
    EXPECT_TRUE(Seen(frame, Vector3(0, 2.5f, -2.8f), 0xFF0FF000, true, 16)) << "green tail";
    shell->life = -0.5f;
    EXPECT_FALSE(Seen(Picture(), Vector3(0, 2.5f, 0)));
}
