// A tank in a fresh physics world, built in a folder the test enters (the data
// set, or one with models the test wrote), driven by the game's frames.
#pragma once

#include "game/PhysicsTestSupport.h"
#include "game/Tank.h"
#include "scene/SceneFrames.h"
#include "tools/MakerRun.h"

#include <unistd.h>

class TankTest : public PhysicsTest
{
protected:
    void TearDown() override
    {
        // Shells and flashes join the root by themselves: the root goes whole.
        added.clear();
        ClearMainGraph();
        PhysicsTest::TearDown();
        EXPECT_TRUE(oldFolder.empty() || chdir(oldFolder.c_str()) == 0);
    }

    // The tank finds its models by their bare names in the working folder.
    void Enter(const std::string& folder)
    {
        char cwd[4096];
        if (oldFolder.empty() && getcwd(cwd, sizeof cwd))
            oldFolder = cwd;
        ASSERT_EQ(chdir(folder.c_str()), 0);
    }

    // Builds the tank at the point, in the data set when asked.
    Tank* AddTank(const Vector3& at, bool inDataSet = false)
    {
        if (inDataSet)
        {
            EXPECT_NE(SharedDataSet(), nullptr) << "the data set maker failed";
            Enter(SharedDataSet() ? SharedDataSet()->path : ".");
        }
        Tank* tank = new Tank();
        tank->position = at;
        tank->Create();
        Add(tank);
        return tank;
    }

    // 50 ms frames as the Kernel runs them: the Timer, the physics, the scene.
    void Drive(float seconds)
    {
        for (long i = std::lround(seconds * 20.0f); i > 0; --i)
        {
            Frame(50);
            MainSceneGraph.Update();
        }
    }

    std::string oldFolder;
};
