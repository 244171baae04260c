// Particle systems and smoke emitters stepped through the main graph with a
// fixed clock: emission on unscaled ticks, ageing, gravity, growth, self-kill,
// and the emitter's flight and puffs.
#include "scene/ParticleSystem.h"
#include "scene/SmokeEmitter.h"
#include "support/SceneFixture.h"

#include <cmath>

namespace
{
ParticleSystem* AddSystem(bool stopped)
{
    ParticleSystem* system = new ParticleSystem();
    system->stopped = stopped;
    MainSceneGraph.GetRoot()->AddChild(system);
    return system;
}
} // namespace

using ParticleSystemTest = SceneFrameTest;

TEST_F(ParticleSystemTest, TimedEmissionRunsOnTicksFromTheFirstUpdate)
{
    ParticleSystem* system = AddSystem(false);
    // Interval 400: the first update emits, then one each time the ticks pass
    // the last emission by more than the interval.
    const std::pair<DWORD, size_t> steps[] = {
        {1000, 1}, {1400, 1}, {1401, 2}, {1801, 2}, {1802, 3}};
    for (const auto& step : steps)
    {
        RunFrame(step.first, 0.01f);
        EXPECT_EQ(system->particles.size(), step.second) << "at " << step.first << " ms";
    }
    EXPECT_FLOAT_EQ(system->particles[0]->colour.r, 0.3f) << "the system's colour";
    EXPECT_EQ(system->Emit()->colour.r, 0.0f) << "Emit leaves the colour to the caller";
}

TEST_F(ParticleSystemTest, SlowMotionSlowsAgeingButNotTheEmissionInterval)
{
    TestSetClock(1000);
    Timer::Instance()->Initialize();
    Timer::Instance()->SetTimeScale(0.2f);
    ParticleSystem* system = AddSystem(false);
    // Ten frames of 50 ms: 0.01 s each for the particles, 500 ms for the timer.
    for (DWORD ms = 1050; ms <= 1500; ms += 50)
    {
        TestSetClock(ms);
        Timer::Instance()->Update();
        MainSceneGraph.Update();
    }
    ASSERT_EQ(system->particles.size(), 2u) << "born at 1050 and 1500 ms";
    // The first was aged by the nine frames after its birth: 0.09 s.
    EXPECT_NEAR(system->particles[0]->life, 1.0f - 0.3f * 0.09f, 1e-4f);
}

TEST_F(ParticleSystemTest, ParticlesAgeAndRiseWithTimeAndGrowPerUpdate)
{
    for (int updates : {10, 20})
    {
        ParticleSystem* system = AddSystem(true);
        system->baseVelocity = Vector3(2, 0, 0);
        const std::vector<float> draws =
            RandomFloatsFrom(5, {{0.5f, 1.0f}, {0.1f, 0.2f}, {0.001f, 0.02f}});
        system->EmitParticle();
        Particle* p = system->particles[0].Get();
        EXPECT_TRUE(p->velocity.x == 2 * draws[0] && p->size == draws[1] && p->growth == draws[2]);
        float size = p->size;
        for (int i = 0; i < updates; ++i)
            RunFrame(1000, 1.0f / static_cast<float>(updates));
        // One second: fade 0.3 and gravity -0.1 per second; growth per update.
        EXPECT_NEAR(p->life, 0.7f, 1e-4f) << updates << " updates";
        EXPECT_NEAR(p->velocity.y, 0.1f, 1e-5f);
        EXPECT_NEAR(p->size, size + static_cast<float>(updates) * p->growth, 1e-5f);
        ClearMainGraph();
    }
}

TEST_F(ParticleSystemTest, StoppedSystemDiesInTheUpdateThatEmptiesIt)
{
    ParticleSystem* empty = AddSystem(true);
    ParticleSystem* system = AddSystem(true);
    EXPECT_EQ(system->Emit(), nullptr);
    system->EmitParticle();
    RunFrame(1000, 3.3f);
    EXPECT_FALSE(empty->IsAlive()) << "built empty and stopped: gone at its first update";
    ASSERT_EQ(system->particles.size(), 1u) << "EmitParticle adds even when stopped";
    EXPECT_TRUE(system->IsAlive());
    // The particle lives 1 / 0.3 s; the system dies in the update that drops it
    // and leaves the list at the next.
    RunFrame(1000, 0.05f);
    EXPECT_FALSE(system->IsAlive());
    EXPECT_TRUE(RootHolds(system));
    RunFrame(1000, 0.05f);
    EXPECT_FALSE(RootHolds(system));
}

// Setup and the secondary graph's Move emit whatever `stopped` says, a life of
// exactly 0 is over, and Move leaves an emptied system alive.
TEST_F(ParticleSystemTest, SetupAndMoveEmitWhenStoppedAndMoveNeverKills)
{
    SmartPtr<ParticleSystem> system = new ParticleSystem();
    system->StopEmitting();
    system->fade = 0.5f;
    system->Setup();
    ASSERT_EQ(system->particles.size(), 1u);
    system->Move(0.5f);
    EXPECT_EQ(system->particles.size(), 2u) << "the timer fires at 1000 ms";
    system->Move(1.5f);
    EXPECT_EQ(system->particles.size(), 1u) << "the first particle's life is down to 0";
    system->Move(4.0f);
    EXPECT_TRUE(system->particles.empty());
    EXPECT_TRUE(system->IsAlive());
}

TEST(ParticleColourTest, AlphaIsLifeTimes255Truncated)
{
    const std::pair<float, uint32_t> cases[] = {{1.0f, 0xFF}, {0.5f, 0x7F},  {0.999f, 0xFE},
                                                {0.0f, 0x00}, {-1.0f, 0x00}, {2.0f, 0xFF},
                                                {NAN, 0x00}};
    for (const auto& c : cases)
        EXPECT_EQ(ParticleSystem::VertexColour(Color3(1, 0.5f, 0), c.first),
                  c.second << 24 | 0xFF7F00u)
            << "life " << c.first;
}

TEST_F(ParticleSystemTest, SmokeEmitterFliesPuffsWhereItIsThenLeavesItsSmoke)
{
    SmokeEmitter* emitter = new SmokeEmitter();
    SmartPtr<ParticleSystem> smoke = emitter->system;
    emitter->position = Vector3(5, 2, 3);
    emitter->flightVelocity = Vector3(1, 10, 0);
    emitter->life = 3.0f;
    MainSceneGraph.GetRoot()->AddChild(emitter);

    // Frames of 0.05 s: one puff each, at the emitter, in grey up to 0.3; the
    // system adds one timed particle there at its first update.
    int frames = 0;
    for (; frames < 19; ++frames)
        RunFrame(1000, 0.05f);
    // A puff draws its speed factor, size, growth and grey; the system steps
    // it once in the same frame.
    const std::vector<float> draws =
        RandomFloatsFrom(9, {{0.5f, 1.0f}, {0.1f, 0.2f}, {0.01f, 0.021f}, {0.0f, 0.3f}});
    RunFrame(1000, 0.05f);
    ++frames;
    const Particle& last = *smoke->particles.back();
    EXPECT_TRUE(last.growth == draws[2] && last.size == draws[1] + draws[2] &&
                last.colour.g == draws[3]);
    EXPECT_NEAR(emitter->flightVelocity.y, 10.0f - 4.81f, 1e-4f);
    EXPECT_NEAR(emitter->position.y, 12.0f - 4.81f * 0.0025f * 210.0f, 1e-3f);
    ASSERT_EQ(smoke->particles.size(), 21u);
    for (const SmartPtr<Particle>& p : smoke->particles)
        EXPECT_TRUE(p->position.x > 5 && p->position.z == 3 && p->colour.r == p->colour.b &&
                    p->colour.r <= 0.3f);

    // The puffs keep their grey to themselves: the system's timer, which
    // fires again a million milliseconds after its first particle, gives black.
    EXPECT_EQ(smoke->colour.r + smoke->colour.g + smoke->colour.b, 0.0f);
    const DWORD later = 1000 + 1000000;
    RunFrame(later, 0.0f);
    EXPECT_EQ(smoke->particles.size(), 21u);
    RunFrame(later + 1, 0.0f);
    ASSERT_EQ(smoke->particles.size(), 22u);
    EXPECT_EQ(smoke->particles.back()->colour.g, 0.0f);

    // Life 3 runs out after 60 frames (61 with rounding); the last puff, born
    // two frames before, fades 1 / 0.3 s after its birth, and the system dies.
    while (emitter->IsAlive() && frames < 70)
    {
        RunFrame(later + 1, 0.05f);
        ++frames;
    }
    EXPECT_TRUE(frames == 60 || frames == 61) << frames;
    EXPECT_TRUE(smoke->stopped && smoke->IsAlive());
    float seconds = 0.1f;
    for (; smoke->IsAlive() && seconds < 10; seconds += 0.05f)
        RunFrame(later + 1, 0.05f);
    EXPECT_NEAR(seconds, 1.0f / 0.3f, 0.06f);

    // At frames of 0.01 s the puff timer of 0.02 s reaches exactly 0 in the
    // third frame, which does not puff yet: puffs in frames 1, 4 and 7, beside
    // the system's one timed particle.
    ClearMainGraph();
    SmokeEmitter* puffing = new SmokeEmitter();
    puffing->life = 3.0f;
    MainSceneGraph.GetRoot()->AddChild(puffing);
    for (int i = 0; i < 7; ++i)
        RunFrame(later + 1, 0.01f);
    EXPECT_EQ(puffing->system->particles.size(), 4u);
    // A life of exactly 0 still flies; one below 0 ends.
    puffing->life = 1.0f;
    RunFrame(later + 1, 0.5f);
    RunFrame(later + 1, 0.5f);
    EXPECT_TRUE(puffing->IsAlive());
    RunFrame(later + 1, 0.5f);
    EXPECT_FALSE(puffing->IsAlive());
}
