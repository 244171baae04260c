#include "core/Timer.h"
#include "core/IdPool.h"
#include "core/Profiler.h"
#include "platform/TestHooks.h"

#include <gtest/gtest.h>

namespace
{
class ClockTest : public ::testing::Test
{
protected:
    void SetUp() override { TestSetClock(1000); }
    void TearDown() override
    {
        Timer::Instance()->SetTimeScale(1.0f);
        TestUseRealClock();
    }
};

// Runs one timer update at the given millisecond reading.
void UpdateAt(DWORD milliseconds)
{
    TestSetClock(milliseconds);
    Timer::Instance()->Update();
}
} // namespace

TEST_F(ClockTest, FrameTimeIsScaledFromTheNextUpdate)
{
    Timer* timer = Timer::Instance();
    timer->Initialize();
    EXPECT_FLOAT_EQ(timer->GetFrameTime(), 0.1f) << "until the first update";

    UpdateAt(1050);
    EXPECT_FLOAT_EQ(timer->GetFrameTime(), 0.05f);
    EXPECT_EQ(timer->GetTicks(), 1050u);

    timer->SetTimeScale(0.2f);
    EXPECT_FLOAT_EQ(timer->GetFrameTime(), 0.05f) << "the scale waits for the next update";
    UpdateAt(1100);
    EXPECT_FLOAT_EQ(timer->GetFrameTime(), 0.01f);
    timer->SetTimeScale(1.0f);
    UpdateAt(1300);
    EXPECT_FLOAT_EQ(timer->GetFrameTime(), 0.2f);
    EXPECT_EQ(timer->GetTicks(), 1300u);
}

TEST_F(ClockTest, FramesPerSecondIsRecomputedOncePerWindow)
{
    Timer* timer = Timer::Instance();
    timer->Initialize();
    // 60 frames up to exactly 1000 ms after the start: the window is not over.
    for (int i = 1; i <= 60; ++i)
        UpdateAt(1000 + i * 1000 / 60);
    EXPECT_EQ(timer->GetFPS(), 0);
    // The 61st frame at 1016 ms closes it: 61 frames / 1.016 s, truncated.
    UpdateAt(2016);
    EXPECT_EQ(timer->GetFPS(), 60);

    // Fewer frames in the next window change nothing until it is over.
    for (int i = 1; i <= 9; ++i)
        UpdateAt(2016 + i * 100);
    EXPECT_EQ(timer->GetFPS(), 60);
    UpdateAt(3017);
    EXPECT_EQ(timer->GetFPS(), 9) << "10 frames / 1.001 s";
}

TEST_F(ClockTest, ProfilerKeepsTheSectionsOfTheLastFrame)
{
    Profiler* profiler = Profiler::GetInstance();
    profiler->Start();
    TestSetClock(1002);
    profiler->Begin("physics");
    TestSetClock(1005);
    profiler->End("physics");
    profiler->Begin("physics");
    TestSetClock(1006);
    profiler->End("physics");
    profiler->Begin("render");
    TestSetClock(1008);
    profiler->Begin("render"); // running already: the start stays at 1006
    TestSetClock(1010);
    profiler->End("render");
    profiler->End("unknown");
    EXPECT_EQ(profiler->GetSectionCount(), 0) << "nothing is shown before the frame ends";
    TestSetClock(1020);
    profiler->EndFrame();

    EXPECT_DOUBLE_EQ(profiler->GetFrameMilliseconds(), 20.0);
    ASSERT_EQ(profiler->GetSectionCount(), 2);
    EXPECT_EQ(profiler->GetSection(0).name, "physics");
    EXPECT_EQ(profiler->GetSection(0).count, 2);
    EXPECT_DOUBLE_EQ(profiler->GetSectionMilliseconds(0), 4.0);
    EXPECT_EQ(profiler->GetSection(1).name, "render");
    EXPECT_EQ(profiler->GetSection(1).count, 1);
    EXPECT_DOUBLE_EQ(profiler->GetSectionMilliseconds(1), 4.0);
    EXPECT_EQ(profiler->GetSection(2).name, "") << "one past the end is the empty record";
    EXPECT_EQ(profiler->GetSection(2).count, 0);
    EXPECT_EQ(profiler->GetSection(-1).name, "");
    EXPECT_EQ(profiler->GetSectionMilliseconds(2), 0.0);

    profiler->Start();
    TestSetClock(1030);
    profiler->EndFrame();
    EXPECT_EQ(profiler->GetSectionCount(), 0) << "each frame collects afresh";
    EXPECT_DOUBLE_EQ(profiler->GetFrameMilliseconds(), 10.0);
}

TEST(IdPoolTest, ReleasedIdsComeBackOldestFirst)
{
    IdPool pool;
    EXPECT_EQ(pool.Allocate(), 1);
    EXPECT_EQ(pool.Allocate(), 2);
    EXPECT_EQ(pool.Allocate(), 3);
    pool.Release(2);
    pool.Release(1);
    EXPECT_EQ(pool.Allocate(), 2);
    EXPECT_EQ(pool.Allocate(), 1);
    EXPECT_EQ(pool.Allocate(), 4);
    pool.SetNext(100);
    pool.Release(3);
    EXPECT_EQ(pool.Allocate(), 3);
    EXPECT_EQ(pool.Allocate(), 100);
}
