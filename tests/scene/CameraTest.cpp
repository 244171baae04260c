#include "scene/Camera.h"

#include "core/RefObject.h"

#include <cmath>
#include <gtest/gtest.h>

namespace
{
SmartPtr<Camera> MakeCamera()
{
    SmartPtr<Camera> camera = new Camera();
    camera->aspect = 1.3333334f;
    camera->fov = 1.0471975f;
    camera->zoom = 1.0f;
    return camera;
}

// One traversal of an unparented camera, as under a root at the origin.
void Step(Camera& camera, float dt)
{
    camera.UpdateTree(Matrix(), dt);
}
} // namespace

TEST(CameraTest, TurningBackAndForthRestoresTheAnglesAndNeverMoves)
{
    SmartPtr<Camera> camera = MakeCamera();
    camera->position = Vector3(3, 4, 5);
    camera->AddYaw(0.3f);
    camera->AddPitch(0.1f);
    camera->AddPitch(-0.1f);
    EXPECT_FLOAT_EQ(camera->pitch, 0.0f);
    EXPECT_FLOAT_EQ(camera->yaw, -0.3f);
    Quaternion expected = Quaternion::FromAxisAngle(Vector3(1, 0, 0), camera->pitch) *
                          Quaternion::FromAxisAngle(Vector3(0, 1, 0), camera->yaw);
    EXPECT_FLOAT_EQ(camera->orientation.x, expected.x);
    EXPECT_FLOAT_EQ(camera->orientation.y, expected.y);
    EXPECT_FLOAT_EQ(camera->orientation.w, expected.w);
    EXPECT_TRUE(camera->position == Vector3(3, 4, 5));
}

// pitch -0.3 and yaw -0.5 give (-s1, 0, 0, c1) * (0, -s2, 0, c2) with
// s1, c1 = sin, cos 0.15 and s2, c2 = sin, cos 0.25; by the engine's product
// that is (-s1 c2, -c1 s2, s1 s2, -c1 c2), whichever angle turned last.
TEST(CameraTest, PitchAndYawTogetherTurnByTheProductOfBoth)
{
    const float s1 = std::sin(0.15f), c1 = std::cos(0.15f);
    const float s2 = std::sin(0.25f), c2 = std::cos(0.25f);
    for (bool pitchFirst : {true, false})
    {
        SmartPtr<Camera> camera = MakeCamera();
        if (pitchFirst)
            camera->AddPitch(0.3f);
        camera->AddYaw(0.5f);
        if (!pitchFirst)
            camera->AddPitch(0.3f);
        const Quaternion& q = camera->orientation;
        EXPECT_NEAR(q.x, -s1 * c2, 1e-6f) << pitchFirst;
        EXPECT_NEAR(q.y, -c1 * s2, 1e-6f) << pitchFirst;
        EXPECT_NEAR(q.z, s1 * s2, 1e-6f) << pitchFirst;
        EXPECT_NEAR(q.w, -c1 * c2, 1e-6f) << pitchFirst;
    }
}

TEST(CameraTest, FlyingForwardFollowsTheViewDirection)
{
    SmartPtr<Camera> camera = MakeCamera();
    camera->AddYaw(-0.5f);
    camera->AddPitch(0.25f);
    Step(*camera, 0.0f); // the turn reaches the matrices
    camera->UpdateView();
    // Third column of the view matrix: the view direction in world space.
    Vector3 look(camera->viewMatrix.m[2], camera->viewMatrix.m[6], camera->viewMatrix.m[10]);

    camera->SetMoveForward(true);
    Step(*camera, 0.5f);
    Vector3 moved = camera->position;
    EXPECT_NEAR(moved.Length(), 7.0f, 1e-4f) << "14 units per second";
    EXPECT_NEAR(moved.Dot(look) / moved.Length(), 1.0f, 1e-5f);

    // Left is the negative view x axis.
    camera->position = Vector3();
    camera->SetMoveForward(false);
    camera->SetMoveLeft(true);
    Step(*camera, 1.0f);
    Vector3 right(camera->viewMatrix.m[0], camera->viewMatrix.m[4], camera->viewMatrix.m[8]);
    EXPECT_NEAR(camera->position.Dot(right), -14.0f, 1e-3f);
}

TEST(CameraTest, OppositeFlagsCancelAndVelocityStillApplies)
{
    SmartPtr<Camera> camera = MakeCamera();
    camera->velocity = Vector3(1, 2, 3);
    camera->SetMoveForward(true);
    camera->SetMoveBackward(true);
    camera->SetMoveLeft(true);
    camera->SetMoveRight(true);
    Step(*camera, 0.5f);
    EXPECT_TRUE(camera->position == Vector3(0.5f, 1.0f, 1.5f));
    // Move (the secondary graph's step) flies the same way.
    camera->Move(0.5f);
    EXPECT_TRUE(camera->position == Vector3(1.0f, 2.0f, 3.0f));
}

TEST(CameraTest, FrustumHasNoNearPlaneAndEndsAtTheFarDistance)
{
    SmartPtr<Camera> camera = MakeCamera();
    camera->position = Vector3(10, 2, -4);
    camera->AddYaw(1.0f);
    Step(*camera, 0.0f);
    camera->UpdateView();

    Vector3 eye = camera->worldMatrix.GetTranslation();
    Vector3 ahead = Vector3(0, 0, 1).TransformNormal(camera->worldMatrix);
    const Frustum& frustum = camera->frustum;
    for (int i = 0; i < 5; ++i)
        EXPECT_LT(frustum.planes[i].SignedDistance(eye + ahead * 999.0f), 0.0f) << "plane " << i;
    EXPECT_GT(frustum.planes[0].SignedDistance(eye + ahead * 1001.0f), 0.0f);
    Vector3 behind = eye - ahead * 5.0f;
    for (int i = 1; i < 5; ++i)
        EXPECT_GT(frustum.planes[i].SignedDistance(behind), 0.0f) << "plane " << i;

    // Culling: a box ahead is visible, one beside the camera's back is not,
    // and one past the far plane is not.
    Vector3 side = Vector3(1, 0, 0).TransformNormal(camera->worldMatrix);
    Vector3 one(1, 1, 1);
    Vector3 front = eye + ahead * 50.0f;
    EXPECT_TRUE(frustum.IsBoxVisible(front - one, front + one));
    Vector3 beside = eye + side * 100.0f - ahead * 10.0f;
    EXPECT_FALSE(frustum.IsBoxVisible(beside - one, beside + one));
    Vector3 far = eye + ahead * 1100.0f;
    EXPECT_FALSE(frustum.IsBoxVisible(far - one, far + one));
}

TEST(CameraTest, ZoomDividesTheFieldOfView)
{
    SmartPtr<Camera> wide = MakeCamera();
    SmartPtr<Camera> narrow = MakeCamera();
    narrow->zoom = 2.0f;
    wide->UpdateView();
    narrow->UpdateView();
    EXPECT_NEAR(wide->projectionMatrix.m[5], 1.0f / std::tan(1.0471975f / 2.0f), 1e-5f);
    EXPECT_NEAR(narrow->projectionMatrix.m[5], 1.0f / std::tan(1.0471975f / 4.0f), 1e-5f);
}
