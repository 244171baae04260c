// A fresh physics world for each test, box models written as 3DS files, and
// physics boxes placed the way the level reader places them.
#pragma once

#include "core/RefObject.h"
#include "core/Timer.h"
#include "game/BoxModelFile.h"
#include "game/Physics.h"
#include "game/PhysicsBox.h"
#include "platform/TestHooks.h"
#include "scene/Camera.h"
#include "scene/SceneGraph.h"
#include "support/ImageFiles.h"
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

// The pixel the camera puts a world point on, from the view and projection
// matrices of its last UpdateView.
inline void ProjectToPixel(const TestFrame& frame, const Camera* camera, const Vector3& p, int& x,
                           int& y)
{
    Vector3 view = p.TransformCoord(camera->viewMatrix);
    Vector3 clip = view.TransformCoord(camera->projectionMatrix);
    x = static_cast<int>((clip.x / view.z + 1.0f) * 0.5f * frame.width);
    y = static_cast<int>((1.0f - clip.y / view.z) * 0.5f * frame.height);
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
