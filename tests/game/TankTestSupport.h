// A tank in a fresh physics world, built in a folder the test enters (the
// data set, or one with models written by the test), and driven by the game's
// frames: the Timer, the physics step, then the main graph's update.
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
        if (!oldFolder.empty())
        {
            EXPECT_EQ(chdir(oldFolder.c_str()), 0);
        }
    }

    // Runs the rest of the test in the folder, where the tank finds its models
    // by their bare names.
    void Enter(const std::string& folder)
    {
        if (oldFolder.empty())
        {
            char cwd[4096];
            ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
            oldFolder = cwd;
        }
        ASSERT_EQ(chdir(folder.c_str()), 0);
    }

    // Enters the maker's data set; false (with a failure) when there is none.
    bool EnterDataSet()
    {
        const MakerRun* data = SharedDataSet();
        EXPECT_NE(data, nullptr) << "the data set maker failed";
        if (!data)
            return false;
        Enter(data->path);
        return true;
    }

    // A tank placed at the point, built and added under the root.
    Tank* AddTank(const Vector3& at)
    {
        Tank* tank = new Tank();
        tank->position = at;
        tank->Create();
        Add(tank);
        return tank;
    }

    // Frames of the given length for the given simulated time, each as the
    // Kernel runs it: the Timer, the physics step, the main graph's update.
    void Drive(float seconds, DWORD milliseconds = 50)
    {
        int frames = static_cast<int>(std::lround(seconds * 1000.0f / float(milliseconds)));
        for (int i = 0; i < frames; ++i)
            GameFrame(milliseconds);
    }

    void GameFrame(DWORD milliseconds)
    {
        Frame(milliseconds);
        MainSceneGraph.Update();
    }

    // The way the chassis faces, as a yaw in radians from +z towards +x.
    static float Heading()
    {
        dVector3 forward;
        dBodyVectorToWorld(Tank::GetChassisBody(), 0, 0, 1, forward);
        return float(std::atan2(forward[0], forward[2]));
    }

    // The chassis's up axis in world space, y component: 1 upright, -1 upside down.
    static float Uprightness()
    {
        dVector3 up;
        dBodyVectorToWorld(Tank::GetChassisBody(), 0, 1, 0, up);
        return float(up[1]);
    }

    std::string oldFolder;
};
