// Shells stepped through the main graph: the hit on the ground with its burst of
// smoke emitters, flight under gravity, the secondary graph's move, the state.
#include "scene/Projectile.h"
#include "net/Message.h"
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
    // ground; the second crosses it.
    RunFrame(1000, 0.05f);
    EXPECT_NEAR(shell->position.y, 10.0f - 5.024525f, 1e-4f);
    EXPECT_TRUE(RootNodesOf<SmokeEmitter>(kNodeSmokeEmitter).empty());
    ASSERT_EQ(trail->particles.size(), 1u);
    EXPECT_TRUE(trail->particles[0]->position == Vector3(4, 10, -2)) << "puffed at the launch";
    RunFrame(1050, 0.05f);
    EXPECT_NEAR(shell->position.y, 0.0f, 1e-5f);
    EXPECT_FALSE(shell->IsAlive());
    std::vector<SmokeEmitter*> emitters = RootNodesOf<SmokeEmitter>(kNodeSmokeEmitter);
    ASSERT_EQ(emitters.size(), 10u);
    for (SmokeEmitter* e : emitters)
    {
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

    // The dead shell leaves at the next traversal; its trail stops and dies
    // when its puff has faded at 0.1 a second.
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
    copy->ApplyState(*message);
    EXPECT_TRUE(copy->position == Vector3(1, 2, 3) && copy->auxVector == Vector3(4, 5, 6));
    EXPECT_EQ(copy->useGravity, 0);
    EXPECT_EQ(copy->tag, 0xDEADBEEFu);
    EXPECT_EQ(message->GetReadPos(), message->GetWritePos());
}
