// The tank: chassis and wheels as built, the held keys, its shells, the data
// set's tank on real ODE, alone and in the game's start scene, and the
// bouncing shell.
#include "game/BouncingShell.h"
#include "game/Mod.h"
#include "gui/GuiTestSupport.h"
#include "physics/OdeVector.h"
#include "scene/ParticleSystem.h"
#include "scene/Projectile.h"
#include "support/LogCapture.h"
#include "support/PhysicsFixture.h"
#include "support/TextFiles.h"
#include "video/Video.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <numeric>
#include <random>

namespace
{
// The body model is a 4 x 2 x 6 box from (-2, 0, -3) in the working folder;
// no torso or gun model.
class TankBoxTest : public TankTest
{
protected:
    void SetUp() override
    {
        TankTest::SetUp();
        BoxModel(Tank::kBodyModel, Vector3(-2, 0, -3), Vector3(2, 2, 3));
    }
};

// The physical tank's ODE objects: the tank built last.
const TankBodies& bodies = Tank::GetBodies();

// A chassis axis in world space.
Vector3 ChassisAxis(float x, float y, float z)
{
    dVector3 v;
    dBodyVectorToWorld(bodies.chassisBody, x, y, z, v);
    return Of(v);
}

// Holds the keys named, releases the others.
void Hold(Tank* tank, const std::string& keys)
{
    const std::pair<char, void (Tank::*)(bool)> setters[] = {
        {'W', &Tank::SetGunUp},      {'S', &Tank::SetGunDown},      {'A', &Tank::SetTorsoLeft},
        {'D', &Tank::SetTorsoRight}, {'C', &Tank::SetDriveForward}, {'V', &Tank::SetDriveBackward},
        {'N', &Tank::SetTurnLeft},   {'M', &Tank::SetTurnRight}};
    for (const auto& [key, set] : setters)
        (tank->*set)(keys.find(key) != std::string::npos);
}
} // namespace

TEST_F(TankBoxTest, ChassisAndWheelsStandOnTheBodyModelsBoxAtTheTanksPosition)
{
    const Vector3 p(10, 5, -4);
    Tank* first = AddTank(p);
    EXPECT_EQ(first->GetType(), 16);
    EXPECT_TRUE(first->spareA == 13.3f && first->spareB == 5.0f);
    dVector3 lengths;
    dGeomBoxGetLengths(bodies.chassisGeom, lengths);
    EXPECT_TRUE(Of(lengths) == Vector3(3, 1, 6));
    EXPECT_TRUE(Of(dBodyGetPosition(bodies.chassisBody)) == p);
    // 5000 spread over the 3 x 1 x 6 box; 50 in each wheel's sphere.
    dMass mass;
    dBodyGetMass(bodies.chassisBody, &mass);
    EXPECT_EQ(mass.mass, 5000.0);
    EXPECT_TRUE(VectorNear(Vector3(float(mass.I[0]), float(mass.I[5]), float(mass.I[10])),
                           Vector3(1 + 36, 9 + 36, 9 + 1) * (5000.0f / 12.0f), 1e-2f));
    const float z[kTankWheelsPerRow] = {-3, -1.8f, -0.6f, 0.6f, 1.8f, 3};
    for (int i = 0; i < kTankWheelsPerRow; ++i)
    {
        for (float x : {-2.0f, 2.0f})
        {
            dJointID hinge = x < 0 ? bodies.leftHinges[i] : bodies.rightHinges[i];
            dBodyID wheel = x < 0 ? bodies.leftWheelBodies[i] : bodies.rightWheelBodies[i];
            dVector3 anchor, axis;
            dJointGetHingeAnchor(hinge, anchor);
            dJointGetHingeAxis(hinge, axis);
            EXPECT_TRUE(Of(dBodyGetPosition(wheel)) == p + Vector3(x, -0.6f, z[i])) << i << x;
            EXPECT_TRUE(Of(anchor) == p + Vector3(x, -0.6f, z[i]));
            EXPECT_TRUE(Of(axis) == Vector3(1, 0, 0));
            dBodyGetMass(wheel, &mass);
            EXPECT_TRUE(mass.mass == 50.0 && std::fabs(mass.I[0] - 0.4 * 50 * 0.25) < 1e-9);
        }
    }

    // A second tank takes the world over; the first stays where it was.
    int geoms = dSpaceGetNumGeoms(Physics::Instance()->GetSpace());
    AddTank(p + Vector3(20, 0, 0));
    MainSceneGraph.Update();
    EXPECT_EQ(dSpaceGetNumGeoms(Physics::Instance()->GetSpace()), geoms);
    EXPECT_TRUE(Of(dBodyGetPosition(Tank::GetChassisBody())) == p + Vector3(20, 0, 0));
    EXPECT_TRUE(first->position == p);
}

// A missing body model (an empty box) or one a unit or less wide or high
// would give ODE a box of no or negative size, which aborts: the chassis is
// clamped. A body model, or a place, beyond the world's bound would abort
// ODE's step too: the tank gets no chassis or wheels.
TEST_F(TankTest, BodyModelOrPlaceUnfitForAChassisIsLoggedAndTheTankDrivesWithoutNaN)
{
    const struct
    {
        Vector3 min, max; // no file when equal
        Vector3 at;
        const char* logged;
        bool built;
        Vector3 lengths;
    } cases[] = {
        {Vector3(), Vector3(), Vector3(0, 2, 0), "model tank_body.3ds too small", true,
         Vector3(0.01f, 0.01f, 0.01f)},
        {Vector3(), Vector3(1, 0.5f, 4), Vector3(0, 2, 0), "model tank_body.3ds too small", true,
         Vector3(0.01f, 0.01f, 4)},
        {Vector3(-1, 0, -1), Vector3(1e12f, 2, 1), Vector3(0, 2, 0),
         "model tank_body.3ds is too large or too far out (beyond 10000)", false, Vector3()},
        {Vector3(-2, 0, -3), Vector3(2, 2, 3), Vector3(1e10f, 2, 0),
         "position (1e+10, 2, 0) is further out than 10000", false, Vector3()},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.logged);
        ScratchFolder models;
        if (!(c.min == c.max))
        {
            ASSERT_TRUE(WriteBoxFile(models.File(Tank::kBodyModel), c.min, c.max));
        }
        Enter(models.path);
        LogCapture log;
        Tank* tank = AddTank(c.at);
        const std::string& text = log.Text();
        EXPECT_NE(text.find(std::string("Tank::Create() - ") + c.logged), std::string::npos)
            << text;
        EXPECT_EQ(text.find("Tank::Create()"), text.rfind("Tank::Create()")) << "one line";
        EXPECT_EQ(Tank::GetChassisBody() != nullptr, c.built);
        if (c.built)
        {
            dVector3 lengths;
            dGeomBoxGetLengths(bodies.chassisGeom, lengths);
            EXPECT_TRUE(Of(lengths) == c.lengths);
        }

        Hold(tank, "CN");
        Drive(2.0f);
        if (c.built)
        {
            for (int i = 0; i < kTankWheelsPerRow; ++i)
                EXPECT_TRUE(IsFiniteVector(dBodyGetPosition(bodies.leftWheelBodies[i])) &&
                            IsFiniteVector(dBodyGetPosition(bodies.rightWheelBodies[i])) &&
                            IsFiniteVector(dBodyGetPosition(bodies.chassisBody)));
        }
        else
        {
            EXPECT_TRUE(tank->position == c.at) << "the node stays where it was put";
        }
        ClearMainGraph();
    }
}

// The node at the tilted chassis; wheel spins along the tank's own x axis,
// set before any step reads them; the torso's yaw; the gun's pitch in its limits.
TEST_F(TankBoxTest, HeldKeysSpinTheWheelsTurnTheTorsoAndTiltTheGun)
{
    Tank* tank = AddTank(Vector3(0, 5, 0));
    dMatrix3 tilted;
    dRFromAxisAndAngle(tilted, 0.3, 1, 0.2, 0.6);
    dBodySetRotation(bodies.chassisBody, tilted);
    tank->UpdateTree(Matrix(), 0.0f);
    // The model's origin lies the box centre (0, 1, 0) below the chassis.
    EXPECT_TRUE(tank->position == Vector3(0, 5, 0) - ChassisAxis(0, 1, 0));
    const Vector3 axis = ChassisAxis(1, 0, 0);
    const struct
    {
        const char* keys;
        float seconds, startPitch, left, right, yaw, pitch;
    } cases[] = {
        {"", 1, 0, 0, 0, 0, 0},
        {"C", 1, 0, 60, 60, 0, 0},
        {"V", 1, 0, -60, -60, 0, 0},
        {"CV", 1, 0, 0, 0, 0, 0},
        {"N", 1, 0, -600, 600, 0, 0},
        {"M", 1, 0, 600, -600, 0, 0},
        {"NM", 1, 0, 0, 0, 0, 0},
        {"CN", 1, 0, -540, 660, 0, 0},
        {"W", 2, 0, 0, 0, 0, -0.78525f},
        {"S", 2, 0, 0, 0, 0, 0},
        {"S", 0.5f, -0.7f, 0, 0, 0, -0.2f},
        {"WS", 1, -0.3f, 0, 0, 0, -0.3f},
        {"A", 1, 0, 0, 0, -1, 0},
        {"D", 10, 0, 0, 0, 10, 0},
        {"AD", 1, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.keys << " for " << c.seconds << " s");
        tank->torsoYaw = 0.0f;
        tank->gunPitch = c.startPitch;
        Hold(tank, c.keys);
        for (int i = 0; i < kTankWheelsPerRow; ++i)
        {
            dBodySetAngularVel(bodies.leftWheelBodies[i], 7, 7, 7);
            dBodySetAngularVel(bodies.rightWheelBodies[i], 7, 7, 7);
        }
        for (int step = 0; step < 4; ++step)
            tank->UpdateTree(Matrix(), c.seconds / 4.0f);
        EXPECT_EQ(tank->leftSpeed, c.left);
        EXPECT_EQ(tank->rightSpeed, c.right);
        for (int i = 0; i < kTankWheelsPerRow; ++i)
        {
            EXPECT_LT((Of(dBodyGetAngularVel(bodies.leftWheelBodies[i])) - axis * c.left).Length(),
                      1e-3f);
            EXPECT_LT(
                (Of(dBodyGetAngularVel(bodies.rightWheelBodies[i])) - axis * c.right).Length(),
                1e-3f);
        }
        EXPECT_NEAR(tank->torsoYaw, c.yaw, 1e-5f);
        EXPECT_NEAR(tank->gunPitch, c.pitch, 1e-5f);
        EXPECT_NEAR(tank->torso->orientation.y, std::sin(c.yaw / 2), 1e-5f);
        EXPECT_NEAR(tank->gun->orientation.x, std::sin(c.pitch / 2), 1e-5f);
    }
}

// With the torso turned and the gun fully raised, each shot: a shell from the
// muzzle along the gun at 100 units per second and a flash of two particles.
TEST_F(TankBoxTest, EachShotLeavesTheMuzzleAlongTheGunWithItsFlash)
{
    Tank* tank = AddTank(Vector3(3, 5, -2));
    const float yaw = 0.4f;
    const float pitch = Tank::kGunPitchMin;
    tank->torsoYaw = yaw;
    tank->gunPitch = pitch;
    MainSceneGraph.Update();
    tank->Fire();
    tank->Fire();

    // From the node, the box centre (0, 1, 0) below the chassis: the torso,
    // the trunnion turned with it, and 5.5 along the gun.
    Vector3 gun(std::sin(yaw) * std::cos(pitch), -std::sin(pitch), std::cos(yaw) * std::cos(pitch));
    Vector3 muzzle = Vector3(3, 4, -2) + Vector3(0, 2.239f, -0.523f) +
                     Vector3(1.687f * std::sin(yaw), 0.263f, 1.687f * std::cos(yaw)) + gun * 5.5f;
    std::vector<Projectile*> shells = RootNodesOf<Projectile>(kNodeProjectile);
    std::vector<ParticleSystem*> flashes = RootNodesOf<ParticleSystem>(kNodeParticleSystem);
    ASSERT_EQ(shells.size(), 2u);
    ASSERT_EQ(flashes.size(), 2u);
    for (int i = 0; i < 2; ++i)
    {
        EXPECT_LT((shells[i]->position - muzzle).Length(), 1e-4f);
        EXPECT_LT((shells[i]->velocity - gun * 100.0f).Length(), 1e-3f);
        ASSERT_EQ(flashes[i]->particles.size(), 2u);
        EXPECT_TRUE(flashes[i]->stopped);
        EXPECT_TRUE(flashes[i]->interval == 2000 && flashes[i]->fade == 2.0f &&
                    flashes[i]->growthMin == 0.02f && flashes[i]->growthMax == 0.04f &&
                    flashes[i]->gravity == 0.0f);
        const Particle& yellow = *flashes[i]->particles[0];
        const Particle& black = *flashes[i]->particles[1];
        EXPECT_LT((yellow.position - muzzle).Length(), 1e-4f);
        EXPECT_LT((black.position - muzzle - Vector3(0.2f, 0.2f, 0.2f)).Length(), 1e-4f);
        EXPECT_EQ(yellow.colour.ToARGB(), Color3(1, 1, 0.2f).ToARGB());
        EXPECT_EQ(black.colour.ToARGB(), 0xFF000000u);
        EXPECT_TRUE(yellow.size == 4.0f && yellow.life == 1.0f);
        EXPECT_TRUE(black.size == 5.0f && black.life == 0.8f);
    }
}

// The data set's tank on real ODE settles on its wheels, drives straight on
// C, turns left on N, and each frame its node shows the chassis pose after
// that frame's physics step.
TEST_F(TankTest, DataSetTankSettlesDrivesStraightAndTurnsLeft)
{
    Tank* tank = AddTank(Vector3(0, 3, 0), true);
    Drive(3.0f);
    const dReal* chassis = dBodyGetPosition(bodies.chassisBody);
    // Wheel radius, plus the wheels' drop below the centre of the 2.239 high box.
    EXPECT_NEAR(chassis[1], 0.5 + 2.239 / 2 - 0.4, kRestTolerance);
    EXPECT_NEAR(tank->position.y, 0.1f, kRestTolerance);
    EXPECT_GT(ChassisAxis(0, 1, 0).y, 0.999f);

    Hold(tank, "C");
    Drive(5.0f);
    EXPECT_GT(chassis[2], 50.0) << "at up to 30 units per second";
    EXPECT_LT(std::fabs(ChassisAxis(0, 0, 1).x), 0.05f) << "heading kept";

    Hold(tank, "");
    Drive(5.0f);
    Hold(tank, "N");
    float turned = 0.0f;
    for (int i = 0; i < 20; ++i)
    {
        Vector3 before = ChassisAxis(0, 0, 1);
        Drive(0.05f);
        // Negative about y swings the front from +z towards -x: to the left.
        turned += std::asin(before.Cross(ChassisAxis(0, 0, 1)).y);
        Vector3 drawn = Of(chassis) - ChassisAxis(0, 2.239f / 2, 0);
        EXPECT_LT((tank->worldMatrix.GetTranslation() - drawn).Length(), 1e-3f);
        EXPECT_LT(
            (Vector3(1, 0, 0).TransformNormal(tank->worldMatrix) - ChassisAxis(1, 0, 0)).Length(),
            1e-3f);
    }
    EXPECT_LT(turned, -1.0f);
    EXPECT_GT(ChassisAxis(0, 1, 0).y, 0.99f);
}

// Frames that each leave a remainder after a full slice, while the data set's
// tank lands driving and a stack of crates lands where the level reader puts
// it: the shortest remainder stepped as a slice of its own, and 1 ms, which
// goes with the full slice. Stepped on its own, 1 ms would keep the crates
// hopping and the tank bouncing on strained hinges for good.
TEST_F(TankTest, FramesLeavingAShortRemainderThrowNeitherTheTankNorStackedCrates)
{
    for (float remainder : {Physics::kShortestRemainder, 0.001f})
    {
        SCOPED_TRACE(testing::Message() << "remainder " << remainder);
        Hold(AddTank(Vector3(0, 3, 0), true), "C");
        // Four crates side by side, a fifth on them.
        const std::string crate = BoxModel("crate.3ds", Vector3(-1, 0, -1), Vector3(1, 2, 1));
        std::vector<PhysicsBox*> crates;
        for (float x : {-1.025f, 1.025f})
        {
            for (float z : {-1.025f, 1.025f})
                crates.push_back(AddBox(crate, true, 30 + x, z));
        }
        crates.push_back(AddBox(crate, true, 30, 0, 0.0f, 2.05f));

        double crateSpeed = 0.0, chassisRise = 0.0, hingeGap = 0.0;
        for (int frame = 0; frame < 160; ++frame)
        {
            FrameSlices slices(Physics::kStepLength + remainder);
            for (float length = 0.0f; slices.Next(length);)
                Physics::Instance()->Step(length);
            MainSceneGraph.Update();
            if (frame < 120)
                continue;
            // The last two seconds.
            for (PhysicsBox* box : crates)
                crateSpeed =
                    std::max(crateSpeed, double(Of(dBodyGetLinearVel(box->body)).Length()));
            chassisRise =
                std::max(chassisRise, std::fabs(dBodyGetLinearVel(bodies.chassisBody)[1]));
            for (dJointID hinge : bodies.leftHinges)
            {
                dVector3 onChassis, onWheel;
                dJointGetHingeAnchor(hinge, onChassis);
                dJointGetHingeAnchor2(hinge, onWheel);
                hingeGap = std::max(hingeGap,
                                    std::hypot(onChassis[0] - onWheel[0], onChassis[1] - onWheel[1],
                                               onChassis[2] - onWheel[2]));
            }
        }
        EXPECT_LT(crateSpeed, 0.01) << "the crates came to rest";
        EXPECT_LT(chassisRise, 0.01) << "the tank drives level";
        EXPECT_LT(hingeGap, 1e-5) << "the wheels sit on their hinges";
        ClearMainGraph();
        RestartWorld();
    }
}

// The game's own start, the data set's level built by Mod::Start, at a steady
// frame rate or an uneven one as a real window gives it: a box where each line
// of the level file puts it; the tank upright and not thrown while it settles
// from its drop; once the title card has faded the start camera shows every
// crate and wall; after the settle, C held for 10 s of game time keeps the
// tank upright all the way and takes it well ahead. Seeds 27, 29, 32 and 50
// land the tank from its drop among frames of nearly 30 ms followed by ones
// of a few.
TEST_F(TankTest, StartSceneShowsTheObstaclesAndDrivesStraightAheadUpright)
{
    ASSERT_NE(SharedDataSet(), nullptr);
    struct Rhythm
    {
        int shortest, longest; // milliseconds a frame
        unsigned seed;
    };
    const Rhythm rhythms[] = {{3, 3, 0},   {16, 16, 0}, {50, 50, 0}, {4, 12, 1}, {4, 12, 2},
                              {2, 20, 3},  {2, 20, 4},  {2, 20, 22}, {1, 30, 5}, {1, 30, 27},
                              {1, 30, 29}, {1, 30, 32}, {1, 30, 50}};
    Mod* mod = Mod::Instance();
    for (const Rhythm& rhythm : rhythms)
    {
        SCOPED_TRACE(testing::Message()
                     << rhythm.shortest << " to " << rhythm.longest << " ms, seed " << rhythm.seed);
        Enter(SharedDataSet()->path);
        mod->Start();
        // A box for each line of the made level file, in its order, centred
        // on the line's x and z.
        const std::vector<std::string> lines = ReadLines("level.txt");
        const std::vector<PhysicsBox*> boxes = RootNodesOf<PhysicsBox>(kNodePhysicsBox);
        EXPECT_FALSE(lines.empty());
        EXPECT_EQ(boxes.size(), lines.size());
        for (size_t i = 0; i < std::min(boxes.size(), lines.size()); ++i)
        {
            float x = 0, z = 0;
            EXPECT_EQ(std::sscanf(lines[i].c_str(), "%*s %f %f", &x, &z), 2) << lines[i];
            const Vector3 at =
                boxes[i]->geom ? Of(dGeomGetPosition(boxes[i]->geom)) : Vector3(NAN, NAN, NAN);
            EXPECT_TRUE(at.x == x && at.z == z)
                << lines[i] << " placed at " << at.x << ", " << at.z;
        }
        std::mt19937 random(rhythm.seed);
        const unsigned span = static_cast<unsigned>(rhythm.longest - rhythm.shortest + 1);
        float lowest = 1.0f;
        float highest = 0.0f;
        auto play = [&](int milliseconds)
        {
            for (int played = 0; played < milliseconds;)
            {
                const int frame = rhythm.shortest + static_cast<int>(random() % span);
                played += frame;
                Frame(static_cast<DWORD>(frame));
                MainSceneGraph.Update();
                lowest = std::min(lowest, ChassisAxis(0, 1, 0).y);
                highest = std::max(highest, float(dBodyGetPosition(bodies.chassisBody)[1]));
            }
        };
        play(3000);
        // Dropped from 15, the tank never climbs above that height, stays
        // upright every frame and comes to rest on its wheels.
        EXPECT_GT(lowest, 0.99f) << "the tank tipped in the settle after the drop";
        EXPECT_LE(highest, 15.0f) << "the tank was thrown up in the settle";
        EXPECT_NEAR(dBodyGetPosition(bodies.chassisBody)[1], 0.5 + 2.239 / 2 - 0.4, kRestTolerance)
            << "the tank was not resting on its wheels after the settle";

        if (&rhythm == &rhythms[0])
        {
            GuiManager::Instance().SetActive(false);
            const TestFrame full = Picture();
            for (PhysicsBox* box : RootNodesOf<PhysicsBox>(kNodePhysicsBox))
            {
                SmartPtr<::Model> model = box->model;
                box->model = nullptr;
                const TestFrame bare = Picture();
                box->model = model;
                const long shown =
                    std::inner_product(full.pixels.begin(), full.pixels.end(), bare.pixels.begin(),
                                       0L, std::plus<>(), std::not_equal_to<>());
                EXPECT_GT(shown, 50) << (box->body ? "crate" : "wall") << " at " << box->position.x
                                     << ", " << box->position.z;
            }
        }

        Tank* tank = mod->GetTank();
        const Vector3 start = Of(dBodyGetPosition(bodies.chassisBody));
        lowest = 1.0f;
        Hold(tank, "C");
        play(10000);
        EXPECT_GT(lowest, 0.5f) << "the tank tipped over on the way";
        EXPECT_GT(ChassisAxis(0, 1, 0).y, 0.9f) << "the tank ended tilted";
        EXPECT_GE(Of(dBodyGetPosition(bodies.chassisBody)).z - start.z, 100.0f)
            << "the tank stopped short";

        // What Start set up, taken down.
        mod->SetScene(nullptr, nullptr, nullptr);
        mod->SetSplash(nullptr, 0);
        ResetGuiManager();
        Video::Instance().SetFontTexture(nullptr);
        Video::Instance().lights.clear();
        ClearMainGraph();
        RestartWorld();
    }
}

TEST(BouncingShellTest, BouncesOffTheGroundFallsAndDiesWithItsLife)
{
    SmartPtr<BouncingShell> shell = new BouncingShell();
    shell->position = Vector3(2, 1, 0);
    shell->velocity = Vector3(1, -10, 0);
    shell->life = 1.0f;
    shell->decay = 2.0f;
    // Crossing the ground halfway: just above it, half the speed into it
    // turned back out, then gravity.
    shell->Update(0.2f);
    EXPECT_TRUE(shell->previousPosition == Vector3(2, 1, 0));
    EXPECT_TRUE(shell->position == Vector3(2.1f, 0.0001f, 0));
    EXPECT_TRUE(shell->velocity == Vector3(1, 5.0f - 9.81f * 0.2f, 0));
    shell->Update(0.1f);
    EXPECT_NEAR(shell->position.y, 0.0001f + (5.0f - 1.962f) * 0.1f, 1e-5f);
    EXPECT_TRUE(shell->IsAlive());
    // A life of exactly 0 is not yet below it.
    shell->life = 0.2f;
    shell->Update(0.1f);
    EXPECT_TRUE(shell->life == 0.0f && shell->IsAlive());
    shell->Update(0.3f);
    EXPECT_FALSE(shell->IsAlive());
}
