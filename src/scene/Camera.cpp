#include "scene/Camera.h"

#include "math/D3DXMath.h"
#include "net/Message.h"

#include <cmath>

namespace
{
constexpr float kFlySpeed = 14.0f;
constexpr float kNearClip = 0.01f;
constexpr float kFarClip = 1000.0f;
} // namespace

void Camera::RebuildOrientation()
{
    orientation = Quaternion::FromAxisAngle(Vector3(1.0f, 0.0f, 0.0f), pitch) *
                  Quaternion::FromAxisAngle(Vector3(0.0f, 1.0f, 0.0f), yaw);
}

void Camera::AddPitch(float angle)
{
    pitch = pitch - angle;
    RebuildOrientation();
}

void Camera::AddYaw(float angle)
{
    yaw = yaw - angle;
    RebuildOrientation();
}

void Camera::Update(float dt)
{
    position = position + velocity * dt;

    Vector3 forward = Vector3(0.0f, 0.0f, kFlySpeed).TransformNormal(localMatrix);
    Vector3 side = Vector3(-kFlySpeed, 0.0f, 0.0f).TransformNormal(localMatrix);
    if (moveForward)
        position += forward * dt;
    if (moveBackward)
        position -= forward * dt;
    if (moveLeft)
        position += side * dt;
    if (moveRight)
        position -= side * dt;
}

void Camera::UpdateView()
{
    Vector3 eye = worldMatrix.GetTranslation();
    Vector3 dir = Vector3(0.0f, 0.0f, 1.0f).TransformNormal(worldMatrix);
    Vector3 up = Vector3(0.0f, 1.0f, 0.0f).TransformNormal(worldMatrix);
    Vector3 at = eye + dir;
    D3DXMatrixLookAtLH(&viewMatrix, &eye, &at, &up);

    float angle = fov / zoom;
    D3DXMatrixPerspectiveFovLH(&projectionMatrix, angle, aspect, kNearClip, kFarClip);

    // The horizontal half-angle is half the vertical angle times the aspect.
    const float d = kFarClip;
    float h = std::tan(angle * aspect / 2.0f) * d;
    float v = std::tan(angle / 2.0f) * d;
    Vector3 topLeft = Vector3(-h, v, d).TransformCoord(worldMatrix);
    Vector3 topRight = Vector3(h, v, d).TransformCoord(worldMatrix);
    Vector3 bottomRight = Vector3(h, -v, d).TransformCoord(worldMatrix);
    Vector3 bottomLeft = Vector3(-h, -v, d).TransformCoord(worldMatrix);

    frustum.planes[0].SetFromPoints(bottomRight, topRight, topLeft);
    frustum.planes[1].SetFromPoints(eye, bottomLeft, topLeft);
    frustum.planes[2].SetFromPoints(eye, topRight, bottomRight);
    frustum.planes[3].SetFromPoints(eye, topLeft, topRight);
    frustum.planes[4].SetFromPoints(eye, bottomRight, bottomLeft);
}

Message* Camera::CreateStateMessage()
{
    Message* message = CreateBaseStateMessage();
    message->WriteFloat(aspect);
    message->WriteFloat(fov);
    message->WriteFloat(zoom);
    return message;
}

void Camera::ApplyState(Message& message)
{
    ApplyBaseState(message);
    aspect = message.ReadFloat();
    fov = message.ReadFloat();
    zoom = message.ReadFloat();
}
