#include "game/Player.h"

#include "core/IdPool.h"
#include "math/D3DXMath.h"
#include "net/Message.h"
#include "scene/SceneGraph.h"
#include "video/DeviceMath.h"
#include "video/Video.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
const char* const kBodyModelFile = "tank_body.3ds";
const float kCameraAspect = 1.3333334f;
// 75 degrees.
const float kCameraFov = 1.3089969f;
const float kCameraHeight = 1.0f;
const float kJumpSpeed = 6.0f;
const Vector3 kSideAxis(2.5f, 0.0f, 0.0f);
const Vector3 kFrontAxis(0.0f, 0.0f, 3.5f);
const Vector3 kUpAxis(0.0f, 1.0f, 0.0f);

int32_t ClampToInt(int64_t value)
{
    return int32_t(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}
} // namespace

Player::Player()
{
    radii = Vector3(0.3f, 1.0f, 0.3f);
}

Player::~Player()
{
    viewModel = nullptr;
    camera = nullptr;
}

void Player::Load()
{
    model = new Model();
    model->Import3DS(kBodyModelFile);
    UpdateBounds();

    camera = new Camera();
    camera->aspect = kCameraAspect;
    camera->fov = kCameraFov;
    camera->zoom = 1.0f;
    camera->position = Vector3(0.0f, kCameraHeight, 0.0f);
    camera->id = IdPool::Instance()->Allocate();
    AddChild(camera.Get());
}

void Player::UpdateBounds()
{
    if (!model)
        return;
    boundsMin = model->boxMin;
    boundsMax = model->boxMax;
}

void Player::Move(float dt)
{
    StaticModel::Move(dt);

    frontAxis = kFrontAxis.TransformNormal(worldMatrix);
    sideAxis = kSideAxis.TransformNormal(worldMatrix);
    upAxis = kUpAxis.TransformNormal(worldMatrix);

    if (!moveFlags[0] && !moveFlags[1] && !moveFlags[2] && !moveFlags[3])
        return;
    bobTime += dt;
    bobOffset =
        (frontAxis * std::sin(8.0f * bobTime) + sideAxis * std::cos(4.0f * bobTime) * 0.5f) /
        400.0f;
}

void Player::Render(IDirect3DDevice9* device)
{
    if (!camera || Video::Instance().camera.Get() != camera.Get())
    {
        StaticModel::Render(device);
        return;
    }
    // Seen from inside: the body would fill the view, so only the view model
    // is drawn, at the camera and swaying with the head bob.
    Matrix bob;
    D3DXMatrixTranslation(&bob, bobOffset.x, bobOffset.y, bobOffset.z);
    Matrix world = camera->GetMatrix() * bob;
    device->SetTransform(D3DTS_WORLD, AsD3DMatrix(world));
    if (viewModel)
        viewModel->Render(device);
}

void Player::NextWeapon()
{
    ++weapon;
    if (weapon > kWeaponSlots - 1)
        weapon = 0;
}

void Player::PrevWeapon()
{
    --weapon;
    if (weapon < 0)
        weapon = kWeaponSlots - 1;
}

void Player::TakeDamage(int amount)
{
    // Health and armour may come from a peer at the ends of the int range:
    // the sums are taken wide and clamped back into it.
    int64_t left = int64_t(armor) - amount;
    if (left < 0)
    {
        health = ClampToInt(int64_t(health) + left);
        armor = 0;
    }
    else
    {
        armor = ClampToInt(left);
    }
}

void Player::Jump()
{
    if (onGround)
        velocity.y += kJumpSpeed;
}

void Player::AddPitch(float delta)
{
    pitch += delta;
    ApplyPitch();
}

void Player::SetPitch(float value)
{
    pitch = value;
    ApplyPitch();
}

void Player::ApplyPitch()
{
    if (pitch > kMaxPitch)
        pitch = kMaxPitch;
    if (pitch < -kMaxPitch)
        pitch = -kMaxPitch;
    if (!camera)
        return;
    // The camera rebuilds its orientation from its own angles on any turn; a
    // turn by nothing makes it take the new pitch exactly.
    camera->pitch = pitch;
    camera->AddPitch(0.0f);
}

void Player::AddYaw(float delta)
{
    SetYaw(GetYaw() + delta);
}

void Player::SetYaw(float value)
{
    orientation = Quaternion::FromAxisAngle(Vector3(0.0f, 1.0f, 0.0f), value);
}

float Player::GetYaw() const
{
    return 2.0f * std::atan2(orientation.y, orientation.w);
}

Message* Player::CreateStateMessage()
{
    Message* message = CreateBaseStateMessage();
    message->WriteInt(static_cast<uint32_t>(tag));
    message->WriteString(name.c_str());
    for (uint8_t flag : moveFlags)
        message->WriteByte(flag);
    for (uint8_t flag : actionFlags)
        message->WriteByte(flag);
    message->WriteInt(static_cast<uint32_t>(health));
    message->WriteInt(static_cast<uint32_t>(armor));
    message->WriteInt(static_cast<uint32_t>(weapon));
    message->WriteFloat(pitch);
    // A player that was never loaded, or whose camera id named no camera,
    // has none to name.
    message->WriteInt(static_cast<uint32_t>(camera ? camera->id : -1));
    return message;
}

void Player::ApplyState(Message& message)
{
    ApplyBaseState(message);
    tag = static_cast<int32_t>(message.ReadInt());
    name = message.ReadString();
    for (uint8_t& flag : moveFlags)
        flag = message.ReadByte();
    for (uint8_t& flag : actionFlags)
        flag = message.ReadByte();
    health = static_cast<int32_t>(message.ReadInt());
    armor = static_cast<int32_t>(message.ReadInt());
    weapon = static_cast<int32_t>(message.ReadInt());
    pitch = message.ReadFloat();
    int32_t cameraId = static_cast<int32_t>(message.ReadInt());

    // The id comes from a peer: a node of that id that is not a camera is no
    // camera for this player.
    SceneNode* found = SecondarySceneGraph.GetRoot()->FindById(cameraId);
    camera = found && found->GetType() == kNodeCamera ? static_cast<Camera*>(found) : nullptr;
}
