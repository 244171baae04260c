// A scene node the picture is rendered from: view and projection matrices and a
// view frustum rebuilt from its world transform, turned by two accumulated
// angles and flown by four movement flags.
#pragma once

#include "math/Frustum.h"
#include "scene/SceneNode.h"

class Camera : public SceneNode
{
public:
    Camera() = default;

    int GetType() override { return kNodeCamera; }
    // Flies the camera: Move and Update do the same.
    void Move(float dt) override { Update(dt); }
    void Update(float dt) override;
    void ApplyState(Message& message) override;
    Message* CreateStateMessage() override;

    // Rebuilds viewMatrix, projectionMatrix and frustum from worldMatrix. Called
    // by the Video once per frame on the current camera.
    void UpdateView();
    const Matrix& GetViewMatrix() const { return viewMatrix; }
    const Matrix& GetProjectionMatrix() const { return projectionMatrix; }

    // Turn by an angle in radians (subtracted from the accumulated angle); the
    // orientation reaches the matrices at the next update traversal.
    void AddPitch(float angle);
    void AddYaw(float angle);

    void SetMoveForward(bool on) { moveForward = on; }
    void SetMoveBackward(bool on) { moveBackward = on; }
    void SetMoveLeft(bool on) { moveLeft = on; }
    void SetMoveRight(bool on) { moveRight = on; }

    // Set by the creator: width / height, vertical field of view in radians and
    // its divisor.
    float aspect = 1.3333334f;
    float fov = 1.0471975f;
    float zoom = 1.0f;
    float pitch = 0.0f;
    float yaw = 0.0f;
    // Far, left, right, top, bottom, in world space, normals pointing out.
    Frustum frustum;
    Matrix viewMatrix;
    Matrix projectionMatrix;
    uint8_t moveForward = 0;
    uint8_t moveBackward = 0;
    uint8_t moveLeft = 0;
    uint8_t moveRight = 0;

private:
    void RebuildOrientation();
};
