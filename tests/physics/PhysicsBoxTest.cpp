// Physics boxes: the geom of the model's size and the node's pose copied from
// it, models without volume or beyond the world's bound, and the segment test
// the scene's ray cast uses.
#include "math/BoundingBox.h"
#include "math/RayHit.h"
#include "physics/OdeVector.h"
#include "support/LogCapture.h"
#include "support/PhysicsFixture.h"

namespace
{
const Vector3 kCrateMin(-1, 0, -1);
const Vector3 kCrateMax(1, 2, 1);
} // namespace

TEST_F(PhysicsTest, BoxGeomHasTheModelsSizeAndTheNodeFollowsIt)
{
    std::string crate = BoxModel("crate.3ds", kCrateMin, kCrateMax);
    std::string offCentre = BoxModel("odd.3ds", Vector3(0, 0, 0), Vector3(2, 1, 4));
    const struct
    {
        const std::string& model;
        bool dynamic;
        float quarterTurns;
        Vector3 lengths;
    } cases[] = {
        {crate, false, 0.0f, Vector3(2, 2, 2)},
        {crate, true, 0.0f, Vector3(2, 2, 2)},
        {offCentre, false, 1.0f, Vector3(2, 1, 4)},
        {offCentre, true, 0.3f, Vector3(2, 1, 4)},
    };
    float x = 0.0f;
    for (const auto& c : cases)
    {
        PhysicsBox* box = AddBox(c.model, c.dynamic, x += 10.0f, 5, c.quarterTurns);
        ASSERT_NE(box->geom, nullptr);
        ASSERT_EQ(box->body != nullptr, c.dynamic);
        EXPECT_EQ(box->GetType(), 17);
        if (c.dynamic)
        {
            // The mass ODE gives a new body, unchanged.
            dMass mass, fresh;
            dBodyGetMass(box->body, &mass);
            dBodyGetMass(dBodyCreate(Physics::Instance()->GetWorld()), &fresh);
            EXPECT_TRUE(mass.mass == fresh.mass && Of(mass.I) == Of(fresh.I));
        }
        dVector3 lengths;
        dGeomBoxGetLengths(box->geom, lengths);
        EXPECT_TRUE(VectorNear(Of(lengths), c.lengths, 1e-6f));

        // The node carries the model's origin: the model's box under the
        // node's transform is the geom's world box.
        UpdateScene();
        BoundingBox world;
        std::vector<Vector3> corners;
        for (int i = 0; i < 8; ++i)
            corners.push_back(Vector3(i & 1 ? box->boxMax.x : box->boxMin.x,
                                      i & 2 ? box->boxMax.y : box->boxMin.y,
                                      i & 4 ? box->boxMax.z : box->boxMin.z)
                                  .TransformCoord(box->worldMatrix));
        world.Fit(corners);
        dReal aabb[6];
        dGeomGetAABB(box->geom, aabb);
        EXPECT_TRUE(VectorNear(world.min, Vector3(float(aabb[0]), float(aabb[2]), float(aabb[4]))));
        EXPECT_TRUE(VectorNear(world.max, Vector3(float(aabb[1]), float(aabb[3]), float(aabb[5]))));
    }
    // Standing on the ground, the crate's origin is on it.
    SceneNode* first = MainSceneGraph.GetRoot()->GetChildren().front().Get();
    EXPECT_TRUE(first->position == Vector3(10, 0, 5));
}

TEST_F(PhysicsTest, ModelWithoutVolumeOrBeyondTheWorldMakesNoGeomAndTheBoxDoesNothing)
{
    const std::string noVolume = "has no volume";
    const std::string beyond = "is too large or too far out (beyond 10000)";
    const struct
    {
        std::string model;
        const std::string& logged;
    } cases[] = {
        {folder.File("missing.3ds"), noVolume},
        {Model("empty.3ds", {}, {}), noVolume},
        {Model("flat.3ds", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2}), noVolume},
        // As a body, 1e12 long, it would abort ODE's steps.
        {BoxModel("vast.3ds", Vector3(-1, 0, -1), Vector3(1e12f, 2, 1)), beyond},
        {BoxModel("aside.3ds", Vector3(20000, 0, 0), Vector3(20002, 2, 2)), beyond},
    };
    for (const auto& c : cases)
    {
        const std::string& model = c.model;
        LogCapture log;
        PhysicsBox* box = AddBox(model, true, 1, 1);
        EXPECT_EQ(box->geom, nullptr) << model;
        EXPECT_EQ(box->body, nullptr) << model;
        int lines = 0;
        for (const std::string& line : log.Lines())
            lines += line.find("PhysicsBox::Load() - model " + model + " " + c.logged) == 0;
        EXPECT_EQ(lines, 1) << log.Text();

        // A vast body takes a few steps to abort ODE.
        Simulate(1.0f);
        box->Render(VideoTestSupport::Device());
        RayHit hit;
        box->IntersectSegment(Vector3(-5, 1, 1), Vector3(5, 1, 1), hit);
        EXPECT_EQ(hit.distance, kNoHitDistance);
        EXPECT_TRUE(box->position == Vector3(0, 0, 0));
    }
}

TEST_F(PhysicsTest, SegmentHitsTheFaceItEntersBy)
{
    PhysicsBox* crate = AddBox(BoxModel("crate.3ds", kCrateMin, kCrateMax), false, 0, 0);
    // A wall turned a quarter: 1 wide along x, 8 long along z.
    PhysicsBox* wall =
        AddBox(BoxModel("wall.3ds", Vector3(-4, 0, -0.5f), Vector3(4, 3, 0.5f)), false, 20, 0, 1);
    UpdateScene();
    const struct
    {
        PhysicsBox* box;
        Vector3 from, to;
        float held;
        float distance;
        Vector3 normal;
    } cases[] = {
        {crate, Vector3(-3, 1, 0), Vector3(3, 1, 0), kNoHitDistance, 1.0f / 3.0f,
         Vector3(-1, 0, 0)},
        {crate, Vector3(0.5f, 5, 0), Vector3(0.5f, -1, 0), kNoHitDistance, 0.5f, Vector3(0, 1, 0)},
        {crate, Vector3(0, 1, 4), Vector3(0, 1, -4), kNoHitDistance, 0.375f, Vector3(0, 0, 1)},
        // Inside to inside, ending exactly on a face, passing over the top.
        {crate, Vector3(-0.5f, 1, 0), Vector3(0.5f, 1, 0), kNoHitDistance, kNoHitDistance, {}},
        {crate, Vector3(-3, 1, 0), Vector3(-1, 1, 0), kNoHitDistance, kNoHitDistance, {}},
        {crate, Vector3(-3, 2.5f, 0), Vector3(3, 2.5f, 0), kNoHitDistance, kNoHitDistance, {}},
        // Starting on a face and leaving by it.
        {crate, Vector3(-1, 1, 0), Vector3(-3, 1, 0), kNoHitDistance, kNoHitDistance, {}},
        // Down the plane of a side face onto the top's edge: the edge is surface.
        {crate, Vector3(1, 4, 0), Vector3(1, 0, 0), kNoHitDistance, 0.5f, Vector3(0, 1, 0)},
        // A nearer or equally near hit already held stays.
        {crate, Vector3(-3, 1, 0), Vector3(3, 1, 0), 0.2f, 0.2f, {}},
        {crate, Vector3(0.5f, 5, 0), Vector3(0.5f, -1, 0), 0.5f, 0.5f, {}},
        // The turned wall's faces: hit at x = 19.5, not at 16.
        {wall, Vector3(17, 1, 0), Vector3(23, 1, 0), kNoHitDistance, 2.5f / 6.0f,
         Vector3(-1, 0, 0)},
        {wall, Vector3(20, 1, -6), Vector3(20, 1, 6), kNoHitDistance, 2.0f / 12.0f,
         Vector3(0, 0, -1)},
    };
    for (const auto& c : cases)
    {
        RayHit hit;
        hit.distance = c.held;
        c.box->IntersectSegment(c.from, c.to, hit);
        EXPECT_NEAR(hit.distance, c.distance, 1e-5f) << c.from.x << " " << c.from.y;
        bool hitHere = c.distance < 1.0f && c.held > 1.0f;
        EXPECT_EQ(hit.object.Get(), hitHere ? c.box : nullptr);
        if (hitHere)
        {
            EXPECT_NEAR((hit.normal - c.normal).Length(), 0.0f, 1e-5f);
            EXPECT_TRUE(hit.point == c.from + (c.to - c.from) * c.distance);
        }
    }
}

TEST_F(PhysicsTest, ShellRayCastHitsABoxOnTheGroundBeforeTheGround)
{
    PhysicsBox* crate = AddBox(BoxModel("crate.3ds", kCrateMin, kCrateMax), true, 0, 0);
    Simulate(2.0f);
    SmartPtr<RayHit> onBox = MainSceneGraph.RayCast(Vector3(-1, 4, 0), Vector3(1, -4, 0));
    EXPECT_EQ(onBox->object.Get(), crate);
    EXPECT_NEAR(onBox->distance, 0.25f, 0.01f) << "the top face at y = 2, the ground at 0.5";
    SmartPtr<RayHit> beside = MainSceneGraph.RayCast(Vector3(-1, 4, 5), Vector3(1, -4, 5));
    EXPECT_EQ(beside->object.Get(), nullptr);
    EXPECT_NEAR(beside->distance, 0.5f, 1e-5f) << "the ground";
}

// One traversal after the step, the box is drawn and hit where the step left
// it: a crate thrown at 30 units per second is not half a unit behind.
TEST_F(PhysicsTest, BoxIsDrawnAndHitWhereThisFramesStepLeftIt)
{
    PhysicsBox* crate = AddBox(BoxModel("crate.3ds", kCrateMin, kCrateMax), true, 0, 0, 0, 5);
    MainSceneGraph.Update();
    dBodySetLinearVel(crate->body, 30, 0, 0);
    Physics::Instance()->Step(Physics::kStepLength);
    MainSceneGraph.Update();
    const Vector3 centre = Of(dGeomGetPosition(crate->geom));
    ASSERT_GT(centre.x, 1.4f);
    EXPECT_TRUE(VectorNear(crate->worldMatrix.GetTranslation(), centre - Vector3(0, 1, 0)));
    SmartPtr<RayHit> hit =
        MainSceneGraph.RayCast(Vector3(10, centre.y, 0), Vector3(-10, centre.y, 0));
    EXPECT_EQ(hit->object.Get(), crate);
    EXPECT_NEAR(hit->distance, (10.0f - centre.x - 1.0f) / 20.0f, 1e-5f);
}
