// Shells stepped through the main graph: flight under gravity, the hit on the
// ground plane with its burst of smoke emitters, where the smoke is born, the
// secondary graph's move and the state message.
#include "scene/Projectile.h"
#include "net/Message.h"
#include "scene/SceneFrames.h"
#include "scene/SmokeEmitter.h"

namespace
{
Projectile* Fire(const Vector3& from, const Vector3& velocity)
{
    Projectile* shell = new Projectile();
    shell->position = from;
    shell->velocity = velocity;
    MainSceneGraph.GetRoot()->AddChild(shell);
    return shell;
}

// True when every particle of the system lies within 1e-5 of the point.
::testing::AssertionResult AllAt(const ParticleSystem& system, const Vector3& point)
{
    for (const SmartPtr<Particle>& p : system.particles)
        if (!(p->position == point))
            return ::testing::AssertionFailure() << "particle at " << p->position.x << ", "
                                                 << p->position.y << ", " << p->position.z;
    return ::testing::AssertionSuccess();
}
} // namespace

using ProjectileTest = SceneFrameTest;

TEST_F(ProjectileTest, ShellStopsWhereItsStepCrossesTheGroundAndThrowsTenEmitters)
{
    struct Case
    {
        float height;
        bool hits;
        float y; // after one step of 0.05 s at (0, -100, 0)
    };
    // After gravity the step is 100.4905 * 0.05 = 5.0245 long.
    const Case cases[] = {{10.0f, false, 10.0f - 5.024525f}, {1.0f, true, 0.0f}};
    for (const Case& c : cases)
    {
        Projectile* shell = Fire(Vector3(4, c.height, -2), Vector3(0, -100, 0));
        RunFrame(1000, 0.05f);
        EXPECT_NEAR(shell->position.y, c.y, 1e-4f) << "from " << c.height;
        EXPECT_EQ(shell->IsAlive(), !c.hits);
        EXPECT_EQ(shell->trail->stopped != 0, c.hits);
        std::vector<SmokeEmitter*> emitters = RootNodesOf<SmokeEmitter>(kNodeSmokeEmitter);
        ASSERT_EQ(emitters.size(), c.hits ? 10u : 0u);
        for (SmokeEmitter* e : emitters)
        {
            // Thrown along the normal (0, 1, 0) at 20 plus up to 15 either way.
            EXPECT_EQ(e->life, 3.0f - 0.05f) << "one update in the frame of the hit";
            Vector3 v = e->flightVelocity + Vector3(0, 4.81f * 0.05f, 0);
            EXPECT_TRUE(v.y >= 5.0f && v.y <= 35.0f) << v.y;
            EXPECT_TRUE(v.x >= -15.0f && v.x <= 15.0f && v.z >= -15.0f && v.z <= 15.0f);
            EXPECT_TRUE(e->position - e->flightVelocity * 0.05f == Vector3(4, 0, -2));
        }
        ClearMainGraph();
    }
}

TEST_F(ProjectileTest, SmokeIsBornOnlyWhereTheShellAndTheEmittersAre)
{
    Projectile* shell = Fire(Vector3(4, 1.2f, -2), Vector3(0, -20, 0));
    SmartPtr<ParticleSystem> trail = shell->trail;
    EXPECT_FALSE(RootHolds(trail.Get())) << "no trail before the shell is placed";

    // The trail's first puff is at the launch point, in the trail's grey.
    RunFrame(1000, 0.05f);
    ASSERT_TRUE(shell->IsAlive());
    ASSERT_EQ(trail->particles.size(), 1u);
    EXPECT_TRUE(AllAt(*trail, Vector3(4, 1.2f, -2)));
    EXPECT_FLOAT_EQ(trail->particles[0]->colour.r, 0.5f);

    // The next step hits: each emitter's system holds smoke at the emitter
    // only, in grey up to 0.3, and none at the world origin.
    RunFrame(1010, 0.05f);
    ASSERT_FALSE(shell->IsAlive());
    std::vector<SmokeEmitter*> emitters = RootNodesOf<SmokeEmitter>(kNodeSmokeEmitter);
    ASSERT_EQ(emitters.size(), 10u);
    for (SmokeEmitter* e : emitters)
    {
        ASSERT_TRUE(RootHolds(e->system.Get()));
        EXPECT_FALSE(e->system->particles.empty());
        EXPECT_TRUE(AllAt(*e->system, e->position));
        EXPECT_GT((e->position - Vector3()).Length(), 3.0f);
        for (const SmartPtr<Particle>& p : e->system->particles)
            EXPECT_TRUE(p->colour.r == p->colour.g && p->colour.g == p->colour.b &&
                        p->colour.r <= 0.3f);
    }
}

TEST_F(ProjectileTest, KilledShellLeavesAtTheNextTraversalAndItsTrailDiesLater)
{
    Projectile* shell = Fire(Vector3(0, 3, 0), Vector3(0, -10, 0));
    SmartPtr<ParticleSystem> trail = shell->trail;
    DWORD ms = 1000;
    int frames = 0;
    while (shell->IsAlive() && frames < 100)
    {
        RunFrame(ms += 50, 0.05f);
        ++frames;
    }
    ASSERT_FALSE(shell->IsAlive());
    EXPECT_NEAR(shell->position.y, 0.0f, 1e-5f);
    EXPECT_TRUE(RootHolds(shell));
    RunFrame(ms += 50, 0.05f);
    EXPECT_FALSE(RootHolds(shell));
    EXPECT_TRUE(trail->stopped);
    EXPECT_TRUE(trail->IsAlive());

    // Its puffs fade at 0.1 per second: the trail is gone ten seconds later.
    while (trail->IsAlive() && frames < 400)
    {
        RunFrame(ms += 50, 0.05f);
        ++frames;
    }
    EXPECT_FALSE(trail->IsAlive());
    EXPECT_GE(frames, 200);
}

TEST_F(ProjectileTest, FlightFollowsGravityWhenSetAndMoveNeverCollides)
{
    struct Case
    {
        bool secondary;
        uint8_t useGravity;
        Vector3 from;
        Vector3 after; // ten steps of 0.1 s at (10, 0, 0)
    };
    // With gravity the vertical speed after step k is -0.981 k, so the drop is
    // 0.0981 * (1 + ... + 10) = 5.3955.
    const Case cases[] = {
        {false, 1, Vector3(0, 100, 0), Vector3(10, 100 - 5.3955f, 0)},
        {false, 0, Vector3(0, 100, 0), Vector3(10, 100, 0)},
        {true, 1, Vector3(0, 1, 0), Vector3(10, 1 - 5.3955f, 0)},
    };
    for (const Case& c : cases)
    {
        Projectile* shell = new Projectile();
        shell->useGravity = c.useGravity;
        shell->position = c.from;
        shell->velocity = Vector3(10, 0, 0);
        SceneGraph& graph = c.secondary ? SecondarySceneGraph : MainSceneGraph;
        graph.GetRoot()->AddChild(shell);
        for (int i = 0; i < 10; ++i)
        {
            if (c.secondary)
                graph.GetRoot()->MoveTree(Matrix(), 0.1f);
            else
                graph.GetRoot()->UpdateTree(Matrix(), 0.1f);
        }
        EXPECT_NEAR(shell->position.x, c.after.x, 1e-4f);
        EXPECT_NEAR(shell->position.y, c.after.y, 1e-4f);
        EXPECT_TRUE(shell->IsAlive()) << "the secondary graph's move does not collide";
        EXPECT_EQ(RootHolds(shell->trail.Get()), !c.secondary);
        graph.GetRoot()->RemoveChild(shell);
        ClearMainGraph();
    }
}

TEST(ProjectileStateTest, StateMessageCarriesTheNodeBlockThenTheShellFields)
{
    SmartPtr<Projectile> shell = new Projectile();
    shell->id = 12;
    shell->position = Vector3(1, 2, 3);
    shell->useGravity = 0;
    shell->tag = 0xDEADBEEF;
    shell->auxVector = Vector3(4, 5, 6);
    SmartPtr<Message> message = shell->CreateStateMessage();
    EXPECT_EQ(message->type, kStateMessageType);
    EXPECT_EQ(message->GetLength(), 56u + 1 + 4 + 12);
    EXPECT_EQ(message->ReadInt(), 12u);
    SmartPtr<Projectile> copy = new Projectile();
    copy->ApplyState(*message);
    EXPECT_TRUE(copy->position == Vector3(1, 2, 3));
    EXPECT_EQ(copy->useGravity, 0);
    EXPECT_EQ(copy->tag, 0xDEADBEEFu);
    EXPECT_TRUE(copy->auxVector == Vector3(4, 5, 6));
    EXPECT_FALSE(message->HasOverrun());
    EXPECT_EQ(message->GetReadPos(), message->GetWritePos());
}
