// The tank: its chassis and wheels as built, the controls' wheel spins, torso
// and gun, the shells it fires, the data set's tank driven by real ODE, and
// the bouncing shell.
#include "game/BouncingShell.h"
#include "game/TankTestSupport.h"
#include "scene/ParticleSystem.h"
#include "scene/Projectile.h"
#include "support/LogCapture.h"

namespace
{
// Builds a tank whose body model spans min to max, in a folder of its own
// (the torso and gun models are missing there), at the point.
class TankBoxTest : public TankTest
{
protected:
    Tank* BoxTank(const Vector3& min, const Vector3& max, const Vector3& at)
    {
        BoxModel(Tank::kBodyModel, min, max);
        Enter(folder.path);
        return AddTank(at);
    }
};

void ExpectAt(const dReal* p, const Vector3& expected, const char* what)
{
    EXPECT_NEAR(p[0], expected.x, 1e-5) << what;
    EXPECT_NEAR(p[1], expected.y, 1e-5) << what;
    EXPECT_NEAR(p[2], expected.z, 1e-5) << what;
}

// The flags in the order W S A D C V N M.
void Hold(Tank* tank, const char* keys)
{
    auto held = [keys](char key) { return std::string(keys).find(key) != std::string::npos; };
    tank->SetGunUp(held('W'));
    tank->SetGunDown(held('S'));
    tank->SetTorsoLeft(held('A'));
    tank->SetTorsoRight(held('D'));
    tank->SetDriveForward(held('C'));
    tank->SetDriveBackward(held('V'));
    tank->SetTurnLeft(held('N'));
    tank->SetTurnRight(held('M'));
}

// The yaw turned between two headings, the short way round.
float Turned(float from, float to)
{
    float d = to - from;
    while (d > 3.14159265f)
        d -= 6.2831853f;
    while (d < -3.14159265f)
        d += 6.2831853f;
    return d;
}
} // namespace

TEST_F(TankBoxTest, ChassisAndWheelsAreBuiltFromTheBodyModelsBoxAtTheTanksPosition)
{
    const Vector3 p(10, 5, -4);
    Tank* tank = BoxTank(Vector3(-2, 0, -3), Vector3(2, 2, 3), p);
    ASSERT_NE(Tank::GetChassisBody(), nullptr);
    EXPECT_EQ(tank->GetType(), 16);

    dVector3 lengths;
    dGeomBoxGetLengths(g_chassisGeom, lengths);
    ExpectAt(lengths, Vector3(3, 1, 6), "chassis lengths");
    ExpectAt(dBodyGetPosition(g_chassisBody), p, "chassis");
    dMass mass;
    dBodyGetMass(g_chassisBody, &mass);
    EXPECT_NEAR(mass.mass, 5000.0, 1e-6);

    const float z[kTankWheelsPerRow] = {-3, -1.8f, -0.6f, 0.6f, 1.8f, 3};
    for (int i = 0; i < kTankWheelsPerRow; ++i)
    {
        for (float side : {-1.0f, 1.0f})
        {
            dBodyID wheel = side < 0 ? g_leftWheelBodies[i] : g_rightWheelBodies[i];
            dJointID hinge = side < 0 ? g_leftHinges[i] : g_rightHinges[i];
            Vector3 centre = p + Vector3(2 * side, -0.6f, z[i]);
            ExpectAt(dBodyGetPosition(wheel), centre, "wheel");
            dBodyGetMass(wheel, &mass);
            EXPECT_NEAR(mass.mass, 50.0, 1e-6);
            dGeomID sphere = side < 0 ? g_leftWheelGeoms[i] : g_rightWheelGeoms[i];
            EXPECT_EQ(dGeomSphereGetRadius(sphere), 0.5);
            EXPECT_EQ(dJointGetBody(hinge, 0), g_chassisBody);
            EXPECT_EQ(dJointGetBody(hinge, 1), wheel);
            dVector3 anchor;
            dVector3 axis;
            dJointGetHingeAnchor(hinge, anchor);
            dJointGetHingeAxis(hinge, axis);
            ExpectAt(anchor, centre, "hinge anchor");
            ExpectAt(axis, Vector3(1, 0, 0), "hinge axis");
        }
    }

    // The torso under the tank, the gun under the torso.
    ASSERT_TRUE(tank->torso && tank->gun);
    EXPECT_EQ(tank->torso->GetParent(), tank);
    EXPECT_EQ(tank->gun->GetParent(), tank->torso.Get());
    EXPECT_TRUE(tank->torso->position == Vector3(0, 2.239f, -0.523f));
    EXPECT_TRUE(tank->gun->position == Vector3(0, 0.263f, 1.687f));
}

// A body model that is missing, or one unit or less wide or high, would give
// ODE a box of no or negative size: the lengths are clamped, one line says so
// and the tank stands and drives without NaN.
TEST_F(TankBoxTest, BodyModelTooSmallForAChassisIsClampedLoggedAndStaysFinite)
{
    const struct
    {
        const char* name;
        Vector3 max; // from the origin; zero: no model file at all
        Vector3 lengths;
    } cases[] = {
        {"missing", Vector3(0, 0, 0), Vector3(0.01f, 0.01f, 0.01f)},
        {"one unit wide and high", Vector3(1, 1, 4), Vector3(0.01f, 0.01f, 4)},
        {"flat", Vector3(3, 0.5f, 4), Vector3(2, 0.01f, 4)},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        ScratchFolder models;
        if (c.max.x > 0)
        {
            ASSERT_TRUE(WriteBoxFile(models.File(Tank::kBodyModel), Vector3(), c.max));
        }
        Enter(models.path);
        LogCapture log;
        Tank* tank = AddTank(Vector3(0, 2, 0));
        std::vector<std::string> lines = log.Lines();
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const std::string& line)
                                { return line.find("Tank::Create()") != std::string::npos; }),
                  1);
        EXPECT_TRUE(log.Contains("tank_body.3ds too small for the chassis")) << log.Text();

        dVector3 lengths;
        dGeomBoxGetLengths(g_chassisGeom, lengths);
        ExpectAt(lengths, c.lengths, "clamped lengths");
        Hold(tank, "CN");
        Drive(2.0f);
        EXPECT_TRUE(IsFiniteVector(dBodyGetPosition(g_chassisBody)));
        for (int i = 0; i < kTankWheelsPerRow; ++i)
        {
            EXPECT_TRUE(IsFiniteVector(dBodyGetPosition(g_leftWheelBodies[i])));
            EXPECT_TRUE(IsFiniteVector(dBodyGetPosition(g_rightWheelBodies[i])));
        }
        EXPECT_TRUE(std::isfinite(tank->position.y));
        // The next case's tank takes the world over; this one lets go.
        added.clear();
        ClearMainGraph();
    }
}

// Wheel spins set by the update from the held keys, along the tank's own x
// axis however it is turned; before any physics step reads them.
TEST_F(TankBoxTest, HeldKeysSetEveryWheelsSpinAboutTheTanksAxis)
{
    Tank* tank = BoxTank(Vector3(-2, 0, -3), Vector3(2, 2, 3), Vector3(0, 5, 0));
    const dQuaternion yaw = {std::cos(0.3), 0, std::sin(0.3), 0};
    dBodySetQuaternion(g_chassisBody, yaw);
    dVector3 axis;
    dBodyVectorToWorld(g_chassisBody, 1, 0, 0, axis);
    const struct
    {
        const char* keys;
        float left;
        float right;
    } cases[] = {
        {"", 0, 0},       {"C", 60, 60}, {"V", -60, -60},   {"CV", 0, 0},      {"N", -600, 600},
        {"M", 600, -600}, {"NM", 0, 0},  {"CN", -540, 660}, {"VM", 540, -660}, {"CVNM", 0, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.keys);
        Hold(tank, c.keys);
        // Twice: the turned pose reaches the node's matrix in the first. Spins
        // left from before must not survive.
        for (int pass = 0; pass < 2; ++pass)
        {
            for (int i = 0; i < kTankWheelsPerRow; ++i)
            {
                dBodySetAngularVel(g_leftWheelBodies[i], 7, 7, 7);
                dBodySetAngularVel(g_rightWheelBodies[i], 7, 7, 7);
            }
            MainSceneGraph.Update();
        }
        EXPECT_EQ(tank->leftSpeed, c.left);
        EXPECT_EQ(tank->rightSpeed, c.right);
        for (int i = 0; i < kTankWheelsPerRow; ++i)
        {
            const dReal* left = dBodyGetAngularVel(g_leftWheelBodies[i]);
            const dReal* right = dBodyGetAngularVel(g_rightWheelBodies[i]);
            for (int k = 0; k < 3; ++k)
            {
                EXPECT_NEAR(left[k], axis[k] * c.left, 1e-3);
                EXPECT_NEAR(right[k], axis[k] * c.right, 1e-3);
            }
        }
    }
}

TEST_F(TankBoxTest, TorsoTurnsFreelyAndTheGunTiltsOnlyBetweenItsLimits)
{
    Tank* tank = BoxTank(Vector3(-2, 0, -3), Vector3(2, 2, 3), Vector3(0, 5, 0));
    const struct
    {
        const char* keys;
        float seconds;
        float startPitch;
        float yaw;
        float pitch;
    } cases[] = {
        {"W", 2.0f, 0.0f, 0.0f, Tank::kGunPitchMin},
        {"W", 0.5f, 0.0f, 0.0f, -0.5f},
        {"S", 2.0f, 0.0f, 0.0f, 0.0f},
        {"S", 0.5f, -0.7f, 0.0f, -0.2f},
        {"WS", 1.0f, -0.3f, 0.0f, -0.3f},
        {"A", 1.0f, 0.0f, -1.0f, 0.0f},
        {"D", 10.0f, 0.0f, 10.0f, 0.0f},
        {"AD", 1.0f, 0.0f, 0.0f, 0.0f},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.keys << " for " << c.seconds << " s");
        tank->torsoYaw = 0.0f;
        tank->gunPitch = c.startPitch;
        Hold(tank, c.keys);
        for (int i = 0; i < 10; ++i)
            tank->Update(c.seconds / 10.0f);
        EXPECT_NEAR(tank->torsoYaw, c.yaw, 1e-5f);
        EXPECT_NEAR(tank->gunPitch, c.pitch, 1e-5f);
        Quaternion torso = Quaternion::FromAxisAngle(Vector3(0, 1, 0), c.yaw);
        Quaternion gun = Quaternion::FromAxisAngle(Vector3(1, 0, 0), c.pitch);
        EXPECT_NEAR(tank->torso->orientation.y, torso.y, 1e-5f);
        EXPECT_NEAR(tank->torso->orientation.w, torso.w, 1e-5f);
        EXPECT_NEAR(tank->gun->orientation.x, gun.x, 1e-5f);
        EXPECT_NEAR(tank->gun->orientation.w, gun.w, 1e-5f);
    }
}

// Shells leave the muzzle along the turned torso's tilted gun at 100 units per
// second, each with its flash of a yellow and a black particle.
TEST_F(TankBoxTest, FireSendsAShellAlongTheGunWithAFlashEachTime)
{
    const Vector3 p(3, 5, -2);
    SmartPtr<Tank> tank = BoxTank(Vector3(-2, 0, -3), Vector3(2, 2, 3), p);
    for (float pitch : {0.0f, Tank::kGunPitchMin})
    {
        SCOPED_TRACE(pitch);
        ClearMainGraph();
        MainSceneGraph.GetRoot()->AddChild(tank.Get());
        tank->torsoYaw = 0.4f;
        tank->gunPitch = pitch;
        MainSceneGraph.Update();
        tank->Fire();
        tank->Fire();

        // The node sits the box centre (0, 1, 0) below the chassis.
        Vector3 direction(std::sin(0.4f) * std::cos(pitch), -std::sin(pitch),
                          std::cos(0.4f) * std::cos(pitch));
        Vector3 local =
            Vector3(0, 0.263f, 1.687f) + Vector3(0, -std::sin(pitch), std::cos(pitch)) * 5.5f;
        Vector3 muzzle = p - Vector3(0, 1, 0) + Vector3(0, 2.239f, -0.523f) +
                         Vector3(local.x * std::cos(0.4f) + local.z * std::sin(0.4f), local.y,
                                 local.z * std::cos(0.4f) - local.x * std::sin(0.4f));

        std::vector<Projectile*> shells = RootNodesOf<Projectile>(kNodeProjectile);
        std::vector<ParticleSystem*> flashes = RootNodesOf<ParticleSystem>(kNodeParticleSystem);
        ASSERT_EQ(shells.size(), 2u);
        ASSERT_EQ(flashes.size(), 2u);
        for (Projectile* shell : shells)
        {
            EXPECT_LT((shell->position - muzzle).Length(), 1e-4f);
            EXPECT_LT((shell->velocity - direction * 100.0f).Length(), 1e-3f);
        }
        for (ParticleSystem* flash : flashes)
        {
            EXPECT_TRUE(flash->stopped);
            EXPECT_EQ(flash->fade, 2.0f);
            ASSERT_EQ(flash->particles.size(), 2u);
            const Particle& yellow = *flash->particles[0];
            const Particle& black = *flash->particles[1];
            EXPECT_LT((yellow.position - muzzle).Length(), 1e-4f);
            EXPECT_EQ(yellow.size, 4.0f);
            EXPECT_EQ(yellow.life, 1.0f);
            EXPECT_EQ(yellow.colour.ToARGB(), Color3(1, 1, 0.2f).ToARGB());
            EXPECT_LT((black.position - muzzle - Vector3(0.2f, 0.2f, 0.2f)).Length(), 1e-4f);
            EXPECT_EQ(black.size, 5.0f);
            EXPECT_EQ(black.life, 0.8f);
            EXPECT_EQ(black.colour.ToARGB(), 0xFF000000u);
        }
        // The flash fades out within half a second and takes itself away.
        RunFrame(clock += 300, 0.3f);
        RunFrame(clock += 300, 0.3f);
        EXPECT_FALSE(flashes[0]->IsAlive());
    }
}

// The data set's tank on real ODE: it settles on its wheels, drives straight
// ahead, turns left on N, and its node shows each frame's chassis pose.
TEST_F(TankTest, DataSetTankSettlesDrivesStraightAndTurnsLeft)
{
    ASSERT_TRUE(EnterDataSet());
    Tank* tank = AddTank(Vector3(0, 3, 0));
    Drive(3.0f);
    const dReal* chassis = dBodyGetPosition(g_chassisBody);
    // Wheel radius plus the wheels' drop below the centre of the 2.239 high box.
    EXPECT_NEAR(chassis[1], 0.5 + 2.239 / 2 - 0.4, kRestTolerance);
    EXPECT_NEAR(tank->position.y, 0.1f, kRestTolerance);
    EXPECT_GT(Uprightness(), 0.999f);

    Hold(tank, "C");
    Drive(5.0f);
    EXPECT_GT(chassis[2], 50.0) << "ahead, at up to 30 units per second";
    EXPECT_NEAR(chassis[0], 0.0, 1.0);
    EXPECT_LT(std::fabs(Heading()), 0.05f);
    EXPECT_GT(Uprightness(), 0.99f);

    Hold(tank, "");
    Drive(5.0f);
    Hold(tank, "N");
    float heading = Heading();
    float turned = 0.0f;
    for (int i = 0; i < 20; ++i)
    {
        GameFrame(50);
        // The drawn pose is this frame's chassis pose, the box centre below it.
        Vector3 centre(0, 2.239f / 2, 0);
        dVector3 offset;
        dBodyVectorToWorld(g_chassisBody, centre.x, centre.y, centre.z, offset);
        dVector3 x;
        dBodyVectorToWorld(g_chassisBody, 1, 0, 0, x);
        for (int k = 0; k < 3; ++k)
        {
            EXPECT_NEAR(tank->worldMatrix.m[12 + k], chassis[k] - offset[k], 1e-3);
            EXPECT_NEAR(tank->worldMatrix.m[k], x[k], 1e-3);
        }
        float now = Heading();
        turned += Turned(heading, now);
        heading = now;
    }
    EXPECT_LT(turned, -1.0f) << "the front swings towards -x: left";
    EXPECT_GT(Uprightness(), 0.99f);
}

TEST_F(TankTest, BouncingShellFallsBouncesOffTheGroundAndDiesWithItsLife)
{
    SmartPtr<BouncingShell> shell = new BouncingShell();
    EXPECT_EQ(shell->GetType(), 15);
    shell->position = Vector3(2, 1, 0);
    shell->velocity = Vector3(1, -10, 0);
    shell->life = 1.0f;
    shell->decay = 2.0f;

    // A step that crosses the ground halfway stops just above it with half the
    // downward speed turned upward; then gravity.
    shell->Update(0.2f);
    EXPECT_TRUE(shell->previousPosition == Vector3(2, 1, 0));
    EXPECT_NEAR(shell->position.x, 2.1f, 1e-5f);
    EXPECT_NEAR(shell->position.y, 0.0001f, 1e-6f);
    EXPECT_NEAR(shell->velocity.x, 1.0f, 1e-5f);
    EXPECT_NEAR(shell->velocity.y, 5.0f - 9.81f * 0.2f, 1e-4f);
    EXPECT_NEAR(shell->life, 0.6f, 1e-6f);

    // A free step goes the whole way.
    shell->Update(0.1f);
    EXPECT_NEAR(shell->position.y, 0.0001f + (5.0f - 1.962f) * 0.1f, 1e-4f);
    EXPECT_TRUE(shell->IsAlive());
    shell->Update(0.3f);
    EXPECT_FALSE(shell->IsAlive());
}
