// The physics world: frame slicing, real ODE behaviour of dropped boxes, the
// near callback's contacts, the rigid-body wrapper, and the Kernel's calls.
#include "core/Kernel.h"
#include "physics/OdeVector.h"
#include "physics/RigidBody.h"
#include "support/FreshProcess.h"
#include "support/PhysicsFixture.h"

#include <limits>

TEST(FrameSlicesTest, FrameTimeIsCutIntoTwentiethsOfASecondAndOneLastSlice)
{
    const float inf = std::numeric_limits<float>::infinity();
    const struct
    {
        float frame;
        std::vector<float> slices;
    } cases[] = {
        {0.12f, {0.05f, 0.05f, 0.02f}},
        {0.05f, {0.05f}},
        {0.1f, {0.05f, 0.05f}},
        {0.01f, {0.01f}},
        {1.0f, std::vector<float>(20, 0.05f)},
        {0.06f, {0.05f, 0.01f}},
        {0.11f, {0.05f, 0.05f, 0.01f}},
        {0.0625f, {0.05f, 0.0125f}},
        // A remainder too short to step soundly goes with the last full
        // slice: 5 ms, and the sliver that float rounding leaves of 0.15 s.
        {0.055f, {0.055f}},
        {0.105f, {0.05f, 0.055f}},
        {0.15f, {0.05f, 0.05f, 0.05f}},
        {0.0f, {}},
        {-0.1f, {}},
        {inf, {}},
        {std::numeric_limits<float>::quiet_NaN(), {}},
    };
    for (const auto& c : cases)
    {
        FrameSlices slices(c.frame);
        std::vector<float> taken;
        float length = 0.0f;
        while (slices.Next(length) && taken.size() < 100)
            taken.push_back(length);
        ASSERT_EQ(taken.size(), c.slices.size()) << "frame " << c.frame;
        for (size_t i = 0; i < taken.size(); ++i)
            EXPECT_NEAR(taken[i], c.slices[i], 1e-6f) << "frame " << c.frame;
    }
}

// A body in free fall shows how the frame was stepped: velocity sums the
// slices, the distance fallen depends on how they were cut.
TEST_F(PhysicsTest, UpdateStepsTheScaledFrameTimeOfTheTimer)
{
    dBodyID body = dBodyCreate(Physics::Instance()->GetWorld());
    const struct
    {
        DWORD milliseconds;
        float scale;
        double velocity;
        double fallen;
    } cases[] = {
        // 0.05 + 0.05 + 0.02; in one step it would fall 0.141, in 0.06 + 0.06 0.106.
        {120, 1.0f, -1.1772, -0.097119},
        // A tenth of a second at a fifth of the speed: one slice of 0.02.
        {100, 0.2f, -0.1962, -0.003924},
        // No time, no step.
        {0, 1.0f, 0.0, 0.0},
    };
    for (const auto& c : cases)
    {
        dBodySetPosition(body, 0, 10, 0);
        dBodySetLinearVel(body, 0, 0, 0);
        Timer::Instance()->SetTimeScale(c.scale);
        Frame(c.milliseconds);
        EXPECT_NEAR(dBodyGetLinearVel(body)[1], c.velocity, 1e-4) << c.milliseconds << " ms";
        EXPECT_NEAR(dBodyGetPosition(body)[1] - 10.0, c.fallen, 1e-4) << c.milliseconds << " ms";
    }

    // A frame of 60 ms steps as one of 50 ms followed by one of 10 ms; in one
    // step of 0.06 the body would fall 0.0353, not 0.0304.
    Timer::Instance()->SetTimeScale(1.0f);
    auto fall = [&](std::initializer_list<DWORD> frames)
    {
        dBodySetPosition(body, 0, 10, 0);
        dBodySetLinearVel(body, 0, 0, 0);
        for (DWORD milliseconds : frames)
            Frame(milliseconds);
        return dBodyGetPosition(body)[1] - 10.0;
    };
    const double whole = fall({60});
    EXPECT_NEAR(whole, fall({50, 10}), 1e-7);
    EXPECT_NEAR(whole, -0.030411, 1e-6);
}

TEST_F(PhysicsTest, DroppedBoxesSettleOnTheGroundAndOnStaticBoxesAndStay)
{
    std::string crate = BoxModel("crate.3ds", Vector3(-1, 0, -1), Vector3(1, 2, 1));
    std::string wall = BoxModel("wall.3ds", Vector3(-4, 0, -0.5f), Vector3(4, 3, 0.5f));
    PhysicsBox* onGround = AddBox(crate, true, 0, 0);
    PhysicsBox* standing = AddBox(wall, false, 10, 0);
    PhysicsBox* onWall = AddBox(crate, true, 10, 0, 0.0f, 3.0f);

    // Frames of 0.15 s, three steps each: no sliver of a step after them
    // throws the landing boxes.
    for (int i = 0; i < 33; ++i)
        Frame(150);
    UpdateScene();
    Vector3 early = onWall->position;
    Simulate(55.0f);
    const struct
    {
        PhysicsBox* box;
        Vector3 rest;
    } boxes[] = {
        {onGround, Vector3(0, 0, 0)}, {standing, Vector3(10, 0, 0)}, {onWall, Vector3(10, 3, 0)}};
    for (const auto& b : boxes)
    {
        ASSERT_TRUE(IsFiniteVector(dGeomGetPosition(b.box->geom)));
        EXPECT_TRUE(VectorNear(b.box->position, b.rest, kRestTolerance));
        EXPECT_NEAR(b.box->orientation.w, 1.0f, 1e-3f) << "the box has not tipped or turned";
    }
    EXPECT_EQ(dGeomGetPosition(standing->geom)[1], 1.5) << "a static box never moves";
    EXPECT_LT((onWall->position - early).Length(), 0.005f) << "no drift once settled";
    EXPECT_LT(std::fabs(dBodyGetLinearVel(onGround->body)[1]), 0.01);
}

// A crate falling at 16 units per second ends a 30 ms frame deep in the
// ground; a 1 ms frame after it pushes it out no faster than a contact may
// correct (without the limit, at some 37 units per second).
TEST_F(PhysicsTest, AShortFrameAfterALongOnePushesAnOverlapOutSlowly)
{
    PhysicsBox* box =
        AddBox(BoxModel("crate.3ds", Vector3(-1, 0, -1), Vector3(1, 2, 1)), true, 0, 0, 0.0f, 0.2f);
    dBodySetLinearVel(box->body, 0, -16, 0);
    Frame(30);
    ASSERT_LT(dBodyGetPosition(box->body)[1], 0.85) << "the crate is not deep in the ground";
    Frame(1);
    const double rise = dBodyGetLinearVel(box->body)[1];
    EXPECT_GT(rise, 0.0);
    EXPECT_LE(rise, Physics::kMaxCorrectingSpeed + 1e-4);
}

// Contacts of one collision pass, counted on the bodies before the step: a
// wheel joined to its chassis never touches it, but touches the ground.
TEST_F(PhysicsTest, JoinedBodiesMakeNoContactWithEachOther)
{
    Physics* physics = Physics::Instance();
    for (bool joined : {true, false})
    {
        dBodyID chassis = dBodyCreate(physics->GetWorld());
        dGeomSetBody(dCreateBox(physics->GetSpace(), 2, 1, 4), chassis);
        dBodySetPosition(chassis, 20.0 * joined, 1, 0);
        dBodyID wheel = dBodyCreate(physics->GetWorld());
        dGeomSetBody(dCreateSphere(physics->GetSpace(), 0.5), wheel);
        dBodySetPosition(wheel, 20.0 * joined + 1, 0.45, 0);
        if (joined)
            dJointAttach(dJointCreateHinge(physics->GetWorld(), nullptr), chassis, wheel);

        dSpaceCollide(physics->GetSpace(), nullptr, &Physics::NearCallback);
        int chassisContacts = dBodyGetNumJoints(chassis) - joined;
        int wheelContacts = dBodyGetNumJoints(wheel) - joined;
        dJointGroupEmpty(physics->GetContactGroup());
        EXPECT_EQ(wheelContacts - chassisContacts, 1) << "the wheel's ground contact";
        EXPECT_EQ(chassisContacts, joined ? 0 : 1) << (joined ? "joined" : "apart");
    }
}

// A box lying on a finely cut mesh touches it in dozens of points: the pair
// makes ten contacts.
TEST_F(PhysicsTest, OnePairOfGeomsMakesAtMostTenContacts)
{
    Physics* physics = Physics::Instance();
    // 10 by 10 squares of 0.2, two triangles each, in the plane y = 5.
    const int n = 10;
    std::vector<float> vertices;
    std::vector<dTriIndex> triangles;
    for (int i = 0; i <= n; ++i)
    {
        for (int j = 0; j <= n; ++j)
            vertices.insert(vertices.end(), {0.2f * float(i), 5.0f, 0.2f * float(j)});
    }
    for (dTriIndex i = 0; i < n; ++i)
    {
        for (dTriIndex j = 0; j < n; ++j)
        {
            dTriIndex a = i * (n + 1) + j, b = a + n + 1;
            triangles.insert(triangles.end(), {a, a + 1, b, a + 1, b + 1, b});
        }
    }
    dTriMeshDataID data = dGeomTriMeshDataCreate();
    dGeomTriMeshDataBuildSingle(data, vertices.data(), 3 * sizeof(float),
                                static_cast<int>(vertices.size() / 3), triangles.data(),
                                static_cast<int>(triangles.size()), 3 * sizeof(dTriIndex));
    dGeomID mesh = dCreateTriMesh(physics->GetSpace(), data, nullptr, nullptr, nullptr);
    dBodyID box = dBodyCreate(physics->GetWorld());
    dGeomSetBody(dCreateBox(physics->GetSpace(), 1.5, 1.5, 1.5), box);
    dBodySetPosition(box, 1, 5.74, 1);

    dSpaceCollide(physics->GetSpace(), nullptr, &Physics::NearCallback);
    EXPECT_EQ(dBodyGetNumJoints(box), 10);
    dJointGroupEmpty(physics->GetContactGroup());
    dGeomDestroy(mesh);
    dGeomTriMeshDataDestroy(data);
}

TEST_F(PhysicsTest, RigidBodyShapesStayWhereTheyWerePutAndCollide)
{
    // A sphere added to a body sits at its offset without moving the body.
    RigidBody* wheel = Physics::Instance()->CreateBody(true);
    wheel->SetPosition(Vector3(0, 5, 0));
    wheel->AddSphere(Vector3(1, 0, 0), 0.5f);
    EXPECT_TRUE(wheel->GetPosition() == Vector3(0, 5, 0));
    EXPECT_NEAR(dGeomGetPosition(wheel->geoms[0])[0], 1.0, 1e-6);
    EXPECT_EQ(wheel->GetParameter(), 0.0f);

    // A capped cylinder (3 long, radius 0.5) lies along x at its offset on a
    // body, along z on its own.
    SmartPtr<RigidBody> loose = new RigidBody(false);
    loose->AddCappedCylinder(Vector3(0, 5, -20), 0.5f, 3);
    wheel->AddCappedCylinder(Vector3(0, 0, 2), 0.5f, 3);
    for (RigidBody* holder : {wheel, loose.Get()})
    {
        dReal aabb[6];
        dGeomGetAABB(holder->geoms.back(), aabb);
        const Vector3 min{float(aabb[0]), float(aabb[2]), float(aabb[4])};
        const Vector3 max{float(aabb[1]), float(aabb[3]), float(aabb[5])};
        const Vector3 centre = holder == wheel ? Vector3(0, 5, 2) : Vector3(0, 5, -20);
        const Vector3 half = holder == wheel ? Vector3(2, 0.5f, 0.5f) : Vector3(0.5f, 0.5f, 2);
        EXPECT_TRUE(VectorNear(min, centre - half) && VectorNear(max, centre + half));
    }
    // Outlined: the sphere by its diameter, the capsules by their diameter and
    // the length between their caps.
    std::vector<Physics::Outline> outlines;
    Physics::Instance()->GetOutlines(outlines);
    int spheres = 0, capsules = 0;
    for (const Physics::Outline& outline : outlines)
    {
        spheres += outline.extents == Vector3(1, 1, 1);
        capsules += outline.extents == Vector3(1, 1, 3);
    }
    EXPECT_TRUE(spheres == 1 && capsules == 2) << spheres << " " << capsules;

    // A box in a geom transform holds its body up: the contacts reach it.
    RigidBody* crate = Physics::Instance()->CreateBody(true);
    crate->AddBox(Vector3(0, 0.5f, 0), Vector3(2, 1, 2), nullptr);
    crate->SetPosition(Vector3(30, 0.1f, 0));
    crate->SetQuaternion(Quaternion::FromAxisAngle(Vector3(0, 1, 0), 0.5f));
    Simulate(10.0f);
    EXPECT_NEAR(crate->GetPosition().y, 0.0f, kRestTolerance);
    EXPECT_NEAR(crate->GetQuaternion().y, std::sin(0.25f), 1e-3f) << "(x, y, z, w) order";

    // Shut down, the world is gone; a body still held lets go harmlessly.
    SmartPtr<RigidBody> held = crate;
    Physics::Instance()->DestroyBody(crate);
    EXPECT_EQ(Physics::Instance()->bodies.size(), 1u);
    Physics::Instance()->Shutdown();
    EXPECT_EQ(Physics::Instance()->GetWorld(), nullptr);
    held = nullptr;
    RefObject::CollectGarbage();
}

// The Kernel starts Physics, steps it before the scene's update in each frame
// and destroys the world at shut-down. Run in a fresh process: the Kernel owns
// the process's subsystems.
TEST(PhysicsKernelTest, KernelStartsStepsBeforeTheSceneAndStopsPhysics)
{
    class Probe : public SceneNode
    {
    public:
        int GetType() override { return kNodeStaticModel; }
        void Update(float) override { seen = dBodyGetPosition(body)[1]; }
        dBodyID body = nullptr;
        double seen = 0.0;
    };
    if (const char* folder = FreshProcessFolder())
    {
        WorkingFolder inside(folder);
        Kernel::GetInstance()->Init();
        Physics* physics = Physics::Instance();
        ASSERT_NE(physics->GetWorld(), nullptr);
        SmartPtr<Probe> probe = new Probe();
        probe->body = dBodyCreate(physics->GetWorld());
        MainSceneGraph.GetRoot()->AddChild(probe.Get());
        Kernel::GetInstance()->Update();
        const double now = dBodyGetPosition(probe->body)[1];
        EXPECT_LT(now, 0.0) << "not stepped";
        EXPECT_EQ(probe->seen, now) << "not stepped before the scene";
        Kernel::GetInstance()->Shutdown();
        EXPECT_EQ(physics->GetWorld(), nullptr);
        return;
    }
    ScratchFolder dir("kernel-physics");
    EXPECT_EQ(WaitExit(StartFreshProcess(dir.path), std::chrono::seconds(60)), 0);
}
