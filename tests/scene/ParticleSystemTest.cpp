// Particle systems and smoke emitters stepped through the main graph with a
// fixed clock: emission cadence on unscaled ticks, ageing, gravity, growth,
// self-kill, and the emitter's flight and puffs.
#include "scene/ParticleSystem.h"
#include "scene/SceneFrames.h"
#include "scene/SmokeEmitter.h"

#include <cmath>

namespace
{
// A system under the main root, stopped so that only the test emits.
ParticleSystem* StoppedSystem()
{
    ParticleSystem* system = new ParticleSystem();
    system->StopEmitting();
    MainSceneGraph.GetRoot()->AddChild(system);
    return system;
}
} // namespace

using ParticleSystemTest = SceneFrameTest;

TEST_F(ParticleSystemTest, TimedEmissionRunsOnTicksFromTheFirstUpdate)
{
    ParticleSystem* system = new ParticleSystem();
    MainSceneGraph.GetRoot()->AddChild(system);
    struct Step
    {
        DWORD ticks;
        size_t count;
    };
    // Interval 400: the first update emits, then one each time the ticks pass
    // the last emission by more than the interval.
    const Step steps[] = {{1000, 1}, {1399, 1}, {1400, 1}, {1401, 2}, {1801, 2}, {1802, 3}};
    for (const Step& step : steps)
    {
        RunFrame(step.ticks, 0.01f);
        EXPECT_EQ(system->particles.size(), step.count) << "at " << step.ticks << " ms";
    }
    const Particle* timed = system->particles.front().Get();
    EXPECT_FLOAT_EQ(timed->colour.r, 0.3f) << "timed particles take the system's colour";
    Particle* requested = system->Emit();
    ASSERT_NE(requested, nullptr);
    EXPECT_EQ(requested->colour.r, 0.0f) << "Emit leaves the colour to the caller";
    EXPECT_EQ(system->particles.back().Get(), requested);
}

TEST_F(ParticleSystemTest, SlowMotionSlowsAgeingButNotTheEmissionInterval)
{
    Timer* timer = Timer::Instance();
    TestSetClock(1000);
    timer->Initialize();
    timer->SetTimeScale(0.2f);
    ParticleSystem* system = new ParticleSystem();
    MainSceneGraph.GetRoot()->AddChild(system);
    // Ten frames of 50 ms: 0.01 s each for the particles, 500 ms for the timer.
    for (DWORD ms = 1050; ms <= 1500; ms += 50)
    {
        TestSetClock(ms);
        timer->Update();
        MainSceneGraph.Update();
    }
    ASSERT_EQ(system->particles.size(), 2u) << "born at 1050 and 1500 ms";
    // The first was aged by the nine frames after its birth: 0.09 s.
    const Particle* first = system->particles.front().Get();
    EXPECT_NEAR(first->life, 1.0f - 0.3f * 0.09f, 1e-4f);
    EXPECT_NEAR(first->velocity.y, 0.1f * 0.09f, 1e-5f);
}

TEST_F(ParticleSystemTest, ParticlesAgeRiseAndGrowPerUpdate)
{
    // The same particle stepped through one second at two frame rates: life and
    // speed follow the time, size follows the number of updates.
    const int updateCounts[] = {10, 20};
    for (int updates : updateCounts)
    {
        ParticleSystem* system = StoppedSystem();
        system->baseVelocity = Vector3(2, 0, 0);
        system->origin = Vector3(1, 2, 3);
        system->EmitParticle();
        Particle* p = system->particles.front().Get();
        EXPECT_GE(p->velocity.x, 1.0f);
        EXPECT_LE(p->velocity.x, 2.0f);
        EXPECT_TRUE(p->size >= 0.1f && p->size <= 0.2f) << p->size;
        EXPECT_TRUE(p->growth >= 0.001f && p->growth <= 0.02f) << p->growth;
        EXPECT_EQ(p->life, 1.0f);
        EXPECT_TRUE(p->position == Vector3(1, 2, 3));
        float size = p->size;
        float speedX = p->velocity.x;

        float dt = 1.0f / static_cast<float>(updates);
        for (int i = 0; i < updates; ++i)
            RunFrame(1000, dt);
        EXPECT_NEAR(p->life, 0.7f, 1e-4f) << updates << " updates";
        EXPECT_NEAR(p->velocity.y, 0.1f, 1e-5f) << "default gravity -0.1 lifts";
        EXPECT_GT(p->position.y, 2.0f);
        EXPECT_NEAR(p->position.x, 1.0f + speedX, 1e-4f);
        EXPECT_NEAR(p->size, size + static_cast<float>(updates) * p->growth, 1e-5f);
        ClearMainGraph();
    }
}

TEST_F(ParticleSystemTest, StoppedSystemDiesInTheUpdateThatEmptiesIt)
{
    // Built empty and stopped: gone at its first update.
    ParticleSystem* empty = StoppedSystem();
    RunFrame(1000, 0.1f);
    EXPECT_FALSE(empty->IsAlive());

    // Emit is refused when stopped; EmitParticle is not.
    ParticleSystem* system = StoppedSystem();
    EXPECT_EQ(system->Emit(), nullptr);
    EXPECT_TRUE(system->particles.empty());
    system->EmitParticle();
    ASSERT_EQ(system->particles.size(), 1u);

    // Fade 0.3: the particle lives 1 / 0.3 s of frame time, and the system dies
    // in the update that drops it.
    RunFrame(1000, 3.3f);
    EXPECT_EQ(system->particles.size(), 1u);
    EXPECT_TRUE(system->IsAlive());
    RunFrame(1000, 0.05f);
    EXPECT_TRUE(system->particles.empty());
    EXPECT_FALSE(system->IsAlive());
    EXPECT_TRUE(RootHolds(system)) << "it leaves the list at the next traversal";
    RunFrame(1000, 0.05f);
    EXPECT_FALSE(RootHolds(system));
}

TEST(ParticleColourTest, AlphaIsLifeTimes255Truncated)
{
    struct Case
    {
        float life;
        uint32_t alpha;
    };
    const Case cases[] = {{1.0f, 0xFF}, {0.5f, 0x7F},  {0.999f, 0xFE}, {0.003f, 0x00},
                          {0.0f, 0x00}, {-1.0f, 0x00}, {2.0f, 0xFF},   {NAN, 0x00}};
    for (const Case& c : cases)
        EXPECT_EQ(ParticleSystem::VertexColour(Color3(1.0f, 0.5f, 0.0f), c.life),
                  c.alpha << 24 | 0xFF7F00u)
            << "life " << c.life;
}

TEST_F(ParticleSystemTest, SmokeEmitterFliesPuffsGreyWhereItIsThenLeavesItsSmoke)
{
    SmokeEmitter* emitter = new SmokeEmitter();
    SmartPtr<ParticleSystem> smoke = emitter->system;
    emitter->position = Vector3(5, 2, 3);
    emitter->flightVelocity = Vector3(1, 10, 0);
    emitter->life = 3.0f;
    MainSceneGraph.GetRoot()->AddChild(emitter);
    EXPECT_FALSE(RootHolds(smoke.Get())) << "no smoke before the emitter is placed";

    // Frames of 0.05 s: one puff each, at the emitter, in a dark grey.
    int frames = 0;
    for (; frames < 20; ++frames)
        RunFrame(1000, 0.05f);
    EXPECT_TRUE(RootHolds(smoke.Get()));
    EXPECT_NEAR(emitter->flightVelocity.y, 10.0f - 4.81f, 1e-4f);
    EXPECT_NEAR(emitter->position.x, 6.0f, 1e-4f);
    EXPECT_NEAR(emitter->position.y, 2.0f + 10.0f - 4.81f * 0.05f * 0.05f * 210.0f, 1e-3f);
    EXPECT_EQ(smoke->particles.size(), 21u) << "20 puffs and the system's one timed particle";
    for (const SmartPtr<Particle>& puff : smoke->particles)
    {
        EXPECT_TRUE(puff->colour.r == puff->colour.g && puff->colour.g == puff->colour.b);
        EXPECT_LE(puff->colour.r, 0.3f);
        EXPECT_NEAR(puff->position.z, 3.0f, 1e-5f) << "puffed on the flight path";
        EXPECT_GT(puff->position.x, 5.0f);
    }

    // Life 3 runs out after 60 frames of 0.05 s (61 with rounding).
    while (emitter->IsAlive() && frames < 70)
    {
        RunFrame(1000, 0.05f);
        ++frames;
    }
    EXPECT_TRUE(frames == 60 || frames == 61) << frames;
    EXPECT_TRUE(smoke->stopped);
    EXPECT_TRUE(smoke->IsAlive()) << "the smoke outlives the emitter";

    // The last puff, born two frames before, fades 1 / 0.3 s after its birth;
    // the system then kills itself.
    float seconds = 0.0f;
    while (smoke->IsAlive() && seconds < 10.0f)
    {
        RunFrame(1000, 0.05f);
        seconds += 0.05f;
    }
    EXPECT_NEAR(seconds + 0.1f, 1.0f / 0.3f, 0.06f);
}
