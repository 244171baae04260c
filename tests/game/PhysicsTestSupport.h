// A fresh physics world for each test, box models written as 3DS files, and
// physics boxes placed the way the level reader places them.
#pragma once

#include "core/RefObject.h"
#include "core/Timer.h"
#include "game/Physics.h"
#include "game/PhysicsBox.h"
#include "platform/TestHooks.h"
#include "scene/SceneGraph.h"
#include "support/ImageFiles.h"
#include "support/TdsSamples.h"
#include "video/VideoTestSupport.h"

#include <gtest/gtest.h>
#include <ode/ode.h>

#include <cmath>
#include <string>
#include <vector>

// Distance allowed between a simulated pose and where it should have settled.
constexpr float kRestTolerance = 0.02f;

inline bool IsFiniteVector(const dReal* v)
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

class PhysicsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Models are imported into device buffers.
        ASSERT_TRUE(VideoTestSupport::Start());
        Physics::Instance()->Init();
        ASSERT_NE(Physics::Instance()->GetWorld(), nullptr);
        TestSetClock(clock);
        Timer::Instance()->Initialize();
    }

    void TearDown() override
    {
        for (SceneNode* node : added)
            MainSceneGraph.GetRoot()->RemoveChild(node);
        added.clear();
        Physics::Instance()->Shutdown();
        Timer::Instance()->SetTimeScale(1.0f);
        TestUseRealClock();
        RefObject::CollectGarbage();
    }

    // A 3DS file of one box mesh spanning min to max in the engine's space
    // (the file itself is z-up); returns its path.
    std::string BoxModel(const std::string& name, const Vector3& min, const Vector3& max)
    {
        tds_samples::Cube cube = tds_samples::MakeCube();
        std::vector<float> positions;
        for (size_t i = 0; i < cube.positions.size(); i += 3)
        {
            positions.push_back(cube.positions[i] ? max.x : min.x);
            positions.push_back(cube.positions[i + 1] ? max.z : min.z);
            positions.push_back(cube.positions[i + 2] ? max.y : min.y);
        }
        return Model(name, positions, cube.faces);
    }

    // A 3DS file of one mesh with these file-space vertices and faces.
    std::string Model(const std::string& name, const std::vector<float>& positions,
                      const std::vector<uint16_t>& faces)
    {
        std::string path = folder.File(name);
        EXPECT_TRUE(TdsWriter::Save(
            tds_samples::EditorFile([&](TdsWriter& w)
                                    { tds_samples::WriteMesh(w, name, positions, faces, {}); }),
            path));
        return path;
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
        Add(box);
        return box;
    }

    void Add(SceneNode* node)
    {
        MainSceneGraph.GetRoot()->AddChild(node);
        added.push_back(node);
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

    ScratchFolder folder;
    std::vector<SceneNode*> added;
    DWORD clock = 1000;
};
