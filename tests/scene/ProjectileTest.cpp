// Shells stepped through the main graph: the hit on the ground or on a level
// face with its burst of smoke emitters, flight under gravity, the secondary
// graph's move, the state.
#include "scene/Projectile.h"
#include "net/Message.h"
#include "scene/Level.h"
#include "scene/SmokeEmitter.h"
#include "support/SceneFixture.h"

#include <cmath>

using ProjectileTest = SceneFrameTest;

TEST_F(ProjectileTest, StepThatCrossesTheGroundStopsTheShellAndThrowsTenEmitters)
{
    Projectile* shell = new Projectile();
    shell->position = Vector3(4, 10, -2);
    shell->velocity = Vector3(0, -100, 0);
    MainSceneGraph.GetRoot()->AddChild(shell);
    SmartPtr<ParticleSystem> trail = shell->trail;

    // The first step of 0.05 s, 100.4905 * 0.05 = 5.0245 long, stays above the
    // ground; the second crosses it. The trail's first puff draws its speed
    // factor, size and growth.
    const std::vector<float> puffDraws =
        RandomFloatsFrom(3, {{0.5f, 1.0f}, {1.0f, 1.5f}, {0.0f, 0.02f}});
    RunFrame(1000, 0.05f);
    EXPECT_NEAR(shell->position.y, 10.0f - 5.024525f, 1e-4f);
    EXPECT_TRUE(RootNodesOf<SmokeEmitter>(kNodeSmokeEmitter).empty());
    ASSERT_EQ(trail->particles.size(), 1u);
    const Particle& puff = *trail->particles[0];
    EXPECT_TRUE(puff.position == Vector3(4, 10, -2)) << "puffed at the launch";
    EXPECT_TRUE(puff.size == puffDraws[1] && puff.growth == puffDraws[2] && puff.colour.r == 0.5f);
    // Frames without time: the trail puffs again once 30 ms have passed.
    RunFrame(1030, 0.0f);
    EXPECT_EQ(trail->particles.size(), 1u);
    RunFrame(1031, 0.0f);
    EXPECT_EQ(trail->particles.size(), 2u);
    // The shell draws first in the frame of the hit: three numbers an emitter,
    // its z, then y, then x.
    const std::vector<float> draws =
        RandomFloatsFrom(7, std::vector<std::pair<float, float>>(30, {-15.0f, 15.0f}));
    RunFrame(1050, 0.05f);
    EXPECT_NEAR(shell->position.y, 0.0f, 1e-5f);
    EXPECT_FALSE(shell->IsAlive());
    std::vector<SmokeEmitter*> emitters = RootNodesOf<SmokeEmitter>(kNodeSmokeEmitter);
    ASSERT_EQ(emitters.size(), 10u);
    for (size_t k = 0; k < emitters.size(); ++k)
    {
        SmokeEmitter* e = emitters[k];
        EXPECT_EQ(e->flightVelocity.z, draws[3 * k]) << "emitter " << k;
        EXPECT_EQ(e->flightVelocity.y, 20.0f + draws[3 * k + 1] - 4.81f * 0.05f) << "emitter " << k;
        EXPECT_EQ(e->flightVelocity.x, draws[3 * k + 2]) << "emitter " << k;
        // Thrown along the normal at 20 plus up to 15 either way, and already
        // flown one step in the frame of the hit.
        Vector3 v = e->flightVelocity + Vector3(0, 4.81f * 0.05f, 0);
        EXPECT_TRUE(v.y >= 5 && v.y <= 35 && std::fabs(v.x) <= 15 && std::fabs(v.z) <= 15);
        EXPECT_TRUE(e->position - e->flightVelocity * 0.05f == Vector3(4, 0, -2));
        EXPECT_EQ(e->life, 3.0f - 0.05f);
        // Its smoke is where it is, not at the origin.
        for (const SmartPtr<Particle>& p : e->system->particles)
            EXPECT_TRUE(p->position == e->position);
    }

    // The trail's puffs do not rise. The dead shell leaves at the next
    // traversal; its trail stops and dies when its puffs have faded at 0.1 a
    // second.
    EXPECT_EQ(puff.velocity.y, 0.0f);
    EXPECT_TRUE(RootHolds(shell) && trail->stopped);
    RunFrame(1100, 0.05f);
    EXPECT_FALSE(RootHolds(shell));
    RunFrame(1150, 9.8f);
    EXPECT_TRUE(trail->IsAlive());
    RunFrame(1200, 0.2f);
    EXPECT_FALSE(trail->IsAlive());

    // The ground is solid below its plane: a shell fired from under it, or
    // from on it downwards, strikes it where it is instead of falling for good.
    for (float y : {-0.5f, 0.0f})
    {
        SmartPtr<Projectile> buried = new Projectile();
        buried->position = Vector3(1, y, 1);
        buried->velocity = Vector3(0, -100, 0);
        MainSceneGraph.GetRoot()->AddChild(buried.Get());
        RunFrame(1250, 0.05f);
        EXPECT_FALSE(buried->IsAlive()) << y;
        EXPECT_TRUE(buried->position == Vector3(1, y, 1)) << y;
    }
}

// A step that ends exactly on a level's face (distance 1) is a hit.
TEST_F(ProjectileTest, StepEndingExactlyOnALevelFaceStopsTheShellThere)
{
    Level* level = new Level();
    level->octree = new OctreeNode(Vector3(-11, 3, -11), Vector3(11, 5, 11), 3);
    LevelTriangle floor;
    const Vector3 corners[3] = {{-10, 4, -10}, {-10, 4, 10}, {10, 4, -10}};
    for (int k = 0; k < 3; ++k)
        floor.vertices[k] = LevelVertex{corners[k].x, corners[k].y, corners[k].z, 0, 0, 0, 0, 0};
    floor.normal = Vector3(0, 1, 0);
    ASSERT_TRUE(level->octree->Insert(floor));
    MainSceneGraph.GetRoot()->AddChild(level);

    Projectile* shell = new Projectile();
    shell->useGravity = 0;
    shell->position = Vector3(-1, 5, -1);
    shell->velocity = Vector3(0, -20, 0); // one unit in 0.05 s, down to y 4
    MainSceneGraph.GetRoot()->AddChild(shell);
    RunFrame(1000, 0.05f);
    EXPECT_FALSE(shell->IsAlive());
    EXPECT_TRUE(shell->position == Vector3(-1, 4, -1));
    EXPECT_EQ(RootNodesOf<SmokeEmitter>(kNodeSmokeEmitter).size(), 10u);
}

TEST_F(ProjectileTest, FlightFollowsGravityWhenSetAndMoveNeverCollides)
{
    struct Case
    {
        bool secondary;
        uint8_t useGravity;
        float fromY;
        float drop; // after ten steps of 0.1 s: 0.0981 * (1 + ... + 10)
    };
    const Case cases[] = {{false, 1, 100, 5.3955f}, {false, 0, 100, 0}, {true, 1, 1, 5.3955f}};
    for (const Case& c : cases)
    {
        SmartPtr<Projectile> shell = new Projectile();
        shell->useGravity = c.useGravity;
        shell->position = Vector3(0, c.fromY, 0);
        shell->velocity = Vector3(10, 0, 0);
        SceneGraph& graph = c.secondary ? SecondarySceneGraph : MainSceneGraph;
        graph.GetRoot()->AddChild(shell.Get());
        for (int i = 0; i < 10; ++i)
            c.secondary ? graph.GetRoot()->MoveTree(Matrix(), 0.1f)
                        : graph.GetRoot()->UpdateTree(Matrix(), 0.1f);
        EXPECT_TRUE(shell->position == Vector3(10, c.fromY - c.drop, 0)) << shell->position.y;
        EXPECT_TRUE(shell->IsAlive());
        EXPECT_EQ(RootHolds(shell->trail.Get()), !c.secondary) << "Move leaves no trail";
        graph.GetRoot()->RemoveChild(shell.Get());
        ClearMainGraph();
    }
}

TEST(ProjectileStateTest, StateMessageCarriesTheNodeBlockThenTheShellFields)
{
    SmartPtr<Projectile> shell = new Projectile();
    shell->position = Vector3(1, 2, 3);
    shell->useGravity = 0;
    shell->tag = 0xDEADBEEF;
    shell->auxVector = Vector3(4, 5, 6);
    SmartPtr<Message> message = shell->CreateStateMessage();
    EXPECT_EQ(message->type, kStateMessageType);
    EXPECT_EQ(message->GetLength(), 56u + 1 + 4 + 12);
    message->ReadInt();
    SmartPtr<Projectile> copy = new Projectile();
    EXPECT_EQ(copy->tag, 40u);
    copy->ApplyState(*message);
    EXPECT_TRUE(copy->position == Vector3(1, 2, 3) && copy->auxVector == Vector3(4, 5, 6));
    EXPECT_EQ(copy->useGravity, 0);
    EXPECT_EQ(copy->tag, 0xDEADBEEFu);
    EXPECT_EQ(message->GetReadPos(), message->GetWritePos());
}
