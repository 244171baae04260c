// The scene with a fresh physics world for each test: box models written as
// 3DS files, physics boxes placed the way the level reader places them, the
// game's frames on the fixed clock; and a tank built in a folder the test
// enters (the data set, or one with models the test wrote).
#pragma once

#include "game/Tank.h"
#include "physics/BoxModelFile.h"
#include "physics/Physics.h"
#include "physics/PhysicsBox.h"
#include "support/SceneFixture.h"
#include "tools/MakerRun.h"

#include <ode/ode.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

// Distance allowed between a simulated pose and where it should have settled.
constexpr float kRestTolerance = 0.02f;

inline bool IsFiniteVector(const dReal* v)
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

class PhysicsTest : public SceneTest
{
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        Physics::Instance()->Init();
        ASSERT_NE(Physics::Instance()->GetWorld(), nullptr);
    }
    void TearDown() override
    {
        Physics::Instance()->Shutdown();
        SceneTest::TearDown();
    }

    // A new, empty world for the next case: the bodies of the last one gone.
    static void RestartWorld()
    {
        Physics::Instance()->Shutdown();
        Physics::Instance()->Init();
    }

    // A box model spanning min to max; returns its path.
    std::string BoxModel(const std::string& name, const Vector3& min, const Vector3& max)
    {
        EXPECT_TRUE(WriteBoxFile(folder.File(name), min, max));
        return folder.File(name);
    }

    // A model of one mesh of these file-space vertices and faces.
    std::string Model(const std::string& name, const std::vector<float>& positions,
                      const std::vector<uint16_t>& faces)
    {
        EXPECT_TRUE(WriteMeshFile(folder.File(name), positions, faces));
        return folder.File(name);
    }

    // Loads, places and turns a box as the level reader does: its base on
    // the ground (0.1 above it when dynamic), turned about y, under the root.
    PhysicsBox* AddBox(const std::string& model, bool dynamic, float x, float z,
                       float quarterTurns = 0.0f, float base = 0.0f)
    {
        PhysicsBox* box = new PhysicsBox();
        box->Load(model.c_str(), dynamic);
        float height = box->boxMax.y - box->boxMin.y;
        box->SetPosition(Vector3(x, base + height / 2.0f + (dynamic ? 0.1f : 0.0f), z));
        box->SetRotation(Quaternion::FromAxisAngle(Vector3(0, 1, 0), quarterTurns * 1.5707964f));
        return Add(box);
    }

    // The main graph's update traversal, as the Kernel's frame runs it after
    // the physics; twice, so the world matrices hold the copied poses too.
    void UpdateScene()
    {
        MainSceneGraph.GetRoot()->UpdateTree(Matrix(), 0.0f);
        MainSceneGraph.GetRoot()->UpdateTree(Matrix(), 0.0f);
    }

    // Steps the world in whole slices for the given simulated time.
    void Simulate(float seconds)
    {
        int steps = static_cast<int>(std::lround(seconds / Physics::kStepLength));
        for (int i = 0; i < steps; ++i)
            Physics::Instance()->Step(Physics::kStepLength);
        UpdateScene();
    }

    // The Timer's update and Physics::Update over a frame of the given real
    // length in milliseconds.
    void Frame(DWORD milliseconds)
    {
        clock += milliseconds;
        TestSetClock(clock);
        Timer::Instance()->Update();
        Physics::Instance()->Update();
    }
};

class TankTest : public PhysicsTest
{
protected:
    // The tank finds its models by their bare names in the working folder.
    static void Enter(const std::string& folder) { std::filesystem::current_path(folder); }

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
        return Add(tank);
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
};
